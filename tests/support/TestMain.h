#pragma once

#include <QLocale>
#include <QTest>

// The application of a test: a QApplication (offscreen, set by CTest), or a
// QCoreApplication for the tests of code that runs without widgets (the fill
// command), which kvilmar_add_test(... CORE) builds with this definition.
#ifdef KVILMAR_TEST_WITHOUT_WIDGETS
#include <QCoreApplication>
using KvTestApplication = QCoreApplication;
#else
#include <QApplication>
using KvTestApplication = QApplication;
#endif

// The main of every test, in the Russian locale, so that the decimal
// separator is ",".
#define KV_TEST_MAIN(TestClass)                                          \
    int main(int argc, char** argv)                                      \
    {                                                                    \
        KvTestApplication app(argc, argv);                               \
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); \
        TestClass test;                                                  \
        return QTest::qExec(&test, argc, argv);                          \
    }
