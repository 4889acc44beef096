// SPDX-License-Identifier: GPL-3.0-or-later
#include "tx/frmTxEdit.h"
#include "common/clsAppBase.h"
#include "common/modConvert.h"
#include "common/modMsgBox.h"
#include "common/modWin.h"
#include "records/clsFsm.h"
#include "tx/clsTx.h"
#include "tx/modTxChecks.h"
#include "tx/modTxOps.h"
#include "usb/clsUsbHid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

// ---- clsUpDown ----

clsUpDown::clsUpDown(QWidget *parent) : QWidget(parent)
{
    cmdUp = new QToolButton(this);
    cmdDown = new QToolButton(this);
    cmdUp->setObjectName(QStringLiteral("cmdUp"));
    cmdDown->setObjectName(QStringLiteral("cmdDown"));
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    for (QToolButton *b : {cmdUp, cmdDown}) {
        // Clicking the arrows must not take the focus from a box being edited.
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        b->setFixedWidth(16);
        box->addWidget(b);
    }
    cmdUp->setArrowType(Qt::UpArrow);
    cmdDown->setArrowType(Qt::DownArrow);
    connect(cmdUp, &QToolButton::clicked, this, [this] { Step(1); });
    connect(cmdDown, &QToolButton::clicked, this, [this] { Step(-1); });
}

void clsUpDown::setvalue(int wValue) { m_value = qBound(m_min, wValue, m_max); }

void clsUpDown::setRange(int wMin, int wMax)
{
    m_min = qMin(wMin, wMax);
    m_max = qMax(wMin, wMax);
    setvalue(m_value);
}

void clsUpDown::Step(int delta)
{
    int v = m_value + delta;
    if (v > m_max)
        v = m_fWrap ? m_min : m_max;
    else if (v < m_min)
        v = m_fWrap ? m_max : m_min;
    if (v == m_value)
        return;
    m_value = v;
    emit Change();
}

// ---- frmTxEdit ----

namespace {

// Width of a box that holds `sample`.
int BoxWidth(const QLineEdit *box, const QString &sample)
{
    return box->fontMetrics().horizontalAdvance(sample) + 16;
}

} // namespace

frmTxEdit::frmTxEdit(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmTxEdit"));
    setWindowTitle(QStringLiteral("Tx Record"));
    CreateWidgets();
    QVBoxLayout *top = LayOut();
    SetTabOrder();
    ConnectSignals();
    Load(top);
}

