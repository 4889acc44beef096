#pragma once
#include <QMainWindow>

// The main window.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    frmMain();

private slots:
    void mUsbHid_Connect();
    void mUsbHid_Disconnect();
};
