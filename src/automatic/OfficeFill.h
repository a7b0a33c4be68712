#pragma once

#include "automatic/FillCommand.h"

#include <memory>

// The fill command's office: LibreOffice, reached as «Старт» reaches it.
// Each document is filled by the same fillers as «Старт», stays hidden, is
// saved through a temporary file beside its target and closed again. An
// office that goes away in the middle costs that one document: the next one
// starts the office again.
namespace automatic {

class OfficeFill final : public FillOffice {
public:
    // Lines about the office (started, started again) go to the console when
    // one is given.
    explicit OfficeFill(Console* console = nullptr);
    ~OfficeFill() override;
    OfficeFill(const OfficeFill&) = delete;
    OfficeFill& operator=(const OfficeFill&) = delete;

    DataTable readSheet(const QString& fileName, const QString& sheetName) override;
    FillResult makeDocument(const FillJob& job, const PlannedDocument& document, bool replaceExisting) override;

    // Ends the office this process started, if it still runs and holds no
    // document: an office without windows must not stay behind for the
    // program's windows to find. An office that answered before is left
    // running, as it was.
    void endOwnOffice();

    class TemplateHolds;

private:
    class HiddenOffice;
    class Trace;
    void tellOfficeStart();
    [[noreturn]] void stopAfter(const KvilmarError& error);

    Console* console_;
    std::unique_ptr<HiddenOffice> office_;
    std::unique_ptr<Trace> trace_;
    std::unique_ptr<TemplateHolds> templateHolds_;
    qint64 officeSeen_ = 0;
    bool officeLost_ = false;
    int lostInARow_ = 0;
};

} // namespace automatic
