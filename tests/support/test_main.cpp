// SPDX-License-Identifier: GPL-3.0-or-later
#ifdef DATACLAVE_TEST_WIDGETS
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
#ifdef DATACLAVE_TEST_WIDGETS
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    QCoreApplication::setApplicationName(QStringLiteral("dataclave-tests"));
    QCoreApplication::setOrganizationName(QStringLiteral("dataclave-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
