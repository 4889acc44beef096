// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/modConnect.h"
#include "common/clsOperation.h"
#include "common/modMsgBox.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"
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
    using clsOperation::clsOperation;
    const QString &Reply() const { return m_reply; }

protected:
    void Step() override
    {
        m_reply = QueryVersion();
        Finish(OpStatus::Ok);
    }

private:
    QString m_reply;
};

QPointer<clsVersionQuery> gFollowUp;

} // namespace

void OnConnected()
{
    gFsm->Reset();
    auto *query = new clsVersionQuery(gUsbHid);
    QObject::connect(query, &clsOperation::Finished, query, [query] {
        // The link may have gone and come back meanwhile: only a reply of the
        // meter still connected is its version.
        if (!query->Reply().isEmpty() && gFsm && gUsbHid == query->parent() && gUsbHid->fDeviceConnected())
            gFsm->Version->setszVersion(query->Reply());
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
    MsgBox(QStringLiteral("ZT 6200 firmware (") + gFsm->Version->szVersion() + QStringLiteral(")\r\n")
               + QStringLiteral("requires a newer version of the Dataclave program."),
           vb::Exclamation, QStringLiteral("Update Software"));
}

namespace {

class AppLinkNotifier : public LinkNotifier
{
public:
    bool LinkBusy() override { return OperationRunning(); }
    void Connected() override { OnConnected(); }
    void Disconnected() override
    {
        if (gFsm)
            gFsm->Reset();
    }
    // Told from inside the link's work (a step): the box waits for the event loop.
    void Tell(const QString &prompt, const QString &title) override { MsgBoxLater(prompt, vb::Exclamation, title); }
};

} // namespace

void InstallLinkNotifier()
{
    static AppLinkNotifier notifier;
    SetLinkNotifier(&notifier);
}