void frmTxEdit::CreateWidgets()
{
    auto label = [this](const QString &text) {
        auto *l = new QLabel(text, this);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    auto field = [this](const QString &name, const QString &tip) {
        auto *t = new QLineEdit(this);
        t->setObjectName(name);
        t->setToolTip(tip);
        m_fields << t;
        return t;
    };

    lblCallSite = label(QStringLiteral("Call-Site"));
    lblFreq = label(QStringLiteral("Frequency (kHz)"));
    lblLatitude = label(QStringLiteral("Latitude (DMS)"));
    lblLongitude = label(QStringLiteral("Longitude (DMS)"));
    lblVariation = label(QStringLiteral("Variation (DM)"));
    lblModulation = label(QStringLiteral("Modulation"));

    txtCallSite = field(QStringLiteral("txtCallSite"), QStringLiteral("Maximum of 8 letters, numbers, space, _ ,or \u2013"));
    txtFreq = field(QStringLiteral("txtFreq"), QStringLiteral("Frequency in kHz"));
    const QString latTip = QStringLiteral("Latitude in degrees, minutes, seconds, and tenths of seconds");
    const QString lonTip = QStringLiteral("Longitude in degrees, minutes, seconds, and tenths of seconds");
    const QString varTip = QStringLiteral("Variation in degrees and minutes");
    // Created row by row: this is also the tab order.
    for (int i = 0; i < 4; ++i)
        txtLatitude[i] = field(QStringLiteral("txtLatitude") + QString::number(i), latTip);
    for (int i = 0; i < 4; ++i)
        txtLongitude[i] = field(QStringLiteral("txtLongitude") + QString::number(i), lonTip);
    for (int i : {0, 1, 3})
        txtVariation[i] = field(QStringLiteral("txtVariation") + QString::number(i), varTip);
    updLatitude = new clsUpDown(this);
    updLongitude = new clsUpDown(this);
    updVariation = new clsUpDown(this);
    updLatitude->setObjectName(QStringLiteral("updLatitude"));
    updLongitude->setObjectName(QStringLiteral("updLongitude"));
    updVariation->setObjectName(QStringLiteral("updVariation"));
    updLatitude->setToolTip(latTip);
    updLongitude->setToolTip(lonTip);
    updVariation->setToolTip(varTip);

    cboModulation = new QComboBox(this);
    cboModulation->setObjectName(QStringLiteral("cboModulation"));
    cboModulation->setToolTip(QStringLiteral("Modulation selection"));

    cmdButton[0] = new QPushButton(QStringLiteral("Save"), this);
    cmdButton[1] = new QPushButton(QStringLiteral("Cancel"), this);
    for (int i = 0; i < 2; ++i) {
        cmdButton[i]->setObjectName(QStringLiteral("cmdButton_%1").arg(i));
        cmdButton[i]->setAutoDefault(false); // Enter moves on; it never presses a button
        connect(cmdButton[i], &QPushButton::clicked, this, [this, i] { cmdButton_Click(i); });
    }
}

QVBoxLayout *frmTxEdit::LayOut()
{

    // Layout: label, degrees, minutes, seconds, hemisphere, up-down.
    const int wDeg = BoxWidth(txtCallSite, QStringLiteral("000")), wMin = BoxWidth(txtCallSite, QStringLiteral("00")),
              wSec = BoxWidth(txtCallSite, QStringLiteral("00.0")), wHem = BoxWidth(txtCallSite, QStringLiteral("W"));
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(6);
    grid->addWidget(lblCallSite, 0, 0);
    grid->addWidget(txtCallSite, 0, 1, 1, 3);
    grid->addWidget(lblFreq, 1, 0);
    grid->addWidget(txtFreq, 1, 1, 1, 2);
    const struct { QLabel *lbl; QLineEdit **boxes; clsUpDown *upd; } rows[] = {
        {lblLatitude, txtLatitude, updLatitude},
        {lblLongitude, txtLongitude, updLongitude},
        {lblVariation, txtVariation, updVariation},
    };
    for (int r = 0; r < 3; ++r) {
        grid->addWidget(rows[r].lbl, 2 + r, 0);
        const int widths[] = {wDeg, wMin, wSec, wHem};
        for (int i = 0; i < 4; ++i) {
            if (QLineEdit *b = rows[r].boxes[i]) {
                b->setFixedWidth(widths[i]);
                b->setAlignment(i == 3 ? Qt::AlignHCenter : Qt::AlignRight);
                grid->addWidget(b, 2 + r, 1 + i);
            }
        }
        rows[r].upd->setFixedHeight(txtCallSite->sizeHint().height());
        grid->addWidget(rows[r].upd, 2 + r, 5, Qt::AlignLeft);
    }
    txtFreq->setAlignment(Qt::AlignRight);
    grid->addWidget(lblModulation, 5, 0);
    grid->addWidget(cboModulation, 5, 1, 1, 3);
    grid->setColumnMinimumWidth(0, lblLongitude->sizeHint().width() + 12);
    grid->setColumnStretch(6, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdButton[0]);
    buttons->addWidget(cmdButton[1]);

    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(12, 10, 12, 10);
    top->setSpacing(8);
    top->addLayout(grid);
    top->addStretch(1);
    top->addLayout(buttons);
    return top;
}

void frmTxEdit::SetTabOrder()
{
    // Tab order follows the rows, then the list and the buttons.
    QList<QWidget *> order;
    for (QLineEdit *t : std::as_const(m_fields))
        order << t;
    order << cboModulation << cmdButton[0] << cmdButton[1];
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    for (QWidget *w : std::as_const(order))
        w->installEventFilter(this);
}

void frmTxEdit::ConnectSignals()
{
    for (const Row &row : Rows()) {
        row.upd->setRange(0, 1);
        row.upd->setWrap(true);
        connect(row.upd, &clsUpDown::Change, this, [this, row] { upd_Change(row); });
    }
    connect(qApp, &QApplication::focusChanged, this, &frmTxEdit::FocusChanged);

    timDisconnect = new QTimer(this);
    timDisconnect->setInterval(500);
    connect(timDisconnect, &QTimer::timeout, this, &frmTxEdit::timDisconnect_Timer);
}

void frmTxEdit::Load(QVBoxLayout *top)
{
    if (gAppBase && gAppBase->Icon().canConvert<QIcon>())
        setWindowIcon(gAppBase->Icon().value<QIcon>());
    if (gTx)
        gTx->setfDirty(false); // "changed" means changed from here on
    cboModulation->addItems(TxModulations());
    timDisconnect->start();

    const bool modulation = gFsm && gFsm->Version()->Profile().fModulation;
    lblModulation->setVisible(modulation);
    cboModulation->setVisible(modulation);
    top->activate();
    int height = sizeHint().height();
    if (!modulation)
        height = qMax(minimumSizeHint().height(), int(TwipsToPixels(3200, 1)));
    setFixedSize(sizeHint().width(), height);
    if (auto *main = gAppBase ? qobject_cast<QWidget *>(gAppBase->MainForm()) : nullptr)
        CenterForm(*this, *main);
}

frmTxEdit::~frmTxEdit()
{
    // Our fields lose the focus while QWidget's destructor deletes them; by
    // then this is no longer a frmTxEdit and must not hear of it.
    disconnect(qApp, &QApplication::focusChanged, this, &frmTxEdit::FocusChanged);
}

bool frmTxEdit::IsField(const QWidget *w) const
{
    return w && std::any_of(m_fields.cbegin(), m_fields.cend(), [w](const QLineEdit *t) { return t == w; });
}

QList<frmTxEdit::Row> frmTxEdit::Rows()
{
    if (!gTx)
        return {};
    return {Row{&gTx->Latitude(), txtLatitude, updLatitude}, Row{&gTx->Longitude(), txtLongitude, updLongitude},
            Row{&gTx->Variation(), txtVariation, updVariation}};
}

frmTxEdit::Row frmTxEdit::RowOf(const QWidget *box, int *index)
{
    for (const Row &r : Rows()) {
        for (int i = 0; i < 4; ++i) {
            if (box && r.boxes[i] == box) {
                *index = i;
                return r;
            }
        }
    }
    *index = -1;
    return Row{nullptr, nullptr, nullptr};
}

void frmTxEdit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Filled once, when the dialog first shows: returning from a message
    // box must not throw away what the user has typed.
    if (!m_fShown) {
        m_fShown = true;
        // The buttons show which one has the focus from the start: this
        // dialog is worked from the keyboard (Enter moves on, as Tab).
        setAttribute(Qt::WA_KeyboardFocusChange);
        TxToForm();
        txtCallSite->setFocus();
        txtCallSite->selectAll();
    }
}

