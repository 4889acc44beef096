#pragma once
// Shared test fixture: the demo meter platform, fresh process objects for
// each test, and message boxes answered from a script.
#include "app/modMsgBox.h"
#include "sim/DemoMeter.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

struct ShownBox
{
    QString prompt;
    int buttons;
    QString title;
};

class MeterTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a meter (an empty one with firmware 2.3.1 when none is given).
    DemoMeter *AddMeter(std::unique_ptr<DemoMeter> meter = nullptr);
    DemoMeter *AddMeter(const QString &scenario);
    // One tick of the link's timer (watch step and connection follow-up).
    void Tick();
    // Ticks until the meter is connected and its version was asked.
    bool ConnectMeter();
    // Unplugs every meter (and lets the link notice), then adds this one and connects it.
    DemoMeter *ReplaceMeter(const QString &scenario);
    DemoMeter *ReplaceMeter(std::unique_ptr<DemoMeter> meter);
    // Unplugs the meter and lets the link notice.
    void Unplug(DemoMeter *meter);
    // "title|prompt" of every box shown.
    QStringList BoxTexts() const;

    DemoHidPlatform platform;
    QList<ShownBox> boxes; // every message box shown, in order
    QList<int> answers;    // answers for the next boxes; the default button after them
    // Runs inside each message box (e.g. DoEvents, to let ticks run as under a real box).
    std::function<void()> whileBoxOpen;

private:
    MsgBoxHandler m_oldHandler;
};

// Runs a program of this build; returns its exit code, and fills stdout/stderr.
int RunProgram(const QString &program, const QStringList &args, QByteArray *out, QByteArray *err,
               const QByteArray &input = QByteArray(), int timeoutMs = 60000);
QString BuiltProgram(const QString &name);
