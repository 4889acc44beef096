// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsOperation.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class clsDevice;

// What a reply must show, beyond its number of fields, to be taken as the
// answer to the command sent: true when it may be. Replies carry no sequence
// number, so a late report (a reply given up on, a second copy, a stray) is
// told apart only by its shape and by what was taken before it.
using ReplyCheck = std::function<bool(const QString &reply)>;

// The one command/reply exchange with the meter through `device` (and the
// link it was given), up to four attempts.
// Result 0 success, 1 failure; in lenient mode (fCheck false) the number of
// reply fields. A reply that fails `answers` is dropped (told in debug mode)
// and the command asked again, like one with the wrong number of fields; in
// lenient mode too, and there the result is 1 when no reply passed. It waits
// in the link's reads but never runs the event loop, so a step of an
// operation may call it.
qint16 SendCommand(clsDevice &device, const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck,
                   const ReplyCheck &answers = {});

// The exchange as an operation, for a command started from the event loop
// outside a larger one: one attempt per step, so window messages run between
// attempts. Status Ok (Reply() and Result() as SendCommand gives them),
// LinkLost, BadReply (the wrong number of fields every time), TooLong (a
// reply that never ended, the last time), Busy (another operation ran), or
// Failed (a command that does not fit one report).
class clsExchange : public clsOperation
{
    Q_OBJECT
public:
    clsExchange(clsDevice &device, const QString &szCommand, qint16 wExpected, bool fCheck, QObject *parent = nullptr,
                ReplyCheck answers = {});
    ~clsExchange() override { StopSteps(); }
    QString Reply() const { return m_reply; }
    qint16 Result() const { return m_result; }

protected:
    void Step() override;

private:
    clsDevice &m_device;
    QString m_command, m_reply;
    qint16 m_expected;
    bool m_check;
    ReplyCheck m_answers;
    qint16 m_result = 1;
    int m_attempt = 0;
};

// The meter's firmware version text ("A"); empty when none came.
QString QueryVersion(clsDevice &device);
