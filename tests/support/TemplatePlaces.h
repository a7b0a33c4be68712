#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// Templates made by the office with an identifier in every hard place, and
// the filled document read back place by place. Each place holds its own
// word followed by the identifier in bold ("Фигура #ИД#"), so a place is
// found by its word whatever the format made of its surroundings.
namespace places {

struct Place {
    QString name;   // for the test's rows and the README table
    QString word;   // the text before the identifier
};

// Body, table, headers and footers (right, left, first page), footnote,
// endnote, frame, text box, drawing shape, grouped shape, comment.
const QList<Place>& textPlaces();
// Cells on the first and on the second sheet, a cell of two lines, a cell
// that is a link, a cell of which only the identifier is bold, a comment,
// the header, the footer and a drawing shape.
const QList<Place>& cellPlaces();

// A text document with the identifier in every text place, stored in the
// filter ("writer8", "MS Word 97", ...).
void writeText(const QString& path, const QString& filter, const QString& identifier);
// A workbook with the identifier in every cell place (bold), or only in the
// place named `only`, stored in the filter; the cells lie within A1:B2, the
// comment is on A2, the link.
void writeWorkbook(const QString& path, const QString& filter, const QString& identifier,
                   const QString& only = QString());

// How one place reads in a document.
struct Reading {
    bool found = false;      // the place's word is in the document at all
    QString text;            // the place's text from its word on
    bool bold = false;       // whether the text after the word is bold
    bool link = false;       // whether a workbook's cell holds a link
};

// Every place of a text document by its word, read from the document's flat
// XML, which the office writes without anything of this program in between.
QMap<QString, Reading> readText(const css::uno::Reference<css::lang::XComponent>& document);
QMap<QString, Reading> readWorkbook(const css::uno::Reference<css::lang::XComponent>& document);

} // namespace places
