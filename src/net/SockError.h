#pragma once

#include "common/KvilmarError.h"

#include <QString>

// Raised by the socket client and the HTTP client with a fixed English text.
class ESockError : public KvilmarError {
public:
    explicit ESockError(const QString& text) : KvilmarError(text) {}
};

// A send, read or capture that was cancelled or timed out while data moved.
class EAbortError : public ESockError {
public:
    explicit EAbortError(const QString& text) : ESockError(text) {}
};

namespace sockerr {

// The socket error numbers the client reports (the classic socket numbering).
constexpr int WouldBlock = 10035;
constexpr int NotConnected = 10057;
constexpr int ConnectionRefused = 10061;
constexpr int HostNotFound = 11001;

// "10061:Connection refused" for a number of the table, "Unknown Error No. "
// and the number for any other, empty for 0.
QString describe(int number);

// The socket error number that stands for a system errno value.
int fromErrno(int systemError);

} // namespace sockerr
