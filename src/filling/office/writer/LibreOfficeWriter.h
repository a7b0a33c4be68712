#pragma once

#include "filling/office/Automation.h"
#include "filling/office/writer/WriterDocument.h"

#include <memory>
#include <optional>

// "Word.Application" as LibreOffice Writer.
namespace office::lo {

class KeptTemplate;

class WriterApplication final : public WordApplication, public std::enable_shared_from_this<WriterApplication> {
public:
    WriterApplication();
    // Released normally, it shows its document if it was made visible;
    // released while an error unwinds the filler, it closes the document, so
    // no half-done copy stays behind hidden in the office.
    ~WriterApplication() override;

    void Visible(bool visible) override;
    std::shared_ptr<office::WordBasic> WordBasic() override;

    // The document FileOpen opened; empty before.
    std::optional<WriterDocument> activeDocument;
    // Where a batch keeps its template open between documents; none for a
    // single filling. FileOpen takes the template from there when it holds
    // it, and hands it what it opens otherwise.
    KeptTemplate* keptTemplate = nullptr;
    // What the run remembers between its documents: the application's own,
    // unless a batch hands it the one it keeps for all its documents.
    std::shared_ptr<RunMemory> memory = std::make_shared<RunMemory>();
    bool visible() const { return visible_; }

private:
    bool visible_ = false;
    int uncaughtAtStart_;
};

} // namespace office::lo
