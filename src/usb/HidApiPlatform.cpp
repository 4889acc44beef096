// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/HidApiPlatform.h"
#include "usb/HidReportDescriptor.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <hidapi.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

// Used when the report descriptor cannot be had: a full packet of the meter.
constexpr quint16 kFallbackReportLength = 65;
// hidraw keeps at most 64 reports per open file; the bound only stops a
// device that keeps sending from holding the drain.
constexpr int kMaxDrained = 256;

// hid_init/hid_exit for one platform object; devices keep it alive, so
// hid_exit comes after the last of them is closed.
class HidApiLibrary
{
public:
    HidApiLibrary() : ok(hid_init() == 0) {}
    ~HidApiLibrary() { hid_exit(); }
    HidApiLibrary(const HidApiLibrary &) = delete;
    HidApiLibrary &operator=(const HidApiLibrary &) = delete;

    const bool ok;
    QHash<QString, HidDeviceInfo> lastSeen; // the last enumeration, by path
};

QList<HidDeviceInfo> EnumerateHidApi(HidApiLibrary &lib, quint16 vendorId = 0, quint16 productId = 0)
{
    QList<HidDeviceInfo> devices;
    if (!lib.ok)
        return devices;
    hid_device_info *all = hid_enumerate(vendorId, productId);
    for (const hid_device_info *d = all; d; d = d->next) {
        if (!d->path)
            continue;
        HidDeviceInfo info;
        info.path = QString::fromLocal8Bit(d->path);
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.versionNumber = d->release_number;
        // one entry per device: on some systems each top-level collection is listed
        if (std::none_of(devices.cbegin(), devices.cend(),
                         [&](const HidDeviceInfo &seen) { return seen.path == info.path; }))
            devices.append(info);
    }
    hid_free_enumeration(all);
    return devices;
}

#if defined(__linux__)
// The sysfs folder of a hidraw node ("/dev/hidraw3" -> "/sys/class/hidraw/hidraw3"),
// empty when the path is not one.
QString SysfsFolder(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    if (!path.startsWith(QLatin1String("/dev/")) || !name.startsWith(QLatin1String("hidraw")))
        return QString();
    return QStringLiteral("/sys/class/hidraw/") + name;
}
#endif

