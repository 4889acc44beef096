// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <QVariant>

// The part of the application object every layer may read: names, the debug
// switch, the main window (owner of dialogs) and the window icon. clsApp
// derives from it; the layers below the application reach it as gAppBase.
class clsAppBase : public QObject
{
    Q_OBJECT
public:
    clsAppBase();
    ~clsAppBase() override;

    static QString AppTitle(); // "ZT6200 Dataclave"
    static QString VersionText(); // "1.2.5"

    // The main window (its windowTitle is the caption); null when none.
    QObject *MainForm() const { return m_mainForm; }
    void setMainForm(QObject *form) { m_mainForm = form; }
    bool fDebug() const { return m_fDebug; }
    void setfDebug(bool fValue) { m_fDebug = fValue; }
    // A QIcon, set by the windows.
    const QVariant &Icon() const { return m_icon; }
    void setIcon(const QVariant &icon) { m_icon = icon; }

private:
    QObject *m_mainForm = nullptr;
    bool m_fDebug = false;
    QVariant m_icon;
};

// The application object while one exists (the same object as gApp), else null.
extern clsAppBase *gAppBase;
