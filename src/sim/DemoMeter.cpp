// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/DemoMeter.h"
#include "common/modAnsi.h"
#include "common/modFileName.h"

#include <QFile>
#include <QtMath>
#include <algorithm>
#include <atomic>
#include <climits>
#include <chrono>
#include <thread>

namespace {

// The meter's own field reader (it knows nothing of the program's splitter).
QStringList MeterFields(const QString &line)
{
    QStringList out;
    QString cur;
    bool quoted = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (c == QLatin1Char(',') && !quoted) {
            out << cur.trimmed();
            cur.clear();
            continue;
        }
        if (c != QLatin1Char('"'))
            cur += c;
    }
    if (!line.isEmpty())
        out << cur.trimmed();
    return out;
}

// Field i alone, as MeterFields gives it, without splitting the rest (a
// delete looks through every record).
QString MeterField(const QString &line, int index)
{
    bool quoted = false;
    qsizetype start = 0;
    int field = 0;
    for (qsizetype k = 0; k < line.size(); ++k) {
        if (line.at(k) == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (line.at(k) == QLatin1Char(',') && !quoted) {
            if (field == index)
                return MeterFields(line.mid(start, k - start)).value(0);
            ++field;
            start = k + 1;
        }
    }
    return field == index ? MeterFields(line.mid(start)).value(0) : QString();
}

// The raw text of field i (quotes kept), for rewriting ids.
QStringList RawFields(const QString &line)
{
    QStringList out;
    QString cur;
    bool quoted = false;
    for (QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char(',') && !quoted) {
            out << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    out << cur;
    return out;
}

int SavedFieldCount(const QString &firmware)
{
    if (firmware.startsWith(QLatin1String("2.3.")))
        return 31;
    if (firmware.startsWith(QLatin1String("2.2.")))
        return 30;
    return 29;
}

QString Num(double v, int decimals) { return QString::number(v, 'f', decimals); }

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Site
{
    const char *call;
    int freq;
    double lat, lon;
};
const Site kSite = {"KDCV", 1230, 45.504306, -118.250000};

// One saved measurement `km` kilometres from the site along bearing `az`.
QString SavedLine(int fields, int recId, int point, int radial, double km, double az, int measFreq, bool gpsValid,
                  int day, int secondOfDay, const QString &note, const QString &initials)
{
    const double kmPerDegLat = 111.2;
    const double lat = kSite.lat + km * qCos(qDegreesToRadians(az)) / kmPerDegLat;
    const double lon = kSite.lon + km * qSin(qDegreesToRadians(az)) / (kmPerDegLat * qCos(qDegreesToRadians(kSite.lat)));
    const double mvm = 1000.0 / qMax(km, 0.2) * qExp(-km / 60.0); // falls with distance
    const double dbuv = 20.0 * std::log10(mvm * 1000.0);
    const int h = secondOfDay / 3600, m = (secondOfDay / 60) % 60, s = secondOfDay % 60;
    const QString date = QStringLiteral("%1-%2-2026").arg(day, 2, 10, QLatin1Char('0')).arg(QLatin1String(kMonths[10]));
    const QString utc = date + QStringLiteral(" %1:%2:%3").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    const int lh = (h + 16) % 24;
    const QString local = date + QStringLiteral(" %1:%2:%3").arg(lh, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    QStringList f;
    f << QStringLiteral("1") << QString::number(recId) << QString::number(point) << QStringLiteral("1")
      << QStringLiteral("\"%1\"").arg(QLatin1String(kSite.call)) << QString::number(kSite.freq) << QString::number(measFreq)
      << QString::number(radial) << QStringLiteral("\"ND\"") << QStringLiteral("\"%1\"").arg(initials)
      << QStringLiteral("\"%1\"").arg(note) << QString::number(point) << utc << local << QStringLiteral("1")
      << QStringLiteral("\"Loop\"") << (gpsValid ? QStringLiteral("TRUE") : QStringLiteral("FALSE"))
      << (gpsValid ? Num(lat, 6) : QStringLiteral("0.000000")) << (gpsValid ? Num(lon, 6) : QStringLiteral("0.000000"))
      << (gpsValid ? QString::number(int(350 + km * 3)) : QStringLiteral("0")) << Num(dbuv, 1) << QStringLiteral("\"dBuV\"")
      << Num(mvm, 3) << QStringLiteral("\"mV/m\"") << Num(mvm, 3) << Num(dbuv, 2) << Num(km, 2) << Num(az, 1)
      << Num(4.0 + (secondOfDay % 97) / 10.0, 1);
    if (fields >= 30)
        f << QStringLiteral("TRUE");
    if (fields >= 31)
        f << QStringLiteral("\"AM\"");
    return f.join(QLatin1Char(','));
}

QString TxLine(int fields, int dir, int station, const QString &call, int freq, double lat, double lon, double var,
               const QString &mod)
{
    QString s = QStringLiteral("%1,%2,\"%3\",%4,%5,%6,%7").arg(dir).arg(station).arg(call).arg(freq).arg(Num(lat, 6), Num(lon, 5), Num(var, 5));
    if (fields >= 8)
        s += QStringLiteral(",\"%1\"").arg(mod);
    return s;
}

void GenerateSaved(DemoScenario &m, int count)
{
    const int fields = SavedFieldCount(m.firmware);
    for (int i = 0; i < count; ++i) {
        const int radial = 1 + i % 8;
        const double km = 0.5 + (i / 8) % 200 * 0.25;
        m.saved << SavedLine(fields, i + 1, i + 1, radial, km, (radial - 1) * 45.0 + 3.0, kSite.freq, i % 97 != 13,
                             1 + (i / 1440) % 28, (i * 60) % 86400, QStringLiteral("Gen %1").arg(i + 1), QStringLiteral("GX"));
    }
    m.savedCapacity = qMax(m.savedCapacity, int(m.saved.size()));
}

void GenerateTx(DemoScenario &m, int count)
{
    const int fields = m.firmware.startsWith(QLatin1String("2.3.")) ? 8 : 7;
    static const char *const mods[] = {"AM", "DRM4.5", "DRM5", "DRM9", "DRM10", "DRM18", "DRM20"};
    const int base = int(m.tx.size());
    for (int i = 0; i < count; ++i) {
        const int n = base + i + 1;
        m.tx << TxLine(fields, n, n, QStringLiteral("TX%1").arg(n, 4, 10, QLatin1Char('0')), 530 + (n * 10) % 1180,
                       30.0 + (n % 200) * 0.1, -70.0 - (n % 500) * 0.1, -10.0 + (n % 20), QLatin1String(mods[n % 7]));
    }
    m.txCapacity = qMax(m.txCapacity, int(m.tx.size()));
}

} // namespace

DemoMeter::DemoMeter() = default;

std::unique_ptr<DemoMeter> DemoMeter::BuiltIn()
{
    auto m = std::make_unique<DemoMeter>();
    m->firmware = QStringLiteral("2.3.4");
    m->savedCapacity = 500;
    m->txCapacity = 100;
    const int fields = SavedFieldCount(m->firmware);
    int rec = 1;
    // Three radials of twelve points each, measured on two mornings.
    for (int radial = 1; radial <= 3; ++radial) {
        const double az = 20.0 + (radial - 1) * 120.0;
        for (int p = 1; p <= 12; ++p) {
            const double km = 0.8 * p + 0.1 * radial;
            const bool gpsValid = !((radial == 2 && p == 5) || (radial == 3 && p == 9));
            const int measFreq = (radial == 3 && p == 12) ? 1240 : kSite.freq;
            const int second = 8 * 3600 + radial * 1800 + p * 137;
            m->saved << SavedLine(fields, rec, p, radial, km, az, measFreq, gpsValid, radial == 3 ? 5 : 4, second,
                                  QStringLiteral("R%1 P%2").arg(radial).arg(p), radial == 2 ? QStringLiteral("MK") : QStringLiteral("JS"));
            ++rec;
        }
    }
    m->tx << TxLine(8, 1, 1, QStringLiteral("KDCV"), 1230, 45.504306, -118.25, -14.5, QStringLiteral("AM"))
          << TxLine(8, 2, 2, QStringLiteral("KWAL"), 1400, 46.064583, -118.34306, -15.0, QStringLiteral("AM"))
          << TxLine(8, 3, 3, QStringLiteral("KUJ"), 1420, 46.05, -118.38333, -15.0, QStringLiteral("DRM10"))
          << TxLine(8, 4, 4, QStringLiteral("KTEL"), 1490, 46.06694, -118.31833, -15.0, QStringLiteral("AM"))
          << TxLine(8, 5, 5, QStringLiteral("KONA"), 610, 46.23694, -119.19556, -15.5, QStringLiteral("DRM4.5"));
    return m;
}

std::unique_ptr<DemoMeter> DemoMeter::FromScenario(const QString &text, QString *error)
{
    auto m = std::make_unique<DemoMeter>();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
            continue;
        const int sp = line.indexOf(QLatin1Char(' '));
        const QString key = (sp < 0 ? line : line.left(sp)).trimmed();
        const QString value = sp < 0 ? QString() : line.mid(sp + 1);
        bool ok = true;
        auto number = [&](int lo, int hi) {
            bool good = false;
            const int v = value.trimmed().toInt(&good);
            if (!good || v < lo || v > hi)
                ok = false;
            return v;
        };
        if (key == QLatin1String("firmware"))
            m->firmware = value;
        else if (key == QLatin1String("saved-capacity"))
            m->savedCapacity = number(0, 32767);
        else if (key == QLatin1String("tx-capacity"))
            m->txCapacity = number(0, 32767);
        else if (key == QLatin1String("saved") && sp >= 0)
            m->saved << value;
        else if (key == QLatin1String("tx") && sp >= 0)
            m->tx << value;
        else if (key == QLatin1String("generate-saved")) {
            const int n = number(0, 32767);
            if (ok)
                GenerateSaved(*m, qMin(n, 32767 - int(m->saved.size())));
        } else if (key == QLatin1String("generate-tx")) {
            const int n = number(0, 32767);
            if (ok)
                GenerateTx(*m, qMin(n, 32767 - int(m->tx.size())));
        } else if (key == QLatin1String("report-latency-us"))
            m->reportLatencyUs = number(0, 10000000);
        else if (key == QLatin1String("unplug-after-reports"))
            m->unplugAfterReports = number(0, INT_MAX);
        else if (key == QLatin1String("stall-after-reports"))
            m->stallAfterReports = number(0, INT_MAX);
        else if (key == QLatin1String("reply-late-ms"))
            m->replyLateMs = number(0, 3600000);
        else if (key == QLatin1String("reply-no-end-mark") && t == key)
            m->replyNoEndMark = true;
        else if (key == QLatin1String("short-reports") && t == key)
            m->shortReports = true;
        else if (key == QLatin1String("extra-reports"))
            m->extraReports = number(0, 64);
        else if (key == QLatin1String("late-duplicate-reply") && t == key)
            m->lateDuplicateReply = true;
        else if (key == QLatin1String("change-reply") && sp >= 0)
            m->changeReply = value;
        else if (key == QLatin1String("reply-other-record"))
            m->replyOtherRecord = number(0, 32766);
        else if (key == QLatin1String("replug-after-ms"))
            m->replugAfterMs = number(0, 3600000);
        else if (key == QLatin1String("product-id")) {
            bool good = false;
            const uint id = value.trimmed().toUInt(&good, 16);
            ok = good && id <= 0xFFFF;
            m->productId = quint16(id);
        }
        else
            ok = false;
        if (!ok) {
            if (error)
                *error = QStringLiteral("line %1: not understood: %2").arg(i + 1).arg(line);
            return nullptr;
        }
    }
    return m;
}

std::unique_ptr<DemoMeter> DemoMeter::FromScenarioFile(const QString &path, QString *error)
{
    // Far beyond any real scenario (a full meter is a few MiB): a bigger
    // file, /dev/zero or a pipe that never ends is refused, not read until
    // memory runs out.
    constexpr qint64 kMaxScenarioBytes = qint64(16) << 20;
    auto refuse = [&](const QString &why) -> std::unique_ptr<DemoMeter> {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return nullptr;
    };
    QFile f;
    QString reason;
    if (!OpenForReading(f, path, &reason))
        return refuse(reason);
    const QString tooBig = QStringLiteral("a scenario file is at most 16 MiB");
    if (!f.isSequential() && f.size() > kMaxScenarioBytes)
        return refuse(tooBig);
    QByteArray bytes;
    for (;;) {
        char chunk[65536];
        const qint64 n = f.read(chunk, sizeof chunk);
        if (n < 0)
            return refuse(f.errorString());
        if (n == 0)
            break;
        bytes.append(chunk, n);
        if (bytes.size() > kMaxScenarioBytes)
            return refuse(tooBig);
    }
    return FromScenario(AnsiToString(bytes), error);
}

QString DemoMeter::AddTx(const QString &line, bool replace)
{
    static const QString err = QStringLiteral("ERROR");
    const QStringList fields = MeterFields(line);
    if (fields.size() < 7)
        return err;
    bool okDir = false, okSt = false;
    const int dir = fields.at(0).toInt(&okDir);
    const int station = fields.at(1).toInt(&okSt);
    if (!okDir || !okSt)
        return err;
    if (replace) {
        for (QString &t : tx) {
            if (MeterFields(t).value(1).toInt() == station) {
                t = line;
                return QString();
            }
        }
        return err;
    }
    if (tx.size() >= txCapacity)
        return err;
    QStringList raw = RawFields(line);
    if (dir == 0 && station == 0) {
        int maxDir = 0, maxSt = 0;
        for (const QString &t : tx) {
            const QStringList f = MeterFields(t);
            maxDir = qMax(maxDir, f.value(0).toInt());
            maxSt = qMax(maxSt, f.value(1).toInt());
        }
        raw[0] = QString::number(maxDir + 1);
        raw[1] = QString::number(maxSt + 1);
    }
    tx << raw.join(QLatin1Char(','));
    return QString();
}

QString DemoMeter::Execute(const QString &command)
{
    static const QString err = QStringLiteral("ERROR");
    const QStringList parts = command.split(QLatin1Char(','));
    const QString op = parts.value(0);
    auto index = [&](int i, bool *ok) { return parts.value(i).toInt(ok); };
    if (command == QLatin1String("A"))
        return firmware;
    if (command == QLatin1String("C"))
        return QStringLiteral("%1,%2").arg(saved.size()).arg(savedCapacity);
    if (command == QLatin1String("S"))
        return QStringLiteral("%1,%2").arg(tx.size()).arg(txCapacity);
    if (command == QLatin1String("E")) {
        saved.clear();
        return QString();
    }
    if ((op == QLatin1String("D") || op == QLatin1String("T")) && parts.size() == 3 && parts.at(2) == QLatin1String("1")) {
        bool ok = false;
        const int i = index(1, &ok);
        const QStringList &store = op == QLatin1String("D") ? saved : tx;
        if (!ok || i < 0 || i >= store.size())
            return err;
        if (i == replyOtherRecord && store.size() > 1)
            return store.at(i == 0 ? 1 : i - 1);
        return store.at(i);
    }
    if ((op == QLatin1String("F") || op == QLatin1String("V")) && parts.size() == 2) {
        bool ok = false;
        const int n = index(1, &ok);
        QStringList &store = op == QLatin1String("F") ? saved : tx;
        const int field = op == QLatin1String("F") ? 1 : 1; // Rec ID / Station ID are both the second field
        for (int i = 0; ok && i < store.size(); ++i) {
            if (MeterField(store.at(i), field).toInt() == n) {
                store.removeAt(i);
                return QString();
            }
        }
        return err;
    }
    if (command.startsWith(QLatin1String("U,")) || command.startsWith(QLatin1String("X,"))) {
        const QString reply = AddTx(command.mid(2), op == QLatin1String("X"));
        return reply.isEmpty() && !changeReply.isNull() ? changeReply : reply;
    }
    return err;
}

QList<QByteArray> DemoMeter::FrameReply(const QByteArray &text, int reportLength)
{
    QList<QByteArray> reports;
    const int room = qMin(63, qMax(1, reportLength - 2));
    int pos = 0;
    do {
        const int n = qMin(room, int(text.size()) - pos);
        QByteArray r(reportLength, '\0');
        const bool last = pos + n >= text.size();
        r[1] = char(n | (last ? 0x80 : 0));
        for (int i = 0; i < n; ++i)
            r[2 + i] = text.at(pos + i);
        reports << r;
        pos += n;
    } while (pos < text.size());
    return reports;
}

bool DemoMeter::ReceiveOutputReport(const QByteArray &report)
{
    if (!m_plugged)
        return false;
    if (report.size() < 2)
        return true;
    const quint8 b1 = quint8(report.at(1));
    const int len = qMin(int(b1 & 0x3F), int(report.size()) - 2);
    m_command.append(report.constData() + 2, len);
    if (b1 & 0x80) {
        const QString cmd = AnsiToString(m_command);
        m_command.clear();
        m_commands << cmd;
        QList<QByteArray> reports;
        if (!(replyOverride && replyOverride(cmd, reports)))
            reports = FrameReply(StringToAnsi(Execute(cmd)) + '\n', inputReportLength);
        if (replyNoEndMark && !reports.isEmpty() && reports.last().size() > 1)
            reports.last()[1] = char(quint8(reports.last().at(1)) & 0x7F);
        for (int i = 0; i < extraReports && !reports.isEmpty(); ++i)
            reports << reports.last();
        if (lateDuplicateReply) {
            // Sent again only now that the next command is here: after any
            // drain the program made before sending it.
            const QList<QByteArray> own = reports;
            reports = m_previousReply + reports;
            m_previousReply = own;
        }
        // Whatever is still queued stays ahead of this reply, as on hidraw.
        // Without delays every report is there at once (no clock needed).
        const bool timed = replyLateMs > 0 || reportLatencyUs > 0 || (!m_queue.empty() && m_queue.back().readyAt != Clock::time_point());
        Clock::time_point at{};
        if (timed) {
            at = Clock::now() + Scaled(replyLateMs);
            if (!m_queue.empty())
                at = std::max(at, m_queue.back().readyAt);
        }
        for (QByteArray r : reports) {
            if (shortReports && r.size() > 2)
                r.truncate(2 + qMin(int(quint8(r.at(1)) & 0x3F), int(r.size()) - 2));
            if (timed)
                at += std::chrono::microseconds(reportLatencyUs);
            m_queue.push_back(Queued{r, at});
        }
    }
    return true;
}

DemoMeter::Clock::duration DemoMeter::Scaled(double ms) const
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms * timeScale));
}