// Why a device node could not be opened, in the system's words.
QString OpenFailureReason(const QByteArray &nativePath)
{
#if !defined(_WIN32)
    // hidapi's own text may have lost errno; the node's access says it plainly.
    if (::access(nativePath.constData(), R_OK | W_OK) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
#else
    Q_UNUSED(nativePath);
#endif
#if defined(HID_API_VERSION) && HID_API_VERSION >= HID_API_MAKE_VERSION(0, 13, 0)
    if (const wchar_t *text = hid_error(nullptr)) {
        // "Failed to open a device with path '...': Permission denied"
        const QString s = QString::fromWCharArray(text);
        const int colon = s.lastIndexOf(QLatin1String(": "));
        if (!s.isEmpty() && s != QLatin1String("Success"))
            return colon >= 0 ? s.mid(colon + 2) : s;
    }
#endif
    return QString::fromLocal8Bit(std::strerror(EIO));
}

class HidApiDevice : public HidDevice
{
public:
    HidApiDevice(std::shared_ptr<HidApiLibrary> lib, hid_device *handle, const HidDeviceInfo &info)
        : m_lib(std::move(lib)), m_handle(handle), m_info(info)
    {
#if defined(__linux__)
        m_sysfs = SysfsFolder(info.path);
        // Its target names the bound HID device (bus:vendor:product.instance); a new
        // instance after a replug, even on the same hidraw number.
        if (!m_sysfs.isEmpty())
            m_sysfsDevice = QFileInfo(m_sysfs + QStringLiteral("/device")).canonicalFilePath();
#endif
    }
    ~HidApiDevice() override { hid_close(m_handle); }

    bool GetAttributes(HidDeviceInfo &attributes) override
    {
        if (!StillPresent())
            return false;
        attributes = m_info;
        return true;
    }

    bool GetCapabilities(HidCapabilities &caps) override
    {
        LearnReports();
        caps = m_caps;
        return true;
    }

    bool WriteReport(const QByteArray &report) override
    {
        // hidapi wants the report ID in byte 0 on every platform (0 without IDs).
        if (report.isEmpty())
            return false;
        return hid_write(m_handle, reinterpret_cast<const unsigned char *>(report.constData()), size_t(report.size())) >= 0;
    }

    ReadResult ReadReport(QByteArray &report, int timeoutMs) override
    {
        LearnReports();
        const int length = m_caps.InputReportByteLength > 0 ? m_caps.InputReportByteLength : kFallbackReportLength;
        QByteArray buffer(length, '\0');
        const int n = hid_read_timeout(m_handle, reinterpret_cast<unsigned char *>(buffer.data()), size_t(length), timeoutMs);
        if (n < 0)
            return ReadFailed;
        if (n == 0)
            return ReadTimeout;
        report = HidApiInputReport(buffer.left(n), length, m_descriptorKnown, m_usesReportIds);
        return ReadOk;
    }

    int DrainInput() override
    {
        LearnReports();
        const int length = m_caps.InputReportByteLength > 0 ? m_caps.InputReportByteLength : kFallbackReportLength;
        QByteArray buffer(length, '\0');
        int n = 0;
        while (n < kMaxDrained &&
               hid_read_timeout(m_handle, reinterpret_cast<unsigned char *>(buffer.data()), size_t(length), 0) > 0)
            ++n;
        return n;
    }

private:
    bool StillPresent()
    {
#if defined(__linux__)
        if (!m_sysfsDevice.isEmpty())
            return QFileInfo(m_sysfs + QStringLiteral("/device")).canonicalFilePath() == m_sysfsDevice;
#endif
        const QList<HidDeviceInfo> now = EnumerateHidApi(*m_lib, m_info.vendorId, m_info.productId);
        return std::any_of(now.cbegin(), now.cend(), [&](const HidDeviceInfo &d) { return d.path == m_info.path; });
    }

    QByteArray ReportDescriptor()
    {
#if defined(HID_API_VERSION)
#if HID_API_VERSION >= HID_API_MAKE_VERSION(0, 14, 0)
        QByteArray d(HID_API_MAX_REPORT_DESCRIPTOR_SIZE, '\0');
        const int n = hid_get_report_descriptor(m_handle, reinterpret_cast<unsigned char *>(d.data()), size_t(d.size()));
        if (n > 0)
            return d.left(n);
#endif
#endif
#if defined(__linux__)
        if (!m_sysfs.isEmpty()) {
            QFile f(m_sysfs + QStringLiteral("/device/report_descriptor"));
            if (f.open(QIODevice::ReadOnly))
                return f.read(4096); // the kernel's limit for a descriptor
        }
#endif
        return QByteArray();
    }

    // The report lengths and whether reports are numbered, read once.
    void LearnReports()
    {
        if (m_learnt)
            return;
        m_learnt = true;
        const QByteArray descriptor = ReportDescriptor();
        if (!descriptor.isEmpty()) {
            const HidReportDescriptorInfo info = ParseReportDescriptor(descriptor);
            if (info.caps.InputReportByteLength > 0 || info.caps.OutputReportByteLength > 0) {
                m_caps = info.caps;
                m_usesReportIds = info.usesReportIds;
                m_descriptorKnown = true;
                return;
            }
        }
        m_caps = HidCapabilities();
        m_caps.InputReportByteLength = kFallbackReportLength;
        m_caps.OutputReportByteLength = kFallbackReportLength;
    }

    std::shared_ptr<HidApiLibrary> m_lib;
    hid_device *m_handle;
    HidDeviceInfo m_info;
    QString m_sysfs;
    QString m_sysfsDevice;
    bool m_learnt = false;
    bool m_descriptorKnown = false;
    bool m_usesReportIds = false;
    HidCapabilities m_caps;
};

class HidApiPlatform : public HidPlatform
{
public:
    HidApiPlatform() : m_lib(std::make_shared<HidApiLibrary>()) {}

    QString Name() const override
    {
#if defined(HID_API_VERSION_STR)
        return QStringLiteral("hidapi " HID_API_VERSION_STR);
#else
        return QStringLiteral("hidapi");
#endif
    }

    QList<HidDeviceInfo> Enumerate() override
    {
        const QList<HidDeviceInfo> devices = EnumerateHidApi(*m_lib);
        m_lib->lastSeen.clear();
        for (const HidDeviceInfo &d : devices)
            m_lib->lastSeen.insert(d.path, d);
        return devices;
    }

    std::unique_ptr<HidDevice> Open(const QString &path, QString *error) override
    {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(ENODEV));
        if (!m_lib->ok)
            return nullptr;
        auto known = m_lib->lastSeen.constFind(path);
        if (known == m_lib->lastSeen.cend()) {
            Enumerate();
            known = m_lib->lastSeen.constFind(path);
            if (known == m_lib->lastSeen.cend())
                return nullptr;
        }
        const HidDeviceInfo info = *known;
        const QByteArray nativePath = path.toLocal8Bit();
        hid_device *handle = hid_open_path(nativePath.constData());
        if (!handle) {
            if (error)
                *error = OpenFailureReason(nativePath);
            return nullptr;
        }
        return std::make_unique<HidApiDevice>(m_lib, handle, info);
    }

private:
    std::shared_ptr<HidApiLibrary> m_lib;
};

} // namespace

std::unique_ptr<HidPlatform> CreateHidApiPlatform() { return std::make_unique<HidApiPlatform>(); }

QByteArray HidApiInputReport(const QByteArray &read, int inputLength, bool descriptorKnown, bool usesReportIds)
{
    // hidapi drops the ID byte of devices without report IDs. Unknown
    // descriptor: a report of the full length carries it.
    const bool idIncluded = descriptorKnown ? usesReportIds : read.size() >= inputLength;
    return InputReportWithId(read.constData(), int(read.size()), idIncluded, inputLength);
}
