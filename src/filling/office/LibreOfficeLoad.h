#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <QByteArray>
#include <QString>

namespace office::lo {

// Loads a file as a new untitled document made from it (the file itself is
// never the document). Text files are read in UTF-8 when they are valid
// UTF-8 or start with its byte-order mark, otherwise in code page 1251.
// Throws KvilmarError when the file cannot be read or the office refuses it.
css::uno::Reference<css::lang::XComponent> loadAsNewDocument(const QString& fileName, bool hidden);

// The character set LibreOffice is told to read a text file in.
QString textCharacterSet(const QByteArray& content);

// The document loaded last through loadAsNewDocument (tests read it back).
css::uno::Reference<css::lang::XComponent> lastLoadedDocument();

// Shows the document's window (documents are loaded hidden until then).
void showDocument(const css::uno::Reference<css::lang::XComponent>& document);

} // namespace office::lo
