// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The HID platform layer: what the link needs from the system's HID support.
// Two implementations: hidapi (real meters) and the demo meter.
#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

struct HidDeviceInfo
{
    QString path;
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint16 versionNumber = 0;
};

// The device's capabilities; report lengths count the report-ID byte.
struct HidCapabilities
{
    quint16 Usage = 0;
    quint16 UsagePage = 0;
    quint16 InputReportByteLength = 0;
    quint16 OutputReportByteLength = 0;
    quint16 FeatureReportByteLength = 0;
    quint16 NumberLinkCollectionNodes = 0;
    quint16 NumberInputButtonCaps = 0;
    quint16 NumberInputValueCaps = 0;
    quint16 NumberInputDataIndices = 0;
    quint16 NumberOutputButtonCaps = 0;
    quint16 NumberOutputValueCaps = 0;
    quint16 NumberOutputDataIndices = 0;
    quint16 NumberFeatureButtonCaps = 0;
    quint16 NumberFeatureValueCaps = 0;
    quint16 NumberFeatureDataIndices = 0;
};

// One opened HID device. Reports carry the report-ID byte at index 0.
class HidDevice
{
public:
    virtual ~HidDevice() = default;
    // Presence check: fills the ids and returns true while the device is there.
    virtual bool GetAttributes(HidDeviceInfo &attributes) = 0;
    virtual bool GetCapabilities(HidCapabilities &caps) = 0;
    // Writes one output report (report[0] is the report ID).
    virtual bool WriteReport(const QByteArray &report) = 0;
    enum ReadResult { ReadOk, ReadTimeout, ReadFailed };
    // Reads one input report into `report` (resized to the input report length,
    // report[0] the report ID), waiting at most timeoutMs.
    virtual ReadResult ReadReport(QByteArray &report, int timeoutMs) = 0;
    // Cancels a pending read (nothing is pending between calls here).
    virtual void Cancel() {}
    // Reads and drops the input reports already queued, without waiting;
    // returns how many. The system queues reports nobody read (an abandoned
    // or late reply), and the next command would take them as its own.
    virtual int DrainInput() = 0;
};

class HidPlatform
{
public:
    virtual ~HidPlatform() = default;
    virtual QString Name() const = 0;
    // Every present HID device interface, in enumeration order.
    virtual QList<HidDeviceInfo> Enumerate() = 0;
    // Opens a device by path; nullptr when it cannot be opened, and then
    // *error (when given) holds the system's reason ("Permission denied").
    virtual std::unique_ptr<HidDevice> Open(const QString &path, QString *error = nullptr) = 0;
};

// The platform the link uses; set once before the link is created.
HidPlatform *CurrentHidPlatform();
void SetHidPlatform(HidPlatform *platform);
