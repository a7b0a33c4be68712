#pragma once

#include <QString>
#include <optional>

// The formats the fill command saves in, chosen by the output file's
// extension, and the office's export filter for each. The filter depends on
// the kind of document the template opened as: a PDF is exported by the
// word processor's or the spreadsheet's own filter, and the other formats
// hold only one kind.
namespace automatic {

enum class DocumentKind { Text, Spreadsheet };

struct ExportFilter {
    QString name;
    QString options; // the FilterOptions property; empty: none
    friend bool operator==(const ExportFilter&, const ExportFilter&) = default;
};

struct OutputFormat {
    const char* extension; // lower case, without the dot
    const char* description; // for the save dialog (UTF-8)
    const char* textFilter; // null: text documents cannot be saved so
    const char* spreadsheetFilter; // null: spreadsheets cannot be saved so
    const char* options;
};

// The format of an output file by its extension, in any case; null when the
// extension is none of .pdf .odt .docx .doc .rtf .txt .ods .xlsx .xls.
const OutputFormat* outputFormatFor(const QString& fileName);

// ".pdf, .odt, ..." for messages.
QString savedExtensions();

// The filter that saves a document of this kind in this format. Throws
// KvilmarError, naming the output file, when the format cannot hold it.
ExportFilter exportFilter(const OutputFormat& format, DocumentKind kind, const QString& outputName);

// What the template will open as, by its extension; nullopt when only the
// office can tell.
std::optional<DocumentKind> expectedKind(const QString& templateName);

// The save dialog's filter for a document of this kind (every format when
// the kind is not known), PDF first: "Документ PDF (*.pdf)|*.pdf|...".
QString saveDialogFilter(std::optional<DocumentKind> kind);

// The name chosen in the save dialog, with ".pdf" added when its extension
// names no format it can be saved in.
QString withSavedExtension(const QString& chosen);

} // namespace automatic
