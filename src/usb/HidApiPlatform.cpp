#include "usb/HidApiPlatform.h"

// Placeholder until the hidapi backend lands: sees no devices.
namespace {
class NoDevices : public HidPlatform
{
public:
    QString Name() const override { return QStringLiteral("hidapi"); }
    QList<HidDeviceInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidDevice> Open(const QString &) override { return nullptr; }
};
} // namespace

std::unique_ptr<HidPlatform> CreateHidApiPlatform() { return std::make_unique<NoDevices>(); }
