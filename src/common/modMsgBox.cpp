// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modMsgBox.h"
#include "common/clsAppBase.h"
#include "common/clsOperation.h"

#include <QCoreApplication>
#include <QList>
#include <QMetaObject>
#include <cstdio>

int DefaultAnswer(int buttons)
{
    const int kind = buttons & 7;
    const bool second = (buttons & vb::DefaultButton2) != 0;
    if (kind == vb::YesNo)
        return second ? vb::No : vb::Yes;
    if (kind == vb::OKCancel)
        return second ? vb::Cancel : vb::OK;
    return vb::OK;
}

static int StderrAnswer(const QString &prompt, int buttons, const QString &title)
{
    QString text = prompt;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    return DefaultAnswer(buttons);
}

static MsgBoxHandler &Handler()
{
    static MsgBoxHandler handler = StderrAnswer;
    return handler;
}

static void ShowLaterBoxes();

int MsgBox(const QString &prompt, int buttons, const QString &title)
{
    // Told in the order asked: the boxes waiting for the event loop first.
    ShowLaterBoxes();
    const QString t = title.isEmpty() ? clsAppBase::AppTitle() : title;
    MsgBoxHandler h = Handler(); // a copy: the handler may replace itself
    return h ? h(prompt, buttons, t) : DefaultAnswer(buttons);
}

namespace {

bool gOpensWindows = false;
struct LaterBox
{
    QString prompt;
    int buttons;
    QString title;
    bool operator==(const LaterBox &o) const { return prompt == o.prompt && buttons == o.buttons && title == o.title; }
};
QList<LaterBox> gLater;
bool gShowingLater = false;
LaterBox gShowing; // the later box open now

} // namespace

static void ShowLaterBoxes()
{
    // A box runs the event loop: one asked meanwhile waits for this loop.
    if (gShowingLater || gLater.isEmpty())
        return;
    gShowingLater = true;
    while (!gLater.isEmpty()) {
        gShowing = gLater.takeFirst();
        MsgBox(gShowing.prompt, gShowing.buttons, gShowing.title);
    }
    gShowing = LaterBox();
    gShowingLater = false;
}

MsgBoxHandler SetMsgBoxHandler(MsgBoxHandler handler, bool opensWindows)
{
    MsgBoxHandler old = Handler();
    Handler() = std::move(handler);
    gOpensWindows = opensWindows;
    return old;
}

void MsgBoxLater(const QString &prompt, int buttons, const QString &title)
{
    if (OnLinkThread())
        return WindowThreadDo([=] { MsgBoxLater(prompt, buttons, title); });
    QCoreApplication *app = QCoreApplication::instance();
    if (!gOpensWindows || !app) {
        MsgBox(prompt, buttons, title);
        return;
    }
    // The same news twice in a row (the link lost, told by each exchange
    // that meets it) is told once.
    const LaterBox box{prompt, buttons, title};
    if (gLater.contains(box) || (gShowingLater && gShowing == box))
        return;
    gLater.append(box);
    if (gLater.size() == 1)
        QMetaObject::invokeMethod(app, ShowLaterBoxes, Qt::QueuedConnection);
}
