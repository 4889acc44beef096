// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsFsm.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"
#include "protocol/modFSMComm.h"
#include "protocol/clsDevice.h"
#include "usb/clsUsbHid.h"

#include <QStringBuilder>
#include <initializer_list>

clsFsm *gFsm = nullptr;

namespace {

// Field indices of a saved record that the masking rules look at.
enum SavedField {
    kTxFrequency = 5,
    kMeasFrequency = 6,
    kUtcTime = 12,
    kLocalTime = 13,
    kGpsValid = 16,
    kLatitude = 17,
    kLongitude = 18,
    kElevation = 19,
    kTxDistance = 26,
    kAzimuth = 27,
    kTxLatLongValid = 29,
};

const QString kFalse = QStringLiteral("FALSE");

} // namespace

clsFsm::clsFsm(clsDevice &device) : clsFsm() { m_device = &device; }

clsFsm::clsFsm()
{
    m_version = std::make_unique<clsVersion>();
    Reset();

    m_saved29 = QStringList{
        QStringLiteral("Dir ID"),        QStringLiteral("Rec ID"),
        QStringLiteral("Point Number"),  QStringLiteral("Tx ID"),
        QStringLiteral("Call Sign"),     QStringLiteral("Tx Frequency (kHz)"),
        QStringLiteral("Measurement Frequency (kHz)"),
        QStringLiteral("Radial"),        QStringLiteral("Pattern"),
        QStringLiteral("Initials"),      QStringLiteral("Note"),
        QStringLiteral("Meas. Point"),   QStringLiteral("UTC Time"),
        QStringLiteral("Local Time"),    QStringLiteral("Harmonic"),
        QStringLiteral("RF Source"),     QStringLiteral("GPS Valid"),
        QStringLiteral("Latitude"),      QStringLiteral("Longitude"),
        QStringLiteral("Elevation (m)"), QStringLiteral("Fld Str 1"),
        QStringLiteral("Units 1"),       QStringLiteral("Fld Str 2"),
        QStringLiteral("Units 2"),       QStringLiteral("mV/m"),
        QStringLiteral("dBuV"),          QStringLiteral("Tx Distance (km)"),
        QStringLiteral("Azimuth"),       QStringLiteral("Temperature (\u00B0C)"),
    };
    m_saved30 = m_saved29;
    m_saved30 << QStringLiteral("Tx Lat/Long Valid");
    m_saved31 = m_saved30;
    m_saved31 << QStringLiteral("Modulation");
    m_tx7 = QStringList{
        QStringLiteral("Dir ID"),    QStringLiteral("Station ID"), QStringLiteral("Call Sign"),
        QStringLiteral("Frequency (kHz)"), QStringLiteral("Latitude"), QStringLiteral("Longitude"),
        QStringLiteral("Variation"),
    };
    m_tx8 = m_tx7;
    m_tx8 << QStringLiteral("Modulation");
}

clsFsm::~clsFsm() = default;

void clsFsm::Reset()
{
    m_stores[0] = m_stores[1] = StoreCounts();
    m_dataFields = 0;
    m_szRecord.clear();
    m_lastCount = CountReply();
    m_version->setvalue(0);
}

// Counts of another data type read as 0 and are not kept.
qint16 clsFsm::NumRecords(qint32 type) const { return StoreKnown(type) ? m_stores[type].num : 0; }

void clsFsm::setNumRecords(qint32 type, qint16 Records)
{
    if (StoreKnown(type))
        m_stores[type].num = Records;
}

qint16 clsFsm::MaxRecords(qint32 type) const { return StoreKnown(type) ? m_stores[type].max : 0; }

void clsFsm::setMaxRecords(qint32 type, qint16 Records)
{
    if (StoreKnown(type))
        m_stores[type].max = Records;
}

QStringList clsFsm::DataHeader(qint32 type) const
{
    if (type == 0) {
        // The records' own length decides when it is known, so that the
        // header names as many columns as the lines carry even when the
        // firmware text and the record length disagree.
        const qint16 fields = m_dataFields >= 29 && m_dataFields <= 31 ? m_dataFields : m_version->Profile().wSavedFields;
        return fields == 31 ? m_saved31 : fields == 30 ? m_saved30 : m_saved29;
    }
    if (type == 1)
        return TxFields() == 8 ? m_tx8 : m_tx7;
    return {};
}

QString clsFsm::DataName(qint32 type)
{
    switch (type) {
    case 0: return QStringLiteral("Data");
    case 1: return QStringLiteral("Tx");
    default: return QString();
    }
}

qint16 clsFsm::TxFields() const { return m_version->Profile().wTxFields; }

void clsFsm::mUsbHid_Disconnect()
{
    m_version->setszVersion(QString());
    m_szRecord.clear();
}

