#include "app/modConsole.h"

ConsoleSink *ConsoleSink::instance()
{
    static ConsoleSink sink;
    return &sink;
}
