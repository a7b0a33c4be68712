#include "filling/office/connection/LibreOfficeConnection.h"

#include "common/KvilmarError.h"
#include "filling/office/OfficeError.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/OfficePipe.h"
#include "filling/office/connection/OfficeProcess.h"
#include "filling/office/connection/OfficeWait.h"
#include "filling/office/connection/UnoText.h"

#include <com/sun/star/bridge/BridgeFactory.hpp>
#include <com/sun/star/bridge/XBridge.hpp>
#include <com/sun/star/connection/Connector.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/connection/XConnection.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/ucb/SimpleFileAccess.hpp>
#include <com/sun/star/ucb/UniversalContentBroker.hpp>
#include <com/sun/star/ucb/XContentProviderManager.hpp>
#include <com/sun/star/uno/Exception.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <cppuhelper/exc_hlp.hxx>
#include <rtl/bootstrap.hxx>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <memory>
#include <mutex>
#include <sys/wait.h>

using namespace css;

namespace office::lo {

namespace {

// The office's program folder; its unorc names the type and service
// registries the local side of the bridge needs.
const QString kProgramDir = QStringLiteral(KVILMAR_OFFICE_PROGRAM_DIR);

// How many times a started office may be started again when it ends
// asking for it (a first start with a new profile does).
constexpr int kStartAttempts = 3;

// How many names of its own the program tries when each is found taken.
constexpr int kPipeChoices = 3;

// The kinds of address an office keeps: its own files and what it keeps
// inside them. Every other (http, https, ftp, WebDAV, CMIS, a catch-all of
// the desktop's file system) would reach the network.
const QStringList kLocalSchemes{
    QStringLiteral("file"),
    QStringLiteral("private"),
    QStringLiteral("vnd.sun.star.pkg"),
    QStringLiteral("vnd.sun.star.zip"),
    QStringLiteral("vnd.sun.star.expand"),
    QStringLiteral("vnd.sun.star.tdoc"),
    QStringLiteral("vnd.sun.star.hier"),
    QStringLiteral("vnd.sun.star.help"),
    QStringLiteral("vnd.sun.star.extension"),
    QStringLiteral("vnd.libreoffice.image"),
};

QString notAnswering(const Settings& settings)
{
    return QStringLiteral("LibreOffice не отвечает: за %1 с он не ответил по каналу \"%2\".")
        .arg(settings.waitSeconds)
        .arg(settings.pipe);
}

QString endedAtStart(const Settings& settings, int status)
{
    QString text = QStringLiteral("LibreOffice завершил работу сразу после запуска (%1), не открыв канал \"%2\".")
                       .arg(OfficeProcess::describe(status), settings.pipe);
    // A launcher that hands its work to an office already running with the
    // profile ends at once, and well.
    if (status >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        text += QStringLiteral(" Вероятно, LibreOffice с профилем \"%1\" уже запущен и не отвечает: "
                               "закройте его и повторите.")
                    .arg(QDir::toNativeSeparators(settings.profile));
    return text;
}

// Takes every way to the network out of the office for as long as it runs.
void shutOffNetwork(const uno::Reference<uno::XComponentContext>& remote)
{
    uno::Reference<ucb::XContentProviderManager> providers(ucb::UniversalContentBroker::create(remote),
                                                           uno::UNO_QUERY_THROW);
    for (const auto& provider : providers->queryContentProviders())
        if (!kLocalSchemes.contains(toQString(provider.Scheme)))
            providers->deregisterContentProvider(provider.ContentProvider, provider.Scheme);
}

// One attempt to reach the office over a pipe, made on the helper and shared
// with the owner, who may give it up: closing the pipe ends a resolve that
// waits for an answer nothing gives (a socket that accepts and is silent).
// It owns everything it touches, since a helper may be left to it.
class Reach {
public:
    Reach(uno::Reference<uno::XComponentContext> local, Settings settings)
        : local_(std::move(local)), settings_(std::move(settings))
    {
    }

    const Settings& settings() const { return settings_; }

    // The office's context, or empty when nothing accepts on the pipe.
    uno::Reference<uno::XComponentContext> resolve()
    {
        uno::Reference<connection::XConnection> pipe;
        try {
            pipe = connection::Connector::create(local_)->connect(
                toOUString(QStringLiteral("pipe,name=") + settings_.pipe));
        } catch (const connection::NoConnectException&) {
            return {};
        }
        {
            std::lock_guard lock(mutex_);
            if (givenUp_) {
                pipe->close();
                return {};
            }
            pipe_ = pipe;
        }
        const auto bridge = bridge::BridgeFactory::create(local_)->createBridge({}, "urp", pipe, {});
        uno::Reference<uno::XComponentContext> remote(bridge->getInstance("StarOffice.ComponentContext"),
                                                      uno::UNO_QUERY);
        std::lock_guard lock(mutex_);
        pipe_.clear();
        link = pipe;
        return remote;
    }

    // Starts an office on the pipe and waits for it to answer there, as long
    // as the settings allow, connecting only while the socket is ours. An
    // office that ends before it answers is told of at once, with how it
    // ended; one that does not answer in time is ended.
    void startAndWait()
    {
        prepareProfile(settings_.profile, settings_.pipe);
        process = OfficeProcess::start(settings_);
        int starts = 1;
        QDeadlineTimer deadline(std::chrono::seconds(settings_.waitSeconds));
        const auto fail = [this](const QString& text) {
            process->end(std::chrono::milliseconds(0));
            process.reset();
            throw KvilmarError(text);
        };
        while (!context.is()) {
            if (deadline.hasExpired() || givenUp())
                fail(notAnswering(settings_));
            QThread::msleep(100);
            const PipeCheck check = checkPipe(settings_.pipe);
            if (check.state == PipeCheck::Foreign)
                fail(check.problem
                     + QStringLiteral(". Квилмар не соединяется по такому каналу; "
                                      "в следующий раз он выберет другой."));
            if (check.state == PipeCheck::Ours)
                context = resolve();
            if (context.is())
                break;
            const std::optional<int> status = process->exitStatus();
            if (!status)
                continue;
            if (OfficeProcess::asksRestart(*status) && starts < kStartAttempts) {
                process->end(std::chrono::milliseconds(0));
                process = OfficeProcess::start(settings_);
                ++starts;
                continue;
            }
            fail(endedAtStart(settings_, *status));
        }
    }

    // On the owner's thread: the attempt ends as soon as it can.
    void giveUp()
    {
        std::lock_guard lock(mutex_);
        givenUp_ = true;
        if (pipe_.is())
            pipe_->close();
    }

    // What the attempt found; read by the owner once it has ended.
    uno::Reference<uno::XComponentContext> context;
    uno::Reference<connection::XConnection> link;
    std::unique_ptr<OfficeProcess> process; // the office it started, if any

private:
    bool givenUp()
    {
        std::lock_guard lock(mutex_);
        return givenUp_;
    }

    const uno::Reference<uno::XComponentContext> local_;
    const Settings settings_;
    std::mutex mutex_;
    bool givenUp_ = false;
    uno::Reference<connection::XConnection> pipe_;
};

// Runs a step of the attempt within the office's wait (a little more, so
// that the start's own limit, which says more, comes first).
void reachWithin(const std::shared_ptr<Reach>& reach, const QString& what, void (*step)(Reach&))
{
    const auto limit = std::chrono::seconds(reach->settings().waitSeconds + 1);
    if (!waitForOfficeWithin(
            what, limit, [reach, step] { step(*reach); }, [reach] { reach->giveUp(); }))
        throw KvilmarError(notAnswering(reach->settings()));
}

} // namespace

Connection& Connection::instance()
{
    // Never destroyed: at program exit the UNO runtime may already be gone, so
    // releasing the office's objects then would crash. The office runs on.
    static Connection* connection = new Connection;
    return *connection;
}

Connection::Connection() : firstUser_(QThread::currentThread())
{
}

Connection::~Connection() = default;

bool Connection::onOwnerThread() const
{
    const QCoreApplication* app = QCoreApplication::instance();
    return QThread::currentThread() == (app ? app->thread() : firstUser_);
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

bool Connection::answers()
{
    if (!desktop_.is())
        return false;
    const uno::Reference<frame::XDesktop2> desktop = desktop_;
    bool answered = false;
    waitForOffice(
        {},
        [&] {
            try {
                desktop->getCurrentFrame();
                answered = true;
            } catch (const uno::RuntimeException&) {
            }
        },
        std::chrono::seconds(answerWaitSeconds_),
        [this, &answered] {
            cutOff();
            answered = false;
        });
    return answered;
}

void Connection::cutOff()
{
    Q_ASSERT_X(onOwnerThread(), "Connection::cutOff", "called off the connection's owner thread");
    if (link_.is()) {
        try {
            link_->close();
        } catch (const uno::Exception&) {
        }
    }
    // Gone before the next connection, which would find its socket still
    // accepting otherwise.
    if (OfficeProcess* office = startedOffice(); office && startedHidden())
        office->end(std::chrono::milliseconds(0));
}

OfficeProcess* Connection::startedOffice() const
{
    const auto found = started_.find(pipe_);
    return desktop_.is() && found != started_.end() ? found->second.process.get() : nullptr;
}

bool Connection::startedHidden() const
{
    const auto found = started_.find(pipe_);
    return found != started_.end() && found->second.hidden;
}

void Connection::endStartedOffice(std::chrono::milliseconds grace)
{
    Q_ASSERT_X(onOwnerThread() && !officeAwaited(), "Connection::endStartedOffice",
               "called off the owner thread or while the office is awaited");
    // The office last reached, even when the bridge to it was dropped.
    std::unique_ptr<OfficeProcess> office;
    if (const auto found = started_.find(pipe_); found != started_.end()) {
        office = std::move(found->second.process);
        started_.erase(found);
        startedPid_ = 0;
    }
    forget();
    if (office)
        office->end(grace);
}

void Connection::inflict(OfficeFault fault)
{
    Q_ASSERT_X(onOwnerThread(), "Connection::inflict", "called off the connection's owner thread");
    if (OfficeProcess* office = startedOffice())
        office->suffer(fault == OfficeFault::Freeze ? SIGSTOP : fault == OfficeFault::Kill ? SIGKILL : SIGSEGV);
}

bool Connection::seesPath(const QString& path)
{
    // An office reached is asked whether it still answers when it is used.
    if (!startedOffice())
        desktop();
    if (startedOffice())
        return true;
    const uno::Reference<uno::XComponentContext> remote = remote_;
    const QString url = fileUrl(path);
    bool sees = false;
    callOffice(QStringLiteral("Не удается спросить LibreOffice о файле \"%1\"").arg(QDir::toNativeSeparators(path)),
               [&] { sees = ucb::SimpleFileAccess::create(remote)->exists(toOUString(url)); });
    return sees;
}

QString Connection::pipeOfOurOwn(const QString& wanted)
{
    QString pipe = wanted;
    for (int choice = 0;; ++choice) {
        const PipeCheck check = checkPipe(pipe);
        if (check.state != PipeCheck::Foreign)
            return pipe;
        if (choice == kPipeChoices)
            throw KvilmarError(check.problem + QLatin1Char('.'));
        const QString own = pipe == ownPipeName() ? newOwnPipeName() : ownPipeName();
        const QString socket = pipeSocketPath(pipe);
        if (!refused_.contains(socket)) {
            refused_.insert(socket);
            tellNotice(QStringLiteral("%1. Квилмар соединится с LibreOffice по своему каналу \"%2\".")
                           .arg(check.problem, own));
        }
        pipe = own;
    }
}

uno::Reference<frame::XDesktop2> Connection::desktop()
{
    return reach(true);
}

bool Connection::connectToRunning()
{
    return reach(false).is();
}

void Connection::reachAt(std::optional<Settings> own)
{
    Q_ASSERT_X(onOwnerThread(), "Connection::reachAt", "called off the connection's owner thread");
    forget();
    own_ = std::move(own);
    startedPid_ = 0;
}

uno::Reference<frame::XDesktop2> Connection::reach(bool mayStart)
{
    Q_ASSERT_X(onOwnerThread(), "Connection::desktop", "called off the connection's owner thread");
    if (answers())
        return desktop_;
    forget();

    Settings settings = own_ ? *own_ : settingsFromEnvironment();
    if (!own_)
        settings.pipe = pipeOfOurOwn(settings.pipe);
    if (settings.mark.isEmpty())
        settings.mark = QString::number(QRandomGenerator::system()->generate64(), 16);
    const auto reach = std::make_shared<Reach>(localContext(), settings);
    try {
        if (checkPipe(settings.pipe).state == PipeCheck::Ours)
            reachWithin(reach, QStringLiteral("Соединение с LibreOffice..."),
                        [](Reach& r) { r.context = r.resolve(); });
        if (!reach->context.is() && !mayStart)
            return {};
        // No office answers on the pipe: start one and wait for it.
        if (!reach->context.is())
            reachWithin(reach, QStringLiteral("Запуск LibreOffice..."), [](Reach& r) { r.startAndWait(); });
        const uno::Reference<uno::XComponentContext> remote = reach->context;
        uno::Reference<frame::XDesktop2> desktop;
        // An office that accepts and then hangs is given up as one that is silent.
        bool silent = false;
        try {
            waitForOffice(
                {},
                [&] {
                    desktop = frame::Desktop::create(remote);
                    shutOffNetwork(remote);
                },
                std::chrono::seconds(settings.waitSeconds),
                [&] {
                    silent = true;
                    if (reach->link.is())
                        reach->link->close();
                });
        } catch (const uno::Exception&) {
            if (!silent)
                throw;
        }
        if (silent)
            throw KvilmarError(notAnswering(settings));
        remote_ = remote;
        desktop_ = desktop;
        link_ = reach->link;
        hung_.clear();
        pipe_ = settings.pipe;
        if (reach->process)
            started_[pipe_] = {std::move(reach->process), settings.headless};
        const auto found = started_.find(pipe_);
        startedPid_ = found != started_.end() ? found->second.process->id() : 0;
        answerWaitSeconds_ = settings.waitSeconds;
    } catch (...) {
        // An office started for an attempt that failed holds nothing.
        if (reach->process)
            reach->process->end(std::chrono::milliseconds(0));
        try {
            throw;
        } catch (const uno::Exception& e) {
            forget();
            throw OfficeError(QStringLiteral("Не удается соединиться с LibreOffice: связь прервалась при соединении."),
                              toQString(e.Message));
        }
    }
    return desktop_;
}

uno::Reference<uno::XComponentContext> Connection::remoteContext()
{
    desktop();
    return remote_;
}

uno::Reference<frame::XDesktop2> Connection::lastDesktop() const
{
    Q_ASSERT_X(onOwnerThread() || onOfficeThread(), "Connection::lastDesktop", "called off the owner and its helper");
    return desktop_;
}

uno::Reference<uno::XComponentContext> Connection::lastRemoteContext() const
{
    Q_ASSERT_X(onOwnerThread() || onOfficeThread(), "Connection::lastRemoteContext",
               "called off the owner and its helper");
    return remote_;
}

void Connection::forget()
{
    Q_ASSERT_X(onOwnerThread() && !officeAwaited(), "Connection::forget",
               "called off the owner thread or while the office is awaited");
    desktop_.clear();
    remote_.clear();
    link_.clear();
    // An office started before is kept while it runs; one that ended is
    // collected.
    std::erase_if(started_, [](auto& office) { return !office.second.process->running(); });
}

bool Connection::lost()
{
    Q_ASSERT_X(onOwnerThread(), "Connection::lost", "called off the connection's owner thread");
    if (answers())
        return false;
    dropLost();
    return true;
}

void Connection::dropLost()
{
    // What is left of a hidden office this program started (a process still
    // crashing, one not yet collected) goes with it.
    if (OfficeProcess* office = startedOffice(); office && startedHidden())
        office->end(std::chrono::milliseconds(0));
    forget();
}

namespace {

// The office gone: hung and cut off before, or lost.
[[noreturn]] void throwLost(const QString& details)
{
    const QString hung = Connection::instance().hung();
    if (!hung.isEmpty())
        throw OfficeHung(hung);
    throw ConnectionLost(details);
}

// The failure being handled, as callOffice throws it.
[[noreturn]] void throwAsOfficeError(const QString& doing)
{
    try {
        throw;
    } catch (const KvilmarError&) {
        throw;
    } catch (const lang::DisposedException& e) {
        Connection::instance().dropLost();
        throwLost(toQString(e.Message));
    } catch (const uno::RuntimeException& e) {
        // The bridge reports a dead office in more than one way; only a
        // desktop that no longer answers tells for sure.
        const QString details = toQString(e.Message);
        if (Connection::instance().lost())
            throwLost(details);
        throw OfficeError(QStringLiteral("%1: LibreOffice сообщает: %2").arg(doing, details), details);
    } catch (const uno::Exception& e) {
        QString text = toQString(e.Message).trimmed();
        if (text.isEmpty())
            text = toQString(cppu::getCaughtException().getValueTypeName());
        throw OfficeError(QStringLiteral("%1: LibreOffice сообщает: %2").arg(doing, text), text);
    }
}

} // namespace

void callOffice(const QString& doing, const std::function<void()>& call, const QString& waiting)
{
    const int limit = callWaitSeconds();
    bool hung = false;
    QString why;
    try {
        waitForOffice(waiting, call, std::chrono::seconds(limit), [&] {
            hung = true;
            why = cutReason();
            Connection::instance().cutOff();
        });
    } catch (...) {
        if (!hung)
            throwAsOfficeError(doing);
    }
    if (hung) {
        Connection& connection = Connection::instance();
        connection.forget();
        if (why.isEmpty())
            why = QStringLiteral("LibreOffice не ответил за %1 с, и связь с ним прервана.").arg(limit);
        connection.setHung(QStringLiteral("%1: %2").arg(
            doing.isEmpty() ? QStringLiteral("Не удается заполнить документ") : doing, why));
        throw OfficeHung(connection.hung());
    }
}

} // namespace office::lo
