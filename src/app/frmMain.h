#pragma once
#include <QMainWindow>

// The main window.
class frmMain : public QMainWindow
{
    Q_OBJECT
public:
    frmMain();

    // Reads every record of one store into a CSV file and/or its list window.
    void GetAllData(qint32 DataType, bool &fSaveToFile, bool &fFillInForm);

private slots:
    void mUsbHid_Connect();
    void mUsbHid_Disconnect();
};
