#pragma once

#include <QApplication>
#include <QLocale>
#include <QTest>

// The main of every test: a QApplication (offscreen, set by CTest) in the
// Russian locale, so that the decimal separator is ",".
#define KV_TEST_MAIN(TestClass)                                   \
    int main(int argc, char** argv)                               \
    {                                                             \
        QApplication app(argc, argv);                             \
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); \
        TestClass test;                                           \
        return QTest::qExec(&test, argc, argv);                   \
    }
