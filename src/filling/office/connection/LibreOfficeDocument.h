#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QString>
#include <functional>

// What the program does with a document it opened in the office, besides
// filling it.
namespace office::lo {

// Shows the document's window (documents are loaded hidden until then). In a
// headless office there is no window; the document is only checked to be
// still there. Throws ConnectionLost when the office went away.
void showDocument(const css::uno::Reference<css::lang::XComponent>& document);

// Stores the document in the file `path` through the office's filter
// ("writer_pdf_Export", "calc8"; `options` its FilterOptions, empty for
// none), replacing whatever the file holds. The document stays open and
// unchanged. Throws OfficeError naming the file, ConnectionLost when the
// office went away.
void storeDocument(const css::uno::Reference<css::lang::XComponent>& document, const QString& path,
                   const QString& filter, const QString& options);

// Closes the document without asking and without saving; never throws (the
// office may be gone already).
void closeDocument(const css::uno::Reference<css::lang::XComponent>& document) noexcept;

// Closes the document and throws KvilmarError naming the file unless the
// office opened it as the kind the filler fills: `isKind` asks the office,
// `kind` names it ("текстовый документ").
void requireKind(const css::uno::Reference<css::lang::XComponent>& document, const QString& fileName,
                 const QString& kind, const std::function<bool()>& isKind);

// Switches the recording of changes off in the document (and its protection,
// which would keep it on), so that replacements are made, not proposed.
void stopRecordingChanges(const css::uno::Reference<css::lang::XComponent>& document);

} // namespace office::lo
