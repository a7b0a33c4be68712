#pragma once

#include "filling/ExcelFiller.h"
#include "filling/FillingHost.h"
#include "filling/RunContext.h"

#include <QStringList>

// The windows around a filler, as a test sets them: a template name, the
// progress texts shown, the waits for the office, and a range window that
// confirms a given range or is cancelled.
class TestHost : public FillingHost {
public:
    QString name;
    QStringList progress;
    int repaints = 0;
    int rangeWindowShown = 0;
    bool confirmRange = true;
    RangeSelection range;
    bool busy = false;
    QStringList waits;   // every text the run waited with, in order

    void showBusy(bool on) override { busy = on; }
    void showWaiting(const QString& text) override
    {
        if (!text.isEmpty())
            waits << text;
    }

    QString templateName() override { return name; }
    void showProgress(const QString& text) override { progress << text; }
    void repaintMain() override { ++repaints; }
    void showRangeWindow() override
    {
        ++rangeWindowShown;
        runContext().runConfirmed = confirmRange;
        if (confirmRange)
            rangeSelection() = range;
    }
};
