// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

// The one command/reply exchange with the meter. Result 0 success, 1 failure;
// in lenient mode (fCheck false) the number of reply fields.
qint16 SendCommand(const QString &szCommand, QString &szReply, qint16 wExpected, bool fCheck);

// True while an exchange is waiting for its reply; a second exchange started
// then (from a timer tick or the console) must not interleave with it.
bool ExchangeInProgress();

// Held by work that runs a series of exchanges on one state of gFsm (a bulk
// download, a delete walk). The connection follow-up, which resets gFsm and
// asks for the version, waits until the work ends: run under one of its
// message boxes, it would add a second message about the same lost meter.
class LinkWork
{
public:
    LinkWork();
    ~LinkWork();
    LinkWork(const LinkWork &) = delete;
    LinkWork &operator=(const LinkWork &) = delete;
    // The link went down since the work began (it may be up again by now).
    bool Lost() const;

private:
    quint32 m_losses;
};
bool LinkWorkInProgress();

QString QueryVersion();
