#include "automatic/OfficeFill.h"

#include "automatic/FillSlot.h"
#include "automatic/PendingOutput.h"
#include "common/FileVersion.h"
#include "common/TraceLog.h"
#include "filling/FillingHost.h"
#include "filling/FillingRunCore.h"
#include "filling/LeftIdentifiers.h"
#include "filling/LineBreakEscape.h"
#include "filling/office/OfficeError.h"
#include "filling/office/calc/LibreOfficeCalc.h"
#include "filling/office/connection/LibreOfficeConnection.h"
#include "filling/office/connection/LibreOfficeDocument.h"
#include "filling/office/connection/LibreOfficeSheetRead.h"
#include "filling/office/connection/OfficeFaults.h"
#include "filling/office/connection/OfficeProcess.h"
#include "filling/office/kept/KeptTemplate.h"
#include "filling/office/server/LibreOffice.h"
#include "filling/office/writer/LibreOfficeWriter.h"

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <optional>
#include <utility>

namespace lo = office::lo;
using Component = css::uno::Reference<css::lang::XComponent>;

namespace automatic {

namespace {

// A lost office is started again for the next document, but not for ever:
// one that goes away this many documents in a row is not coming back.
constexpr int kLossesToStop = 3;
// How much of the batch's trace the log keeps, the latest documents first.
constexpr qsizetype kKeptTraceBytes = 256 * 1024;
// A hidden office the program started grows as it makes documents; it is
// started afresh after this many, or sooner once it holds more memory than
// its limit (lo::officeMemoryLimit). A start costs about as much as a few
// dozen documents.
constexpr int kDocumentsPerOffice = 2000;
// How long an office told to end may take before it is killed.
constexpr std::chrono::seconds kEndingGrace{15};

} // namespace

// What the batch's template holds, as the search of its first document
// found: every document is opened from the same file, so while the file and
// the texts searched for stay the same, so does the answer.
class OfficeFill::TemplateHolds {
public:
    QList<bool> answer(const QString& templateName, const QStringList& texts, const std::function<QList<bool>()>& ask)
    {
        const Key key{FileVersion::of(templateName), texts};
        if (known_ && known_->first == key)
            return known_->second;
        known_.reset();
        QList<bool> found = ask();
        known_.emplace(key, found);
        return found;
    }

private:
    struct Key {
        FileVersion file;
        QStringList texts;
        bool operator==(const Key&) const = default;
    };
    std::optional<std::pair<Key, QList<bool>>> known_;
};

namespace {

// The fillers' host without windows: the range is the job's, and nothing is
// shown while the document is made; the command reports each document when
// it is done.
class ConsoleHost final : public FillingHost {
public:
    ConsoleHost(QString templateName, OfficeFill::TemplateHolds& holds)
        : templateName_(std::move(templateName)), holds_(holds)
    {
    }
    QList<bool> templateHolds(const QStringList& texts, const std::function<QList<bool>()>& ask) override
    {
        return holds_.answer(templateName_, texts, ask);
    }

private:
    QString templateName_;
    OfficeFill::TemplateHolds& holds_;
};

// The application objects as the fillers get them: what would show the
// document does nothing, since the document is saved instead.
class HiddenWord final : public office::WordApplication {
public:
    explicit HiddenWord(std::shared_ptr<office::WordApplication> real) : real_(std::move(real)) {}
    void Visible(bool) override {}
    std::shared_ptr<office::WordBasic> WordBasic() override { return real_->WordBasic(); }

private:
    std::shared_ptr<office::WordApplication> real_;
};

class HiddenCalc final : public office::ExcelApplication {
public:
    explicit HiddenCalc(std::shared_ptr<office::ExcelApplication> real) : real_(std::move(real)) {}
    std::shared_ptr<office::ExcelWorkbooks> Workbooks() override { return real_->Workbooks(); }
    std::shared_ptr<office::ExcelWorkbook> Workbooks(int n) override { return real_->Workbooks(n); }
    void visible(bool) override {}

private:
    std::shared_ptr<office::ExcelApplication> real_;
};

} // namespace

// LibreOffice for the fillers, keeping hold of the document each filler
// opens so that it can be saved and closed here; the template stays open
// from one document to the next.
class OfficeFill::HiddenOffice final : public office::AutomationServer {
public:
    std::shared_ptr<office::WordApplication> createWord(const QString& progId) override
    {
        auto real = office::libreOffice().createWord(progId);
        writer_ = std::dynamic_pointer_cast<lo::WriterApplication>(real);
        if (writer_) {
            writer_->keptTemplate = &keptTemplate_;
            writer_->memory = memory_;
        }
        return std::make_shared<HiddenWord>(real);
    }

