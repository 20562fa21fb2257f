// main() of the widget tests: the window's fonts and style, then the tests.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "ui/fonts.h"
#include "ui/form_style.h"

// The runner moves replaced files to the desktop trash: the tests get a
// scratch one, never the user's.
#define CORVANE_UI_TEST_MAIN(TestClass)                                    \
    int main(int argc, char* argv[]) {                                     \
        QTemporaryDir scratchHome;                                         \
        qputenv("HOME", scratchHome.path().toUtf8());                      \
        qputenv("XDG_DATA_HOME", (scratchHome.path() + "/data").toUtf8()); \
        QApplication app(argc, argv);                                      \
        corvane::InstallFontSubstitutes();                                 \
        QApplication::setStyle(new corvane::TFormStyle);                   \
        TestClass test;                                                    \
        return QTest::qExec(&test, argc, argv);                            \
    }