namespace {
// A real report wakes the read at once; a sleep wakes tens of microseconds
// late, so the last stretch is waited out awake.
void WaitUntil(std::chrono::steady_clock::time_point t)
{
    using Clock = std::chrono::steady_clock;
    std::this_thread::sleep_until(t - std::chrono::microseconds(100));
    while (Clock::now() < t)
        std::this_thread::yield();
}
} // namespace

void DemoMeter::Deliver(QByteArray &report)
{
    report = m_queue.front().report;
    m_queue.pop_front();
    ++m_inputReportsSent;
    if (unplugAfterReports >= 0 && m_inputReportsSent >= unplugAfterReports) {
        m_plugged = false;
        m_queue.clear();
    }
}

DemoMeter::ReadOutcome DemoMeter::SendInputReport(QByteArray &report, int timeoutMs)
{
    m_lastReadTimeoutMs = timeoutMs;
    if (!m_plugged)
        return ReadOutcome::Gone;
    if (!Silent() && !m_queue.empty() && m_queue.front().readyAt == Clock::time_point()) {
        Deliver(report); // there already
        return ReadOutcome::Ok;
    }
    const Clock::time_point deadline = Clock::now() + Scaled(qMax(timeoutMs, 0));
    if (Silent() || m_queue.empty() || m_queue.front().readyAt > deadline) {
        WaitUntil(deadline); // the read gives up at its limit, not before
        return ReadOutcome::Timeout;
    }
    WaitUntil(m_queue.front().readyAt);
    Deliver(report);
    return ReadOutcome::Ok;
}

