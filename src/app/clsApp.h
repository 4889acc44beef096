// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <QVariant>

class clsFile;

// Application object: names, paths, main window, icon, debug flag, output
// file and the caption rule.
class clsApp : public QObject
{
    Q_OBJECT
public:
    clsApp();
    ~clsApp() override;

    static QString AppTitle(); // "ZT6200 Dataclave"
    static QString VersionText(); // "1.2.5"

    QString szAppName;
    QString szWorkingName;
    QString szAppFilePath;
    QString szDataFilePath;
    QString szCurrentFileName;
    QString szFileType = QStringLiteral(".csv");
    bool fDirty = false;
    bool fDataOpen = false;
    QObject *Dialog = nullptr;   // the main window's dialog owner
    QObject *MainForm = nullptr; // the main window (its windowTitle is the caption)
    bool fDebug = false;
    clsFile *File = nullptr;
    QVariant Icon; // a QIcon, set by the windows

    const QString &szCaption() const { return m_szCaption; }
    void Caption();

    // Asks for the output file with the save dialog; true when one was chosen.
    bool SaveFileAs(const QString &szTitle = QString());

signals:
    void CaptionChanged(const QString &caption);

private:
    QString m_szCaption;
};
