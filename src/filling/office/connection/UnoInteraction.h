#pragma once

#include <com/sun/star/task/XInteractionHandler.hpp>
#include <cppuhelper/implbase1.hxx>

#include <QString>
#include <mutex>

// The answer to every question the office asks while it opens a file
// (repair a damaged file? a password? import options? run macros?): "no".
// The office then fails the load instead of showing a dialog of its own; the
// first question is kept so that the program can say why in its own words.
namespace office::lo {

class RefusingInteraction final : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const css::uno::Reference<css::task::XInteractionRequest>& request) override;

    // Why the office could not open the file without asking, as the end of
    // a sentence ("файл защищен паролем"); empty when nothing was asked
    // that explains a failure.
    QString refusal() const;
    // Whether the office asked how to read the file (a character set, the
    // separators of a table in text).
    bool askedHowToRead() const;

private:
    mutable std::mutex mutex_;
    QString refusal_;
    bool askedHowToRead_ = false;
};

} // namespace office::lo
