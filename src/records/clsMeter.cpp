// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/clsMeter.h"

clsMeter *gMeter = nullptr;

clsMeter::clsMeter() : m_link(std::make_unique<clsUsbHid>()), m_device(*m_link), m_fsm(m_device)
{
    m_device.setWhenIdle([this] { WhenIdle(); });
    // Direct: a loss inside a step on the link thread is seen within the step.
    QObject::connect(m_link.get(), &clsUsbHid::Disconnect, &m_fsm, [this] { LinkDown(); }, Qt::DirectConnection);
}

clsMeter::~clsMeter() { m_device.setWhenIdle(nullptr); }

void clsMeter::LinkDown()
{
    if (m_device.InExchange())
        m_forgetPending = true;
    else
        m_fsm.mUsbHid_Disconnect();
}

void clsMeter::Reset()
{
    if (m_device.InExchange())
        m_resetPending = true;
    else
        m_fsm.Reset();
}

void clsMeter::WhenIdle()
{
    // In the order the link went down: the version text first, then the rest.
    if (std::exchange(m_forgetPending, false))
        m_fsm.mUsbHid_Disconnect();
    if (std::exchange(m_resetPending, false))
        m_fsm.Reset();
}
