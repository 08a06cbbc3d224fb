#pragma once

#include "support/Printers.h"
#include "support/TestSettings.h"

#include <QTest>

// The shared main of the test executables: the offscreen platform unless a test run chose
// another, a fixed font DPI so that pixel tests see the same sizes everywhere, and a
// throwaway settings store so that no test ever touches the user's settings.
#define KALVANE_TEST_MAIN_IMPL(TestObject, ApplicationType)                                        \
    int main(int argc, char** argv) {                                                              \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                        \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                               \
        qputenv("QT_FONT_DPI", "96");                                                              \
        qputenv("QT_SCALE_FACTOR", "1");                                                           \
        ApplicationType app(argc, argv);                                                           \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestSettings::installThrowawayStore();                                                     \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

// For tests that need no GUI classes.
#define KALVANE_TEST_MAIN_CORE(TestObject)                                                         \
    int main(int argc, char** argv) {                                                              \
        QCoreApplication app(argc, argv);                                                          \
        TestSettings::installThrowawayStore();                                                     \
        TestObject test;                                                                           \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#define KALVANE_TEST_MAIN_GUI(TestObject) KALVANE_TEST_MAIN_IMPL(TestObject, QApplication)
