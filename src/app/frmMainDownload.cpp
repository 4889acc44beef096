// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMain.h"
#include "app/frmMessage.h"
#include "app/modDownload.h"
#include "storage/modFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

namespace {

// The download as the windows show it: frmMessage for progress (with
// "Cancel" while reading), the main window disabled while records are read.
class WindowDownloadUi : public DownloadUi
{
public:
    explicit WindowDownloadUi(frmMain *main) : m_main(main) {}
    ~WindowDownloadUi() override { ProgressClose(); }

    void ProgressOpen(const QString &szCaption, int maximum) override
    {
        ProgressClose();
        QWidget *active = QApplication::activeWindow();
        m_form = new frmMessage(m_main, active ? active : m_main.data());
        m_form->StartReading(maximum);
        QObject::connect(m_form, &frmMessage::Cancel, m_form, [this] {
            if (onCancel)
                onCancel();
        });
        m_form->setWindowTitle(szCaption);
        m_form->show();
        m_painted = false;
        m_shown.invalidate();
        m_reading.start();
        m_form->raise();
        m_form->activateWindow();
    }

    void ProgressStep(int value) override
    {
        // Repainting is the dearest part of a record from a fast meter: show
        // the count at most every kRepaintMs (always the first one).
        if (!m_form || (m_shown.isValid() && m_shown.elapsed() < kRepaintMs))
            return;
        m_shown.start();
        m_form->ShowStep(value, StepMessage(value, m_form->StepMaximum(), m_reading.elapsed()));
        // Back in front should the user have brought the (disabled) main window over it.
        if (m_main && m_main->isActiveWindow())
            m_form->raise();
    }

    void ProgressFinished(const QString &szMessage) override
    {
        if (m_form)
            m_form->FillBar();
        ShowEnd(szMessage);
    }

    void ProgressCancelled(const QString &szMessage) override { ShowEnd(szMessage); }

    // The last text, and "OK" in place of "Cancel".
    void ShowEnd(const QString &szMessage)
    {
        if (!m_form)
            return;
        m_form->ShowResult(szMessage);
    }

    frmMessage *Form() const { return m_form; }

    bool ProgressShown() override
    {
        if (!m_form || m_painted || m_reading.elapsed() >= kShowWaitMs)
            return true;
        const QWindow *w = m_form->windowHandle();
        if (!w || !w->isExposed())
            return false;
        // Exposed: it is painted in this pass of the event loop; the first
        // record comes in the next.
        m_painted = true;
        return false;
    }

    void ProgressClose() override
    {
        delete m_form.data();
    }

    void SetMainEnabled(bool fEnabled) override
    {
        if (!m_main)
            return;
        m_main->setEnabled(fEnabled);
        // A window of a disabled parent is disabled too unless told otherwise.
        if (m_form)
            m_form->setEnabled(true);
    }

    void BringMainToFront() override
    {
        if (!m_main || m_main->isActiveWindow())
            return;
        m_main->raise();
        m_main->activateWindow();
    }

    std::function<void()> onCancel;

private:
    static constexpr qint64 kRepaintMs = 40;
    // How long the first record waits for the window manager to show the window.
    static constexpr qint64 kShowWaitMs = 500;
    bool m_painted = false;
    QPointer<frmMain> m_main;
    QElapsedTimer m_shown, m_reading;
    QPointer<frmMessage> m_form;
};

// A download of the main window, from the checks until the user has seen
// how it ended.
class WindowDownload : public QObject
{
public:
    explicit WindowDownload(frmMain *main) : QObject(main), ui(main) {}
    WindowDownloadUi ui;
    std::unique_ptr<clsDownloadRun> op;
};

} // namespace

void frmMain::GetAllData(qint32 DataType, bool fSaveToFile, bool fFillInForm)
{
    // One at a time, the last one's "OK" included.
    if (m_download || OperationRunning())
        return;
    InstallSaveDialog();
    auto *d = new WindowDownload(this);
    m_download = d;
    BatchConsole(true);
    // The counts are read on the link thread: the window is answered meanwhile.
    PrepareDownload(d->ui, DownloadRequest{DataType, fSaveToFile, fFillInForm, QString(), {}}, d,
                    [this, d](std::unique_ptr<clsDownloadRun> run) {
                        d->op = std::move(run);
                        if (!d->op)
                            return EndDownload(OpStatus::Failed);
                        clsDownloadRun *op = d->op.get();
                        d->ui.onCancel = [op] { op->Cancel(); };
                        // Concluded from the event loop: its boxes and the list window never
                        // open inside the last step.
                        connect(op, &clsOperation::Finished, d, [this] { ConcludeDownload(); }, Qt::QueuedConnection);
                        op->Start();
                    });
}

void frmMain::ConcludeDownload()
{
    auto *d = static_cast<WindowDownload *>(m_download.data());
    if (!d)
        return;
    BatchConsole(false);
    d->op->Conclude();
    const OpStatus status = d->op->Status();
    frmMessage *form = d->ui.Form();
    if (status == OpStatus::Ok && d->op->FillInForm()) {
        std::unique_ptr<DownloadTarget> target = d->op->TakeTarget();
        d->ui.ProgressClose();
        // The list window is modal: it is the only window the user can reach.
        d->ui.SetMainEnabled(true);
        if (target)
            target->ShowModal();
        EndDownload(status);
        return;
    }
    // "Finished!" or "Download cancelled." stays until the user presses "OK".
    if ((status == OpStatus::Ok || status == OpStatus::Cancelled) && form && form->isVisible()) {
        // Queued: the window is deleted there, and it is still emitting.
        connect(form, &QDialog::finished, d, [this, status] { EndDownload(status); }, Qt::QueuedConnection);
        return;
    }
    EndDownload(status);
}

void frmMain::EndDownload(OpStatus status)
{
    BatchConsole(false);
    if (auto *d = static_cast<WindowDownload *>(m_download.data())) {
        d->ui.ProgressClose();
        d->ui.SetMainEnabled(true);
        d->ui.BringMainToFront();
        d->deleteLater();
        m_download = nullptr;
    }
    emit DownloadFinished(status);
}
