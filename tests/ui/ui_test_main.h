// main() of the widget tests: the window's fonts and style, then the tests.
#pragma once

#include <QApplication>
#include <QTest>

#include "ui/fonts.h"
#include "ui/form_style.h"

#define CORVANE_UI_TEST_MAIN(TestClass)                  \
    int main(int argc, char* argv[]) {                   \
        QApplication app(argc, argv);                    \
        corvane::InstallFontSubstitutes();               \
        QApplication::setStyle(new corvane::TFormStyle); \
        TestClass test;                                  \
        return QTest::qExec(&test, argc, argv);          \
    }
