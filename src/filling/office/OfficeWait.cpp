#include "filling/office/OfficeWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <rtl/byteseq.hxx>
#include <uno/threadpool.h>

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace office {

namespace {

WaitListener* installedListener = nullptr;

// One helper thread for every call into the office: the office's side of the
// bridge then sees one caller and keeps one thread for it, however many calls
// a run makes.
//
// The helper also takes on the identity the bridge gives the application's
// thread. Letting go of an office object sends a release that the office
// runs on a thread of its own; it finishes those of a caller before that
// caller's next call, but only within one identity. The application's
// thread lets go of objects too (a finished document, its shapes); under two
// identities the office ran those releases alongside the helper's calls,
// and its releasing is not safe against that. The two threads never call at
// the same time, so for the office they may well be one caller.
class OfficeThread {
public:
    static OfficeThread& instance()
    {
        // Never destroyed: the thread waits for work until the program ends.
        static auto* thread = new OfficeThread;
        return *thread;
    }

    void post(std::function<void()> job)
    {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
    }

private:
    // Made on the application's thread, whose identity the helper takes on.
    OfficeThread() : thread_([this, identity = applicationIdentity()] {
        uno_bindIdToCurrentThread(identity.getHandle());
        serve();
    }) {}

    static rtl::ByteSequence applicationIdentity()
    {
        sal_Sequence* id = nullptr;
        // Binds an identity to this thread for as long as the program runs.
        uno_getIdOfCurrentThread(&id);
        return rtl::ByteSequence(id, rtl::BYTESEQ_NOACQUIRE);
    }

    [[noreturn]] void serve()
    {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return !jobs_.empty(); });
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::thread thread_;
};

bool onApplicationThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

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

} // namespace

void setWaitListener(WaitListener* listener)
{
    installedListener = listener;
}

void waitForOffice(const QString& what, const std::function<void()>& work)
{
    if (!onApplicationThread()) {
        work();
        return;
    }
    WaitNotice notice(what);
    std::exception_ptr failure;
    QEventLoop loop;
    OfficeThread::instance().post([&work, &failure, &loop] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // The last touch of this call's state: the loop quits once it gets
        // this event, and only then does the caller go on.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace office