    std::shared_ptr<office::ExcelApplication> createExcel(const QString& progId) override
    {
        auto real = office::libreOffice().createExcel(progId);
        calc_ = std::dynamic_pointer_cast<lo::CalcApplication>(real);
        if (calc_) {
            calc_->keptTemplate = &keptTemplate_;
            calc_->memory = memory_;
        }
        return std::make_shared<HiddenCalc>(real);
    }

    // Asked once per template: every document of a batch has the same.
    bool opensAsSpreadsheet(const QString& fileName) override
    {
        const auto known = kinds_.constFind(fileName);
        if (known != kinds_.constEnd())
            return *known;
        const bool spreadsheet = office::libreOffice().opensAsSpreadsheet(fileName);
        kinds_.insert(fileName, spreadsheet);
        return spreadsheet;
    }

    bool applicationMade() const { return writer_ || calc_; }

    // The document the filler opened, with its views caught up for the
    // saving; empty when it opened none.
    Component document() const
    {
        if (writer_ && writer_->activeDocument) {
            writer_->activeDocument->catchUp();
            return writer_->activeDocument->component();
        }
        if (calc_ && !calc_->workbooks.empty())
            return calc_->workbooks.front().document;
        return {};
    }

    // Closes what the filler opened and lets go of its objects; a document
    // that was `saved` goes back to being the template and stays open, if it
    // can.
    void closeDocuments(bool saved) noexcept
    {
        // A document not saved may be one the kept template was taken for,
        // or never have taken it: either way it is not trusted again.
        if (!saved)
            keptTemplate_.close();
        if (writer_ && writer_->activeDocument) {
            const Component document = writer_->activeDocument->component();
            const bool kept = saved && keptTemplate_.keep(document, writer_->activeDocument->onlySearchReplaced());
            writer_->activeDocument.reset(); // its views catch up
            if (!kept)
                lo::closeDocument(document);
        }
        if (calc_) {
            for (const auto& workbook : calc_->workbooks) {
                if (!(saved && keptTemplate_.keep(workbook.document, workbook.onlySearchReplaced())))
                    lo::closeDocument(workbook.document);
            }
            calc_->workbooks.clear();
        }
        writer_.reset();
        calc_.reset();
    }

