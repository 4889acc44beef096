// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/clsVersion.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

class clsUsbHid;

// The program's view of the meter's two record stores.
class clsFsm : public QObject
{
    Q_OBJECT
public:
    clsFsm(); // without a link: records can be processed, not read
    explicit clsFsm(clsUsbHid &link);
    ~clsFsm() override;

    qint32 DataType = 0;  // 0 saved measurements, 1 Tx entries
    qint16 DataFields = 0; // fields of a saved record; 0 = not yet learnt
    QString szRecord;
    clsVersion *Version = nullptr; // owned
    // The count reply taken last, and for which store: a late copy of it is
    // the one reply that could pass for the other store's count.
    struct CountReply { qint32 type = -1; QString text; } lastCount;

    void Reset();

    qint16 NumRecords() const;
    void setNumRecords(qint16 Records);
    qint16 MaxRecords() const;
    void setMaxRecords(qint16 Records);

    QStringList DataHeader() const;
    QString DataName() const;
    qint16 TxFields() const;

    void ProcessRecord();
    // Index 0 begins a reading: within it a record whose id (saved "Rec ID",
    // Tx "Dir ID" and "Station ID") was read already is refused as a late
    // copy and asked for again.
    qint16 GetRecord(qint16 DirectoryIndex);

public slots:
    void mUsbHid_Disconnect();

private:
    // Replaces the characters [start, start + length) by dashes in quotes.
    void MaskField(QString &text, int start, int length);

    // The directory counts of each store, indexed by DataType.
    struct StoreCounts
    {
        qint16 num = 0, max = 0;
    };
    StoreCounts m_stores[2];
    clsUsbHid *m_link = nullptr;
    QSet<QString> m_taken; // ids read in this reading
    QString RecordKey(const QString &line) const;
    bool StoreKnown() const { return DataType == 0 || DataType == 1; }
    QStringList m_saved29, m_saved30, m_saved31, m_tx7, m_tx8;
};

// The record object of the current session (null when none is current).
extern clsFsm *gFsm;