int DemoMeter::DropQueuedReports()
{
    int n = 0;
    QByteArray report;
    while (m_plugged && !Silent() && !m_queue.empty() &&
           (m_queue.front().readyAt == Clock::time_point() || m_queue.front().readyAt <= Clock::now())) {
        Deliver(report);
        ++n;
    }
    return n;
}

// ---- the platform ----

namespace {

class DemoDevice : public HidDevice
{
public:
    DemoDevice(DemoMeter *meter, HidDeviceInfo info, const bool *foreignPlugged)
        : m_meter(meter), m_info(info), m_foreignPlugged(foreignPlugged)
    {
    }
    ~DemoDevice() override
    {
        // A real device closed under a read frees what the read is using.
        if (m_inUse.load() != 0)
            qFatal("a HID device was closed while a read or write on it was under way");
    }
    bool Present() const { return m_meter ? m_meter->plugged() : *m_foreignPlugged; }
    bool GetAttributes(HidDeviceInfo &a) override
    {
        if (!Present())
            return false;
        a = m_info;
        return true;
    }
    bool GetCapabilities(HidCapabilities &caps) override
    {
        if (!Present())
            return false;
        caps = HidCapabilities();
        caps.Usage = 1;
        caps.UsagePage = 0xFF00;
        caps.InputReportByteLength = quint16(m_meter ? m_meter->Scenario().inputReportLength : 9);
        caps.OutputReportByteLength = quint16(m_meter ? m_meter->Scenario().outputReportLength : 9);
        caps.NumberLinkCollectionNodes = 1;
        caps.NumberInputValueCaps = 1;
        caps.NumberOutputValueCaps = 1;
        caps.NumberInputDataIndices = 1;
        caps.NumberOutputDataIndices = 1;
        return true;
    }
    bool WriteReport(const QByteArray &report) override
    {
        const InUse use(m_inUse);
        return m_meter ? m_meter->ReceiveOutputReport(report) : Present();
    }
    ReadResult ReadReport(QByteArray &report, int timeoutMs) override
    {
        const InUse use(m_inUse);
        if (!m_meter)
            return Present() ? ReadTimeout : ReadFailed;
        switch (m_meter->SendInputReport(report, timeoutMs)) {
        case DemoMeter::ReadOutcome::Ok:
            return ReadOk;
        case DemoMeter::ReadOutcome::Timeout:
            return ReadTimeout;
        default:
            return ReadFailed;
        }
    }

