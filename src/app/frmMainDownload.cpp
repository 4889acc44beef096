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

namespace {

// The download as the windows show it: frmMessage for progress, the main
// window disabled while records are read.
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
        m_form->cmdOk->setEnabled(false);
        m_form->setWindowTitle(szCaption);
        m_form->pbarBar->setRange(0, maximum);
        m_form->pbarBar->setValue(0);
        m_form->show();
        m_shown.invalidate();
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
        m_form->pbarBar->setValue(value);
        m_form->lblMessage->setText(StepMessage(value, m_form->pbarBar->maximum()));
        // Back in front should the user have brought the (disabled) main window over it.
        if (m_main && m_main->isActiveWindow())
            m_form->raise();
    }

    void ProgressFinished(const QString &szMessage) override
    {
        if (!m_form)
            return;
        m_form->cmdOk->setEnabled(true);
        m_form->pbarBar->setValue(m_form->pbarBar->maximum());
        m_form->lblMessage->setText(szMessage);
        // Enter must reach "OK" even when the user clicked the (disabled)
        // main window meanwhile.
        m_form->raise();
        m_form->activateWindow();
        m_form->cmdOk->setFocus();
    }

    void WaitForOk() override
    {
        if (!m_form || !m_form->isVisible())
            return;
        QEventLoop loop;
        QObject::connect(m_form, &QDialog::finished, &loop, &QEventLoop::quit);
        QObject::connect(m_form, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec();
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

private:
    static constexpr qint64 kRepaintMs = 40;
    QPointer<frmMain> m_main;
    QElapsedTimer m_shown;
    QPointer<frmMessage> m_form;
};

} // namespace

void frmMain::GetAllData(qint32 DataType, bool &fSaveToFile, bool &fFillInForm)
{
    InstallSaveDialog();
    WindowDownloadUi ui(this);
    BatchConsole(true);
    ::GetAllData(ui, DataType, fSaveToFile, fFillInForm);
    BatchConsole(false);
}
