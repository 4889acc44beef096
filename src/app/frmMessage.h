// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

// The download's progress window: a label, a bar, "OK" and, while records
// are being read, "Cancel". It cannot be closed while "OK" is disabled.
class frmMessage : public QDialog
{
    Q_OBJECT
public:
    // Centres itself over `over` (the window active when it loads).
    explicit frmMessage(QWidget *parent = nullptr, QWidget *over = nullptr);

    // Reading starts: "Cancel" shown, "OK" disabled, the bar at 0 of maximum.
    void StartReading(int maximum);
    // The bar at value, with the text under way.
    void ShowStep(int value, const QString &text);
    int StepMaximum() const;
    void FillBar();
    // The last text, and "OK" in place of "Cancel", then ShowEnded.
    void ShowResult(const QString &text);

    // Reading has ended ("OK" enabled): brings the window to the front with
    // "OK" focused, now and each time the user comes back to it or to the
    // (still disabled) window it belongs to.
    void ShowEnded();

signals:
    // "Cancel" was pressed (or Escape while reading).
    void Cancel();

public slots:
    void reject() override;

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls, each named as its member for the tests.
    QLabel *lblMessage = nullptr;
    QProgressBar *pbarBar = nullptr;
    QPushButton *cmdOk = nullptr;
    QPushButton *cmdCancel = nullptr; // hidden until the download offers it

    void FrontWithOk();
    bool m_fEnded = false;
};
