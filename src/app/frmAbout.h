// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// Help > About: the program's title, version and description.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    static QString LegalNotice();

private:
    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QFrame *Line1 = nullptr;
    QPushButton *cmdOk = nullptr;
};
