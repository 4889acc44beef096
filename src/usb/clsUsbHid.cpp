// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/clsUsbHid.h"
#include <QElapsedTimer>
#include "common/clsAppBase.h"
#include "common/modConsole.h"
#include "usb/frmUsbHid.h"

clsUsbHid *gUsbHid = nullptr;

static QString Hex(quint32 v) { return QString::number(v, 16).toUpper(); }

clsUsbHid::clsUsbHid()
{
    m_fDeviceConnected = false;
    m_form = new frmUsbHid(this); // its load cannot see this link yet; the first tick links it
    m_form->tmrPeriodic().setInterval(kTickIntervalMs);
    m_form->tmrPeriodic().start();
}

clsUsbHid::~clsUsbHid()
{
    delete m_form;
    m_hid.reset();
}

void clsUsbHid::setfDeviceConnected(bool fValue)
{
    if (fValue == m_fDeviceConnected)
        return;
    m_fDeviceConnected = fValue;
    if (!fValue)
        ++m_losses;
    else
        m_quietLoss = false;
    if (fValue)
        emit Connect();
    else
        emit Disconnect();
}

bool clsUsbHid::FindTheHid()
{
    setfDeviceConnected(false);
    m_hid.reset();
    m_path.clear();
    HidPlatform *platform = CurrentHidPlatform();
    if (!platform) {
        LogUsbStatus(QStringLiteral(" Device not found."));
        return false;
    }
    LogUsbStatus(QStringLiteral("  HID platform: ") + platform->Name());

    const QList<HidDeviceInfo> devices = platform->Enumerate();
    ForgetAbsent(devices);
    QString problem, problemPath; // the first meter that cannot be opened
    bool failed = false;
    for (int index = 0; index < devices.size() && !m_fDeviceConnected; ++index) {
        const HidDeviceInfo &info = devices.at(index);
        LogUsbStatus(QStringLiteral("  DeviceInfoSet for device #%1: ").arg(index));
        LogUsbStatus(QStringLiteral("  Device pathname: ") + info.path);
        // Opening wakes a device from its power saving: open only the meter.
        if (info.vendorId != VendorID || info.productId != ProductID) {
            LogUsbStatus(QStringLiteral("  Not opened: Vendor ID %1, Product ID %2").arg(Hex(info.vendorId), Hex(info.productId)));
            continue;
        }
        if (const int wait = RetryWait(info.path)) {
            LogUsbStatus(QStringLiteral("  Not opened: no answer last time, next try in %1 ms").arg(wait * kTickIntervalMs));
            continue;
        }
        QString reason;
        std::unique_ptr<HidDevice> dev = platform->Open(info.path, &reason);
        if (!dev) {
            LogUsbStatus(QStringLiteral("  Returned handle: FFFFFFFFh"));
            LogUsbStatus(QStringLiteral("  Cannot open the device: ") + reason);
            if (!failed) {
                failed = true;
                problem = reason; // may be empty: the words above say so
                problemPath = info.path;
            }
            continue; // cannot be opened: skip it
        }
        LogUsbStatus(QStringLiteral("  Returned handle: %1h").arg(Hex(quint32(reinterpret_cast<quintptr>(dev.get())))));
        HidDeviceInfo attrs;
        const bool ok = dev->GetAttributes(attrs);
        LogUsbStatus(ok ? QStringLiteral("  Device attributes read without error.")
                        : QStringLiteral("  Error in reading the device attributes."));
        m_attributes = attrs;
        LogUsbStatus(QStringLiteral("  Vendor ID: ") + Hex(attrs.vendorId));
        LogUsbStatus(QStringLiteral("  Product ID: ") + Hex(attrs.productId));
        LogUsbStatus(QStringLiteral("  Version Number: ") + Hex(attrs.versionNumber));
        if (ok && attrs.vendorId == VendorID && attrs.productId == ProductID) {
            LogUsbStatus(QStringLiteral("  My device detected"));
            m_hid = std::move(dev);
            m_path = info.path;
            setfDeviceConnected(true);
        }
        // otherwise dev closes here
    }

    if (m_fDeviceConnected && m_hid) {
        m_openProblem.clear();
        m_fOpenFailed = false;
        ReadCapabilities();
        DrainInput(); // what came before we opened is no reply of ours
        return true;
    }
    if (!m_fDeviceConnected)
        LogUsbStatus(QStringLiteral(" Device not found."));
    m_openProblem = problem;
    m_fOpenFailed = failed;
    if (failed && !m_openToldFor.contains(problemPath)) {
        m_openToldFor.insert(problemPath); // before the box: ticks run under it
        TellLinkUser(LinkEvent::CannotOpen, m_openProblem);
    }
    return m_fDeviceConnected;
}

