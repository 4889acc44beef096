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
    int n = qBound(0, int(m_length), kCapacity);
    while (n > 0 && m_payload[n - 1] == 10)
        --n;
    AppendAnsi(text, reinterpret_cast<const char *>(m_payload), n);
}

bool clsPacket::AddByte(int wValue)
{
    if (m_length < 0 || m_length >= kCapacity)
        return false;
    m_payload[m_length] = quint8(wValue & 0xFF);
    ++m_length;
    return true;
}

bool clsPacket::AddChar(int wValue)
{
    if (wValue == 13) {
        m_fComplete = true;
        return true;
    }
    if (!AddByte(wValue))
        return false;
    m_fComplete = false;
    return true;
}

void clsPacket::Clear()
{
    m_fComplete = false;
    m_fNew = false;
    m_length = 0;
}

void clsPacket::Take(const char *bytes, int length, bool fLast)
{
    m_length = qint16(qBound(0, length, int(kCapacity)));
    for (int i = 0; i < m_length; ++i)
        m_payload[i] = quint8(bytes[i]);
    m_fComplete = fLast;
    m_fNew = true;
}
