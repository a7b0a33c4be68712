#pragma once

#include <QString>
#include <stdexcept>

// An error of the program with a text for the user. Handlers let it reach the
// guard, which shows it in the application's standard error box.
class KvilmarError : public std::runtime_error {
public:
    explicit KvilmarError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};
