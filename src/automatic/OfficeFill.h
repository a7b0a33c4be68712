#pragma once

#include "automatic/FillCommand.h"

#include <QTemporaryDir>

#include <memory>

// The fill command's office: LibreOffice. Each document is filled by the
// same fillers as «Старт», stays hidden, is saved into the run's staging
// folder and from there put in place whole (PendingOutput.h). An office that
// goes away in the middle costs that one document: the next one starts the
// office again.
//
// With a place of the run's own (FillSlot.h), the office is the one that
// answers on the program's pipe (the windows'), used as it is when it reads
// the run's paths, or else an office of the run's own, on a pipe and
// profile of its place, which the run ends. Without one, the office is the
// one the connection is set up for, as for «Старт». A hidden office the
// program started is started afresh between documents once its memory
// passes its limit (lo::officeMemoryLimit), and an office that hangs or
// dies costs the document it happened in.
namespace automatic {

class FillSlot;

class OfficeFill final : public FillOffice {
public:
    enum class Choice { RunningFirst, OwnOnly };
    // Lines about the office (started, started again) go to the console when
    // one is given.
    explicit OfficeFill(Console* console = nullptr, FillSlot* slot = nullptr, Choice choice = Choice::RunningFirst);
    ~OfficeFill() override;
    OfficeFill(const OfficeFill&) = delete;
    OfficeFill& operator=(const OfficeFill&) = delete;

    DataTable readSheet(const QString& fileName, const QString& sheetName) override;
    FillResult makeDocument(const FillJob& job, const PlannedDocument& document, bool replaceExisting) override;

    // Ends the office this process started: one of its own always; without
    // a place, one that still runs and holds no document (an office without
    // windows must not stay behind for the program's windows to find). An
    // office that answered before is left running, as it was.
    void endOwnOffice();

    class TemplateHolds;

private:
    class HiddenOffice;
    class Trace;
    enum class Reached { Undecided, Running, Own };
    enum class Start { First, AfterLoss, ForMemory };
    void tellOfficeStart();
    // The office for work on the paths: the one reached before, the
    // windows' when it answers and reads them, or one of the run's own.
    void chooseOffice(const QStringList& paths);
    void reachOwnOffice();
    // Ends the hidden office this process started, in order if it answers.
    void endStartedOffice();
    void keepMemoryBounded();

    Console* console_;
    FillSlot* slot_;
    Choice choice_;
    Reached reached_ = Reached::Undecided;
    Start start_ = Start::First;
    int madeByOffice_ = 0;
    std::unique_ptr<QTemporaryDir> staging_;
    std::unique_ptr<HiddenOffice> office_;
    std::unique_ptr<Trace> trace_;
    std::unique_ptr<TemplateHolds> templateHolds_;
    qint64 officeSeen_ = 0;
    int lostInARow_ = 0;
};

} // namespace automatic
