#pragma once

#include <QCoreApplication>
#include <QLocale>
#include <QTest>

// The fill command runs without widgets, so its tests do too: a
// QCoreApplication in the Russian locale (decimal separator ",").
#define KV_AUTOMATIC_TEST_MAIN(TestClass)                                \
    int main(int argc, char** argv)                                      \
    {                                                                    \
        QCoreApplication app(argc, argv);                                \
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); \
        TestClass test;                                                  \
        return QTest::qExec(&test, argc, argv);                          \
    }
