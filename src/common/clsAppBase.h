// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>
#include <QVariant>

// The part of the application object every layer may read: names, the debug
// switch, the main window (owner of dialogs) and the window icon. clsApp
// derives from it; the layers below the application reach it as gAppBase.
class clsAppBase : public QObject
{
    Q_OBJECT
public:
    clsAppBase();
    ~clsAppBase() override;

    static QString AppTitle(); // "ZT6200 Dataclave"
    static QString VersionText(); // "1.2.5"

    QObject *MainForm = nullptr; // the main window (its windowTitle is the caption)
    bool fDebug = false;
    QVariant Icon; // a QIcon, set by the windows
};

// The application object while one exists (the same object as gApp), else null.
extern clsAppBase *gAppBase;
