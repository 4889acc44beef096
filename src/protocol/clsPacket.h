// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

// One report payload: at most 63 bytes, with the last-piece mark.
class clsPacket
{
public:
    static constexpr int kCapacity = 63;

    // The last-piece mark; a packet just taken from a report since the
    // reader last cleared fNew; the bytes held.
    bool fComplete() const { return m_fComplete; }
    bool fNew() const { return m_fNew; }
    void setfNew(bool fValue) { m_fNew = fValue; }
    qint16 Length() const { return m_length; }

    quint8 Buffer(int index) const;
    // Stores a byte; an index outside 0 to 62 is refused (false).
    bool SetBuffer(int index, quint8 value);

    // The payload as text, trailing line feeds removed.
    QString szString() const;
    // Appends szString() to text, without a temporary string.
    void AppendTo(QString &text) const;

    // Appends a byte; a 64th byte is refused (false) and nothing is written.
    bool AddByte(int wValue);
    // CR marks the end (nothing stored); any other code is stored and clears
    // the mark. Refused (false) when the payload is full.
    bool AddChar(int wValue);

    void Clear();
    // Takes `length` bytes (at most 63) of a report and its last-piece
    // mark; the packet is then new.
    void Take(const char *bytes, int length, bool fLast);

private:
    quint8 m_payload[kCapacity] = {};
    bool m_fComplete = false;
    bool m_fNew = false;
    qint16 m_length = 0;
};
