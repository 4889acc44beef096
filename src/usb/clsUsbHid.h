// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "common/clsOperation.h"
#include "usb/HidPlatform.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <memory>

class frmUsbHid;

// The program's one connection to the meter: finds it among the present HID
// devices, watches it every 250 ms, and moves whole reports.
class clsUsbHid : public QObject
{
    Q_OBJECT
public:
    static constexpr int kReadTimeoutMs = 4000;
    static constexpr int kTickIntervalMs = 250;
    static constexpr int kFirstRetryMs = 500; // after a meter did not answer; doubled each time
    static constexpr int kMaxRetryMs = 5000;

    clsUsbHid();
    ~clsUsbHid() override;

    static constexpr quint16 VendorID = 0x1C40;
    static constexpr quint16 ProductID = 0x0BBA;

    bool FindTheHid();
    void Shutdown();
    void CheckDisconnect();

    // Report transfer. Reports carry the report-ID byte at index 0.
    bool WriteReport(const QByteArray &buffer);
    // Ok, Timeout (no report in time) or LinkLost; the link closes on either failure.
    OpStatus ReportRead(QByteArray &buffer);
    qint16 ReportLengthOutput() const { return qint16(m_caps.OutputReportByteLength); }
    qint16 ReportLengthInput() const { return qint16(m_caps.InputReportByteLength); }

    bool IsDeviceConnected(bool fMsgBox);
    bool ConnectionLost(bool fMsgBox);

    bool fDeviceConnected() const { return m_fDeviceConnected; }
    void setfDeviceConnected(bool fValue);
    // How many times the link has gone down so far (read through LinkWatch).
    quint32 LinkLosses() const { return m_losses; }

    bool HasOpenDevice() const { return m_hid != nullptr; }
    // A meter is present that could not be opened, and the system's reason
    // ("Permission denied"; empty when it gave none).
    bool OpenFailed() const { return m_fOpenFailed; }
    QString OpenProblem() const { return m_openProblem; }
    // Drops the input reports queued before a command; returns how many.
    int DrainInput();
    // Drops what is queued and what is still coming, until no report has
    // come for `quietMs` (two seconds at most); returns how many. For after
    // a report that answered no command: more of its kind may be on the way.
    int DrainUntilQuiet(int quietMs);
    // Ticks until a meter that did not answer (at `path`) is tried again; 0 when it may be.
    int RetryWait(const QString &path) const { return m_silent.value(path).waitTicks; }
    frmUsbHid *HelperForm() const { return m_form; }

    // What the system says of the open meter (all zero when none is open).
    const HidDeviceInfo &HidAttributes() const { return m_attributes; }

signals:
    void Connect();
    void Disconnect();

private:
    void ReadCapabilities();
    void LogUsbStatus(const QString &text);

    void ForgetAbsent(const QList<HidDeviceInfo> &present);

    bool m_fDeviceConnected = false;
    quint32 m_losses = 0;
    std::unique_ptr<HidDevice> m_hid; // HIDHandle; one handle serves reads and writes
    QString m_path;                   // of the open meter

    // A meter that is present but does not answer is tried again, less often
    // each time, and the user is told only once while it stays plugged in.
    struct Silence { int retryMs = 0; int waitTicks = 0; };
    QHash<QString, Silence> m_silent; // by path, while present
    bool m_quietLoss = false;         // the loss just now was such a retry
    QSet<QString> m_openToldFor;      // meters the user was told cannot be opened, while present
    QString m_openProblem;
    bool m_fOpenFailed = false;
    frmUsbHid *m_form = nullptr;
    HidDeviceInfo m_attributes;
    HidCapabilities m_caps;
};

// The one way to see a lost link: taken when work with the meter begins, it
// tells a loss since then even when the meter was found again meanwhile (a
// tick under the link's own message box).
class LinkWatch
{
public:
    explicit LinkWatch(const clsUsbHid *link) : m_link(link), m_losses(link ? link->LinkLosses() : 0) {}
    // The link went down since the watch began (it may be up again by now).
    bool WentDown() const { return m_link && m_link->LinkLosses() != m_losses; }
    // No meter to work with now, or the link went down meanwhile: the user
    // has been told by the link itself.
    bool Lost() const { return !m_link || !m_link->fDeviceConnected() || WentDown(); }
    // How work that failed ends: the lost link, or replies that would not do.
    OpStatus Failure() const { return Lost() ? OpStatus::LinkLost : OpStatus::BadReply; }

private:
    const clsUsbHid *m_link;
    quint32 m_losses;
};

// The link of the current session, for the windows (null when none is current).
extern clsUsbHid *gUsbHid;