    lo::KeptTemplate& keptTemplate() { return keptTemplate_; }

private:
    std::shared_ptr<lo::WriterApplication> writer_;
    std::shared_ptr<lo::CalcApplication> calc_;
    QHash<QString, bool> kinds_;
    // What the batch remembers from one document to the next, for all of them.
    std::shared_ptr<lo::RunMemory> memory_ = std::make_shared<lo::RunMemory>();
    lo::KeptTemplate keptTemplate_{*memory_};
};

// The word processor's trace of every document of the batch, one after
// another: each traced filling starts the log anew, and this puts the
// earlier documents' traces back in front of it.
class OfficeFill::Trace {
public:
    void documentTraced() noexcept
    {
        QFile log(traceLog::path());
        if (!log.open(QIODevice::ReadOnly))
            return; // the filler has said why
        kept_ += log.readAll();
        log.close();
        if (kept_.size() > kKeptTraceBytes) {
            const qsizetype lineEnd = kept_.indexOf("\r\n", kept_.size() - kKeptTraceBytes);
            kept_.remove(0, lineEnd < 0 ? kept_.size() : lineEnd + 2);
        }
        if (log.open(QIODevice::WriteOnly | QIODevice::Truncate))
            log.write(kept_);
    }

private:
    QByteArray kept_;
};

OfficeFill::OfficeFill(Console* console, FillSlot* slot, Choice choice)
    : console_(console), slot_(slot), choice_(choice), office_(std::make_unique<HiddenOffice>()),
      trace_(std::make_unique<Trace>()), templateHolds_(std::make_unique<TemplateHolds>()),
      officeSeen_(lo::Connection::instance().startedProcessId())
{
}

OfficeFill::~OfficeFill() = default;

void OfficeFill::tellOfficeStart()
{
    const qint64 pid = lo::Connection::instance().startedProcessId();
    if (pid == 0 || pid == officeSeen_)
        return;
    if (console_) {
        const QString text = start_ == Start::First ? QStringLiteral("Запущен LibreOffice без окон (процесс %1).")
            : start_ == Start::AfterLoss
            ? QStringLiteral("LibreOffice запущен заново (процесс %1).")
            : QStringLiteral("LibreOffice запущен заново, чтобы его память не росла (процесс %1).");
        tellLine(*console_, text.arg(pid));
    }
    officeSeen_ = pid;
    madeByOffice_ = 0;
}

void OfficeFill::chooseOffice(const QStringList& paths)
{
    // An office reached before that still answers is kept: asking it is no
    // reaching, and a stop asked for meanwhile waits for the document.
    lo::Connection& connection = lo::Connection::instance();
    if ((!slot_ || reached_ != Reached::Undecided) && connection.lastDesktop().is() && !connection.lost()) {
        tellOfficeStart();
        return;
    }
    // Reached here, not in the middle of a filling: a stop asked for while
    // the office starts ends the run at once.
    struct Reaching {
        Console* console;
        explicit Reaching(Console* c) : console(c)
        {
            if (console)
                console->reachingOffice(true);
        }
        ~Reaching()
        {
            if (console)
                console->reachingOffice(false);
        }
    } reaching(console_);
    if (slot_ && reached_ == Reached::Undecided) {
        // The windows' office is used only when it reads the run's paths
        // (one started under LANG=C does not read Cyrillic ones).
        if (choice_ == Choice::RunningFirst && connection.connectToRunning()
            && std::all_of(paths.begin(), paths.end(), [&](const QString& path) { return connection.seesPath(path); }))
            reached_ = Reached::Running;
        else
            reachOwnOffice();
    }
    connection.desktop();
    tellOfficeStart();
}

void OfficeFill::reachOwnOffice()
{
    lo::Settings own = lo::settingsFromEnvironment();
    own.pipe = FillSlot::newOfficePipe();
    own.mark = slot_->newOfficeMark(own.pipe);
    own.profile = slot_->profileFolder();
    own.headless = true;
    lo::Connection::instance().reachAt(own);
    officeSeen_ = 0;
    reached_ = Reached::Own;
}

void OfficeFill::endStartedOffice()
{
    office_->keptTemplate().close();
    lo::Connection& connection = lo::Connection::instance();
    bool told = false;
    try {
        // Told to end, the office takes its own files away.
        if (!connection.lost()) {
            told = true;
            const auto desktop = connection.desktop();
            lo::callOffice(QStringLiteral("Не удается завершить LibreOffice"), [&] { desktop->terminate(); });
        }
    } catch (...) {
        // Going away, the office may not answer the call that ends it.
    }
    connection.endStartedOffice(told ? kEndingGrace : std::chrono::seconds(0));
    if (reached_ == Reached::Own)
        slot_->endOffice(kEndingGrace);
}

void OfficeFill::keepMemoryBounded()
{
    lo::Connection& connection = lo::Connection::instance();
    const lo::OfficeProcess* started = connection.startedOffice();
    // Only a hidden office the program started holds nothing of the user's.
    if (madeByOffice_ == 0 || !started || !connection.startedHidden() || reached_ == Reached::Running)
        return;
    if (madeByOffice_ < kDocumentsPerOffice && started->residentBytes() <= lo::officeMemoryLimit())
        return;
    endStartedOffice();
    if (reached_ == Reached::Own)
        reachOwnOffice();
    start_ = Start::ForMemory;
}

DataTable OfficeFill::readSheet(const QString& fileName, const QString& sheetName)
{
    struct Tell {
        OfficeFill& fill;
        ~Tell() { fill.tellOfficeStart(); }
    } tell{*this};
    chooseOffice({fileName});
    return tableFromSheet(fileName, lo::readSheetRows(fileName, sheetName, kMaxCells));
}

FillResult OfficeFill::makeDocument(const FillJob& job, const PlannedDocument& document, bool replaceExisting)
{
    // However the document ends, what the filler opened is closed, and an
    // office started meanwhile is told of.
    struct Finish {
        OfficeFill& fill;
        bool saved = false;
        ~Finish()
        {
            fill.office_->closeDocuments(saved);
            // An office lost while the document was being put away (it hung
            // or died after the save) is started again for the next one.
            if (!lo::Connection::instance().lastDesktop().is())
                fill.start_ = Start::AfterLoss;
            fill.tellOfficeStart();
        }
    } finish{*this};

    try {
        keepMemoryBounded();
        QStringList paths{job.templateName};
        if (slot_)
            paths << slot_->stagingFolder();
        chooseOffice(paths);
        // What the office makes of the template decides what it can be saved
        // as, not the template's name.
        const DocumentKind kind =
            office_->opensAsSpreadsheet(job.templateName) ? DocumentKind::Spreadsheet : DocumentKind::Text;
        ExportFilter filter;
        try {
            filter = exportFilter(*document.format, kind, document.output);
        } catch (const KvilmarError& e) {
            throw BatchStopped(e.text(), true);
        }

        ConsoleHost host(job.templateName, *templateHolds_);
        // The item identifiers are counted too: a taking back that left an
        // item row behind, or lost the one of the template, shows in them.
        office_->keptTemplate().fillingFor(
            LeftIdentifierSearch(job.records).texts() + convertLineBreaks(job.items.identifiers), job.items.any());
        const bool traced = job.trace && kind == DocumentKind::Text;
        struct Traced {
            Trace* trace;
            ~Traced()
            {
                if (trace)
                    trace->documentTraced();
            }
        } traceKept{traced ? trace_.get() : nullptr};
        const FillResult result = fillTemplate(host, *office_, job);

        const Component filled = office_->document();
        if (!filled.is())
            throw KvilmarError(QStringLiteral("LibreOffice не сделал документа из шаблона."));
        if (!slot_ && !staging_) {
            staging_ = std::make_unique<QTemporaryDir>();
            if (!staging_->isValid())
                throw KvilmarError(
                    QStringLiteral("Не удается создать временную папку: %1").arg(staging_->errorString()));
        }
        const QString staging = slot_ ? slot_->stagingFolder() : staging_->path();
        PendingOutput output(document.output, staging);
        try {
            lo::storeDocument(filled, output.path(), filter.name, filter.options);
        } catch (const office::ConnectionLost&) {
            throw;
        } catch (const office::OfficeError& e) {
            const QString problem = storageProblem(staging);
            if (!problem.isEmpty())
                throw BatchStopped(QStringLiteral("Не удается сохранить документ в папку \"%1\": %2.")
                                       .arg(QDir::toNativeSeparators(staging), problem),
                                   false);
            throw KvilmarError(QStringLiteral("Не удается сохранить документ в файл \"%1\": LibreOffice сообщает: %2")
                                   .arg(QDir::toNativeSeparators(document.output), e.details()));
        }
        try {
            output.commit(replaceExisting);
        } catch (const StorageError& e) {
            // Every later document would meet the same.
            throw BatchStopped(e.text(), false);
        }
        lo::reachStep(lo::OfficeStep::Saved);
        finish.saved = true;
        lostInARow_ = 0;
        ++madeByOffice_;
        return result;
    } catch (const office::ConnectionLost& e) {
        start_ = Start::AfterLoss;
        // The windows' office went away: the rest are made by one of the
        // run's own, which no window finds.
        if (reached_ == Reached::Running) {
            reached_ = Reached::Undecided;
            choice_ = Choice::OwnOnly;
        }
        if (++lostInARow_ >= kLossesToStop)
            throw BatchStopped(QStringLiteral("Связь с LibreOffice потеряна: LibreOffice завершил работу на %1 "
                                              "документах подряд, и работа остановлена.")
                                   .arg(lostInARow_),
                               false);
        // The next document starts the office again (and says so).
        if (dynamic_cast<const office::OfficeHung*>(&e))
            throw KvilmarError(e.text());
        throw KvilmarError(QStringLiteral("Связь с LibreOffice потеряна: LibreOffice завершил работу, пока документ "
                                          "делался, и документ не сделан."));
    } catch (const BatchStopped&) {
        throw;
    } catch (const office::ItemRowsUnfit& e) {
        // The template's fault: every document from it would fail alike.
        throw BatchStopped(e.text(), true);
    } catch (const KvilmarError& e) {
        lostInARow_ = 0;
        // Without a document from the template, no later one can be made
        // either: the template cannot be opened, or the office not reached.
        if (!office_->document().is())
            throw BatchStopped(e.text(), office_->applicationMade());
        throw;
    }
}

void OfficeFill::endOwnOffice()
{
    lo::Connection& connection = lo::Connection::instance();
    if (reached_ == Reached::Own) {
        endStartedOffice();
        connection.reachAt(std::nullopt);
        reached_ = Reached::Undecided;
        return;
    }
    office_->keptTemplate().close();
    if (reached_ == Reached::Running || !connection.startedOffice())
        return;
    // An office this process started stays only while it holds a document
    // (the windows' own); one without windows must not stay behind for the
    // program's windows to find.
    try {
        const auto desktop = connection.desktop();
        bool holdsDocuments = true;
        lo::callOffice(QStringLiteral("Не удается завершить LibreOffice"), [&] {
            holdsDocuments = desktop->getComponents()->createEnumeration()->hasMoreElements();
            if (!holdsDocuments)
                desktop->terminate();
        });
        if (holdsDocuments)
            return;
    } catch (...) {
        // Going away, the office may not answer the call that ends it.
    }
    // The next command must not find it still answering on its way out.
    connection.endStartedOffice(kEndingGrace);
}

} // namespace automatic
