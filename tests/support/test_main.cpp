// SPDX-License-Identifier: GPL-3.0-or-later
#ifdef DATACLAVE_TEST_WIDGETS
#include "TestSupport.h"
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
#ifdef DATACLAVE_TEST_WIDGETS
    // CTest asks for the offscreen platform; DATACLAVE_TEST_QPA (e.g. xcb
    // on a real X server) overrides it.
    if (!qEnvironmentVariableIsEmpty("DATACLAVE_TEST_QPA"))
        qputenv("QT_QPA_PLATFORM", qgetenv("DATACLAVE_TEST_QPA"));
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallModalBoxes();
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("dataclave-tests"));
    QCoreApplication::setOrganizationName(QStringLiteral("dataclave-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
