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
// link it was given), up to four attempts. Ok: a reply with `wExpected`
// fields came (in lenient mode, fCheck false, any number: the caller counts
// them); BadReply or TooLong: the last of the four replies would not do;
// LinkLost or Timeout (the meter did not answer in time; the link has closed
// and told the user); Failed: a command that does not fit one report. A reply
// that fails `answers` is dropped (told in debug mode) and the command asked
// again, like one with the wrong number of fields, in lenient mode too. It
// waits in the link's reads but never runs the event loop, so a step of an
// operation may call it.
OpStatus SendCommand(clsDevice &device, const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck,
                     const ReplyCheck &answers = {});

// The exchange as an operation, for a command started from the event loop
// outside a larger one: one attempt per step, so window messages run between
// attempts. Status Ok (Reply() as SendCommand gives it), LinkLost, Timeout,
// BadReply (the wrong number of fields every time), TooLong (a reply that
// never ended, the last time), Busy (another operation ran), or Failed (a
// command that does not fit one report).
class clsExchange : public clsOperation
{
    Q_OBJECT
public:
    clsExchange(clsDevice &device, const QString &szCommand, qint16 wExpected, bool fCheck, QObject *parent = nullptr,
                ReplyCheck answers = {});
    ~clsExchange() override { StopSteps(); }
    QString Reply() const { return m_reply; }

protected:
    void Step() override;

private:
    clsDevice &m_device;
    QString m_command, m_reply;
    qint16 m_expected;
    bool m_check;
    ReplyCheck m_answers;
    int m_attempt = 0;
};

// The meter's firmware version text ("A"); empty when none came.
QString QueryVersion(clsDevice &device);