    int DrainInput() override
    {
        const InUse use(m_inUse);
        return m_meter ? m_meter->DropQueuedReports() : 0;
    }

private:
    struct InUse {
        explicit InUse(std::atomic<int> &n) : count(n) { ++count; }
        ~InUse() { --count; }
        std::atomic<int> &count;
    };
    DemoMeter *m_meter;
    HidDeviceInfo m_info;
    const bool *m_foreignPlugged;
    std::atomic<int> m_inUse{0};
};

} // namespace

QList<HidDeviceInfo> DemoHidPlatform::Enumerate()
{
    QList<HidDeviceInfo> list;
    for (const Foreign &f : m_foreign)
        if (f.plugged)
            list << f.info;
    m_goneSince.resize(m_meters.size());
    const auto now = std::chrono::steady_clock::now();
    for (size_t i = 0; i < m_meters.size(); ++i) {
        DemoMeter *m = m_meters[i].get();
        // A meter that unplugged itself comes back once, seen from the first
        // enumeration that missed it.
        if (m->plugged() || m->Scenario().replugAfterMs < 0)
            m_goneSince[i] = {};
        else if (m_goneSince[i] == std::chrono::steady_clock::time_point{})
            m_goneSince[i] = now;
        else if (now - m_goneSince[i] >= std::chrono::milliseconds(m->Scenario().replugAfterMs)) {
            m->setPlugged(true);
            m->Scenario().unplugAfterReports = -1;
            m->Scenario().replugAfterMs = -1;
        }
        if (m->plugged())
            list << HidDeviceInfo{QStringLiteral("demo:meter/%1").arg(i), m->Scenario().vendorId, m->Scenario().productId,
                                  m->Scenario().versionNumber};
    }
    return list;
}

