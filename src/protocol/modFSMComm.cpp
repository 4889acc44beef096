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

// Collects one reply, however many reports it spans: Ok, LinkLost or TooLong.
OpStatus ReadReply(QString &szReply)
{
    szReply.resize(0); // keeps the room the last reply needed
    int bytes = 0;
    do {
        if (gUsbHid->ConnectionLost(true))
            return OpStatus::LinkLost;
        gDevice->PacketIn.fNew = false;
        gDevice->ReportIn();
        if (!gDevice->PacketIn.fNew) {
            // No report came: the link has closed itself; tell the user once.
            gUsbHid->Shutdown();
            gUsbHid->ConnectionLost(true);
            return OpStatus::LinkLost;
        }
        bytes += gDevice->PacketIn.Length;
        if (bytes > kMaxReplyBytes)
            return OpStatus::TooLong;
        // Each packet loses its own trailing line feeds before joining.
        gDevice->PacketIn.AppendTo(szReply);
    } while (!gDevice->PacketIn.fComplete);
    return OpStatus::Ok;
}

// Sends the command alone in one report. Characters the console is still
// collecting in the outgoing packet are put aside and restored afterwards.
bool SendOneReport(const QString &szCommand)
{
    const clsPacket typed = gDevice->PacketOut;
    gDevice->PacketOut.Clear();
    const bool added = gDevice->AddString(szCommand);
    if (added)
        gDevice->ReportOut();
    gDevice->PacketOut = typed;
    return added;
}

// A report the meter sends within this time of the one before belongs to
// the same burst (a real reply's reports come a millisecond or so apart).
constexpr int kQuietMs = 50;

// A reply that does not answer the command: gone with whatever is queued or
// still arriving behind it (the command's own reply among them, which a send
// again would only put behind one more), and counted in debug mode as the
// drain counts what it drops.
void DropReply(const QString &szCommand, const QString &why)
{
    if (gAppBase && gAppBase->fDebug)
        AppendUsbStatus(QStringLiteral("  Reply dropped, it does not answer %1: %2").arg(szCommand, why));
    gUsbHid->DrainUntilQuiet(kQuietMs);
}

// One attempt: the command out, its reply in. Ok with `count` set when the
// reply is taken (or counted, in lenient mode); BadReply (worth asking
// again) on the wrong count or a reply that `answers` refuses; TooLong,
// LinkLost, or Failed for a command that could not be put in a report.
OpStatus TryOnce(const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck, const ReplyCheck &answers,
                qint16 &count)
{
    if (!SendOneReport(szCommand))
        return OpStatus::Failed;
    AppendConsoleLine(szCommand);

    const OpStatus outcome = ReadReply(szReply);
    if (outcome != OpStatus::Ok) {
        szReply.clear();
        return outcome;
    }
    count = CountFields(szReply);
    // Asked of every reply, so that the caller sees each one it refuses.
    const bool itsKind = !answers || answers(szReply);
    if (fCheck && count != wExpected) {
        DropReply(szCommand, QStringLiteral("%1 fields").arg(count));
        return OpStatus::BadReply;
    }
    if (!itsKind) {
        DropReply(szCommand, QStringLiteral("not its kind of reply"));
        return OpStatus::BadReply;
    }
    return OpStatus::Ok;
}

bool CanSend(const QString &szCommand)
{
    // The whole command must travel in one report; never cut it short.
    return gDevice && gUsbHid && szCommand.size() <= clsPacket::kCapacity;
}

} // namespace

static quint32 LinkLosses() { return gUsbHid ? gUsbHid->LinkLosses() : 0; }
LinkWork::LinkWork() : m_losses(LinkLosses()) {}
bool LinkWork::Lost() const { return LinkLosses() != m_losses; }

qint16 SendCommand(const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck, const ReplyCheck &answers)
{
    szReply.resize(0);
    if (!CanSend(szCommand))
        return 1;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        qint16 count = 0;
        switch (TryOnce(szCommand, szReply, wExpected, fCheck, answers, count)) {
        case OpStatus::Ok: return fCheck ? 0 : count;
        case OpStatus::BadReply:
        case OpStatus::TooLong: break;
        default: return 1;
        }
    }
    szReply.clear();
    return 1;
}

clsExchange::clsExchange(const QString &szCommand, qint16 wExpected, bool fCheck, QObject *parent, ReplyCheck answers)
    : clsOperation(parent), m_command(szCommand), m_expected(wExpected), m_check(fCheck), m_answers(std::move(answers))
{
}

void clsExchange::Step()
{
    if (!CanSend(m_command))
        return Finish(OpStatus::Failed);
    qint16 count = 0;
    const OpStatus a = TryOnce(m_command, m_reply, m_expected, m_check, m_answers, count);
    if (a == OpStatus::Ok)
        m_result = m_check ? 0 : count;
    if (a != OpStatus::BadReply && a != OpStatus::TooLong)
        return Finish(a);
    m_reply.clear();
    if (++m_attempt == kAttempts)
        Finish(a);
}

QString QueryVersion()
{
    QString reply;
    if (SendCommand(QStringLiteral("A"), reply, 1, true) != 0)
        return QString();
    return reply;
}
