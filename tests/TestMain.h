// Test entry: the suites run inside the program's own application object (so failures that
// escape a handler end in the failure report, as in the program), on the offscreen platform.
#pragma once

#include "Application.h"

#include <QtTest>

#define ORV_TEST_MAIN(TestObject)                                                                  \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        qputenv("QT_QPA_PLATFORM", "offscreen");                                                   \
        QApplication::setAttribute(Qt::AA_Use96Dpi);                                               \
        orv::TApplication app(argc, argv);                                                         \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
