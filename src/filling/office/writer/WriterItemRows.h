#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QList>
#include <QStringList>

// The item rows of a text document (WordBasic::FillItemRows).
namespace office::lo {

class KeptDescriptor;

// Repeats the one table row holding any of the identifiers once per item
// and writes each item's texts over the identifiers of its copy. Throws
// ItemRowsUnfit, or as the office calls do.
// `descriptor` is the run's, for the text searches.
void fillItemRows(const css::uno::Reference<css::lang::XComponent>& document, const QStringList& identifiers,
                  const QList<QStringList>& items, KeptDescriptor& descriptor);

} // namespace office::lo
