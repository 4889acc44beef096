// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of dataclave-cli: global options, the command and its
// arguments, checked before the meter is touched.
#include <QMap>
#include <QString>
#include <QStringList>

struct CliOptions
{
    bool demo = false;
    QString scenario;        // with --demo=FILE; empty for the built-in data
    double waitSeconds = 3;  // how long to search for a real meter
    bool verbose = false;
    bool yes = false;        // answer Yes to confirmations
    bool dryRun = false;     // tx restore: send nothing, show what would be sent
    bool replaceDifferent = false; // tx restore: edit the meter's entries that differ from the file
    bool help = false;
    bool version = false;    // --version: name, version and licence
    QStringList words;       // the command, then its arguments
    QMap<QString, QString> txFields; // --call, --freq, --lat, --lon, --var, --mod
    // groundwave and analyze: --conductivity, --permittivity, --field-at-1km,
    // --min-km, --max-km, --csv (groundwave's --freq is in txFields)
    QMap<QString, QString> modelFields;
    bool sizeGiven = false;  // --size WIDTHxHEIGHT, for plot
    QString size;
};

// Fills `options` from the arguments (program name excluded). Returns an
// empty text, or what is wrong with the command line.
QString ParseCommandLine(const QStringList &arguments, CliOptions *options);

// The --help text.
QString UsageText();

// The --version text.
QString VersionNotice();

// Plot sizes in pixels.
constexpr int kMinPlotSide = 16;
constexpr int kMaxPlotSide = 10000;
constexpr int kDefaultPlotWidth = 1200;
constexpr int kDefaultPlotHeight = 800;

// A picture size "WIDTHxHEIGHT" in pixels, each from 16 to 10000.
bool ParseSize(const QString &text, int *width, int *height);

// Record numbers and station ids are 16-bit numbers.
constexpr int kMaxId = 32767;

// A record number or station id: a whole number from 0 to `maximum`.
bool ParseId(const QString &text, int maximum, int *id);
