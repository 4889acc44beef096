// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/clsPacket.h"
#include "common/modAnsi.h"

quint8 clsPacket::Buffer(int index) const
{
    return (index >= 0 && index < kCapacity) ? m_payload[index] : 0;
}

bool clsPacket::SetBuffer(int index, quint8 value)
{
    if (index < 0 || index >= kCapacity)
        return false;
    m_payload[index] = value;
    return true;
}

QString clsPacket::szString() const
{
    QString text;
    AppendTo(text);
    return text;
}

void clsPacket::AppendTo(QString &text) const
{
    int n = qBound(0, int(Length), kCapacity);
    while (n > 0 && m_payload[n - 1] == 10)
        --n;
    AppendAnsi(text, reinterpret_cast<const char *>(m_payload), n);
}

bool clsPacket::AddByte(int wValue)
{
    if (Length < 0 || Length >= kCapacity)
        return false;
    m_payload[Length] = quint8(wValue & 0xFF);
    ++Length;
    return true;
}

bool clsPacket::AddChar(int wValue)
{
    if (wValue == 13) {
        fComplete = true;
        return true;
    }
    if (!AddByte(wValue))
        return false;
    fComplete = false;
    return true;
}

void clsPacket::Clear()
{
    fComplete = false;
    fNew = false;
    Length = 0;
}
