// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmAbout.h"
#include "app/clsApp.h"
#include "app/globals.h"
#include "common/modWin.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QString frmAbout::LegalNotice()
{
    // The year the build was configured (from SOURCE_DATE_EPOCH when a
    // package is built reproducibly).
    return QStringLiteral("Copyright \u00A9 " DATACLAVE_BUILD_YEAR " the ZT6200 Dataclave developers. "
                          "This program is free software under the GNU General Public License, "
                          "version 3 or later (GPL-3.0-or-later), and comes without warranty of any kind.");
}

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);

    picIcon = new QLabel(this);
    lblTitle = new QLabel(QStringLiteral("Application Title"), this);
    lblVersion = new QLabel(QStringLiteral("Version"), this);
    lblDescription = new QLabel(QStringLiteral("App Description"), this);
    lblDisclaimer = new QLabel(this);
    Line1 = new QFrame(this);
    cmdOk = new QPushButton(QStringLiteral("OK"), this);

    QFont titleFont = lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblDescription->setWordWrap(true);
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setText(QStringLiteral(
        "Warning: deleting or changing entries in the ZT 6200 cannot be undone. "
        "Download the meter's data to a file before you change it."));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    cmdOk->setDefault(true);
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(8);
    text->addWidget(lblDescription);
    auto *top = new QHBoxLayout;
    top->addWidget(picIcon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblDisclaimer, 1);
    bottom->addSpacing(12);
    bottom->addWidget(cmdOk, 0, Qt::AlignBottom);
    auto *all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addSpacing(6);
    all->addWidget(Line1);
    all->addLayout(bottom);
    all->setSizeConstraint(QLayout::SetFixedSize);
    lblDescription->setMinimumWidth(TwipsToPixels(4200));
    lblDisclaimer->setMinimumWidth(TwipsToPixels(4200));

    // Load.
    const QString title = clsApp::AppTitle();
    setWindowTitle(QStringLiteral("About ") + title);
    if (gApp && gApp->Icon().canConvert<QIcon>()) {
        const QIcon icon = gApp->Icon().value<QIcon>();
        setWindowIcon(icon);
        picIcon->setPixmap(icon.pixmap(48, 48));
    }
    lblVersion->setText(QStringLiteral("Version ") + clsApp::VersionText());
    lblTitle->setText(title + QLatin1Char(' ') + QChar(0xA9));
    lblDescription->setText(QStringLiteral("Data Capture\n\n") + LegalNotice());

    adjustSize();
    if (parent)
        CenterForm(*this, *parent->window());
}
