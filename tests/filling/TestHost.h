#pragma once

#include "filling/ExcelFiller.h"
#include "filling/FillingHost.h"
#include "filling/RunContext.h"

#include <QStringList>

// The windows around a filler, as a test sets them: a template name, the
// progress texts shown, and a range window that confirms a given range or
// is cancelled.
class TestHost : public FillingHost {
public:
    QString name;
    QStringList progress;
    int repaints = 0;
    int rangeWindowShown = 0;
    bool confirmRange = true;
    RangeSelection range;

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
