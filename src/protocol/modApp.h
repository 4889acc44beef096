#pragma once
#include <QString>
#include <QStringList>

// Splits comma-separated fields; a field in double quotes may hold commas.
// Returns the number of fields; `fields` holds them (one empty entry when
// there are none).
qint16 SplitFields(const QString &text, QStringList &fields);
