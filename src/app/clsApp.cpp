// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/clsApp.h"
#include "app/globals.h"
#include "storage/clsFile.h"
#include "usb/clsUsbHid.h"

clsApp::clsApp()
{
    szAppName = AppTitle();
    m_file = std::make_unique<clsFile>();
}

clsApp::~clsApp() = default;

void clsApp::Caption()
{
    const bool connected = gUsbHid && gUsbHid->fDeviceConnected();
    m_szCaption = szAppName + (connected ? QStringLiteral(" - ZT 6200 Connected") : QStringLiteral(" - ZT 6200 Not Connected"));
    if (MainForm())
        MainForm()->setProperty("windowTitle", m_szCaption);
    emit CaptionChanged(m_szCaption);
}
