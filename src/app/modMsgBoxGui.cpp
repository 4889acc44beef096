// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modMsgBoxGui.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "common/modEvents.h"
#include "common/modMsgBox.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGridLayout>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QSpacerItem>
#include <QWidget>
#include <QWindow>

int MessageBoxTitleWidth(const QString &title)
{
    // Window managers draw titles in their own, often bold, font, with the
    // window icon and two or three buttons beside it.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int button = metrics.height() + 10;
    return metrics.horizontalAdvance(title) + 4 * button + 24;
}

namespace {

// A box belongs to no window: the window it opens over (a progress window,
// a list window) may be deleted by the work that goes on while the box is
// open, and a deleted parent would take the open box with it. It only
// stands over that window, as long as that window lasts.
class MessageBox : public QMessageBox
{
public:
    MessageBox(Icon icon, const QString &title, const QString &text, QWidget *over)
        : QMessageBox(icon, title, text, NoButton, nullptr), m_over(over)
    {
    }

protected:
    void showEvent(QShowEvent *event) override
    {
        QMessageBox::showEvent(event);
        if (m_over && !event->spontaneous()) {
            adjustPosition(m_over);
            setAttribute(Qt::WA_Moved, false);
        }
    }

private:
    QPointer<QWidget> m_over;
};

} // namespace

int ShowMessageBox(const QString &prompt, int buttons, const QString &title,
                   const std::function<void(QMessageBox &)> &onShow)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (buttons & 0x70) {
    case vb::Critical: icon = QMessageBox::Critical; break;
    case vb::Question: icon = QMessageBox::Question; break;
    case vb::Exclamation: icon = QMessageBox::Warning; break;
    case vb::Information: icon = QMessageBox::Information; break;
    default: break;
    }

    QPointer<QWidget> over = QApplication::activeModalWidget();
    if (!over)
        over = QApplication::activeWindow();
    if (!over && gApp)
        over = qobject_cast<QWidget *>(gApp->MainForm());

    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    MessageBox box(icon, title, text, over);
    if (gApp && gApp->Icon().canConvert<QIcon>())
        box.setWindowIcon(gApp->Icon().value<QIcon>());

    const bool second = (buttons & vb::DefaultButton2) != 0;
    QPushButton *first = nullptr, *other = nullptr;
    int firstAnswer = vb::OK, otherAnswer = vb::OK;
    switch (buttons & 7) {
    case vb::YesNo:
        first = box.addButton(QMessageBox::Yes);
        other = box.addButton(QMessageBox::No);
        firstAnswer = vb::Yes;
        otherAnswer = vb::No;
        box.setEscapeButton(other); // Escape never confirms
        break;
    case vb::OKCancel:
        first = box.addButton(QMessageBox::Ok);
        other = box.addButton(QMessageBox::Cancel);
        otherAnswer = vb::Cancel;
        box.setEscapeButton(other);
        break;
    default:
        first = box.addButton(QMessageBox::Ok);
        box.setEscapeButton(first);
        break;
    }
    box.setDefaultButton(second && other ? other : first);
    // The box is sized to its text; a short text must not cut the title.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(MessageBoxTitleWidth(title), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.winId();
    if (over && over->window()->windowHandle())
        box.windowHandle()->setTransientParent(over->window()->windowHandle());
    if (onShow)
        onShow(box);
    box.exec();
    // Back to the window it stood over, unless that one went meanwhile.
    if (over && over->isVisible() && QApplication::activeWindow() != over->window())
        over->window()->activateWindow();
    if (other && box.clickedButton() == other)
        return otherAnswer;
    if (box.clickedButton() == first)
        return firstAnswer;
    return other ? otherAnswer : firstAnswer;
}

void InstallGuiMsgBox()
{
    SetMsgBoxHandler([](const QString &prompt, int buttons, const QString &title) {
        return ShowMessageBox(prompt, buttons, title);
    }, true);
    gBeepHook = [] { QApplication::beep(); };
}
