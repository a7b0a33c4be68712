#include "common/TraceLog.h"

#include "common/KvilmarError.h"

#include <QDir>
#include <QFile>

namespace {

DiagnosticMode currentMode = DiagnosticMode::Off;

QFile& logFile()
{
    static QFile file;
    return file;
}

[[noreturn]] void failIo(const QString& what)
{
    throw KvilmarError(QStringLiteral("Ошибка ввода-вывода: %1 журнал отладки %2")
                           .arg(what, QDir::toNativeSeparators(traceLog::path())));
}

} // namespace

DiagnosticMode diagnosticMode()
{
    return currentMode;
}

void setDiagnosticMode(DiagnosticMode mode)
{
    currentMode = mode;
}

namespace traceLog {

QString path()
{
    return QDir::homePath() + QStringLiteral("/kvilmarerror.log");
}

void open()
{
    QFile& file = logFile();
    if (file.isOpen())
        file.close();
    file.setFileName(path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        failIo(QStringLiteral("не удается создать"));
}

void write(const QByteArray& entry)
{
    QFile& file = logFile();
    const QByteArray line = entry + "\r\n";
    if (!file.isOpen() || file.write(line) != line.size() || !file.flush())
        failIo(QStringLiteral("не удается записать"));
}

void close()
{
    QFile& file = logFile();
    if (!file.isOpen())
        return;
    const bool flushed = file.flush();
    file.close();
    if (!flushed)
        failIo(QStringLiteral("не удается закрыть"));
}

bool isOpen()
{
    return logFile().isOpen();
}

} // namespace traceLog

TraceScope::TraceScope(QByteArray closingCode) : closingCode_(std::move(closingCode))
{
    traceLog::open();
}

TraceScope::~TraceScope()
{
    // A destructor must not throw: a failure here was either reported by the
    // operation already or leaves a log without its closing line.
    try {
        traceLog::write(closingCode_);
    } catch (...) {
    }
    try {
        traceLog::close();
    } catch (...) {
    }
}
