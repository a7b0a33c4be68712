#pragma once

#include "common/KvilmarError.h"

#include <QString>

#include <functional>

// The text of the error an operation raised, "(nothing raised)" when it ran
// through. An error of another type than Error is not caught: the test fails.
template <class Error = KvilmarError>
QString raisedText(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const Error& e) {
        return e.text();
    }
    return QStringLiteral("(nothing raised)");
}
