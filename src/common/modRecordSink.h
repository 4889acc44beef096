// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the records of a download go: the CSV file, a list window, the
// command-line tool's printed list. The reader hands each record line to
// every sink it was given, in order; a sink that refuses one ends the
// download.
#include <QString>
#include <QStringList>

class RecordSink
{
public:
    virtual ~RecordSink();
    // Once, after the first record was read and before it is added: the
    // store's column names (reading that record may settle the layout).
    virtual bool Begin(const QStringList &header);
    // One record line, as the meter sent it.
    virtual bool Add(const QString &line) = 0;
    // Every record added; false when the sink could not be finished.
    virtual bool End();
    // Why the sink refused a record or could not be finished, in the
    // system's words ("No space left on device"); empty when unknown.
    virtual QString Reason() const;
    // The download stopped early (failed, cancelled, abandoned, or a later
    // sink could not be finished): nothing of it may stay.
    virtual void Drop();
    // True for a sink of the window thread (a list window): the reader
    // feeds it there, and the first record before it asks for the second.
    virtual bool WindowThreadOnly() const { return false; }
};
