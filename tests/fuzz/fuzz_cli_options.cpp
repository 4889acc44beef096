// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line tool's arguments (one a line): whatever is typed, the
// parser either names the fault or leaves options the tool can act on.
#include "FuzzSupport.h"
#include "cli/CliOptions.h"

FUZZ_TARGET
{
    const QStringList args = FuzzText(data, size).split(QLatin1Char('\n'));
    if (args.size() > 32)
        return;
    CliOptions o;
    const QString error = ParseCommandLine(args, &o);
    FuzzAssert(!error.isEmpty() || o.help || o.version || !o.words.isEmpty());
    FuzzAssert(o.waitSeconds >= 0 && o.waitSeconds <= 86400);
    for (const QString &w : std::as_const(o.words)) {
        int id = -1;
        FuzzAssert(!ParseId(w, kMaxId, &id) || (id >= 0 && id <= kMaxId));
    }
}
