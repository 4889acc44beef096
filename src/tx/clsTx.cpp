// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/clsTx.h"
#include "common/modConvert.h"
#include "protocol/modApp.h"

#include <QStringList>

static clsTxEntries *gTxEntries = nullptr;
const CurrentTxAccess gTx{};
const TxArrayAccess gTxArray{};

void BindTxEntries(clsTxEntries *entries) { gTxEntries = entries; }
clsTxEntries *BoundTxEntries() { return gTxEntries; }

clsTx *CurrentTxAccess::get() const { return gTxEntries ? gTxEntries->Current.get() : nullptr; }

void CurrentTxAccess::Reset() const
{
    Q_ASSERT(gTxEntries);
    if (gTxEntries)
        gTxEntries->Current = std::make_unique<clsTx>();
}

TxArrayAccess::Vector &TxArrayAccess::get() const
{
    Q_ASSERT(gTxEntries);
    return gTxEntries->Array;
}

clsTx::clsTx()
{
    m_Latitude.setTypeId(clsCoordinate::Latitude);
    m_Longitude.setTypeId(clsCoordinate::Longitude);
    m_Variation.setTypeId(clsCoordinate::Variation);
}

bool clsTx::fDirty() const
{
    return m_szCallSign != m_savedCallSign || m_wFrequency != m_savedFrequency || m_szModulation != m_savedModulation
           || m_Latitude.fDirty() || m_Longitude.fDirty() || m_Variation.fDirty();
}

void clsTx::setfDirty(bool fNewValue)
{
    if (fNewValue)
        return;
    m_savedCallSign = m_szCallSign;
    m_savedFrequency = m_wFrequency;
    m_savedModulation = m_szModulation;
    m_Latitude.setfDirty(false);
    m_Longitude.setfDirty(false);
    m_Variation.setfDirty(false);
}

bool clsTx::Copy(clsTx &Destination) const
{
    Destination.m_wDirId = m_wDirId;
    Destination.m_wStationId = m_wStationId;
    Destination.m_wFrequency = m_wFrequency;
    Destination.m_szCallSign = m_szCallSign;
    bool ok = m_Latitude.Copy(Destination.m_Latitude);
    ok = m_Longitude.Copy(Destination.m_Longitude) && ok;
    ok = m_Variation.Copy(Destination.m_Variation) && ok;
    Destination.m_szModulation = m_szModulation;
    return ok;
}

OpStatus clsTx::UsbReceive(const QString &szString)
{
    QStringList f;
    const qint16 count = SplitFields(szString, f);
    if (count < 7 || f.size() < 7)
        return OpStatus::BadReply;

    // In line order, so that a bad field leaves the earlier ones set.
    qint16 w = 0;
    if (!ToInt16(f.at(0), &w))
        return OpStatus::BadReply;
    m_wDirId = w;
    if (!ToInt16(f.at(1), &w))
        return OpStatus::BadReply;
    m_wStationId = w;
    m_szCallSign = f.at(2);
    if (!ToInt16(f.at(3), &w))
        return OpStatus::BadReply;
    m_wFrequency = w;
    clsCoordinate *const coordinates[] = {&m_Latitude, &m_Longitude, &m_Variation};
    for (int i = 0; i < 3; ++i) {
        double v = 0;
        if (!ToDouble(f.at(4 + i), &v) || !coordinates[i]->setvalue(v))
            return OpStatus::BadReply;
    }
    if (count >= 8 && f.size() >= 8)
        m_szModulation = f.at(7);
    return OpStatus::Ok;
}

qint16 clsTx::UsbSend(QString &szString, qint16 wFields) const
{
    const QString q = QStringLiteral("\"");
    const QString fields[] = {
        IntText(m_wDirId),
        IntText(m_wStationId),
        q + m_szCallSign + q,
        IntText(m_wFrequency),
        FixedText(m_Latitude.value(), 6),
        FixedText(m_Longitude.value(), 5),
        FixedText(m_Variation.value(), 5),
        q + m_szModulation + q,
    };
    const int n = qBound(1, int(wFields), 8);
    szString = fields[0];
    for (int i = 1; i < n; ++i)
        szString += QLatin1Char(',') + fields[i];
    return 0;
}
