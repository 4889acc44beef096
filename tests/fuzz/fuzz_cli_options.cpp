// The command-line tool's arguments (one a line): whatever is typed, the
// parser either names the fault or leaves options the tool can act on.
#include "FuzzSupport.h"
#include "cli/CliOptions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzEnsureApp();
    const QStringList args = FuzzText(data, size).split(QLatin1Char('\n'));
    if (args.size() > 32)
        return 0;
    CliOptions o;
    const QString error = ParseCommandLine(args, &o);
    if (error.isEmpty() && !o.help && o.words.isEmpty())
        __builtin_trap();
    if (o.waitSeconds < 0 || o.waitSeconds > 86400)
        __builtin_trap();
    for (const QString &w : std::as_const(o.words)) {
        int id = -1;
        if (ParseId(w, kMaxId, &id) && (id < 0 || id > kMaxId))
            __builtin_trap();
    }
    return 0;
}
