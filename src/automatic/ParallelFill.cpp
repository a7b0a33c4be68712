#include "automatic/ParallelFill.h"

#include "common/FileAccess.h"

#include <QDataStream>
#include <QEventLoop>
#include <QIODevice>
#include <QProcess>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <set>
#include <unistd.h>

namespace automatic {

namespace {

// A frame larger than this is no frame of ours: the worker is taken as lost.
constexpr quint32 kMaxFrameBytes = 64 * 1024 * 1024;
// Workers lost one after another, each while making a document: the batch
// stops rather than start more.
constexpr int kLossesToStop = 3;
// How long the workers may take to end their offices once the batch is done.
constexpr int kEndingMsecs = 60000;

enum class Kind : quint8 { Job = 1, Tell = 2, Result = 3 };

QByteArray framed(const std::function<void(QDataStream&)>& fill)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream.setVersion(QDataStream::Qt_6_0);
    fill(stream);
    QByteArray frame;
    QDataStream head(&frame, QIODevice::WriteOnly);
    head << static_cast<quint32>(payload.size());
    return frame + payload;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    return fileAccess::writeAll(fd, bytes.constData(), bytes.size());
}

bool readAll(int fd, char* into, qsizetype size)
{
    for (qsizetype done = 0; done < size;) {
        const ssize_t got = ::read(fd, into + done, static_cast<size_t>(size - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += got;
    }
    return true;
}

// The next whole frame at the front of `buffer`, taken off it; nullopt while
// it is not all there. Throws KvilmarError for a length no frame has.
std::optional<QByteArray> takeFrame(QByteArray& buffer)
{
    if (buffer.size() < 4)
        return std::nullopt;
    quint32 length = 0;
    QDataStream(buffer.left(4)) >> length;
    if (length > kMaxFrameBytes)
        throw KvilmarError(QStringLiteral("обработчик документов прислал непонятный ответ"));
    if (buffer.size() < 4 + static_cast<qsizetype>(length))
        return std::nullopt;
    QByteArray frame = buffer.mid(4, length);
    buffer.remove(0, 4 + static_cast<qsizetype>(length));
    return frame;
}

QByteArray jobFrame(int index, const FillJob& job, const PlannedDocument& document, bool replace)
{
    return framed([&](QDataStream& s) {
        s << static_cast<quint8>(Kind::Job) << qint32(index) << job.templateName << qint32(job.records.size());
        for (const IdentifierRecord& r : job.records)
            s << r.identifier << r.replacement << r.comment << r.status;
        s << qint32(job.range.sheetCount) << job.range.rangeText << job.trace << qint32(document.number)
          << qint32(document.line) << document.output << replace << job.items.identifiers << job.items.items
          << document.refusal;
    });
}

QByteArray resultFrame(int index, const Attempt& a)
{
    return framed([&](QDataStream& s) {
        const JobOutcome& o = a.outcome;
        s << static_cast<quint8>(Kind::Result) << qint32(index) << o.made << o.reason << o.msecs << o.note
          << a.left.notInTemplate << a.left.stillInDocument << a.stop.has_value()
          << (a.stop ? a.stop->badInput() : false);
    });
}

} // namespace

void WorkerConsole::err(const QString& text)
{
    writeAll(out_, framed([&](QDataStream& s) { s << static_cast<quint8>(Kind::Tell) << text.trimmed(); }));
}

void serveJobs(FillOffice& office, int in, int out)
{
    for (;;) {
        char head[4];
        if (!readAll(in, head, 4))
            return;
        quint32 length = 0;
        QDataStream(QByteArray(head, 4)) >> length;
        if (length > kMaxFrameBytes)
            return;
        QByteArray frame(static_cast<qsizetype>(length), Qt::Uninitialized);
        if (!readAll(in, frame.data(), frame.size()))
            return;
        QDataStream s(frame);
        s.setVersion(QDataStream::Qt_6_0);
        quint8 kind = 0;
        qint32 index = 0, count = 0, sheets = 0, number = 0, line = 0;
        FillJob job;
        PlannedDocument document;
        bool replace = false;
        s >> kind >> index >> job.templateName >> count;
        if (kind != static_cast<quint8>(Kind::Job) || count < 0 || count > 1000)
            return;
        for (qint32 i = 0; i < count; ++i) {
            IdentifierRecord r;
            s >> r.identifier >> r.replacement >> r.comment >> r.status;
            job.records << r;
        }
        s >> sheets >> job.range.rangeText >> job.trace >> number >> line >> document.output >> replace
            >> job.items.identifiers >> job.items.items >> document.refusal;
        if (s.status() != QDataStream::Ok)
            return;
        job.range.sheetCount = sheets;
        document.number = number;
        document.line = line;
        document.format = outputFormatFor(document.output);
        job.savedAs = document.output;
        if (!writeAll(out, resultFrame(index, makeOne(office, job, document, replace))))
            return;
    }
}

struct ParallelFill::State {
    struct Worker {
        std::unique_ptr<QProcess> process;
        QByteArray buffer;
        int busyWith = -1; // the index of the document it makes; -1: none
        qint64 pid = 0;
    };

    State(const WorkerCommand& c, int jobs, Console& con) : command(c), console(con), workers(jobs) {}

    const WorkerCommand command;
    Console& console;
    std::vector<Worker> workers;
    // Their processes, for a program that must end at once.
    std::shared_ptr<std::pair<std::mutex, std::set<qint64>>> running =
        std::make_shared<std::pair<std::mutex, std::set<qint64>>>();
};

ParallelFill::ParallelFill(const WorkerCommand& command, int jobs, Console& console)
    : state_(std::make_unique<State>(command, jobs, console))
{
    // Told to end at once, a worker kills its office and removes what it
    // staged: nothing it made is left half done. So are workers whose
    // document is not done soon after a stop was asked for.
    const auto endWorkers = [running = state_->running] {
        const std::lock_guard lock(running->first);
        for (const qint64 pid : running->second)
            ::kill(static_cast<pid_t>(pid), SIGTERM);
    };
    console.onEndNow(endWorkers);
    console.onCutNow(endWorkers);
}

ParallelFill::~ParallelFill() = default;

void ParallelFill::run(const BatchPlan& plan, const QList<int>& order, const std::function<bool(int, Attempt)>& done)
{
    State& st = *state_;
    QEventLoop loop;
    qsizetype next = 0;
    bool handing = true;
    int lossesInARow = 0;

    const auto deliver = [&](int index, Attempt attempt) {
        if (!done(index, std::move(attempt)))
            handing = false;
    };
    const auto busy = [&] {
        return std::any_of(st.workers.begin(), st.workers.end(),
                           [](const State::Worker& w) { return w.busyWith >= 0; });
    };
    const auto running = [](const State::Worker& w) { return w.process && w.process->state() != QProcess::NotRunning; };
    // Once nothing more is handed out and nothing is being made, the
    // workers' input ends, and they end their offices and themselves.
    bool toldToStop = false;
    const auto windDown = [&] {
        // A worker still starting its office ends at once; one making a
        // document finishes it.
        if (st.console.stopRequested() && !std::exchange(toldToStop, true))
            for (State::Worker& w : st.workers)
                if (running(w))
                    ::kill(static_cast<pid_t>(w.pid), SIGINT);
        if (busy() || (handing && next < order.size() && !st.console.stopRequested()))
            return;
        handing = false;
        bool anyRunning = false;
        for (State::Worker& w : st.workers) {
            if (running(w)) {
                w.process->closeWriteChannel();
                anyRunning = true;
            }
        }
        if (!anyRunning)
            loop.quit();
    };

    std::function<void(State::Worker&)> handOut;
    const auto start = [&](State::Worker& w) {
        // A worker lost is let go once the loop is back from its signal.
        if (w.process)
            w.process.release()->deleteLater();
        w.process = std::make_unique<QProcess>();
        w.buffer.clear();
        QProcess* process = w.process.get();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(process, &QProcess::readyReadStandardOutput, &loop, [&, process, worker = &w] {
            worker->buffer += process->readAllStandardOutput();
            try {
                while (std::optional<QByteArray> frame = takeFrame(worker->buffer)) {
                    QDataStream s(*frame);
                    s.setVersion(QDataStream::Qt_6_0);
                    quint8 kind = 0;
                    s >> kind;
                    if (kind == static_cast<quint8>(Kind::Tell)) {
                        QString text;
                        s >> text;
                        tellLine(st.console, text);
                        continue;
                    }
                    qint32 index = -1;
                    Attempt a;
                    bool stops = false, badInput = false;
                    s >> index >> a.outcome.made >> a.outcome.reason >> a.outcome.msecs >> a.outcome.note
                        >> a.left.notInTemplate >> a.left.stillInDocument >> stops >> badInput;
                    if (kind != static_cast<quint8>(Kind::Result) || s.status() != QDataStream::Ok
                        || index != worker->busyWith)
                        throw KvilmarError(QStringLiteral("обработчик документов прислал непонятный ответ"));
                    const PlannedDocument& document = plan.documents().at(index);
                    a.outcome.output = document.output;
                    a.outcome.line = document.line;
                    if (stops)
                        a.stop.emplace(a.outcome.reason, badInput);
                    worker->busyWith = -1;
                    lossesInARow = 0;
                    deliver(index, std::move(a));
                    handOut(*worker);
                }
            } catch (const KvilmarError&) {
                // Not a worker of ours, or one gone wrong: it is lost.
                process->kill();
            }
            windDown();
        });
        const auto lost = [&, process, worker = &w] {
            {
                const std::lock_guard lock(st.running->first);
                st.running->second.erase(worker->pid);
            }
            if (worker->busyWith >= 0) {
                const int index = std::exchange(worker->busyWith, -1);
                const PlannedDocument& document = plan.documents().at(index);
                Attempt a;
                a.outcome.output = document.output;
                a.outcome.line = document.line;
                a.outcome.reason =
                    QStringLiteral("обработчик документов (процесс %1) неожиданно завершился.").arg(worker->pid);
                // Told to stop, it ended before making its document.
                a.outcome.skipped = st.console.stopRequested();
                if (++lossesInARow >= kLossesToStop)
                    a.stop.emplace(a.outcome.reason, false);
                deliver(index, std::move(a));
                handOut(*worker);
            }
            windDown();
        };
        QObject::connect(process, &QProcess::finished, &loop, lost);
        QObject::connect(process, &QProcess::errorOccurred, &loop, [lost](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                lost();
        });
        process->start(st.command.program, st.command.arguments);
        w.pid = process->processId();
        const std::lock_guard lock(st.running->first);
        st.running->second.insert(w.pid);
    };
    handOut = [&](State::Worker& w) {
        if (!handing || next >= order.size() || st.console.stopRequested())
            return;
        if (!running(w))
            start(w);
        const int index = order.at(next++);
        const PlannedDocument& document = plan.documents().at(index);
        w.busyWith = index;
        w.process->write(jobFrame(index, plan.fillJobFor(document), document, plan.options().force));
    };

    QTimer stopWatch;
    QObject::connect(&stopWatch, &QTimer::timeout, &loop, windDown);
    stopWatch.start(100);
    for (State::Worker& w : st.workers)
        handOut(w);
    windDown();
    if (busy() || std::any_of(st.workers.begin(), st.workers.end(), running))
        loop.exec();
    // Workers that do not end in time are told to end at once.
    for (State::Worker& w : st.workers) {
        if (running(w) && !w.process->waitForFinished(kEndingMsecs)) {
            w.process->terminate();
            w.process->waitForFinished(5000);
        }
    }
}

} // namespace automatic
