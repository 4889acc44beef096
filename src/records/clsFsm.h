// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsOperation.h"
#include "records/clsVersion.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class clsDevice;

// The program's view of the meter's two record stores, part of the meter
// (clsMeter). A store is named by its type: 0 saved measurements, 1 Tx
// entries.
class clsFsm : public QObject
{
    Q_OBJECT
public:
    clsFsm(); // without a device: records can be processed, not read
    explicit clsFsm(clsDevice &device);
    ~clsFsm() override;

    // Fields of a saved record; 0 = not yet learnt.
    qint16 DataFields() const { return m_dataFields; }
    void setDataFields(qint16 wFields) { m_dataFields = wFields; }
    // The last record's text (also its CSV line).
    const QString &szRecord() const { return m_szRecord; }
    void setszRecord(const QString &szValue) { m_szRecord = szValue; }
    clsVersion *Version() const { return m_version.get(); }
    // The count reply taken last, and for which store: a late copy of it is
    // the one reply that could pass for the other store's count.
    struct CountReply { qint32 type = -1; QString text; };
    const CountReply &lastCount() const { return m_lastCount; }
    void setlastCount(qint32 type, const QString &text) { m_lastCount = {type, text}; }

    void Reset();

    // The counts of store `type` as its directory gave them; 0 for an unknown store.
    qint16 NumRecords(qint32 type) const;
    void setNumRecords(qint32 type, qint16 Records);
    qint16 MaxRecords(qint32 type) const;
    void setMaxRecords(qint32 type, qint16 Records);

    QStringList DataHeader(qint32 type) const;
    static QString DataName(qint32 type);
    qint16 TxFields() const;

    // Masks the fields of szRecord that do not hold; only a saved record
    // (type 0) has such fields.
    void ProcessRecord(qint32 type);
    // Reads record `DirectoryIndex` of store `type` into szRecord. Index 0
    // begins a reading: within it a record whose id (saved "Rec ID", Tx
    // "Dir ID" and "Station ID") was read already is refused as a late copy
    // and asked for again.
    OpStatus GetRecord(qint32 type, qint16 DirectoryIndex);

    // The link went down: the version text and the record are gone.
    void mUsbHid_Disconnect();

private:
    // Replaces the characters [start, start + length) by dashes in quotes.
    void MaskField(QString &text, int start, int length);

    // The directory counts of each store, indexed by type.
    struct StoreCounts
    {
        qint16 num = 0, max = 0;
    };
    StoreCounts m_stores[2];
    clsDevice *m_device = nullptr;
    std::unique_ptr<clsVersion> m_version;
    qint16 m_dataFields = 0;
    QString m_szRecord;
    CountReply m_lastCount;
    QSet<QString> m_taken; // ids read in this reading
    static QString RecordKey(qint32 type, const QString &line);
    static bool StoreKnown(qint32 type) { return type == 0 || type == 1; }
    QStringList m_saved29, m_saved30, m_saved31, m_tx7, m_tx8;
};

// The record object of the current session, for the windows (null when none is current).
extern clsFsm *gFsm;
