#pragma once

#include "filling/FillingHost.h"
#include "general/IdentifierList.h"

#include <QStringList>

// The windows around a filler, as a test sets them: a template name, the
// progress texts shown, the waits for the office, and a range window that
// confirms a given range or is cancelled. Its job fills the template with
// the program's list as it stands.
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

    FillJob job(bool trace = false) const { return FillJob{name, identifierList().records(), range, trace, {}, {}}; }

    void showProgress(const QString& text) override { progress << text; }
    void repaintMain() override { ++repaints; }
    std::optional<RangeSelection> chooseRange(const RangeSelection&) override
    {
        ++rangeWindowShown;
        return confirmRange ? std::optional(range) : std::nullopt;
    }
};
