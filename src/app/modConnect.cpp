// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modConnect.h"
#include "common/clsOperation.h"
#include "common/modConvert.h"
#include "common/modMsgBox.h"
#include "protocol/modApp.h"
#include "records/clsMeter.h"
#include "records/clsVersion.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QEventLoop>
#include <QPointer>

namespace {

// The version query as an operation: a silent meter keeps the link thread
// waiting, never the window.
class clsVersionQuery : public clsOperation
{
public:
    explicit clsVersionQuery(clsMeter &meter) : clsOperation(&meter.Link()), m_meter(meter) {}
    const QString &Reply() const { return m_reply; }

protected:
    void Step() override
    {
        m_reply = m_meter.QueryVersion();
        Finish(OpStatus::Ok);
    }

private:
    clsMeter &m_meter;
    QString m_reply;
};

QPointer<clsVersionQuery> gFollowUp;

} // namespace

void OnConnected()
{
    gMeter->Reset();
    auto *query = new clsVersionQuery(*gMeter);
    QObject::connect(query, &clsOperation::Finished, query, [query] {
        // The link may have gone and come back meanwhile: only a reply of the
        // meter still connected is its version.
        if (!query->Reply().isEmpty() && gFsm && gUsbHid == query->parent() && gUsbHid->fDeviceConnected())
            gFsm->Version()->setszVersion(query->Reply());
        query->deleteLater();
    });
    gFollowUp = query;
    query->Start();
}

void WaitForConnectionFollowUp()
{
    if (!gFollowUp || gFollowUp->IsFinished())
        return;
    QEventLoop loop;
    QObject::connect(gFollowUp, &clsOperation::Finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QObject::connect(gFollowUp, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}

void ShowUpdateSoftware()
{
    MsgBox(QStringLiteral("ZT 6200 firmware (") + gFsm->Version()->szVersion() + QStringLiteral(")\r\n")
               + QStringLiteral("requires a newer version of the Dataclave program."),
           vb::Exclamation, QStringLiteral("Update Software"));
}

QString LinkEventText(LinkEvent event, const QString &reason)
{
    switch (event) {
    case LinkEvent::NotConnected: return QStringLiteral("ZT 6200 is not connected. Please connect it with the USB cable");
    case LinkEvent::Disconnected: return QStringLiteral("ZT 6200 was disconnected. Please reconnect it.");
    case LinkEvent::CannotOpen: break;
    }
    QString text = QStringLiteral("ZT 6200 was found but cannot be opened: ") +
                   (reason.isEmpty() ? QStringLiteral("unknown reason") : reason) + QLatin1Char('.');
#if defined(__linux__)
    text += QStringLiteral("\r\nThe udev rule that gives you access is explained in the README, "
                           "section \"Using a real meter on Linux\".");
#endif
    return text;
}

QString CountProblemText(const CountProblem &problem)
{
    const QString what = problem.type == 0 ? QStringLiteral("saved records") : QStringLiteral("Tx entries");
    QStringList fields;
    SplitFields(problem.reply, fields);
    double n = 0;
    if (fields.size() == 2 && ToDouble(fields.at(0), &n) && (n < 0 || n > 32767))
        return QStringLiteral("The FSM reports %1 %2; this program can read from 0 to 32767.").arg(fields.at(0).trimmed(), what);
    return QStringLiteral("The number of %1 in the FSM could not be read.").arg(what) +
           (problem.reply.isEmpty() ? QString() : QStringLiteral("\r\nIts reply was: ") + problem.reply);
}

namespace {

class AppLinkNotifier : public LinkNotifier
{
public:
    bool LinkBusy() override { return OperationRunning(); }
    void Connected() override { OnConnected(); }
    void Disconnected() override
    {
        if (gMeter)
            gMeter->Reset(); // once the exchange that lost the link has returned
    }
    // Told from inside the link's work (a step): the box waits for the event loop.
    void Tell(LinkEvent event, const QString &reason) override
    {
        MsgBoxLater(LinkEventText(event, reason), vb::Exclamation, QStringLiteral("ZT 6200 Communication Problem"));
    }
};

} // namespace

void InstallLinkNotifier()
{
    static AppLinkNotifier notifier;
    SetLinkNotifier(&notifier);
    // Told from inside a step, like the link's events: the box waits for the event loop.
    SetCountProblemTeller([](const CountProblem &problem) {
        MsgBoxLater(CountProblemText(problem), vb::Exclamation, QStringLiteral("ZT 6200 Reading Problem"));
    });
}
