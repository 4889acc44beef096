// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "app/modConnect.h"
#include "common/modEvents.h"
#include "listview/clsListModel.h"
#include "usb/clsUsbHid.h"
#include "usb/frmUsbHid.h"

#include <QCoreApplication>
#include <QThread>
#include <mutex>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOperatingSystemVersion>
#include <QProcess>
#include <cerrno>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#ifdef Q_OS_UNIX
#include <ftw.h>
#include <cstdio>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

ModalBoxShower gShowModalBox;
int gModalBoxesOpened = 0;

qint64 WindowPace::QueuedNs()
{
#ifdef Q_OS_LINUX
    // schedstat: time on the CPU, time waiting on a run queue, timeslices (ns).
    QFile stat(QStringLiteral("/proc/thread-self/schedstat"));
    if (stat.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = stat.readAll().split(' ');
        if (fields.size() >= 2)
            return fields.at(1).toLongLong();
    }
#endif
    return 0;
}

int ModalBoxDelay()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("DATACLAVE_TEST_MODAL_MS", &ok);
    return ok && ms >= 0 ? ms : -1;
}

void MeterTest::SetUp()
{
    SetHidPlatform(&platform);
    session = std::make_unique<clsSession>();
    ASSERT_TRUE(session->MakeCurrent());
    gUsbHid->HelperForm()->tmrPeriodic().stop(); // tests drive the ticks
    m_oldHandler = SetMsgBoxHandler([this](const QString &prompt, int buttons, const QString &title) {
        boxes << ShownBox{prompt, buttons, title};
        const int answer = answers.isEmpty() ? DefaultAnswer(buttons) : answers.takeFirst();
        if (modalMs >= 0 && gShowModalBox)
            return ++gModalBoxesOpened, gShowModalBox(boxes.constLast(), answer, modalMs, whileBoxOpen);
        if (whileBoxOpen)
            whileBoxOpen();
        return answer;
    }, modalMs >= 0 && gShowModalBox);
}

void MeterTest::TearDown()
{
    // Boxes still waiting for the event loop belong to this test, not the next.
    QCoreApplication::processEvents();
    SetMsgBoxHandler(m_oldHandler);
    session.reset();
    SetHidPlatform(nullptr);
}

DemoMeter *MeterTest::AddMeter(std::unique_ptr<DemoMeter> meter)
{
    if (!meter)
        meter = std::make_unique<DemoMeter>();
    meter->Scenario().timeScale = kTestTimeScale;
    return platform.AddMeter(std::move(meter));
}

std::unique_ptr<DemoMeter> Scenario(const QString &text)
{
    QString error;
    auto m = DemoMeter::FromScenario(text, &error);
    EXPECT_TRUE(m) << qPrintable(error);
    return m;
}

DemoMeter *MeterTest::AddMeter(const QString &scenario) { return AddMeter(Scenario(scenario)); }

void AsTheUser(const std::function<void()> &fn)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return fn();
    // The lock makes the hand-over visible to ThreadSanitizer.
    static std::mutex handOver;
    handOver.lock();
    handOver.unlock();
    QMetaObject::invokeMethod(app, [&] { std::lock_guard<std::mutex> lock(handOver); fn(); }, Qt::BlockingQueuedConnection);
    std::lock_guard<std::mutex> lock(handOver);
}

void MeterTest::Tick()
{
    gUsbHid->HelperForm()->Tick();
    WaitForConnectionFollowUp();
}

bool MeterTest::ConnectMeter()
{
    for (int i = 0; i < 3 && !gUsbHid->fDeviceConnected(); ++i)
        Tick();
    return gUsbHid->fDeviceConnected();
}

DemoMeter *MeterTest::ReplaceMeter(const QString &scenario) { return ReplaceMeter(Scenario(scenario)); }

DemoMeter *MeterTest::ReplaceMeter(std::unique_ptr<DemoMeter> meter)
{
    bool unplugged = false;
    for (int i = 0; platform.Meter(i); ++i)
        if (platform.Meter(i)->plugged())
            platform.Plug(platform.Meter(i), false), unplugged = true;
    if (unplugged)
        Tick();
    DemoMeter *m = meter ? AddMeter(std::move(meter)) : nullptr;
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

QStringList MeterTest::Prompts() const
{
    QStringList prompts;
    for (const ShownBox &b : boxes)
        prompts << b.prompt;
    return prompts;
}

QString FileErrorText(int err)
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return qt_error_string(ERROR_PATH_NOT_FOUND);
    case ENAMETOOLONG:
        // Wine takes the name to its system, which finds no such file.
        return qt_error_string(wine ? ERROR_FILE_NOT_FOUND : ERROR_INVALID_NAME);
    case ENOSPC:
        return qt_error_string(ERROR_DISK_FULL);
    }
