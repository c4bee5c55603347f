// A QtTest main that runs under the program's own application object, so the general error
// handler is in place exactly as in the program.
#pragma once

#include "application.h"

#include <QTest>

#define VRX_TEST_MAIN(TestObject)                                                                  \
    int main(int argc, char** argv) {                                                              \
        vrx::Application app(argc, argv);                                                          \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
