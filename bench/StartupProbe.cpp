#include "StartupProbe.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <poll.h>

namespace {

// The process that owns a window, as the toolkit tells it (_NET_WM_PID).
qint64 ownerOf(Display* display, Window window)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    qint64 pid = 0;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data)
            == Success
        && data && count == 1 && format == 32)
        pid = static_cast<qint64>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

// Waits for a top-level window of the process to be mapped, while it runs.
bool waitForWindow(Display* display, QProcess& process, int timeoutMs)
{
    const qint64 pid = process.processId();
    QElapsedTimer waited;
    waited.start();
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    while (waited.elapsed() < timeoutMs && !process.waitForFinished(0)) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && ownerOf(display, event.xmap.window) == pid)
                return true;
        }
        ::poll(&connection, 1, 50);
    }
    return false;
}

double peakMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

std::optional<StartupFigures> measureStartup(const QString& program, const QStringList& arguments,
                                             const QProcessEnvironment& environment)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "the X display cannot be opened\n");
        return std::nullopt;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    std::optional<StartupFigures> figures;
    const bool started = process.waitForStarted();
    const bool mapped = started && waitForWindow(display, process, 60000);
    if (!mapped)
        std::fprintf(stderr, "%s: %s after %lld ms\n", qPrintable(program),
                     !started                                      ? "did not start"
                         : process.state() == QProcess::NotRunning ? "ended"
                                                                   : "showed no window",
                     static_cast<long long>(timer.elapsed()));
    if (mapped) {
        StartupFigures f;
        f.secondsToWindow = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        QThread::msleep(1000);
        f.peakMiB = peakMiB(process.processId());
        figures = f;
    }
    XCloseDisplay(display);
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return figures;
}
