#include "filling/office/connection/OfficeWait.h"

#include "common/KvilmarError.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <rtl/byteseq.hxx>
#include <uno/threadpool.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace office {

namespace {

WaitListener* installedListener = nullptr;
bool awaited = false;
// A cut asked for from another thread, and its reason.
std::atomic<bool> cutAsked{false};
std::mutex cutMutex;
QString askedReason;
QString reasonOfTheCut; // while a cut wait is being cut
thread_local bool officeThread = false;

// How long a call given up may take to end before its helper is left to it.
constexpr std::chrono::seconds kGrace{5};

std::function<void(const QString&)>& noticeSink()
{
    static std::function<void(const QString&)> sink;
    return sink;
}

// One call of the application's thread, shared with the helper that runs it,
// so that a call given up leaves nothing behind that the helper could touch.
struct Call {
    explicit Call(std::function<void()> w) : work(std::move(w)) {}
    std::function<void()> work;
    std::exception_ptr failure;
    std::atomic<bool> done{false};
};

// What a helper wakes when a call is done; none once the application object
// has gone.
std::mutex wakeMutex;
QCoreApplication* wakeTarget = nullptr;

void wakeApplication()
{
    std::lock_guard lock(wakeMutex);
    if (wakeTarget)
        QMetaObject::invokeMethod(
            wakeTarget, [] {}, Qt::QueuedConnection);
}

// The identity the bridge gives the application's thread, taken once.
rtl::ByteSequence applicationIdentity()
{
    static const rtl::ByteSequence identity = [] {
        sal_Sequence* id = nullptr;
        // Binds an identity to this thread for as long as the program runs.
        uno_getIdOfCurrentThread(&id);
        return rtl::ByteSequence(id, rtl::BYTESEQ_NOACQUIRE);
    }();
    return identity;
}

// The helper thread that runs every call of the application's thread into
// the office: the office's side of the bridge then sees one caller and
// keeps one thread for it, however many calls a run makes.
//
// The helper also takes on the identity the bridge gives the application's
// thread. Letting go of an office object sends a release that the office
// runs on a thread of its own; it finishes those of a caller before that
// caller's next call, but only within one identity. The application's
// thread lets go of objects too (a finished document, its shapes); under two
// identities the office ran those releases alongside the helper's calls,
// and its releasing is not safe against that. The two threads never call at
// the same time (waits do not nest), so for the office they may well be one
// caller.
class OfficeThread {
public:
    OfficeThread() : queue_(std::make_shared<Queue>()), thread_(serve, queue_, applicationIdentity()) {}
    ~OfficeThread()
    {
        if (!thread_.joinable())
            return;
        stop();
        thread_.join();
    }
    OfficeThread(const OfficeThread&) = delete;
    OfficeThread& operator=(const OfficeThread&) = delete;

    void post(std::shared_ptr<Call> call)
    {
        {
            std::lock_guard lock(queue_->mutex);
            queue_->calls.push_back(std::move(call));
        }
        queue_->wake.notify_one();
    }

    // Leaves the thread to a call that does not end (blocked in a read
    // nothing answers): it ends after that call, or with the process.
    void leave()
    {
        stop();
        thread_.detach();
    }

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable wake;
        std::deque<std::shared_ptr<Call>> calls;
        bool stop = false;
    };

    void stop()
    {
        {
            std::lock_guard lock(queue_->mutex);
            queue_->stop = true;
        }
        queue_->wake.notify_one();
    }

    static void serve(std::shared_ptr<Queue> queue, rtl::ByteSequence identity)
    {
        uno_bindIdToCurrentThread(identity.getHandle());
        officeThread = true;
        for (;;) {
            std::shared_ptr<Call> call;
            {
                std::unique_lock lock(queue->mutex);
                queue->wake.wait(lock, [&] { return queue->stop || !queue->calls.empty(); });
                if (queue->stop)
                    break;
                call = std::move(queue->calls.front());
                queue->calls.pop_front();
            }
            try {
                call->work();
            } catch (...) {
                call->failure = std::current_exception();
            }
            call->done = true;
            wakeApplication();
        }
        uno_releaseIdFromCurrentThread();
    }

    std::shared_ptr<Queue> queue_;
    std::thread thread_;
};

std::unique_ptr<OfficeThread>& helperSlot()
{
    static std::unique_ptr<OfficeThread> helper;
    return helper;
}

// Ends the helper with the application object: it is idle then, since the
// application's thread waits for every call it makes.
void joinHelper()
{
    {
        std::lock_guard lock(wakeMutex);
        wakeTarget = nullptr;
    }
    helperSlot().reset();
}

OfficeThread& helper()
{
    std::unique_ptr<OfficeThread>& slot = helperSlot();
    if (!slot) {
        slot = std::make_unique<OfficeThread>();
        {
            std::lock_guard lock(wakeMutex);
            wakeTarget = QCoreApplication::instance();
        }
        qRemovePostRoutine(joinHelper);
        qAddPostRoutine(joinHelper);
    }
    return *slot;
}

