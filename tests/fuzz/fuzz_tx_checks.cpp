// The Tx editor's field checks (shared with the command-line tool) on any
// typed text. The first byte picks the field: call sign, frequency, or one
// box of a latitude, longitude or variation row. Text a check accepts, it
// accepts again unchanged.
#include "FuzzSupport.h"
#include "tx/clsCoordinate.h"
#include "tx/modTxChecks.h"

static void Trap() { __builtin_trap(); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzEnsureApp();
    const uint8_t options = FuzzTakeByte(data, size);
    QString text = FuzzText(data, size);
    switch (options & 3) {
    case 0:
        if (CheckCallSign(text).isEmpty()) {
            if (text.isEmpty() || text.size() > 8)
                Trap();
            QString again = text;
            if (!CheckCallSign(again).isEmpty() || again != text)
                Trap();
        }
        break;
    case 1: {
        qint16 w = -1;
        if (CheckFrequency(text, &w).isEmpty()) {
            if (w < 0 || w > 9999 || text != QString::number(w))
                Trap();
            QString again = text;
            if (!CheckFrequency(again).isEmpty() || again != text)
                Trap();
        }
        break;
    }
    default: {
        clsCoordinate co;
        co.setTypeId(1 + ((options >> 2) & 3) % 3);
        const int box = (options >> 4) % 4;
        if (ValidateDMS(co, box, text).isEmpty()) {
            const double value = co.value();
            QString again = text;
            if (!ValidateDMS(co, box, again).isEmpty() || again != text || co.value() != value)
                Trap();
        }
        break;
    }
    }
    return 0;
}
