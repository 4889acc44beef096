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
#include <QPushButton>
#include <QSpacerItem>
#include <QWidget>

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

static int ShowMessageBox(const QString &prompt, int buttons, const QString &title)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (buttons & 0x70) {
    case vb::Critical: icon = QMessageBox::Critical; break;
    case vb::Question: icon = QMessageBox::Question; break;
    case vb::Exclamation: icon = QMessageBox::Warning; break;
    case vb::Information: icon = QMessageBox::Information; break;
    default: break;
    }

    QWidget *parent = QApplication::activeModalWidget();
    if (!parent)
        parent = QApplication::activeWindow();
    if (!parent && gApp)
        parent = qobject_cast<QWidget *>(gApp->MainForm);

    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    if (gApp && gApp->Icon.canConvert<QIcon>())
        box.setWindowIcon(gApp->Icon.value<QIcon>());

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
    box.exec();
    if (other && box.clickedButton() == other)
        return otherAnswer;
    if (box.clickedButton() == first)
        return firstAnswer;
    return other ? otherAnswer : firstAnswer;
}

void InstallGuiMsgBox()
{
    SetMsgBoxHandler(ShowMessageBox, true);
    gBeepHook = [] { QApplication::beep(); };
}