std::unique_ptr<HidDevice> DemoHidPlatform::Open(const QString &path, QString *error)
{
    QString reason = QStringLiteral("No such device");
    if (path.startsWith(QLatin1String("demo:meter/"))) {
        const size_t i = size_t(path.mid(11).toInt());
        if (i < m_meters.size() && m_meters[i]->plugged()) {
            DemoMeter *m = m_meters[i].get();
            const DemoScenario &sc = m->Scenario();
            if (sc.openError.isEmpty())
                return std::make_unique<DemoDevice>(m, HidDeviceInfo{path, sc.vendorId, sc.productId, sc.versionNumber}, nullptr);
            reason = sc.openError;
        }
    } else if (path.startsWith(QLatin1String("demo:foreign/"))) {
        const size_t i = size_t(path.mid(13).toInt());
        if (i < m_foreign.size() && m_foreign[i].plugged) {
            ++m_foreign[i].opens;
            if (m_foreign[i].canOpen)
                return std::make_unique<DemoDevice>(nullptr, m_foreign[i].info, &m_foreign[i].plugged);
            reason = QStringLiteral("Permission denied");
        }
    }
    if (error)
        *error = reason;
    return nullptr;
}

DemoMeter *DemoHidPlatform::AddMeter(std::unique_ptr<DemoMeter> meter)
{
    m_meters.push_back(std::move(meter));
    return m_meters.back().get();
}

void DemoHidPlatform::AddForeignDevice(quint16 vendorId, quint16 productId, bool canOpen)
{
    Foreign f;
    f.info = HidDeviceInfo{QStringLiteral("demo:foreign/%1").arg(m_foreign.size()), vendorId, productId, 1};
    f.canOpen = canOpen;
    f.plugged = true;
    f.opens = 0;
    m_foreign.push_back(f);
}

void DemoHidPlatform::Plug(DemoMeter *meter, bool plugged)
{
    if (meter)
        meter->setPlugged(plugged);
}

int DemoHidPlatform::ForeignOpens() const
{
    int n = 0;
    for (const Foreign &f : m_foreign)
        n += f.opens;
    return n;
}

DemoMeter *DemoHidPlatform::Meter(int index) const
{
    return index >= 0 && size_t(index) < m_meters.size() ? m_meters[size_t(index)].get() : nullptr;
}
