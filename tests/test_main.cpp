#include <gtest/gtest.h>

#include <QStandardPaths>

#ifdef VELMO_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The user's own folders (settings, data) are the test's private ones,
    // never the real user's.
    QStandardPaths::setTestModeEnabled(true);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