void frmTxEdit::TxToForm()
{
    if (!gTx)
        return;
    txtCallSite->setText(gTx->szCallSign());
    txtFreq->setText(IntText(gTx->wFrequency()));
    cboModulation->setCurrentIndex(0);
    const int m = cboModulation->findText(gTx->szModulation(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (m >= 0)
        cboModulation->setCurrentIndex(m);
    for (const Row &row : Rows()) {
        row.boxes[0]->setText(IntText(row.co->Degrees()));
        row.boxes[1]->setText(IntText(row.co->Minutes()));
        if (row.boxes[2])
            row.boxes[2]->setText(row.co->szSeconds(2));
        row.boxes[3]->setText(row.co->szHemisphere());
        row.upd->setRange(0, 1);
        row.upd->setWrap(true);
        row.upd->setvalue(row.co->Hemisphere());
    }
    // What the entry holds counts as checked; Save checks only what was typed since.
    for (QLineEdit *field : std::as_const(m_fields))
        MarkChecked(field);
}

void frmTxEdit::FormToTx()
{
    if (!gTx)
        return;
    // A box left without its check (Cancel) may hold text that is not a
    // number: that member keeps what it held.
    gTx->setszCallSign(txtCallSite->text());
    qint16 w = 0;
    if (ToInt16(txtFreq->text(), &w, NumberForm::Typed))
        gTx->setwFrequency(w);
    gTx->setszModulation(cboModulation->currentText());
    for (const Row &row : Rows()) {
        if (ToInt16(row.boxes[0]->text(), &w, NumberForm::Typed))
            row.co->setDegrees(w);
        if (ToInt16(row.boxes[1]->text(), &w, NumberForm::Typed))
            row.co->setMinutes(w);
        double d = 0;
        if (row.boxes[2] && ToDouble(row.boxes[2]->text(), &d, NumberForm::Typed))
            row.co->setSeconds(float(d));
        row.co->setHemisphere(row.upd->value());
    }
}

bool frmTxEdit::ValidateDMS(clsCoordinate &co, int Index, QLineEdit *box, clsUpDown *upd)
{
    QString text = box->text();
    qint32 hemisphere = upd->value();
    const TxFieldCheck found = ::ValidateDMS(co, Index, text, &hemisphere);
    box->setText(text);
    if (!found.ok()) {
        Fail(box, found);
        return true;
    }
    if (Index == 3)
        upd->setvalue(hemisphere);
    // The up-down holds the hemisphere the user chose, even while a zero
    // angle shows the zero hemisphere; it applies as soon as the angle is not zero.
    co.setHemisphere(upd->value());
    return false;
}

bool frmTxEdit::CheckField(QLineEdit *field)
{
    if (!gTx || !field)
        return true;
    QString text = field->text();
    bool failed = false;
    if (field == txtCallSite || field == txtFreq) {
        const bool call = field == txtCallSite;
        const TxFieldCheck found = call ? CheckCallSign(text) : CheckFrequency(text);
        field->setText(text);
        if (!found.ok()) {
            Fail(field, found);
            failed = true;
        }
    } else {
        int index = -1;
        const Row row = RowOf(field, &index);
        if (!row.co)
            return true;
        failed = ValidateDMS(*row.co, index, field, row.upd);
        if (!failed)
            ShowHemisphere(row);
    }
    if (!failed)
        MarkChecked(field);
    return !failed;
}

bool frmTxEdit::Unchecked(QLineEdit *field) const
{
    return field == m_failedField || !m_checkedText.contains(field) || m_checkedText.value(field) != field->text();
}

void frmTxEdit::MarkChecked(QLineEdit *field)
{
    m_checkedText.insert(field, field->text());
    if (m_failedField == field)
        m_failedField = nullptr;
}

void frmTxEdit::Fail(QLineEdit *field, const TxFieldCheck &found)
{
    const TxMessage said = TxFieldCheckMessage(found);
    m_failedField = field;
    m_failMessage = said.szMessage;
    m_failTitle = said.szTitle;
    // Shown once the focus change is over: a message box opened in the
    // middle of a mouse press on a button would leave the button half-pressed.
    if (!m_fFailureQueued) {
        m_fFailureQueued = true;
        QTimer::singleShot(0, this, &frmTxEdit::ShowFailure);
    }
}

void frmTxEdit::ShowFailure()
{
    m_fFailureQueued = false;
    QLineEdit *field = m_failedField;
    if (!field || m_fClosing || !isVisible())
        return;
    // Focus moving back to the field, into the message box and back again
    // is ours: none of it runs a check.
    m_fInCheck = true;
    field->setFocus(Qt::OtherFocusReason);
    const QPointer<frmTxEdit> self(this);
    MsgBox(m_failMessage, vb::Exclamation, m_failTitle);
    if (!self)
        return;
    m_fInCheck = false;
    if (m_fClosing)
        return;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void frmTxEdit::FocusChanged(QWidget *old, QWidget *now)
{
    // Only a move to another control of this dialog leaves a field; another
    // window taking the focus (a message box, another program) does not.
    // Back from another window, the focus may come straight to another
    // control: that leaves the field that had it before.
    const bool inside = now && now->window() == this;
    QLineEdit *left = IsField(old) ? static_cast<QLineEdit *>(old) : nullptr;
    if (!old && inside)
        left = m_lastField;
    if (inside)
        m_lastField = IsField(now) ? static_cast<QLineEdit *>(now) : nullptr;
    if (m_fInCheck || m_fClosing || !isVisible() || !left || !inside || now == left)
        return;
    if (now == cmdButton[1])
        return; // "Cancel" must be reachable whatever a box holds
    m_fInCheck = true;
    CheckField(left);
    m_fInCheck = false;
}

void frmTxEdit::ShowHemisphere(const Row &row)
{
    // A letter of our own: it passes the box's check.
    row.boxes[3]->setText(row.co->szHemisphere());
    MarkChecked(row.boxes[3]);
}

void frmTxEdit::upd_Change(const Row &row)
{
    if (!row.co || m_fClosing)
        return;
    row.co->setHemisphere(row.upd->value());
    ShowHemisphere(row);
}

void frmTxEdit::cmdButton_Click(int Index)
{
    if (m_fClosing || m_fInCheck)
        return;
    const QPointer<frmTxEdit> self(this);
    if (Index == 0) {
        // The focus change that led here may have found a bad field: its
        // message follows.
        if (m_fFailureQueued)
            return;
        // Every field typed into since it last passed is checked again:
        // "Cancel" and the close box skip the check of the field they take
        // the focus from, and "No" keeps that text in the dialog.
        for (QLineEdit *field : std::as_const(m_fields))
            if (Unchecked(field) && !CheckField(field))
                return; // its message follows
        FormToTx();
        // A line that cannot go to the meter keeps the dialog open with
        // what the user typed, to shorten the call sign.
        TxResult tooLong;
        tooLong.status = OpStatus::TooLong;
        tooLong.length = gTx ? TxLineTooLong(*gTx, gFsm ? gFsm->TxFields() : qint16(7)) : 0;
        if (tooLong.length > 0) {
            m_fInCheck = true;
            const TxMessage said = TxResultMessage(tooLong); // "Tx Line Too Long"
            MsgBox(said.szMessage, vb::Exclamation, said.szTitle);
            if (!self)
                return;
            m_fInCheck = false;
            if (!m_fClosing) {
                txtCallSite->setFocus(Qt::OtherFocusReason);
                txtCallSite->selectAll();
            }
            return;
        }
        done(Accepted);
        return;
    }
    FormToTx();
    if (gTx && gTx->fDirty()) {
        const int answer = MsgBox(QStringLiteral("The Tx information has changed.\r\nAre you sure you want to lose these changes?"),
                                  vb::YesNo | vb::DefaultButton2, QStringLiteral("Tx Has Changed"));
        if (!self || m_fClosing || answer != vb::Yes)
            return;
        gTx->setfDirty(false);
    }
    done(Rejected);
}

void frmTxEdit::timDisconnect_Timer()
{
    if (!gUsbHid || !gUsbHid->fDeviceConnected())
        CloseByDisconnect();
}

void frmTxEdit::CloseByDisconnect()
{
    m_fClosedByDisconnect = true;
    if (isVisible())
        done(Rejected);
    m_fClosing = true;
    timDisconnect->stop();
}

void frmTxEdit::done(int result)
{
    m_fClosing = true; // from here on no check runs and no message shows
    timDisconnect->stop();
    QDialog::done(result);
}

void frmTxEdit::closeEvent(QCloseEvent *event)
{
    if (m_fClosing) {
        QDialog::closeEvent(event);
        return;
    }
    // The close box discards like "Cancel": nothing half-edited is sent.
    event->ignore();
    cmdButton_Click(1);
}

void frmTxEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdButton_Click(1);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmTxEdit::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto *e = static_cast<QKeyEvent *>(event);
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            // As Tab, focus mark included; the key itself goes nowhere.
            setAttribute(Qt::WA_KeyboardFocusChange);
            focusNextChild();
            return true;
        }
        break;
    }
    case QEvent::FocusIn:
        if (auto *t = qobject_cast<QLineEdit *>(watched)) {
            // After the click that brought the focus has placed the caret.
            QTimer::singleShot(0, t, [t] {
                if (t->hasFocus())
                    t->selectAll();
            });
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
