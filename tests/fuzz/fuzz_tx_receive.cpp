// SPDX-License-Identifier: GPL-3.0-or-later
// Transmitter lines from the meter into the Tx record. A line that is taken
// and whose texts hold no double quote must come back the same from the
// line the program would send.
#include "FuzzSupport.h"
#include "tx/clsTx.h"
#include "tx/modTxOps.h"

#include <cmath>

FUZZ_TARGET
{
    clsTx tx;
    const OpStatus r = tx.UsbReceive(FuzzText(data, size));
    FuzzAssert(r == OpStatus::Ok || r == OpStatus::BadReply);
    QString line;
    const bool fits = TxLineTooLong(tx, 7, &line) == 0; // the line add/replace would send
    FuzzAssert(fits == (StringToAnsi(line).size() <= kTxLineMax));
    if (r != OpStatus::Ok || tx.szCallSign().contains(QLatin1Char('"')) || tx.szModulation().contains(QLatin1Char('"')))
        return;

    tx.UsbSend(line, 8);
    clsTx back;
    FuzzAssert(back.UsbReceive(line) == OpStatus::Ok && back.wDirId() == tx.wDirId() && back.wStationId() == tx.wStationId()
               && back.wFrequency() == tx.wFrequency() && back.szCallSign() == tx.szCallSign() && back.szModulation() == tx.szModulation()
               && std::fabs(back.Latitude().value() - tx.Latitude().value()) <= 1e-4
               && std::fabs(back.Longitude().value() - tx.Longitude().value()) <= 1e-4
               && std::fabs(back.Variation().value() - tx.Variation().value()) <= 1e-4);
}
