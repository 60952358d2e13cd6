#include "foundation/thread/win/StopSignals.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace s::thread::win {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Written by the handler, read by the watcher. A 0 byte ends the watcher.
int g_pipe[2] = {-1, -1};
std::atomic<int> g_signal{0};

struct Watch {
    std::mutex lock; // guards the members and serialises the stop function's calls
    bool started = false;
    std::thread watcher;
    std::function<void(int)> onStop;
    bool called = false; // onStop was called for the signal
};

// Never destroyed: a signal may arrive while static destructors run.
Watch& watch() {
    static Watch* w = new Watch();
    return *w;
}

extern "C" void onStopSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe only loses repeats: the first one is already waiting.
    (void)!::write(g_pipe[1], &byte, 1);
    errno = saved;
}

void deliver(int signal) {
    int none = 0;
    if (!g_signal.compare_exchange_strong(none, signal))
        return; // the stop is under way
    Watch& w = watch();
    std::lock_guard guard(w.lock);
    if (w.onStop && !w.called) {
        w.called = true;
        w.onStop(signal);
    }
}

void watchLoop() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t n = ::read(g_pipe[0], &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || byte == 0)
            return;
        deliver(byte);
    }
}

} // namespace

void ignoreFileSizeSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGXFSZ, &ignore, nullptr);
}

bool catchStopSignals() {
    Watch& w = watch();
    std::lock_guard guard(w.lock);
    if (w.started)
        return true;
    if (::pipe2(g_pipe, O_CLOEXEC) != 0)
        return false;
    // The handler must never block.
    ::fcntl(g_pipe[1], F_SETFL, ::fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);
    try {
        w.watcher = std::thread(watchLoop);
    } catch (...) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kStopSignals)
        sigaddset(&action.sa_mask, signal);
    for (int signal : kStopSignals)
        ::sigaction(signal, &action, nullptr);
    w.started = true;
    return true;
}

void setStopFunction(std::function<void(int signal)> onStop) {
    Watch& w = watch();
    std::lock_guard guard(w.lock);
    w.onStop = std::move(onStop);
    w.called = false;
    if (w.onStop && g_signal.load() != 0) {
        w.called = true;
        w.onStop(g_signal.load());
    }
}

int stopSignal() {
    return g_signal.load();
}

int exitStatusAfterSignal(int normal) {
    const int signal = g_signal.load();
    return signal != 0 ? 128 + signal : normal;
}

void releaseStopSignals() {
    Watch& w = watch();
    std::thread watcher;
    {
        std::lock_guard guard(w.lock);
        if (!w.started)
            return;
        w.started = false;
        w.onStop = nullptr;
        watcher = std::move(w.watcher);
    }
    // The handler stays: a signal that arrives while the process leaves is
    // only written to the pipe, so the exit handlers still run.
    const unsigned char quit = 0;
    while (::write(g_pipe[1], &quit, 1) < 0) {
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            break;
        // Full of repeats: wait until the watcher has read some.
        pollfd room{g_pipe[1], POLLOUT, 0};
        (void)::poll(&room, 1, -1);
    }
    if (watcher.joinable())
        watcher.join();
}

} // namespace s::thread::win
