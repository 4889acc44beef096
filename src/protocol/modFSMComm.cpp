// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/modFSMComm.h"
#include "common/clsAppBase.h"
#include "common/modConsole.h"
#include "common/modConvert.h"
#include "protocol/clsDevice.h"
#include "protocol/modApp.h"
#include "usb/clsUsbHid.h"


namespace {

constexpr int kAttempts = 4;
// Far above any real reply (a saved record is a few hundred bytes); a meter
// that never sends the last-report mark must not keep us reading forever.
constexpr int kMaxReplyBytes = 4096;

// Collects one reply, however many reports it spans: Ok, LinkLost, Timeout
// or TooLong.
OpStatus ReadReply(clsDevice &device, QString &szReply)
{
    clsUsbHid &link = *device.Link();
    szReply.resize(0); // keeps the room the last reply needed
    int bytes = 0;
    do {
        if (link.ConnectionLost(true))
            return OpStatus::LinkLost;
        device.PacketIn().setfNew(false);
        const OpStatus got = device.ReportIn();
        if (got != OpStatus::Ok || !device.PacketIn().fNew()) {
            // No report came: the link has closed itself; tell the user once.
            link.Shutdown();
            link.ConnectionLost(true);
            return got == OpStatus::Ok ? OpStatus::LinkLost : got;
        }
        bytes += device.PacketIn().Length();
        if (bytes > kMaxReplyBytes)
            return OpStatus::TooLong;
        // Each packet loses its own trailing line feeds before joining.
        device.PacketIn().AppendTo(szReply);
    } while (!device.PacketIn().fComplete());
    return OpStatus::Ok;
}

// Sends the command alone in one report. Characters the console is still
// collecting in the outgoing packet are put aside and restored afterwards.
bool SendOneReport(clsDevice &device, const QString &szCommand)
{
    const clsPacket typed = device.PacketOut();
    device.PacketOut().Clear();
    const bool added = device.AddString(szCommand);
    if (added)
        device.ReportOut();
    device.PacketOut() = typed;
    return added;
}

// A report the meter sends within this time of the one before belongs to
// the same burst (a real reply's reports come a millisecond or so apart).
constexpr int kQuietMs = 50;

// A reply that does not answer the command: gone with whatever is queued or
// still arriving behind it (the command's own reply among them, which a send
// again would only put behind one more), and counted in debug mode as the
// drain counts what it drops.
void DropReply(clsDevice &device, const QString &szCommand, const QString &why)
{
    if (gAppBase && gAppBase->fDebug())
        AppendUsbStatus(QStringLiteral("  Reply dropped, it does not answer %1: %2").arg(szCommand, why));
    device.Link()->DrainUntilQuiet(kQuietMs);
}

// One attempt: the command out, its reply in. Ok when the reply is taken;
// BadReply (worth asking again) on the wrong count or a reply that
// `answers` refuses; TooLong, LinkLost, Timeout, or Failed for a command
// that could not be put in a report.
OpStatus TryOnce(clsDevice &device, const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck, const ReplyCheck &answers)
{
    if (!SendOneReport(device, szCommand))
        return OpStatus::Failed;
    AppendConsoleLine(szCommand);

    const OpStatus outcome = ReadReply(device, szReply);
    if (outcome != OpStatus::Ok) {
        szReply.clear();
        return outcome;
    }
    const qint16 count = CountFields(szReply);
    // Asked of every reply, so that the caller sees each one it refuses.
    const bool itsKind = !answers || answers(szReply);
    if (fCheck && count != wExpected) {
        DropReply(device, szCommand, QStringLiteral("%1 fields").arg(count));
        return OpStatus::BadReply;
    }
    if (!itsKind) {
        DropReply(device, szCommand, QStringLiteral("not its kind of reply"));
        return OpStatus::BadReply;
    }
    return OpStatus::Ok;
}

bool CanSend(const clsDevice &device, const QString &szCommand)
{
    // The whole command must travel in one report; never cut it short.
    return device.Link() && szCommand.size() <= clsPacket::kCapacity;
}

} // namespace

OpStatus SendCommand(clsDevice &device, const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck,
                     const ReplyCheck &answers)
{
    szReply.resize(0);
    if (!CanSend(device, szCommand))
        return OpStatus::Failed;
    const clsDevice::Exchange exchange(device);
    OpStatus status = OpStatus::Failed;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        status = TryOnce(device, szCommand, szReply, wExpected, fCheck, answers);
        if (status != OpStatus::BadReply && status != OpStatus::TooLong)
            return status;
    }
    szReply.clear();
    return status;
}

clsExchange::clsExchange(clsDevice &device, const QString &szCommand, qint16 wExpected, bool fCheck, QObject *parent,
                         ReplyCheck answers)
    : clsOperation(parent), m_device(device), m_command(szCommand), m_expected(wExpected), m_check(fCheck), m_answers(std::move(answers))
{
}

void clsExchange::Step()
{
    if (!CanSend(m_device, m_command))
        return Finish(OpStatus::Failed);
    const OpStatus a = [&] {
        const clsDevice::Exchange exchange(m_device);
        return TryOnce(m_device, m_command, m_reply, m_expected, m_check, m_answers);
    }();
    if (a == OpStatus::Ok)
        return Finish(OpStatus::Ok);
    if (a != OpStatus::BadReply && a != OpStatus::TooLong)
        return Finish(a);
    m_reply.clear();
    if (++m_attempt == kAttempts)
        Finish(a);
}

QString QueryVersion(clsDevice &device)
{
    QString reply;
    if (SendCommand(device, QStringLiteral("A"), reply, 1, true) != OpStatus::Ok)
        return QString();
    return reply;
}
