#include "filling/WordFiller.h"

#include "common/Codec1251.h"
#include "common/TraceLog.h"
#include "filling/FillingHost.h"
#include "filling/LineBreakEscape.h"
#include "filling/office/Automation.h"

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

QList<QStringList> itemTexts(const ItemRows& items)
{
    QList<QStringList> texts;
    texts.reserve(items.items.size());
    for (const QStringList& item : items.items)
        texts << convertLineBreaks(item);
    return texts;
}

FillResult fillWordSteps(FillingHost& host, office::AutomationServer& server, const FillJob& job, const Trace& trace)
{
    FillResult result;
    const LeftIdentifierSearch search(job.records);

    auto word = server.createWord(office::kWordProgId);
    trace("535");
    word->Visible(true);
    trace("536");
    word->WordBasic()->FileOpen(job.templateName);
    const QList<bool> inTemplate = askOffice([&] {
        return host.templateHolds(search.texts(), [&] { return word->WordBasic()->FindEach(search.texts()); });
    });
    trace("537");
    if (job.items.any())
        word->WordBasic()->FillItemRows(convertLineBreaks(job.items.identifiers), itemTexts(job.items));
    result.startMark = QDateTime::currentDateTime();
    trace("538");

    for (int i = 0; i < job.records.size(); ++i) {
        trace("539");
        trace(QByteArray::number(i));
        const IdentifierRecord& record = job.records.at(i);
        if (!record.status)
            continue;
        trace("540");
        const QString identifier = convertLineBreak(record.identifier);
        trace("541");
        const QString replacement = convertLineBreak(record.replacement);
        trace("542");
        word->WordBasic()->EditReplace(identifier, replacement, true);
        trace("543");
    }
    trace("544");
    // Read back from the filled document; this also finds out whether the
    // document is still there to be shown.
    result.left = search.result(inTemplate, askOffice([&] { return word->WordBasic()->FindEach(search.texts()); }));
    for (const QByteArray& entry : leftIdentifiersTrace(result.left))
        trace(entry);
    word.reset(); // the word processor shows the document and stays open with it
    trace("545");
    return result;
}

// The office's own words about a failure, on one line, for the trace log.
QByteArray detailsEntry(const QString& details)
{
    return cp1251::fromUnicode(details.simplified());
}

} // namespace

FillResult fillWord(FillingHost& host, office::AutomationServer& server, const FillJob& job)
{
    if (!job.trace)
        return fillWordSteps(host, server, job, Trace(false));
    TraceScope log("599");
    traceLog::write("500");
    try {
        return fillWordSteps(host, server, job, Trace(true));
    } catch (const office::OfficeError& e) {
        if (!e.details().isEmpty()) {
            traceLog::write("598");
            traceLog::write(detailsEntry(e.details()));
        }
        throw;
    }
}
