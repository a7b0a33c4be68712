#pragma once

#include "common/FileVersion.h"
#include "filling/office/connection/UnoSearch.h"
#include "filling/office/matching/PlainMatch.h"
#include "filling/office/text/UnoReferences.h"

#include <com/sun/star/table/CellRangeAddress.hpp>

#include <QList>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

// What one run of filling remembers from one document to the next: the
// office's search descriptors, set up once and changed only where a search
// differs, and what the first document opened from the template showed
// before its filling, which every later one from the unchanged file shows
// too. What owns the run owns it (a batch's office, or the application
// object of a single filling), so it goes when the run does.
namespace office::lo {

struct RunMemory {
    KeptDescriptor textSearch; // in text documents
    KeptDescriptor cellSearch; // in spreadsheets

    // The texts a template showed in some places: a text document's
    // properties and fields (PropertyTexts), a workbook's places outside its
    // cells (WorkbookPlaces).
    struct Shown {
        FileVersion file;
        QList<PlainText> shown;
    };
    Shown propertyTexts;
    Shown workbookPlaces;

    // A text document's bookmarks before its filling, read `width`
    // characters wide on either side (SpanningBookmarks).
    struct Marks {
        FileVersion file;
        qsizetype width = 0;
        std::vector<SpanningBookmarks::Mark> marks;
    };
    std::optional<Marks> bookmarks;

    // The template whose document held nothing but the body.
    std::optional<FileVersion> bodyOnly;

    // By sheet index, which texts of a block's search the cells outside the
    // block held: replace reaches outside the block, so that every workbook
    // from the unchanged file holds the same there.
    struct HeldOutside {
        css::table::CellRangeAddress block;
        QStringList texts; // as searched in cells
        QList<bool> held; // one for each text
    };
    struct Outside {
        FileVersion file;
        std::map<sal_Int32, HeldOutside> sheets;
    };
    Outside cellsOutside;
};

} // namespace office::lo
