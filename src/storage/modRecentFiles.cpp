// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/modRecentFiles.h"

#include <QSettings>

static QString NameKey(qint32 DataType)
{
    return DataType == 1 ? QStringLiteral("Files/Tx") : QStringLiteral("Files/Data");
}

SaveProposal RecentSave(qint32 DataType, QSettings &store)
{
    return {store.value(QStringLiteral("Files/Folder")).toString(), store.value(NameKey(DataType)).toString()};
}

void RememberSave(qint32 DataType, const QString &folder, const QString &name, QSettings &store)
{
    store.setValue(QStringLiteral("Files/Folder"), folder);
    store.setValue(NameKey(DataType), name);
}
