// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/clsAppBase.h"

clsAppBase *gAppBase = nullptr;

clsAppBase::clsAppBase()
{
    if (!gAppBase) // a second one waits until its session is made current
        gAppBase = this;
}

clsAppBase::~clsAppBase()
{
    if (gAppBase == this)
        gAppBase = nullptr;
}

QString clsAppBase::AppTitle() { return QStringLiteral("ZT6200 Dataclave"); }

QString clsAppBase::VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(DATACLAVE_VERSION_MAJOR).arg(DATACLAVE_VERSION_MINOR).arg(DATACLAVE_VERSION_PATCH);
}
