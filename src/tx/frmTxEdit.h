// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QHash>
#include <QPointer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QVBoxLayout;
class QToolButton;
class clsCoordinate;
struct TxFieldCheck;

// An up-down control: two small arrow buttons stepping a value through
// minimum..maximum, wrapping around at either end when asked to.
class clsUpDown : public QWidget
{
    Q_OBJECT
public:
    explicit clsUpDown(QWidget *parent = nullptr);

    int value() const { return m_value; }
    void setvalue(int wValue);
    void setRange(int wMin, int wMax);
    void setWrap(bool fWrap) { m_fWrap = fWrap; }
    bool Wrap() const { return m_fWrap; }
    int Min() const { return m_min; }
    int Max() const { return m_max; }

signals:
    // The user stepped the value (not raised by setvalue).
    void Change();

private:
    void Step(int delta);

    QToolButton *cmdUp = nullptr;   // named "cmdUp" for the tests
    QToolButton *cmdDown = nullptr; // "cmdDown"

    int m_value = 0, m_min = 0, m_max = 1;
    bool m_fWrap = false;
};

// "Tx Record" / "Add a New Tx": edits the current Tx (gTx). Sends nothing;
// the caller decides from gTx's dirty state whether there is a change.
class frmTxEdit : public QDialog
{
    Q_OBJECT
public:
    explicit frmTxEdit(QWidget *parent = nullptr);
    ~frmTxEdit() override;

    void TxToForm();
    void FormToTx();

    // Checks box Index of a coordinate row and applies it to the
    // coordinate; true when the focus must stay in the box. The message is
    // shown once the focus change that ran the check is over.
    bool ValidateDMS(clsCoordinate &co, int Index, QLineEdit *box, clsUpDown *upd);

    // Closed by the disconnect timer: whatever it holds must not be sent.
    bool fClosedByDisconnect() const { return m_fClosedByDisconnect; }
    // Closes at once, as the disconnect timer does.
    void CloseByDisconnect();

public slots:
    void cmdButton_Click(int Index);
    void timDisconnect_Timer();
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Controls; the tests find the boxes, lists and up-downs by these names,
    // the buttons as "cmdButton_0" and "cmdButton_1".
    QLabel *lblCallSite = nullptr;
    QLabel *lblFreq = nullptr;
    QLabel *lblLatitude = nullptr;
    QLabel *lblLongitude = nullptr;
    QLabel *lblVariation = nullptr;
    QLabel *lblModulation = nullptr;
    QLineEdit *txtCallSite = nullptr;
    QLineEdit *txtFreq = nullptr;
    // Boxes 0 degrees, 1 minutes, 2 seconds, 3 hemisphere; the variation has no box 2.
    QLineEdit *txtLatitude[4] = {};
    QLineEdit *txtLongitude[4] = {};
    QLineEdit *txtVariation[4] = {};
    clsUpDown *updLatitude = nullptr;
    clsUpDown *updLongitude = nullptr;
    clsUpDown *updVariation = nullptr;
    QComboBox *cboModulation = nullptr;
    QPushButton *cmdButton[2] = {}; // 0 "Save", 1 "Cancel"
    QTimer *timDisconnect = nullptr;

    // The constructor's steps.
    void CreateWidgets();
    QVBoxLayout *LayOut();
    void SetTabOrder();
    void ConnectSignals();
    void Load(QVBoxLayout *top);

    struct Row
    {
        clsCoordinate *co;
        QLineEdit **boxes;
        clsUpDown *upd;
    };
    // The three coordinate rows of the current Tx.
    QList<Row> Rows();
    Row RowOf(const QWidget *box, int *index);
    bool IsField(const QWidget *w) const;
    // The check of a field the focus leaves; true when the text passed.
    bool CheckField(QLineEdit *field);
    // Typed into since its text last passed (or was loaded), or failed last.
    bool Unchecked(QLineEdit *field) const;
    void MarkChecked(QLineEdit *field);
    void FocusChanged(QWidget *old, QWidget *now);
    void ShowFailure();
    void Fail(QLineEdit *field, const TxFieldCheck &found);
    void upd_Change(const Row &row);
    void ShowHemisphere(const Row &row);

    QList<QLineEdit *> m_fields;
    QHash<QLineEdit *, QString> m_checkedText; // each field's text when it last passed
    QPointer<QLineEdit> m_failedField; // the field whose check failed last, until it passes
    QPointer<QLineEdit> m_lastField;   // the field of this dialog that had the focus last
    QString m_failMessage, m_failTitle;
    bool m_fFailureQueued = false;
    bool m_fInCheck = false; // a check or its message is running: focus changes are ours
    bool m_fClosing = false;
    bool m_fClosedByDisconnect = false;
    bool m_fShown = false;
};
