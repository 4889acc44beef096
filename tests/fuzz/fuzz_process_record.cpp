// SPDX-License-Identifier: GPL-3.0-or-later
// Masking of invalid fields on arbitrary record lines. The first byte picks
// the version code (0 to 4) and whether the saved records carry
// "Tx Lat/Long Valid". Masking may only replace whole fields by dashes: the
// field count and every other field stay as they were.
#include "FuzzSupport.h"
#include "app/globals.h"
#include "protocol/modApp.h"
#include "records/clsFsm.h"

static bool AllDashes(const QString &s)
{
    for (QChar c : s)
        if (c != QLatin1Char('-'))
            return false;
    return true;
}

FUZZ_TARGET
{
    static clsFsm *fsm = [] { return gFsm = new clsFsm; }(); // no link needed
    const uint8_t options = FuzzTakeByte(data, size);
    fsm->Reset();
    fsm->Version()->setvalue(qint16(options % 5));

    const QString line = FuzzText(data, size);
    fsm->setszRecord(line);
    fsm->ProcessRecord(0);

    QStringList before, after;
    const qint16 n = SplitFields(line, before);
    FuzzAssert(SplitFields(fsm->szRecord(), after) == n);
    for (int i = 0; i < n; ++i)
        FuzzAssert(after.at(i) == before.at(i) || AllDashes(after.at(i)));

    // Transmitter lines are never touched.
    fsm->setszRecord(line);
    fsm->ProcessRecord(1);
    FuzzAssert(fsm->szRecord() == line);
}
