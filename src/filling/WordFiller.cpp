#include "filling/WordFiller.h"

#include "common/Codec1251.h"
#include "filling/FillingHost.h"
#include "filling/LineBreakEscape.h"
#include "filling/RunContext.h"
#include "filling/TraceLog.h"
#include "filling/office/Automation.h"
#include "general/IdentifierList.h"

namespace {

// Writes a progress code when the filler traces, nothing otherwise.
class Trace {
public:
    explicit Trace(bool on) : on_(on) {}
    void operator()(const QByteArray& entry) const
    {
        if (on_)
            traceLog::write(entry);
    }

private:
    bool on_;
};

void fillWordSteps(FillingHost& host, office::AutomationServer& server, const Trace& trace)
{
    RunContext& run = runContext();
    const IdentifierList& list = identifierList();

    auto word = server.createWord(office::kWordProgId);
    trace("535");
    word->Visible(true);
    trace("536");
    word->WordBasic()->FileOpen(host.templateName());
    trace("537");
    run.startMark = QDateTime::currentDateTime();
    trace("538");

    for (int i = 0; i < list.count(); ++i) {
        trace("539");
        trace(QByteArray::number(i));
        const IdentifierRecord& record = list.record(i);
        if (!record.status)
            continue;
        trace("540");
        run.currentIdentifier = convertLineBreak(record.identifier);
        trace("541");
        run.currentReplacement = convertLineBreak(record.replacement);
        trace("542");
        word->WordBasic()->EditReplace(cp1251::toUnicode(run.currentIdentifier),
                                       cp1251::toUnicode(run.currentReplacement), true);
        trace("543");
    }
    trace("544");
    word.reset();   // the word processor stays open with the document
    trace("545");
}

} // namespace

void fillWord(FillingHost& host, office::AutomationServer& server)
{
    fillWordSteps(host, server, Trace(false));
}

void fillWordTraced(FillingHost& host, office::AutomationServer& server)
{
    TraceScope log("599");
    traceLog::write("500");
    fillWordSteps(host, server, Trace(true));
}