bool onApplicationThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Marks the application's thread as waiting; refuses a wait within a wait.
class Awaiting {
public:
    Awaiting()
    {
        if (awaited)
            throw KvilmarError(QStringLiteral("Программа уже ждет ответа LibreOffice; новое обращение к нему "
                                              "возможно, когда он ответит."));
        awaited = true;
    }
    ~Awaiting() { awaited = false; }
    Awaiting(const Awaiting&) = delete;
    Awaiting& operator=(const Awaiting&) = delete;
};

// Tells the listener about one wait for as long as it lasts.
class WaitNotice {
public:
    explicit WaitNotice(const QString& what) : listener_(what.isEmpty() ? nullptr : installedListener)
    {
        if (listener_)
            listener_->officeWaitBegins(what);
    }
    ~WaitNotice()
    {
        if (listener_)
            listener_->officeWaitEnds();
    }
    WaitNotice(const WaitNotice&) = delete;
    WaitNotice& operator=(const WaitNotice&) = delete;

private:
    WaitListener* listener_;
};

// Processes events until the helper has done the call or the deadline passes,
// or, for a wait that can be cut, a cut is asked for.
bool awaitCall(const Call& call, QDeadlineTimer deadline, bool cuttable)
{
    QTimer alarm; // wakes the wait at the deadline
    alarm.setSingleShot(true);
    alarm.setTimerType(Qt::PreciseTimer);
    while (!call.done && !deadline.hasExpired() && !(cuttable && cutAsked)) {
        // Set anew each time: a timer may fire a little before the deadline.
        if (!deadline.isForever())
            alarm.start(std::chrono::milliseconds(std::max<qint64>(1, deadline.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
    return call.done;
}

// The reason of a cut asked for, taken: empty when none was.
QString takeCut()
{
    if (!cutAsked.exchange(false))
        return {};
    const std::lock_guard lock(cutMutex);
    return std::exchange(askedReason, QString());
}

} // namespace

void setWaitListener(WaitListener* listener)
{
    installedListener = listener;
}

void setNoticeSink(std::function<void(const QString&)> sink)
{
    noticeSink() = std::move(sink);
}

void tellNotice(const QString& text)
{
    if (noticeSink()) {
        noticeSink()(text);
        return;
    }
    // On a line of its own, after whatever progress the terminal shows.
    const QString line = (::isatty(STDERR_FILENO) ? QStringLiteral("\r\033[K") : QString()) + text + QLatin1Char('\n');
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

namespace {

void waitToTheEnd(const QString& what, const std::function<void()>& work, QDeadlineTimer limit,
                  const std::function<void()>& cut, bool cuttable)
{
    if (!onApplicationThread()) {
        work();
        return;
    }
    const Awaiting awaiting;
    const WaitNotice notice(what);
    // Waited for to the end, so the work's references stay good.
    const auto call = std::make_shared<Call>([&work] { work(); });
    helper().post(call);
    if (!awaitCall(*call, limit, cuttable)) {
        reasonOfTheCut = takeCut();
        cut();
        reasonOfTheCut.clear();
        awaitCall(*call, QDeadlineTimer(QDeadlineTimer::Forever), false);
    }
    if (call->failure)
        std::rethrow_exception(call->failure);
}

} // namespace

void waitForOffice(const QString& what, const std::function<void()>& work)
{
    waitToTheEnd(
        what, work, QDeadlineTimer(QDeadlineTimer::Forever), [] {}, false);
}

void waitForOffice(const QString& what, const std::function<void()>& work, std::chrono::milliseconds limit,
                   const std::function<void()>& cut)
{
    waitToTheEnd(what, work, QDeadlineTimer(limit), cut, true);
}

bool waitForOfficeWithin(const QString& what, std::chrono::milliseconds limit, std::function<void()> work,
                         const std::function<void()>& giveUp)
{
    if (!onApplicationThread()) {
        work();
        return true;
    }
    const Awaiting awaiting;
    const WaitNotice notice(what);
    const auto call = std::make_shared<Call>(std::move(work));
    helper().post(call);
    if (awaitCall(*call, QDeadlineTimer(limit), true)) {
        if (call->failure)
            std::rethrow_exception(call->failure);
        return true;
    }
    takeCut();
    giveUp();
    if (!awaitCall(*call, QDeadlineTimer(kGrace), false)) {
        helperSlot()->leave();
        helperSlot().reset();
    }
    return false;
}

void cutOfficeWait(const QString& why)
{
    {
        const std::lock_guard lock(cutMutex);
        askedReason = why;
    }
    cutAsked = true;
    wakeApplication();
}

QString cutReason()
{
    return reasonOfTheCut;
}

bool onOfficeThread()
{
    return officeThread;
}

bool officeAwaited()
{
    return awaited;
}

} // namespace office
