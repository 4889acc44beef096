// SPDX-License-Identifier: GPL-3.0-or-later
// The store commands of the meter.
#include "records/clsMeter.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"

#include <QStringList>
#include <utility>

namespace {

// A count of the directory reply: a number from 0 to 32767.
bool CountField(const QString &text, qint16 *n) { return ToInt16(text, n) && *n >= 0; }

CountProblemTeller gCountTeller;

} // namespace

CountProblemTeller SetCountProblemTeller(CountProblemTeller teller) { return std::exchange(gCountTeller, std::move(teller)); }

OpStatus clsMeter::ReadDirectory(qint32 type, bool fTell)
{
    QString command;
    if (type == 0)
        command = QStringLiteral("C");
    else if (type == 1)
        command = QStringLiteral("S");
    else
        return OpStatus::Failed; // no such store

    // A count reply has its own shape: two counts. What else comes (a
    // record, a version, an empty line) answers another command. The same
    // text as the other store's count just taken may be a late copy of it:
    // asked once more, after the drain, and then taken as it comes.
    // A link lost inside clears the record state once this has returned.
    const clsDevice::Exchange exchange(m_device);
    QString reply, refused;
    bool askedAgain = false;
    auto counts = [&](const QString &text) {
        QStringList fields;
        qint16 n = 0;
        const bool ok = SplitFields(text, fields) == 2 && CountField(fields.at(0), &n) && CountField(fields.at(1), &n);
        if (!ok) {
            refused = text;
            return false;
        }
        if (!askedAgain && m_fsm.lastCount().type == 1 - type && m_fsm.lastCount().text == text) {
            askedAgain = true;
            return false;
        }
        return true;
    };
    const LinkWatch watch = Watch();
    const OpStatus result = SendCommand(command, reply, 2, true, counts);
    QStringList fields;
    qint16 n = 0;
    if (result == OpStatus::Ok && SplitFields(reply, fields) == 2 && CountField(fields.at(0), &n)) {
        m_fsm.setlastCount(type, reply);
        m_fsm.setNumRecords(type, n);
        CountField(fields.at(1), &n);
        m_fsm.setMaxRecords(type, n);
        return OpStatus::Ok;
    }
    // Never an empty store in silence: a count that cannot be read is told
    // (a lost link has told of itself).
    m_fsm.setNumRecords(type, 0);
    m_fsm.setMaxRecords(type, 0);
    if (fTell && !watch.Lost() && gCountTeller)
        gCountTeller(CountProblem{type, refused});
    return result == OpStatus::Ok ? OpStatus::BadReply : result;
}

OpStatus clsMeter::DeleteRecord(qint32 type, qint32 n)
{
    QString command;
    if (type == 0)
        command = QStringLiteral("F,");
    else if (type == 1)
        command = QStringLiteral("V,");
    else
        return OpStatus::Failed;
    QString reply;
    return SendCommand(command + IntText(n), reply, 0, true);
}

OpStatus clsMeter::EraseRecords()
{
    QString reply;
    return SendCommand(QStringLiteral("E"), reply, 0, true);
}
