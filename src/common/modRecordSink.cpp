// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/modRecordSink.h"

RecordSink::~RecordSink() = default;
bool RecordSink::Begin(const QStringList &) { return true; }
bool RecordSink::End() { return true; }
QString RecordSink::Reason() const { return QString(); }
void RecordSink::Drop() {}
