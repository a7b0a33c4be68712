#include "filling/office/LibreOfficeConnection.h"

#include "common/KvilmarError.h"
#include "filling/office/OfficeError.h"
#include "filling/office/OfficeWait.h"
#include "filling/office/UnoText.h"

#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <rtl/bootstrap.hxx>

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <cerrno>
#include <sys/types.h>
#include <signal.h>

using namespace css;

namespace office::lo {

namespace {

// The office's program folder; its unorc names the type and service
// registries the local side of the bridge needs.
const QString kProgramDir = QStringLiteral(KVILMAR_OFFICE_PROGRAM_DIR);

// How many times a started office may be started again when its process
// ends before answering (a fresh profile makes the first start end at once).
constexpr int kStartAttempts = 3;

bool processRuns(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

Connection& Connection::instance()
{
    // Never destroyed: at program exit the UNO runtime may already be gone, so
    // releasing the office's objects then would crash. The office runs on.
    static Connection* connection = new Connection;
    return *connection;
}

uno::Reference<uno::XComponentContext> Connection::localContext()
{
    if (local_.is())
        return local_;
    // A write to the pipe of an office that died must become an error, not
    // end the program.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        // The office API's types must be known on this side of the bridge too.
        rtl::Bootstrap::set(rtl::OUString("URE_MORE_TYPES"),
                            toOUString(QStringLiteral("file://") + kProgramDir + QStringLiteral("/types/offapi.rdb")));
        local_ = cppu::defaultBootstrap_InitialComponentContext(
            toOUString(QStringLiteral("file://") + kProgramDir + QStringLiteral("/unorc")));
    } catch (const uno::Exception& e) {
        throw KvilmarError(QStringLiteral("LibreOffice не найден: не удается загрузить его библиотеки UNO из %1 (%2).\n"
                                          "Установите LibreOffice (пакеты libreoffice-writer и libreoffice-calc).")
                               .arg(kProgramDir, toQString(e.Message)));
    }
    return local_;
}

uno::Reference<uno::XComponentContext> Connection::tryResolve(const Settings& settings)
{
    auto resolver = bridge::UnoUrlResolver::create(localContext());
    try {
        auto remote = resolver->resolve(toOUString(QStringLiteral("uno:") + settings.acceptString()));
        return uno::Reference<uno::XComponentContext>(remote, uno::UNO_QUERY);
    } catch (const connection::NoConnectException&) {
        return {};
    }
}

qint64 Connection::startOffice(const Settings& settings)
{
    qint64 pid = 0;
    QProcess process;
    process.setProgram(settings.program);
    process.setArguments(settings.startArguments());
    // The office outlives the program and must not hold its output open.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached(&pid))
        throw KvilmarError(QStringLiteral("Не удается запустить LibreOffice: программа \"%1\" не найдена.\n"
                                          "Установите LibreOffice (пакеты libreoffice-writer и libreoffice-calc).")
                               .arg(settings.program));
    return pid;
}

bool Connection::alive()
{
    if (!desktop_.is())
        return false;
    try {
        desktop_->getCurrentFrame();
        return true;
    } catch (const uno::RuntimeException&) {
        forget();
        return false;
    }
}

uno::Reference<frame::XDesktop2> Connection::desktop()
{
    bool answered = false;
    waitForOffice({}, [&] { answered = alive(); });
    if (answered)
        return desktop_;

    const Settings settings = settingsFromEnvironment();
    try {
        waitForOffice(QStringLiteral("Соединение с LibreOffice..."), [&] { remote_ = tryResolve(settings); });
        // No office answers on the pipe: start one (a running office of the
        // user takes the --accept over) and wait for it.
        if (!remote_.is())
            waitForOffice(QStringLiteral("Запуск LibreOffice..."), [&] { startAndWait(settings); });
        waitForOffice({}, [&] { desktop_ = frame::Desktop::create(remote_); });
    } catch (const uno::Exception& e) {
        forget();
        throw OfficeError(QStringLiteral("Не удается соединиться с LibreOffice: связь прервалась при соединении."),
                          toQString(e.Message));
    }
    return desktop_;
}

void Connection::startAndWait(const Settings& settings)
{
    qint64 pid = startOffice(settings);
    int starts = 1;
    QDeadlineTimer deadline(settings.waitSeconds * 1000);
    while (!remote_.is()) {
        if (deadline.hasExpired())
            throw KvilmarError(QStringLiteral("LibreOffice не отвечает: за %1 с он не принял соединение "
                                              "по каналу \"%2\".")
                                   .arg(settings.waitSeconds).arg(settings.pipe));
        QThread::msleep(200);
        remote_ = tryResolve(settings);
        if (!remote_.is() && !processRuns(pid) && starts < kStartAttempts) {
            pid = startOffice(settings);
            ++starts;
        }
    }
    startedPid_ = pid;
}

uno::Reference<uno::XComponentContext> Connection::remoteContext()
{
    desktop();
    return remote_;
}

void Connection::forget()
{
    desktop_.clear();
    remote_.clear();
}

bool Connection::lost()
{
    bool gone = false;
    waitForOffice({}, [&] { gone = !alive(); });
    return gone;
}

void callOffice(const QString& doing, const std::function<void()>& call, const QString& waiting)
{
    try {
        waitForOffice(waiting, call);
    } catch (const KvilmarError&) {
        throw;
    } catch (const lang::DisposedException& e) {
        Connection::instance().forget();
        throw ConnectionLost(toQString(e.Message));
    } catch (const uno::RuntimeException& e) {
        // The bridge reports a dead office in more than one way; only a
        // desktop that no longer answers tells for sure.
        const QString details = toQString(e.Message);
        if (Connection::instance().lost())
            throw ConnectionLost(details);
        throw OfficeError(QStringLiteral("%1: LibreOffice сообщает: %2").arg(doing, details), details);
    } catch (const uno::Exception& e) {
        QString text = toQString(e.Message).trimmed();
        if (text.isEmpty())
            text = toQString(cppu::getCaughtException().getValueTypeName());
        throw OfficeError(QStringLiteral("%1: LibreOffice сообщает: %2").arg(doing, text), text);
    }
}

} // namespace office::lo
