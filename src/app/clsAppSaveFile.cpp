// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clsApp.h"
#include "storage/clsFile.h"

bool clsApp::SaveFileAs(const QString &szTitle)
{
    const QString chosen = AskSaveFileName(szTitle, File->Path(), File->FileName());
    if (chosen.isEmpty())
        return false;
    clsFile choice;
    choice.setCompleteFileName(chosen);
    File->setFileName(choice.FileName());
    File->setPath(choice.Path());
    File->fFileSelected = true;
    return true;
}
