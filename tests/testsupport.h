#pragma once

// Shared set-up of every test executable: the offscreen platform (unless the
// caller chose another) and a fixed DPI, so rendering tests give the same
// pixels on every machine.

#include <QCoreApplication>
#include <QtTest>
// Tests of veskor_core link no widget module and so have no QApplication.
#ifdef QT_WIDGETS_LIB
#include <QApplication>
#endif

namespace veskor::test {

inline void prepareEnvironment()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_FONT_DPI", "96");
    qunsetenv("QT_SCALE_FACTOR");
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
}

} // namespace veskor::test

#define VESKOR_GUI_TEST_MAIN(TestObject)                                                           \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        veskor::test::prepareEnvironment();                                                        \
        QApplication app(argc, argv);                                                              \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }

#define VESKOR_CORE_TEST_MAIN(TestObject)                                                          \
    int main(int argc, char** argv)                                                                \
    {                                                                                              \
        QCoreApplication app(argc, argv);                                                          \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
