// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/modAnsi.h"

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

// Takes the first byte of the input as option bits (0 when empty).
inline uint8_t FuzzTakeByte(const uint8_t *&data, size_t &size)
{
    if (size == 0)
        return 0;
    --size;
    return *data++;
}

// A property that must hold: when it does not, the run stops with a crash
// the fuzzer keeps as the input that shows it.
inline void FuzzAssert(bool holds)
{
    if (!holds)
        __builtin_trap();
}

// The target's body, run on each input (`data`, `size`) with an application object.
#define FUZZ_TARGET                                                                                                    \
    static void FuzzOne(const uint8_t *data, size_t size);                                                             \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)                                            \
    {                                                                                                                  \
        FuzzEnsureApp();                                                                                               \
        FuzzOne(data, size);                                                                                           \
        return 0;                                                                                                      \
    }                                                                                                                  \
    static void FuzzOne(const uint8_t *data, size_t size)
