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
    Latitude.setTypeId(clsCoordinate::Latitude);
    Longitude.setTypeId(clsCoordinate::Longitude);
    Variation.setTypeId(clsCoordinate::Variation);
}

bool clsTx::fDirty() const
{
    return szCallSign != m_savedCallSign || wFrequency != m_savedFrequency || szModulation != m_savedModulation
           || Latitude.fDirty() || Longitude.fDirty() || Variation.fDirty();
}

void clsTx::setfDirty(bool fNewValue)
{
    if (fNewValue)
        return;
    m_savedCallSign = szCallSign;
    m_savedFrequency = wFrequency;
    m_savedModulation = szModulation;
    Latitude.setfDirty(false);
    Longitude.setfDirty(false);
    Variation.setfDirty(false);
}

bool clsTx::Copy(clsTx &Destination) const
{
    Destination.wDirId = wDirId;
    Destination.wStationId = wStationId;
    Destination.wFrequency = wFrequency;
    Destination.szCallSign = szCallSign;
    bool ok = Latitude.Copy(Destination.Latitude);
    ok = Longitude.Copy(Destination.Longitude) && ok;
    ok = Variation.Copy(Destination.Variation) && ok;
    Destination.szModulation = szModulation;
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
    wDirId = w;
    if (!ToInt16(f.at(1), &w))
        return OpStatus::BadReply;
    wStationId = w;
    szCallSign = f.at(2);
    if (!ToInt16(f.at(3), &w))
        return OpStatus::BadReply;
    wFrequency = w;
    clsCoordinate *const coordinates[] = {&Latitude, &Longitude, &Variation};
    for (int i = 0; i < 3; ++i) {
        double v = 0;
        if (!ToDouble(f.at(4 + i), &v) || !coordinates[i]->setvalue(v))
            return OpStatus::BadReply;
    }
    if (count >= 8 && f.size() >= 8)
        szModulation = f.at(7);
    return OpStatus::Ok;
}

qint16 clsTx::UsbSend(QString &szString, qint16 wFields) const
{
    const QString q = QStringLiteral("\"");
    const QString fields[] = {
        IntText(wDirId),
        IntText(wStationId),
        q + szCallSign + q,
        IntText(wFrequency),
        FixedText(Latitude.value(), 6),
        FixedText(Longitude.value(), 5),
        FixedText(Variation.value(), 5),
        q + szModulation + q,
    };
    const int n = qBound(1, int(wFields), 8);
    szString = fields[0];
    for (int i = 1; i < n; ++i)
        szString += QLatin1Char(',') + fields[i];
    return 0;
}
