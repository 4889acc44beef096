// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/modFile.h"
#include "common/clsAppBase.h"
#include "common/modMsgBox.h"
#include "storage/clsFile.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QTreeView>

namespace {

// Names without a dot are files too; only Windows reads "*.*" as every file.
#ifdef Q_OS_WIN
const QString kAllFiles = QStringLiteral("All (*.*)");
#else
const QString kAllFiles = QStringLiteral("All (*)");
#endif

bool FolderExists(const QString &file) { return QFileInfo(file).absoluteDir().exists(); }

void TellNoFolder(const QString &file, const QString &title)
{
    MsgBox(QStringLiteral("The folder does not exist:\r\n") + QDir::toNativeSeparators(QFileInfo(file).absolutePath()) +
               QStringLiteral("\r\nPlease choose an existing folder."),
           vb::Exclamation, title);
}

// The Qt dialog refuses a file in a folder that does not exist and stays
// open. A platform dialog has closed by then; ShowSaveDialog opens it again.
class SaveDialog : public QFileDialog
{
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const QStringList files = selectedFiles();
        const bool widgets = findChild<QLineEdit *>() != nullptr;
        if (!files.isEmpty() && !FolderExists(files.constFirst()) && widgets) {
            TellNoFolder(files.constFirst(), windowTitle());
            return;
        }
        // Qt's own question would be sized to its text and cut the title
        // ("Save Do... ed Tx As"): ours is asked as every other box is.
        const QFileInfo info(files.value(0));
        if (widgets && acceptMode() == AcceptSave && !testOption(DontConfirmOverwrite) && info.exists() && !info.isDir()) {
            if (MsgBox(info.fileName() + QStringLiteral(" already exists.\r\nDo you want to replace it?"),
                       vb::YesNo | vb::Exclamation | vb::DefaultButton2, windowTitle()) != vb::Yes)
                return;
            setOption(DontConfirmOverwrite, true);
            QFileDialog::accept();
            setOption(DontConfirmOverwrite, false);
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

QStringList SaveDialogFilters() { return {QStringLiteral("Data (*.csv)"), kAllFiles}; }

std::unique_ptr<clsFile> ShowSaveDialog(const QString &szName, const QString &szFolder, const QString &szTitle)
{
    auto choice = std::make_unique<clsFile>();
    QWidget *owner = gAppBase ? qobject_cast<QWidget *>(gAppBase->MainForm()) : nullptr;
    if (!owner)
        owner = QApplication::activeWindow();
    // The platform's own dialog where there is one (the native one on
    // Windows and macOS, the portal's or GTK's on Linux desktops); Qt's
    // otherwise.
    SaveDialog dlg(owner, szTitle);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setDefaultSuffix(QStringLiteral("csv"));
    dlg.setNameFilters(SaveDialogFilters());
    dlg.selectNameFilter(SaveDialogFilters().constFirst());
    if (!szFolder.isEmpty())
        dlg.setDirectory(szFolder);
    if (!szName.isEmpty())
        dlg.selectFile(szName);
    // Qt's own dialog would cut its date column short.
    if (auto *details = dlg.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        details->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
        dlg.resize(qMax(dlg.sizeHint().width(), dlg.fontMetrics().horizontalAdvance(QLatin1Char('M')) * 72),
                   dlg.sizeHint().height());
    }
    // Overwriting asks first (the dialog's default); only existing folders can be chosen.
    while (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
        const QString file = dlg.selectedFiles().constFirst();
        if (FolderExists(file)) {
            choice->setCompleteFileName(file);
            choice->setfFileSelected(true);
            break;
        }
        TellNoFolder(file, szTitle);
    }
    return choice;
}

void InstallSaveDialog()
{
    if (HasSaveDialogHandler())
        return;
    SetSaveDialogHandler([](const QString &szTitle, const QString &szFolder, const QString &szName) {
        const std::unique_ptr<clsFile> choice = ShowSaveDialog(szName, szFolder, szTitle);
        return choice->fFileSelected() ? choice->CompleteFileName() : QString();
    });
}

void InstallFileDialog()
{
    if (HasFileDialogHandler())
        return;
    SetFileDialogHandler([](const FileDialogRequest &request) {
        QWidget *owner = gAppBase ? qobject_cast<QWidget *>(gAppBase->MainForm()) : nullptr;
        if (!owner)
            owner = QApplication::activeWindow();
        SaveDialog dlg(owner, request.title);
        dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg.setNameFilters(request.filters);
        // A name typed without an extension gets the selected filter's.
        auto suffixOf = [](const QString &filter) {
            const qsizetype star = filter.indexOf(QLatin1String("(*."));
            return star < 0 ? QString() : filter.mid(star + 3).section(QLatin1Char(')'), 0, 0).section(QLatin1Char(' '), 0, 0);
        };
        if (request.save && !request.filters.isEmpty()) {
            dlg.setDefaultSuffix(suffixOf(request.filters.constFirst()));
            QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                             [&dlg, suffixOf](const QString &filter) { dlg.setDefaultSuffix(suffixOf(filter)); });
        }
        if (!request.folder.isEmpty())
            dlg.setDirectory(request.folder);
        if (!request.name.isEmpty())
            dlg.selectFile(request.name);
        FileDialogAnswer answer;
        while (dlg.exec() == QDialog::Accepted && !dlg.selectedFiles().isEmpty()) {
            const QString file = dlg.selectedFiles().constFirst();
            if (!request.save || FolderExists(file)) {
                answer.file = file;
                answer.filter = dlg.selectedNameFilter();
                break;
            }
            TellNoFolder(file, request.title);
        }
        return answer;
    });
}
