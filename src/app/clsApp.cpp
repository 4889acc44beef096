// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clsApp.h"
#include "app/globals.h"
#include "storage/clsFile.h"
#include "usb/clsUsbHid.h"

#include <QCoreApplication>

clsApp::clsApp()
{
    szAppName = AppTitle();
    szAppFilePath = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    szDataFilePath = szAppFilePath + QStringLiteral("/Data/");
    File = new clsFile;
}

clsApp::~clsApp() { delete File; }

void clsApp::Caption()
{
    szWorkingName = szAppName;
    const bool connected = gUsbHid && gUsbHid->fDeviceConnected();
    m_szCaption = szAppName + (connected ? QStringLiteral(" - ZT 6200 Connected") : QStringLiteral(" - ZT 6200 Not Connected"));
    if (MainForm)
        MainForm->setProperty("windowTitle", m_szCaption);
    emit CaptionChanged(m_szCaption);
}
