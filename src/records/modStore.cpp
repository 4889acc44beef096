// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/modStore.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"
#include "protocol/modFSMComm.h"
#include "records/clsFsm.h"

#include <QStringList>

qint16 ReadDirectory(qint32 type)
{
    gFsm->DataType = type;
    QString command;
    if (type == 0)
        command = QStringLiteral("C");
    else if (type == 1)
        command = QStringLiteral("S");
    else
        return 1; // no such store

    QString reply;
    const qint16 result = SendCommand(command, reply, 2, true);
    if (result == 1)
        reply = QStringLiteral("0,0");

    // A count that is missing or not a 16-bit number leaves the old value.
    QStringList fields;
    const qint16 count = SplitFields(reply, fields);
    qint16 n = 0;
    if (count >= 1 && ToInt16(fields.at(0), &n))
        gFsm->setNumRecords(n);
    if (count >= 2 && ToInt16(fields.at(1), &n))
        gFsm->setMaxRecords(n);
    return result;
}

qint16 DeleteRecord(qint32 n)
{
    QString command;
    if (gFsm->DataType == 0)
        command = QStringLiteral("F,");
    else if (gFsm->DataType == 1)
        command = QStringLiteral("V,");
    else
        return 1;
    QString reply;
    return SendCommand(command + IntText(n), reply, 0, true);
}

qint16 EraseRecords()
{
    // The Tx store has no erase command.
    if (gFsm->DataType != 0)
        return 1;
    QString reply;
    return SendCommand(QStringLiteral("E"), reply, 0, true);
}
