#include "records/clsFsm.h"
#include "app/globals.h"
#include "usb/clsUsbHid.h"

// Placeholder until the record object lands.
clsFsm::clsFsm()
{
    Version = new clsVersion;
    if (gUsbHid)
        connect(gUsbHid, &clsUsbHid::Disconnect, this, &clsFsm::mUsbHid_Disconnect);
    Reset();
}
clsFsm::~clsFsm() { delete Version; }
void clsFsm::Reset()
{
    m_numSaved = m_maxSaved = m_numTx = m_maxTx = 0;
    DataType = 0;
    DataFields = 0;
    szRecord.clear();
    Version->setvalue(0);
}
qint16 clsFsm::NumRecords() const { return DataType == 0 ? m_numSaved : DataType == 1 ? m_numTx : 0; }
void clsFsm::setNumRecords(qint16 r) { (DataType == 0 ? m_numSaved : DataType == 1 ? m_numTx : r) = r; }
qint16 clsFsm::MaxRecords() const { return DataType == 0 ? m_maxSaved : DataType == 1 ? m_maxTx : 0; }
void clsFsm::setMaxRecords(qint16 r) { (DataType == 0 ? m_maxSaved : DataType == 1 ? m_maxTx : r) = r; }
QStringList clsFsm::DataHeader() const { return {}; }
QString clsFsm::DataName() const { return DataType == 0 ? QStringLiteral("Data") : DataType == 1 ? QStringLiteral("Tx") : QString(); }
qint16 clsFsm::TxFields() const { return Version->value() == 4 ? 8 : 7; }
void clsFsm::ProcessRecord() {}
qint16 clsFsm::GetRecord(qint16) { return 1; }
void clsFsm::mUsbHid_Disconnect()
{
    Version->setszVersion(QString());
    szRecord.clear();
}
void clsFsm::MaskField(QString &, int, int) {}
