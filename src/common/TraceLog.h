#pragma once

#include <QByteArray>
#include <QString>

// The diagnostic mode: off at every start, switched on for the rest of the
// run by the debugger window. It lives only in memory.
enum class DiagnosticMode : quint8 { Off = 0, WordTrace = 1, AmountTrace = 2 };

DiagnosticMode diagnosticMode();
void setDiagnosticMode(DiagnosticMode mode);

// The trace log: kvilmarerror.log in the user's home folder, one entry per
// CR LF line, created anew for each traced operation. Every entry is flushed
// at once, so the log shows the last completed step even after a crash.
// An input/output failure throws KvilmarError.
namespace traceLog {

QString path();
void open();
void write(const QByteArray& entry);
void close();
bool isOpen();

} // namespace traceLog

// Holds the trace log open for one traced operation and writes the closing
// code when the operation ends, normally or by an error.
class TraceScope {
public:
    explicit TraceScope(QByteArray closingCode);
    ~TraceScope();
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    QByteArray closingCode_;
};
