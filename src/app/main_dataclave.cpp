// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry: the windows on a real meter, or with DATACLAVE_DEMO
// on the demo meter (`dataclave-demo [SCENARIO-FILE]`).
#include "app/clsApp.h"
#include "app/frmMain.h"
#include "app/clsSession.h"
#include "app/globals.h"
#include "app/modListWindowsGui.h"
#include "common/modEvents.h"
#include "app/modMsgBoxGui.h"
#include "sim/DemoMeter.h"
#include "storage/modWindowState.h"
#include "usb/HidApiPlatform.h"

#include "common/modFileName.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>

int main(int argc, char *argv[])
{
    RememberNativeArguments(argc, argv);
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dataclave"));
    QCoreApplication::setOrganizationName(QStringLiteral("dataclave"));
    InstallGuiMsgBox();

#ifdef DATACLAVE_DEMO
    DemoHidPlatform demo;
    {
        std::unique_ptr<DemoMeter> meter;
        const QStringList args = QCoreApplication::arguments();
        if (args.size() > 1) {
            QString error;
            meter = DemoMeter::FromScenarioFile(args.at(1), &error);
            if (!meter) {
                std::fprintf(stderr, "dataclave-demo: %s\n", qPrintable(error));
                return 2;
            }
        } else {
            meter = DemoMeter::BuiltIn();
        }
        demo.AddMeter(std::move(meter));
    }
    SetHidPlatform(&demo);
#else
    std::unique_ptr<HidPlatform> hid = CreateHidApiPlatform();
    SetHidPlatform(hid.get());
#endif

    int rc = 0;
    {
        clsSession session;
        session.MakeCurrent();
        RegisterListWindows();
        frmMain w; // loads the window without showing it
        gApp->setMainForm(&w);
        gApp->setIcon(QVariant::fromValue(w.windowIcon()));
        QApplication::setWindowIcon(w.windowIcon());
        RestoreWindowState();
        DoEvents();
        w.show();
        rc = app.exec();
        gApp->setMainForm(nullptr);
    }
    SetHidPlatform(nullptr);
    return rc;
}
