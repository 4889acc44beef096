#pragma once
#include "app/modAnsi.h"

#include <QCoreApplication>
#include <QString>
#include <cstddef>
#include <cstdint>

// Fuzz input as the meter's single-byte text.
inline QString FuzzText(const uint8_t *data, size_t size)
{
    return AnsiToString(reinterpret_cast<const char *>(data), int(size));
}

// Some routines want an application object (settings, locale).
inline void FuzzEnsureApp()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}
