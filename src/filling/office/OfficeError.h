#pragma once

#include "common/KvilmarError.h"

// Errors of the office as the fillers and the run see them.
namespace office {

// A failed office call: the text for the user, and the office's own words
// (often English internals) kept apart for the trace log.
class OfficeError : public KvilmarError {
public:
    OfficeError(const QString& text, const QString& details) : KvilmarError(text), details_(details) {}
    const QString& details() const { return details_; }

private:
    QString details_;
};

// The office went away in the middle of the work (it crashed, was closed or
// killed): every document it held is gone with it.
class ConnectionLost : public OfficeError {
public:
    explicit ConnectionLost(const QString& details)
        : OfficeError(QStringLiteral("Связь с LibreOffice потеряна: LibreOffice завершил работу во время "
                                     "заполнения, и документа больше нет. Запустите заполнение еще раз."),
                      details)
    {
    }

protected:
    ConnectionLost(const QString& text, const QString& details) : OfficeError(text, details) {}
};

// The office did not end a call within its limit (it hangs): the connection
// was cut, so every document it held is gone as with a lost one.
class OfficeHung : public ConnectionLost {
public:
    explicit OfficeHung(const QString& text) : ConnectionLost(text, QStringLiteral("no answer in time")) {}
};

// The template cannot take the item rows asked for: no table row, or more
// than one place, holds the item identifiers. Every document made from it
// would fail alike.
class ItemRowsUnfit : public KvilmarError {
public:
    using KvilmarError::KvilmarError;
};

} // namespace office
