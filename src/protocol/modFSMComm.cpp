// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/modFSMComm.h"
#include "common/modConsole.h"
#include "common/modConvert.h"
#include "common/modEvents.h"
#include "protocol/clsDevice.h"
#include "protocol/modApp.h"
#include "usb/clsUsbHid.h"

#include <QElapsedTimer>

namespace {

constexpr int kAttempts = 4;
// Far above any real reply (a saved record is a few hundred bytes); a meter
// that never sends the last-report mark must not keep us reading forever.
constexpr int kMaxReplyBytes = 4096;

bool gExchangeBusy = false;

struct BusyScope
{
    BusyScope() { gExchangeBusy = true; }
    ~BusyScope() { gExchangeBusy = false; }
};

enum class ReadOutcome { Complete, LinkLost, TooLong };

// Window messages run before a reply once this long has passed since they
// last ran, and within a reply before every eighth report: a fast meter's
// replies come far quicker than anyone could see a difference, and each run
// costs more than reading a reply.
constexpr qint64 kYieldEveryNs = 2000000;

// Collects one reply, however many reports it spans.
ReadOutcome ReadReply(QString &szReply)
{
    static QElapsedTimer sinceYield;
    szReply.resize(0); // keeps the room the last reply needed
    int bytes = 0;
    int reports = 0;
    do {
        if (reports++ % 8 == 0 && (!sinceYield.isValid() || sinceYield.nsecsElapsed() >= kYieldEveryNs)) {
            DoEvents();
            sinceYield.start();
        }
        if (gUsbHid->ConnectionLost(true))
            return ReadOutcome::LinkLost;
        gDevice->PacketIn.fNew = false;
        gDevice->ReportIn();
        if (!gDevice->PacketIn.fNew) {
            // No report came: the link has closed itself; tell the user once.
            gUsbHid->Shutdown();
            gUsbHid->ConnectionLost(true);
            return ReadOutcome::LinkLost;
        }
        bytes += gDevice->PacketIn.Length;
        if (bytes > kMaxReplyBytes)
            return ReadOutcome::TooLong;
        // Each packet loses its own trailing line feeds before joining.
        gDevice->PacketIn.AppendTo(szReply);
    } while (!gDevice->PacketIn.fComplete);
    return ReadOutcome::Complete;
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

} // namespace

bool ExchangeInProgress() { return gExchangeBusy; }

static int gLinkWork = 0;
static quint32 LinkLosses() { return gUsbHid ? gUsbHid->LinkLosses() : 0; }
LinkWork::LinkWork() : m_losses(LinkLosses()) { ++gLinkWork; }
LinkWork::~LinkWork() { --gLinkWork; }
bool LinkWork::Lost() const { return LinkLosses() != m_losses; }
bool LinkWorkInProgress() { return gLinkWork > 0; }

qint16 SendCommand(const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck)
{
    szReply.resize(0);
    // One exchange at a time: a second one reached from inside the first
    // (timer tick, console, window event) would mix commands and replies.
    if (gExchangeBusy || !gDevice || !gUsbHid)
        return 1;
    // The whole command must travel in one report; never cut it short.
    if (szCommand.size() > clsPacket::kCapacity)
        return 1;

    BusyScope busy;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (!SendOneReport(szCommand))
            return 1;
        AppendConsoleLine(szCommand);

        const ReadOutcome outcome = ReadReply(szReply);
        if (outcome == ReadOutcome::LinkLost) {
            szReply.clear();
            return 1;
        }
        if (outcome == ReadOutcome::TooLong) {
            szReply.clear();
            continue;
        }
        const qint16 count = CountFields(szReply);
        if (!fCheck)
            return count;
        if (count == wExpected)
            return 0;
    }
    szReply.clear();
    return 1;
}

QString QueryVersion()
{
    QString reply;
    if (SendCommand(QStringLiteral("A"), reply, 1, true) != 0)
        return QString();
    return reply;
}