#endif
    return ErrnoText(err);
}

QString BuiltProgram(const QString &name)
{
    const bool windows = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows;
    return QStringLiteral(DATACLAVE_BINARY_DIR "/src/") + name + QLatin1String(windows ? ".exe" : "");
}

namespace {

int Run(QProcess &p, const QString &program, const QStringList &args, QByteArray *out, QByteArray *err,
        const QByteArray &input, int timeoutMs)
{
    p.start(program, args);
    // Wine now and then fails to create a process at all: one more try, as
    // nothing of the program under test has run yet.
    bool started = p.waitForStarted(10000);
    if (!started && p.error() == QProcess::FailedToStart && QFileInfo::exists(program)) {
        p.start(program, args);
        started = p.waitForStarted(10000);
    }
    if (!started)
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

} // namespace

int RunProgram(const QString &program, const QStringList &args, QByteArray *out, QByteArray *err,
               const QByteArray &input, int timeoutMs)
{
    QProcess p;
    return Run(p, program, args, out, err, input, timeoutMs);
}

CliRun RunCli(const QStringList &args, const QByteArray &input, const char *locale, const QString &workDir)
{
    QProcess p;
    if (locale) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QString::fromLatin1(locale));
        env.insert(QStringLiteral("LANG"), QString::fromLatin1(locale));
        p.setProcessEnvironment(env);
    }
    p.setWorkingDirectory(workDir);
    CliRun r;
    r.code = Run(p, BuiltProgram(QStringLiteral("dataclave-cli")), args, &r.out, &r.err, input, 60000);
    return r;
}

QByteArray SavedHeader(int fields)
{
    static const char *const names[] = {
        "Dir ID", "Rec ID", "Point Number", "Tx ID", "Call Sign", "Tx Frequency (kHz)", "Measurement Frequency (kHz)",
        "Radial", "Pattern", "Initials", "Note", "Meas. Point", "UTC Time", "Local Time", "Harmonic", "RF Source",
        "GPS Valid", "Latitude", "Longitude", "Elevation (m)", "Fld Str 1", "Units 1", "Fld Str 2", "Units 2", "mV/m",
        "dBuV", "Tx Distance (km)", "Azimuth", "Temperature (\xB0" "C)", "Tx Lat/Long Valid", "Modulation"};
    QByteArrayList quoted;
    for (int i = 0; i < fields && i < int(std::size(names)); ++i)
        quoted << '"' + QByteArray(names[i]) + '"';
    return quoted.join(',');
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void EmptyFolder(const QString &folder)
{
#ifdef Q_OS_UNIX
    // Deepest first, by the names' own bytes; the folder itself stays.
    nftw(QFile::encodeName(folder).constData(), [](const char *path, const struct stat *, int, FTW *at) {
        if (at->level > 0)
            std::remove(path);
        return 0;
    }, 16, FTW_DEPTH | FTW_PHYS);
#else
    QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        QFileInfo(dir.filePath(name)).isDir() ? QDir(dir.filePath(name)).removeRecursively() : dir.remove(name);
#endif
}

#ifndef _WIN32
QString CharDevice(const QString &folder, const char *name, int minor)
{
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    return ::mknod(QFile::encodeName(path), S_IFCHR | 0666, makedev(1, minor)) == 0 ? path : QStringLiteral("/dev/") + QLatin1String(name);
}

QString NodeOf(const QString &path)
{
    struct stat s {};
    if (::stat(QFile::encodeName(path), &s) != 0)
        return QString();
    return QStringLiteral("%1 %2 %3").arg(s.st_mode).arg(s.st_rdev).arg(s.st_ino);
}
#endif

QStringList ListedIds(const clsListModel &rows)
{
    QStringList ids;
    for (int r = 0; r < rows.Count(); ++r)
        ids << rows.UserValue(r).toString();
    return ids;
}

QStringList LineIds(const QStringList &lines)
{
    QStringList ids;
    for (const QString &line : lines)
        ids << line.section(QLatin1Char(','), 1, 1);
    return ids;
}
