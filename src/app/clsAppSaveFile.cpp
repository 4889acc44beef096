// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clsApp.h"
#include "storage/clsFile.h"
#include "storage/modRecentFiles.h"
#include "storage/modWindowState.h"

#include <QSettings>

bool clsApp::SaveFileAs(const QString &szTitle, qint32 DataType)
{
    QString folder = File()->Path(), name = File()->FileName();
    const std::unique_ptr<QSettings> store = m_fRememberSaves ? UserSettings() : nullptr;
    if (store) {
        const SaveProposal last = RecentSave(DataType, *store);
        if (!last.folder.isEmpty())
            folder = last.folder;
        name = last.name;
    }
    const QString chosen = AskSaveFileName(szTitle, folder, name);
    if (chosen.isEmpty())
        return false;
    UseFile(chosen);
    if (store)
        RememberSave(DataType, File()->Path(), File()->FileName(), *store);
    return true;
}

void clsApp::UseFile(const QString &szPath)
{
    clsFile choice;
    choice.setCompleteFileName(szPath);
    File()->setFileName(choice.FileName());
    File()->setPath(choice.Path());
    File()->setfFileSelected(true);
}