void clsUsbHid::ForgetAbsent(const QList<HidDeviceInfo> &present)
{
    QSet<QString> paths;
    for (const HidDeviceInfo &d : present)
        paths.insert(d.path);
    // Gone from the system: when it comes back it is a new plug-in.
    for (auto it = m_silent.begin(); it != m_silent.end();)
        it = paths.contains(it.key()) ? std::next(it) : m_silent.erase(it);
    for (auto it = m_openToldFor.begin(); it != m_openToldFor.end();)
        it = paths.contains(*it) ? std::next(it) : m_openToldFor.erase(it);
}

int clsUsbHid::DrainInput()
{
    if (!m_hid)
        return 0;
    const int n = m_hid->DrainInput();
    if (n > 0)
        LogUsbStatus(QStringLiteral("  Input reports dropped unread: %1").arg(n));
    return n;
}

int clsUsbHid::DrainUntilQuiet(int quietMs)
{
    constexpr int kMaxDrained = 4096, kMaxDrainMs = 2000;
    if (!m_hid)
        return 0;
    int n = m_hid->DrainInput();
    QElapsedTimer t;
    t.start();
    QByteArray report;
    // A failed read is left to the next transfer, which closes the link.
    while (n < kMaxDrained && t.elapsed() < kMaxDrainMs && m_hid->ReadReport(report, quietMs) == HidDevice::ReadOk)
        ++n;
    if (n > 0)
        LogUsbStatus(QStringLiteral("  Input reports dropped unread: %1").arg(n));
    return n;
}

void clsUsbHid::ReadCapabilities()
{
    if (!m_hid)
        return;
    HidCapabilities caps;
    if (!m_hid->GetCapabilities(caps))
        return; // a failure leaves the capabilities as they were
    m_caps = caps;
    LogUsbStatus(QStringLiteral("  Usage: ") + Hex(caps.Usage));
    LogUsbStatus(QStringLiteral("  Usage Page: ") + Hex(caps.UsagePage));
    LogUsbStatus(QStringLiteral("  Input Report Byte Length: %1").arg(caps.InputReportByteLength));
    LogUsbStatus(QStringLiteral("  Output Report Byte Length: %1").arg(caps.OutputReportByteLength));
    LogUsbStatus(QStringLiteral("  Feature Report Byte Length: %1").arg(caps.FeatureReportByteLength));
    LogUsbStatus(QStringLiteral("  Number of Link Collection Nodes: %1").arg(caps.NumberLinkCollectionNodes));
    LogUsbStatus(QStringLiteral("  Number of Input Button Caps: %1").arg(caps.NumberInputButtonCaps));
    LogUsbStatus(QStringLiteral("  Number of Input Value Caps: %1").arg(caps.NumberInputValueCaps));
    LogUsbStatus(QStringLiteral("  Number of Input Data Indices: %1").arg(caps.NumberInputDataIndices));
    LogUsbStatus(QStringLiteral("  Number of Output Button Caps: %1").arg(caps.NumberOutputButtonCaps));
    LogUsbStatus(QStringLiteral("  Number of Output Value Caps: %1").arg(caps.NumberOutputValueCaps));
    LogUsbStatus(QStringLiteral("  Number of Output Data Indices: %1").arg(caps.NumberOutputDataIndices));
    LogUsbStatus(QStringLiteral("  Number of Feature Button Caps: %1").arg(caps.NumberFeatureButtonCaps));
    LogUsbStatus(QStringLiteral("  Number of Feature Value Caps: %1").arg(caps.NumberFeatureValueCaps));
    LogUsbStatus(QStringLiteral("  Number of Feature Data Indices: %1").arg(caps.NumberFeatureDataIndices));
}

