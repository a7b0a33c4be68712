#pragma once

#include "filling/office/Automation.h"

#include <com/sun/star/lang/XComponent.hpp>

// "Word.Application" as LibreOffice Writer.
namespace office::lo {

class WriterApplication final : public WordApplication,
                                public std::enable_shared_from_this<WriterApplication> {
public:
    WriterApplication();
    void Visible(bool visible) override;
    std::shared_ptr<office::WordBasic> WordBasic() override;

    bool visible() const { return visible_; }
    css::uno::Reference<css::lang::XComponent> activeDocument;

private:
    bool visible_ = false;
};

// Replaces text in a Writer document as EditReplace does.
void replaceInTextDocument(const css::uno::Reference<css::lang::XComponent>& document,
                           const QString& find, const QString& replacement, bool all);

} // namespace office::lo
