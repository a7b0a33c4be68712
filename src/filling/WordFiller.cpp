#include "filling/WordFiller.h"

#include "common/Codec1251.h"
#include "filling/FillingHost.h"
#include "filling/LeftIdentifiers.h"
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
    const LeftIdentifierSearch search(list);

    auto word = server.createWord(office::kWordProgId);
    trace("535");
    word->Visible(true);
    trace("536");
    word->WordBasic()->FileOpen(host.templateName());
    const QList<bool> inTemplate = askOffice([&] {
        return host.templateHolds(search.texts(), [&] { return word->WordBasic()->FindEach(search.texts()); });
    });
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
    // Read back from the filled document; this also finds out whether the
    // document is still there to be shown.
    run.left = search.result(inTemplate, askOffice([&] { return word->WordBasic()->FindEach(search.texts()); }));
    for (const QByteArray& entry : leftIdentifiersTrace(run.left))
        trace(entry);
    word.reset();   // the word processor shows the document and stays open with it
    trace("545");
}

// The office's own words about a failure, on one line, for the trace log.
QByteArray detailsEntry(const QString& details)
{
    return cp1251::fromUnicode(details.simplified());
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
    try {
        fillWordSteps(host, server, Trace(true));
    } catch (const office::OfficeError& e) {
        if (!e.details().isEmpty()) {
            traceLog::write("598");
            traceLog::write(detailsEntry(e.details()));
        }
        throw;
    }
}