QString clsFsm::RecordKey(qint32 type, const QString &line)
{
    QStringList fields;
    SplitFields(line, fields);
    // A saved record is known by its "Rec ID", a Tx entry by "Dir ID" and
    // "Station ID" together.
    if (type == 0)
        return fields.value(1).trimmed();
    return fields.value(0).trimmed() + QLatin1Char(',') + fields.value(1).trimmed();
}

OpStatus clsFsm::GetRecord(qint32 type, qint16 DirectoryIndex)
{
    if (!m_device) {
        m_szRecord.clear();
        return OpStatus::LinkLost;
    }
    // A link lost inside clears this object only once the reading has returned.
    const clsDevice::Exchange exchange(*m_device);
    clsUsbHid *link = m_device->Link();
    // Reading from the first record on is a new reading.
    if (DirectoryIndex == 0)
        m_taken.clear();
    qint16 expected = 0;
    // "D,i,1" or "T,i,1"; the letter is put in front below.
    QString command = QStringLiteral(" ,") % IntText(DirectoryIndex) % QLatin1String(",1");
    switch (type) {
    case 0:
        command[0] = QLatin1Char('D');
        if (m_version->Profile().fLearnLayout)
            m_dataFields = 0;
        if (m_dataFields == 0) {
            // Learn the record layout from the record itself.
            QString reply;
            // The link may be lost and found again before we look.
            const LinkWatch watch(link);
            // Only a saved record's length teaches it; another reply (a late
            // count) is asked again.
            const OpStatus got = SendCommand(*m_device, command, reply, 0, false, [](const QString &text) {
                const qint16 n = CountFields(text);
                return n >= 29 && n <= 31;
            });
            const qint16 learnt = got == OpStatus::Ok ? CountFields(reply) : 0;
            for (const FirmwareProfile &p : FirmwareProfiles()) {
                if (p.wLearntFrom == 0 || p.wLearntFrom != learnt)
                    continue;
                // A record without the Tx position flag sets its version
                // outright; one with it only raises the version known.
                m_version->setvalue((p.flags & kTxPositionValid) ? qMax(p.value, m_version->value()) : p.value);
                m_dataFields = learnt;
            }
            // The user has already been told of a lost link; do not ask again.
            if (watch.Lost()) {
                m_szRecord.clear();
                return OpStatus::LinkLost;
            }
        }
        expected = m_dataFields;
        break;
    case 1:
        command[0] = QLatin1Char('T');
        expected = TxFields();
        break;
    default:
        m_szRecord.clear();
        return OpStatus::Failed;
    }

    // Within one reading a record comes once: one whose id was taken
    // already is a late copy of an earlier reply, not this record.
    OpStatus result = SendCommand(*m_device, command, m_szRecord, expected, true, [this, type](const QString &text) {
        return !m_taken.contains(RecordKey(type, text));
    });
    if (result == OpStatus::Ok && m_szRecord.isEmpty())
        result = OpStatus::BadReply;
    if (result == OpStatus::Ok)
        m_taken.insert(RecordKey(type, m_szRecord));
    return result;
}

void clsFsm::ProcessRecord(qint32 type)
{
    if (type != 0)
        return;
    // Boundaries that honour quotes exactly as the splitter does, so a
    // quoted comma never shifts the masking onto the wrong field. The few
    // fields compared are looked at in place.
    const FieldSpanList spans = FieldSpans(m_szRecord);
    auto field = [&](int i) {
        return i < spans.size() ? QStringView(m_szRecord).mid(spans.at(i).first, spans.at(i).last - spans.at(i).first)
                                : QStringView();
    };

    quint32 masked = 0; // one bit per field; every field masked is below 32
    auto mask = [&masked](std::initializer_list<int> fields) {
        for (int f : fields)
            masked |= 1u << f;
    };
    const bool gpsInvalid = field(kGpsValid) == kFalse;
    if (!(field(kMeasFrequency) == field(kTxFrequency) && !gpsInvalid))
        mask({kTxDistance, kAzimuth});
    if (gpsInvalid)
        mask({kUtcTime, kLocalTime, kLatitude, kLongitude, kElevation, kTxDistance, kAzimuth});
    if ((m_version->flags() & kTxPositionValid) && field(kTxLatLongValid) == kFalse)
        mask({kTxDistance, kAzimuth});

    // Last field first: the text grows by two quotes per masked field.
    for (int i = qMin(int(spans.size()), 32) - 1; i >= 0; --i) {
        if (masked & (1u << i))
            MaskField(m_szRecord, spans.at(i).begin, spans.at(i).end - spans.at(i).begin);
    }
}

void clsFsm::MaskField(QString &text, int start, int length)
{
    if (length <= 0)
        return; // an empty field stays empty, without quotes
    text = text.left(start) + QLatin1Char('"') + QString(length, QLatin1Char('-')) + QLatin1Char('"') +
           text.mid(start + length);
}
