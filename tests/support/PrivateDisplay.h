#pragma once

// An X server of the test process's own. Tests that feed real input through
// the X server (pointer, keyboard focus) must not share a display with tests
// running at the same time: their clicks and focus changes would land in
// each other's windows. Each such test process starts one Xvfb and points
// DISPLAY at it before the toolkit opens the display.

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace snipforge::test {

class PrivateDisplay {
public:
    /// Starts `Xvfb` with one screen of `screen` ("WIDTHxHEIGHTxDEPTH") and
    /// sets DISPLAY to it; `ok()` is false (and DISPLAY unchanged) when no X
    /// server could be started.
    explicit PrivateDisplay(const std::string& screen = "1280x1024x24") {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // The read end may itself be fd 3: close it before moving the
            // write end there.
            ::close(fds[0]);
            if (fds[1] != 3) {
                ::dup2(fds[1], 3);
                ::close(fds[1]);
            }
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        pollfd ready{fds[0], POLLIN, 0};
        while (m_pid > 0 && ::poll(&ready, 1, 15000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number.push_back(c);
        ::close(fds[0]);
        if (number.empty())
            return;
        if (const char* old = std::getenv("DISPLAY"))
            m_previous = old;
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
        m_ok = true;
    }
    ~PrivateDisplay() {
        if (m_ok) {
            if (m_previous.empty())
                ::unsetenv("DISPLAY");
            else
                ::setenv("DISPLAY", m_previous.c_str(), 1);
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;
    bool ok() const { return m_ok; }

private:
    pid_t m_pid = -1;
    bool m_ok = false;
    std::string m_previous;
};

/// One private display for the rest of the process, started on the first
/// call when a display exists at all (the test runs under X). Call it before
/// the toolkit's thread starts; later calls do nothing. The server is
/// stopped at exit.
inline void usePrivateDisplayForProcess() {
    static bool done = false;
    if (done)
        return;
    done = true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return;
    static PrivateDisplay* server = new PrivateDisplay();
    if (!server->ok())
        return;
    std::atexit([] {
        // The toolkit's own exit hook may still talk to the server; it
        // registered after this one, so it runs first.
        delete server;
    });
}

} // namespace snipforge::test
