#include "storage/modFile.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "storage/clsFile.h"

#include <QApplication>
#include <QFileDialog>

std::unique_ptr<clsFile> ShowSaveDialog(const QString &szName, const QString &szFolder, const QString &szTitle)
{
    auto choice = std::make_unique<clsFile>();
    QWidget *owner = gApp ? qobject_cast<QWidget *>(gApp->MainForm) : nullptr;
    if (!owner)
        owner = QApplication::activeWindow();
    QFileDialog dlg(owner, szTitle);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setNameFilters({QStringLiteral("Data (*.csv)"), QStringLiteral("All (*.*)")});
    dlg.selectNameFilter(QStringLiteral("Data (*.csv)"));
    if (!szFolder.isEmpty())
        dlg.setDirectory(szFolder);
    if (!szName.isEmpty())
        dlg.selectFile(szName);
    // Overwriting asks first (the dialog's default); only existing folders can be chosen.
    if (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
        choice->setCompleteFileName(dlg.selectedFiles().constFirst());
        choice->fFileSelected = true;
    }
    return choice;
}

void InstallSaveDialog()
{
    if (HasSaveDialogHandler())
        return;
    SetSaveDialogHandler([](const QString &szTitle, const QString &szFolder, const QString &szName) {
        const std::unique_ptr<clsFile> choice = ShowSaveDialog(szName, szFolder, szTitle);
        return choice->fFileSelected ? choice->CompleteFileName() : QString();
    });
}
