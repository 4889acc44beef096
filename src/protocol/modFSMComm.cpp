#include "protocol/modFSMComm.h"

// Placeholder until the exchange lands.
qint16 SendCommand(const QString &, QString &szReply, qint16, bool)
{
    szReply.clear();
    return 1;
}
bool ExchangeInProgress() { return false; }
QString QueryVersion() { return QString(); }
qint16 ReadDirectory(qint32) { return 1; }
qint16 DeleteRecord(qint32) { return 1; }
qint16 EraseRecords() { return 1; }
