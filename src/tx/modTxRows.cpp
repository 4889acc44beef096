// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/modTxRows.h"
#include "common/modConvert.h"
#include "listview/modLVSort.h"
#include "tx/clsTx.h"
#include "tx/modCoordinates.h"

#include <QRandomGenerator>

QVector<ListColumn> TxListColumns(int columns)
{
    const Qt::Alignment L = Qt::AlignLeft, R = Qt::AlignRight;
    QVector<ListColumn> c = {
        {QStringLiteral("Call Sign"), L, lvsort::Text},
        {QStringLiteral("Frequency"), R, lvsort::Number},
        {QStringLiteral("Latitude"), R, lvsort::Number},
        {QStringLiteral("Longitude"), R, lvsort::Number},
        {QStringLiteral("Variation"), R, lvsort::Number},
        {QStringLiteral("Latitude DMS"), R, lvsort::PaddedText},
        {QStringLiteral("Longitude DMS"), R, lvsort::PaddedText},
    };
    if (columns >= 8)
        c.append({QStringLiteral("Modulation"), L, lvsort::Text});
    return c;
}

QStringList TxRowCells(const clsTx &mTx, int columns)
{
    const int options = dms::Minutes | dms::TenthSeconds;
    QStringList cells = {
        mTx.szCallSign(),
        IntText(mTx.wFrequency()).rightJustified(5), // a longer number stays whole
        FixedText(mTx.Latitude().value(), 6),
        FixedText(mTx.Longitude().value(), 5),
        FixedText(mTx.Variation().value(), 5),
        mTx.Latitude().szDMS(options),
        mTx.Longitude().szDMS(options),
    };
    if (columns >= 8)
        cells.append(mTx.szModulation());
    return cells;
}

QString TxRowKey(qint16 wStationId)
{
    const double r = QRandomGenerator::global()->generateDouble();
    const QString digits = QString::number(qAbs(int(wStationId))).rightJustified(4, QLatin1Char('0'));
    return QStringLiteral("RecId-") + FixedText(r, 5) + (wStationId < 0 ? QStringLiteral("-") : QString()) + digits;
}

ListRow TxRow(clsTx &mTx, int columns)
{
    ListRow row;
    row.cells = TxRowCells(mTx, columns);
    mTx.setszListKey(TxRowKey(mTx.wStationId()));
    row.key = mTx.szListKey();
    row.user = int(mTx.wStationId());
    return row;
}
