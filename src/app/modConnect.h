// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/clsMeter.h"
#include "usb/frmUsbHid.h"

#include <QString>

// The connection follow-up, run by the link's timer tick once per new
// connection: reset the meter's record state, then an operation asks the
// meter for its version and stores a non-empty reply once it has finished.
void OnConnected();
// Runs the event loop until the follow-up's version query has finished (at
// once when none runs): for the command-line tool and tests, which go on
// only once the version is known.
void WaitForConnectionFollowUp();

// The "Update Software" message for firmware this program does not support
// (the windows and the command-line tool show it when such a meter connects).
void ShowUpdateSoftware();

// Makes the link's timer report to the application: the follow-up above on a
// new connection (never during an exchange), the meter's Reset() on a lost
// one; and the link's events and a count that is none told in a box.
void InstallLinkNotifier();

// The words of a link event (the box's title is "ZT 6200 Communication Problem").
QString LinkEventText(LinkEvent event, const QString &reason);
// The words of a count the meter gave that is no count (the box's title is
// "ZT 6200 Reading Problem").
QString CountProblemText(const CountProblem &problem);
