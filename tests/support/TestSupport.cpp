#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modEvents.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QDir>
#include <QProcess>

void MeterTest::SetUp()
{
    SetHidPlatform(&platform);
    CreateProcessObjects();
    gUsbHid->HelperForm()->tmrPeriodic.stop(); // tests drive the ticks
    m_oldHandler = SetMsgBoxHandler([this](const QString &prompt, int buttons, const QString &title) {
        boxes << ShownBox{prompt, buttons, title};
        if (whileBoxOpen)
            whileBoxOpen();
        return answers.isEmpty() ? DefaultAnswer(buttons) : answers.takeFirst();
    });
}

void MeterTest::TearDown()
{
    SetMsgBoxHandler(m_oldHandler);
    DestroyProcessObjects();
    SetHidPlatform(nullptr);
}

DemoMeter *MeterTest::AddMeter(std::unique_ptr<DemoMeter> meter)
{
    if (!meter)
        meter = std::make_unique<DemoMeter>();
    return platform.AddMeter(std::move(meter));
}

DemoMeter *MeterTest::AddMeter(const QString &scenario)
{
    QString error;
    auto m = DemoMeter::FromScenario(scenario, &error);
    EXPECT_TRUE(m) << qPrintable(error);
    return m ? platform.AddMeter(std::move(m)) : nullptr;
}

void MeterTest::Tick() { gUsbHid->HelperForm()->Tick(); }

bool MeterTest::ConnectMeter()
{
    for (int i = 0; i < 3 && !gUsbHid->fDeviceConnected(); ++i)
        Tick();
    return gUsbHid->fDeviceConnected();
}

DemoMeter *MeterTest::ReplaceMeter(const QString &scenario)
{
    QString error;
    auto m = DemoMeter::FromScenario(scenario, &error);
    EXPECT_TRUE(m) << qPrintable(error);
    return ReplaceMeter(std::move(m));
}

DemoMeter *MeterTest::ReplaceMeter(std::unique_ptr<DemoMeter> meter)
{
    bool unplugged = false;
    for (int i = 0; platform.Meter(i); ++i)
        if (platform.Meter(i)->plugged)
            platform.Plug(platform.Meter(i), false), unplugged = true;
    if (unplugged)
        Tick();
    DemoMeter *m = meter ? platform.AddMeter(std::move(meter)) : nullptr;
    EXPECT_TRUE(m && ConnectMeter());
    return m;
}

void MeterTest::Unplug(DemoMeter *meter)
{
    platform.Plug(meter, false);
    Tick();
}

QStringList MeterTest::BoxTexts() const
{
    QStringList texts;
    for (const ShownBox &b : boxes)
        texts << b.title + QLatin1Char('|') + b.prompt;
    return texts;
}

QString BuiltProgram(const QString &name) { return QStringLiteral(DATACLAVE_BINARY_DIR "/src/") + name; }

int RunProgram(const QString &program, const QStringList &args, QByteArray *out, QByteArray *err,
               const QByteArray &input, int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -2;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
}
