// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>

// One report payload: at most 63 bytes, with the last-piece mark.
class clsPacket
{
public:
    static constexpr int kCapacity = 63;

    bool fComplete = false;
    bool fNew = false;
    qint16 Length = 0;

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

private:
    quint8 m_payload[kCapacity] = {};
};
