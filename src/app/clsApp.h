// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsAppBase.h"

#include <QString>
#include <memory>

class clsFile;

// Application object: names, paths, output file and the caption rule (the
// debug flag, main window and icon are in clsAppBase).
class clsApp : public clsAppBase
{
    Q_OBJECT
public:
    clsApp();
    ~clsApp() override;

    clsFile *File() const { return m_file.get(); } // the output file of downloads

    const QString &szCaption() const { return m_szCaption; }
    void Caption();

    // Asks for the output file of a download of store DataType with the
    // save dialog; true when one was chosen. With fRememberSaves the dialog
    // proposes the folder of the last save and the name last chosen for
    // this kind of data, also from earlier runs (the user's settings);
    // otherwise the file chosen last in this run.
    bool SaveFileAs(const QString &szTitle = QString(), qint32 DataType = 0);
    void setfRememberSaves(bool fRemember) { m_fRememberSaves = fRemember; }
    // Makes `szPath` the output file, as a choice in the save dialog does.
    void UseFile(const QString &szPath);

signals:
    void CaptionChanged(const QString &caption);

private:
    std::unique_ptr<clsFile> m_file;
    QString szAppName;
    QString m_szCaption;
    bool m_fRememberSaves = false;
};
