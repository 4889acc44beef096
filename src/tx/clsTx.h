// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One transmitter (Tx) entry of the meter, and its one-line text form:
// Dir ID, Station ID, "call sign", frequency (kHz), latitude, longitude,
// variation (decimal degrees) and, for meters that take 8 fields,
// "modulation".
#include "common/clsOperation.h"
#include "tx/clsCoordinate.h"

#include <QString>
#include <memory>
#include <vector>

class clsTx
{
public:
    clsTx();
    clsTx(const clsTx &) = delete; // entries move by Copy, which keeps snapshots apart
    clsTx &operator=(const clsTx &) = delete;

    qint16 wDirId() const { return m_wDirId; }
    void setwDirId(qint16 w) { m_wDirId = w; }
    qint16 wStationId() const { return m_wStationId; }
    void setwStationId(qint16 w) { m_wStationId = w; }
    const QString &szCallSign() const { return m_szCallSign; }
    void setszCallSign(const QString &sz) { m_szCallSign = sz; }
    qint16 wFrequency() const { return m_wFrequency; } // kHz
    void setwFrequency(qint16 w) { m_wFrequency = w; }
    // Typed for life (latitude, longitude, variation); changed through their own setters.
    clsCoordinate &Latitude() { return m_Latitude; }
    const clsCoordinate &Latitude() const { return m_Latitude; }
    clsCoordinate &Longitude() { return m_Longitude; }
    const clsCoordinate &Longitude() const { return m_Longitude; }
    clsCoordinate &Variation() { return m_Variation; }
    const clsCoordinate &Variation() const { return m_Variation; }
    // The row key in the Tx list; never sent, compared or copied.
    const QString &szListKey() const { return m_szListKey; }
    void setszListKey(const QString &sz) { m_szListKey = sz; }
    const QString &szModulation() const { return m_szModulation; }
    void setszModulation(const QString &sz) { m_szModulation = sz; }

    // Call sign, frequency, modulation or a coordinate changed since the
    // last snapshot. Writing false takes a snapshot; true does nothing.
    bool fDirty() const;
    void setfDirty(bool fNewValue);

    // Sets the ids, frequency, call sign, coordinate values and modulation
    // of Destination. False when a coordinate value could not be taken.
    bool Copy(clsTx &Destination) const;

    // Reads a line from the meter: Ok when taken. Fewer than 7 fields:
    // BadReply and nothing changes. A field that does not convert: BadReply,
    // with the fields before it already set. An 8th field sets the modulation.
    OpStatus UsbReceive(const QString &szString);

    // The line for the meter, with the first wFields fields (7 or 8: as
    // many as the meter's firmware takes). Returns 0.
    qint16 UsbSend(QString &szString, qint16 wFields) const;

private:
    qint16 m_wDirId = 0;
    qint16 m_wStationId = 0;
    QString m_szCallSign = QStringLiteral("--------");
    qint16 m_wFrequency = 500;
    clsCoordinate m_Latitude;
    clsCoordinate m_Longitude;
    clsCoordinate m_Variation;
    QString m_szListKey;
    QString m_szModulation = QStringLiteral("AM");

    QString m_savedCallSign;
    qint16 m_savedFrequency = 0;
    QString m_savedModulation;
};

// The Tx entries a session owns: the one being added or edited, and one
// per row ever added to the Tx list during the run.
struct clsTxEntries
{
    std::unique_ptr<clsTx> Current = std::make_unique<clsTx>();
    std::vector<std::unique_ptr<clsTx>> Array;
};

// Binds gTx and gTxArray to `entries` (null: to none); done by the session
// that becomes current.
void BindTxEntries(clsTxEntries *entries);
clsTxEntries *BoundTxEntries();

// gTx: the Tx entry being added or edited, used like a pointer (null when
// no session is current).
class CurrentTxAccess
{
public:
    clsTx *get() const;
    clsTx *operator->() const { return get(); }
    clsTx &operator*() const { return *get(); }
    operator clsTx *() const { return get(); }
    // Puts a fresh entry in place of the current one (an add starts from it).
    void Reset() const;
};
extern const CurrentTxAccess gTx;

// gTxArray: the Tx list's entries of the current session, used like the
// vector itself. There must be a current session.
class TxArrayAccess
{
public:
    using Vector = std::vector<std::unique_ptr<clsTx>>;
    Vector &get() const;
    operator Vector &() const { return get(); }
    std::size_t size() const { return get().size(); }
    bool empty() const { return get().empty(); }
    std::unique_ptr<clsTx> &operator[](std::size_t i) const { return get()[i]; }
    std::unique_ptr<clsTx> &back() const { return get().back(); }
    std::unique_ptr<clsTx> &front() const { return get().front(); }
    Vector::iterator begin() const { return get().begin(); }
    Vector::iterator end() const { return get().end(); }
    Vector::const_iterator cbegin() const { return get().cbegin(); }
    Vector::const_iterator cend() const { return get().cend(); }
    void push_back(std::unique_ptr<clsTx> entry) const { get().push_back(std::move(entry)); }
    void clear() const { get().clear(); }
    Vector::iterator erase(Vector::const_iterator at) const { return get().erase(at); }
};
extern const TxArrayAccess gTxArray;
