// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmMessage.h"
#include "app/clsApp.h"
#include "app/globals.h"

#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

// Centre over `parent`, kept on the parent's screen.
static void CenterOver(QWidget *child, QWidget *parent)
{
    QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QRect over = parent ? parent->frameGeometry() : area;
    QRect r(QPoint(0, 0), child->frameGeometry().size());
    r.moveCenter(over.center());
    if (area.isValid()) {
        if (r.right() > area.right())
            r.moveRight(area.right());
        if (r.left() < area.left())
            r.moveLeft(area.left());
        if (r.bottom() > area.bottom())
            r.moveBottom(area.bottom());
        if (r.top() < area.top())
            r.moveTop(area.top());
    }
    child->move(r.topLeft());
}

frmMessage::frmMessage(QWidget *parent, QWidget *over)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmMessage"));
    setModal(false);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setAlignment(Qt::AlignCenter);
    lblMessage->setMinimumWidth(qMax(fontMetrics().horizontalAdvance(QStringLiteral("Reading Data 32767 of 32767")) * 3 / 2,
                                     fontMetrics().horizontalAdvance(QStringLiteral("32767 records per second, 545 min 59 s left")) + 16));
    lblMessage->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 4);
    pbarBar = new QProgressBar(this);
    pbarBar->setObjectName(QStringLiteral("pbarBar"));
    pbarBar->setTextVisible(true);
    pbarBar->setFormat(QStringLiteral("%p%"));
    pbarBar->setAlignment(Qt::AlignCenter);
    pbarBar->setRange(0, 0);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdCancel->hide();
    connect(cmdCancel, &QPushButton::clicked, this, &frmMessage::Cancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblMessage);
    layout->addWidget(pbarBar);
    layout->addLayout(buttons);

    if (gApp && gApp->Icon().canConvert<QIcon>())
        setWindowIcon(gApp->Icon().value<QIcon>());
    ensurePolished();
    adjustSize();
    setFixedSize(size()); // a new label text must not resize the window
    CenterOver(this, over ? over : parentWidget());
}

void frmMessage::reject()
{
    // Escape and the close box: "OK" once reading has finished, "Cancel"
    // while it runs (nothing is asked; reading stops after the record under way).
    if (cmdOk->isEnabled())
        QDialog::reject();
    else if (cmdCancel->isVisible() && cmdCancel->isEnabled())
        cmdCancel->click();
}

void frmMessage::StartReading(int maximum)
{
    cmdOk->setEnabled(false);
    cmdCancel->show();
    pbarBar->setRange(0, maximum);
    pbarBar->setValue(0);
}

void frmMessage::ShowStep(int value, const QString &text)
{
    pbarBar->setValue(value);
    lblMessage->setText(text);
}

int frmMessage::StepMaximum() const { return pbarBar->maximum(); }

void frmMessage::FillBar() { pbarBar->setValue(pbarBar->maximum()); }

void frmMessage::ShowResult(const QString &text)
{
    cmdCancel->hide();
    cmdOk->setEnabled(true);
    lblMessage->setText(text);
    // Enter must reach "OK" even when the user clicked the (disabled)
    // main window meanwhile, and whenever the user comes back to it.
    ShowEnded();
}

void frmMessage::ShowEnded()
{
    if (!m_fEnded) {
        m_fEnded = true;
        // The main window stays disabled until "OK": a click on it comes here.
        if (QWidget *owner = parentWidget())
            owner->installEventFilter(this);
    }
    FrontWithOk();
}

void frmMessage::FrontWithOk()
{
    if (!isVisible() || !cmdOk->isEnabled())
        return;
    raise();
    activateWindow();
    cmdOk->setFocus(Qt::ActiveWindowFocusReason);
}

void frmMessage::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (m_fEnded && event->type() == QEvent::ActivationChange && isActiveWindow())
        cmdOk->setFocus(Qt::ActiveWindowFocusReason);
}

bool frmMessage::eventFilter(QObject *watched, QEvent *event)
{
    if (m_fEnded && watched == parentWidget() && event->type() == QEvent::WindowActivate && !parentWidget()->isEnabled()) {
        // After the activation has settled, or the window manager takes it back.
        QTimer::singleShot(0, this, &frmMessage::FrontWithOk);
    }
    return QDialog::eventFilter(watched, event);
}