void clsUsbHid::Shutdown()
{
    if (!m_fDeviceConnected)
        return;
    if (m_hid)
        m_hid->Cancel();
    m_hid.reset();
    setfDeviceConnected(false);
    m_attributes.vendorId = 0;
    m_attributes.productId = 0;
    m_attributes.versionNumber = 0;
}

void clsUsbHid::CheckDisconnect()
{
    if (!m_hid) {
        for (Silence &s : m_silent)
            s.waitTicks = qMax(0, s.waitTicks - 1);
        FindTheHid();
    } else {
        HidDeviceInfo attrs;
        if (!m_hid->GetAttributes(attrs))
            Shutdown();
        else
            m_attributes = attrs;
    }
}

bool clsUsbHid::WriteReport(const QByteArray &buffer)
{
    const int n = ReportLengthOutput();
    bool ok = false;
    if (m_hid && n > 0) {
        QByteArray report = buffer.left(n);
        if (report.size() < n)
            report.append(QByteArray(n - report.size(), '\0'));
        // Every command goes out in one report: what is queued now answers
        // an earlier one (abandoned, late, or another program's).
        DrainInput();
        ok = m_hid->WriteReport(report);
    }
    if (!ok) {
        Shutdown();
        return false;
    }
    return true;
}

OpStatus clsUsbHid::ReportRead(QByteArray &buffer)
{
    OpStatus result = OpStatus::LinkLost;
    if (m_hid) {
        QByteArray report;
        QElapsedTimer waited;
        waited.start();
        const HidDevice::ReadResult got = m_hid->ReadReport(report, kReadTimeoutMs);
        if (got == HidDevice::ReadOk) {
            buffer = report;
            result = OpStatus::Ok;
            m_silent.remove(m_path); // it answers
        } else if (got == HidDevice::ReadTimeout) {
            // Timed here, not by whoever reads the log: the time-out itself.
            LogUsbStatus(QStringLiteral("  No input report within %1 ms (waited %2 ms)").arg(kReadTimeoutMs).arg(waited.elapsed()));
            // Still there but silent: try it again later, and less often
            // each time; only the first silence is the user's news.
            const bool again = m_silent.contains(m_path);
            Silence &s = m_silent[m_path];
            s.retryMs = again ? qMin(2 * s.retryMs, kMaxRetryMs) : kFirstRetryMs;
            s.waitTicks = s.retryMs / kTickIntervalMs;
            m_quietLoss = again;
            result = OpStatus::Timeout;
        }
    }
    if (result != OpStatus::Ok)
        Shutdown(); // cancels the pending read and closes the device
    return result;
}

bool clsUsbHid::IsDeviceConnected(bool fMsgBox)
{
    if (!m_fDeviceConnected && fMsgBox) {
        // Plugged in but not ours to open: "please connect it" would mislead.
        if (!m_fOpenFailed)
            TellLinkUser(LinkEvent::NotConnected);
        else
            TellLinkUser(LinkEvent::CannotOpen, m_openProblem);
    }
    return m_fDeviceConnected;
}

bool clsUsbHid::ConnectionLost(bool fMsgBox)
{
    if (!m_fDeviceConnected && fMsgBox && m_quietLoss) {
        m_quietLoss = false; // a retry of a silent meter: said once already
    } else if (!m_fDeviceConnected && fMsgBox) {
        TellLinkUser(LinkEvent::Disconnected);
    }
    return !m_fDeviceConnected;
}

void clsUsbHid::LogUsbStatus(const QString &text)
{
    if (gAppBase && gAppBase->fDebug())
        AppendUsbStatus(text);
}
