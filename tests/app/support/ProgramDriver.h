#pragma once

// Drives the desktop program as a user meets it: started as its own process
// on the test's X display (with a window manager when one is installed) and
// worked with real input through `xdotool`. Positions of controls come from
// the layout file the program writes when SNIPFORGE_DUMP_LAYOUT is set, so
// nothing depends on pixel offsets.

#include "support/PrivateDisplay.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#ifndef SNIPFORGE_PROGRAM
#define SNIPFORGE_PROGRAM ""
#endif

namespace snipforge::test {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
/// A sanitized program needs about half a second to start and, with the
/// leak check, as long again to end: limits on a whole run allow for it.
inline constexpr int kSanitizerSlowdown = 3;
#else
inline constexpr int kSanitizerSlowdown = 1;
#endif

using namespace std::chrono_literals;

/// Runs a shell command; its standard output, and its exit status in
/// `status` (-1 when it could not run).
inline std::string shell(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (status)
            *status = -1;
        return out;
    }
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int rc = ::pclose(pipe);
    if (status)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

/// `text` as one shell word.
inline std::string shellWord(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

/// The names in a folder (output names carry quotes and other characters
/// a shell would take apart).
inline std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            out.emplace_back(e->d_name);
        ::closedir(d);
    }
    return out;
}

inline bool haveTool(const char* name) {
    int status = 0;
    shell(std::string("command -v ") + name + " >/dev/null 2>&1", &status);
    return status == 0;
}

inline std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

inline bool entryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool enabled = false;
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
};

/// Polls `probe` every 100 ms until it is true or `limit` passed.
template <class F>
bool waitFor(F probe, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!probe()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(100ms);
    }
    return true;
}

/// A private home for the program: configuration, runtime folder, layout
/// file.
struct ProgramHome {
    s::test::TempDir dir{"program"};
    std::string home = dir.file("home");
    std::string config = dir.file("config");
    std::string runtime = dir.file("run");
    std::string layout = dir.file("layout.txt");
    bool ok = ::mkdir(home.c_str(), 0700) == 0 && ::mkdir(config.c_str(), 0700) == 0 &&
              ::mkdir(runtime.c_str(), 0700) == 0;
};

/// One run of the program with the home's environment, the given arguments
/// and extra environment entries ("NAME=value").
class Program {
public:
    explicit Program(const ProgramHome& env, std::vector<std::string> args = {},
                     std::vector<std::string> environment = {}) {
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        ::setenv("HOME", env.home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", env.config.c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", env.runtime.c_str(), 1);
        ::setenv("SNIPFORGE_DUMP_LAYOUT", env.layout.c_str(), 1);
        // No desktop services: the first-run page must not start a browser.
        ::setenv("GIO_USE_VFS", "local", 1);
        // The file chooser keeps its own settings; none reach the user's.
        ::setenv("GSETTINGS_BACKEND", "memory", 1);
        for (const std::string& entry : environment)
            if (const size_t eq = entry.find('='); eq != std::string::npos)
                ::setenv(entry.substr(0, eq).c_str(), entry.c_str() + eq + 1, 1);
        const char* program = SNIPFORGE_PROGRAM;
        std::vector<char*> argv{const_cast<char*>(program)};
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program, argv.data());
        ::_exit(127);
    }
    ~Program() {
        if (m_pid > 0 && !m_exited) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return m_pid; }

    /// Waits for the process to end; its exit status, or -1 when it did not
    /// end in time or was killed by a signal.
    int waitExit(std::chrono::milliseconds limit) {
        int status = 0;
        const bool ended = waitFor([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, limit);
        if (!ended)
            return -1;
        m_exited = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
};

/// Visible windows of a process (X window ids as text), child windows
/// included.
inline std::vector<std::string> visibleWindows(pid_t pid) {
    return words(shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " '.*' 2>/dev/null"));
}

/// Whether a window is a popup that bypasses the window manager, such as an
/// open menu (which carries the program's name as its title, but is no
/// window of its own).
inline bool isPopupWindow(const std::string& window) {
    return shell("xwininfo -id " + window + " 2>/dev/null").find("Override Redirect State: yes") !=
           std::string::npos;
}

/// The visible windows of a process that carry a title. (xdotool's search
/// by process also yields windows that name no process, such as the
/// window manager's own: those are left out.)
inline std::vector<std::string> titledWindows(pid_t pid) {
    std::vector<std::string> out;
    for (const std::string& w : visibleWindows(pid))
        if (!words(shell("xdotool getwindowname " + w + " 2>/dev/null")).empty() &&
            words(shell("xdotool getwindowpid " + w + " 2>/dev/null")) ==
                std::vector<std::string>{std::to_string(pid)} &&
            !isPopupWindow(w))
            out.push_back(w);
    return out;
}

/// Visible windows named like the program, of any process.
inline std::vector<std::string> programWindows() {
    return words(shell("xdotool search --onlyvisible --name Snipforge 2>/dev/null"));
}

inline std::string waitForMainWindow(pid_t pid) {
    std::string window;
    waitFor(
        [&] {
            std::vector<std::string> found = words(shell("xdotool search --onlyvisible --pid " +
                                                         std::to_string(pid) + " --name Snipforge 2>/dev/null"));
            if (found.empty())
                return false;
            window = found.front();
            return true;
        },
        60s);
    return window;
}

/// A window's size as xdotool reports it.
inline bool windowSize(const std::string& window, int* width, int* height) {
    *width = *height = 0;
    for (const std::string& g : words(shell("xdotool getwindowgeometry --shell " + window + " 2>/dev/null"))) {
        if (g.rfind("WIDTH=", 0) == 0)
            *width = std::atoi(g.c_str() + 6);
        else if (g.rfind("HEIGHT=", 0) == 0)
            *height = std::atoi(g.c_str() + 7);
    }
    return *width > 0 && *height > 0;
}

/// Where a window's client area starts on the screen. xdotool's own
/// geometry is off by the frame's title under a reparenting window manager;
/// xwininfo translates the origin to the root window itself.
inline bool windowOrigin(const std::string& window, int* x, int* y) {
    const std::string info = shell("xwininfo -id " + window + " 2>/dev/null");
    const size_t ax = info.find("Absolute upper-left X:");
    const size_t ay = info.find("Absolute upper-left Y:");
    if (ax == std::string::npos || ay == std::string::npos)
        return false;
    *x = std::atoi(info.c_str() + ax + 22);
    *y = std::atoi(info.c_str() + ay + 22);
    return true;
}

/// A visible, titled window of `pid` other than `except`, at least 100
/// pixels wide (pop-up menus and tool tips have no title).
inline std::string waitForOtherWindow(pid_t pid, const std::string& except, std::chrono::milliseconds limit) {
    std::string window;
    waitFor(
        [&] {
            for (const std::string& w : titledWindows(pid)) {
                int width = 0;
                int height = 0;
                if (w != except && windowSize(w, &width, &height) && width >= 100) {
                    window = w;
                    return true;
                }
            }
            return false;
        },
        limit);
    return window;
}

inline std::map<std::string, Box> readLayout(const std::string& path) {
    std::map<std::string, Box> out;
    std::ifstream in(path);
    std::string name;
    Box b;
    int enabled = 0;
    while (in >> name >> b.x >> b.y >> b.w >> b.h >> enabled) {
        b.enabled = enabled != 0;
        out[name] = b;
    }
    return out;
}

/// Waits until the layout holds `name` (enabled when asked) and returns it.
inline bool waitForControl(const std::string& layout, const std::string& name, bool enabled, Box* out,
                           std::chrono::milliseconds limit = 60s) {
    return waitFor(
        [&] {
            const std::map<std::string, Box> boxes = readLayout(layout);
            auto it = boxes.find(name);
            if (it == boxes.end() || (enabled && !it->second.enabled))
                return false;
            *out = it->second;
            return true;
        },
        limit);
}

inline void click(const std::string& window, int x, int y, int button = 1) {
    shell("xdotool mousemove --sync --window " + window + " " + std::to_string(x) + " " + std::to_string(y));
    // The toolkit sees the pointer arrive before the press.
    std::this_thread::sleep_for(200ms);
    shell("xdotool click " + std::to_string(button));
}

inline void focus(const std::string& window) { shell("xdotool windowfocus --sync " + window + " 2>/dev/null"); }

/// Whether any file below `folder` contains every one of `texts`.
inline bool someFileHolds(const std::string& folder, const std::vector<std::string>& texts) {
    std::istringstream files(shell("find " + shellWord(folder) + " -type f 2>/dev/null"));
    for (std::string file; std::getline(files, file);) {
        std::ifstream in(file);
        const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bool all = true;
        for (const std::string& t : texts)
            all = all && content.find(t) != std::string::npos;
        if (all)
            return true;
    }
    return false;
}

/// Saves what a window shows (its client area, as the X server has it) as
/// a PNG file, through the `ffmpeg` tool's X11 grabber; false when it
/// could not.
inline bool grabWindow(const std::string& window, const std::string& pngPath) {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    if (!windowOrigin(window, &x, &y) || !windowSize(window, &width, &height))
        return false;
    const char* display = std::getenv("DISPLAY");
    if (!display)
        return false;
    int status = 0;
    shell("ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size " + std::to_string(width) + "x" +
              std::to_string(height) + " -i " + shellWord(std::string(display) + "+" + std::to_string(x) + "," +
                                                          std::to_string(y)) +
              " -frames:v 1 " + shellWord(pngPath) + " 2>&1",
          &status);
    return status == 0 && entryExists(pngPath);
}

/// The folder the tests keep their screenshots in for people to look at
/// (made when missing); empty when the build names none.
inline std::string screenshotFolder() {
#ifdef SNIPFORGE_SCREENSHOT_DIR
    const std::string folder = SNIPFORGE_SCREENSHOT_DIR;
    ::mkdir(folder.c_str(), 0755);
    return folder;
#else
    return {};
#endif
}

/// openbox on the current display, for as long as this lives; `ok()` is
/// false when it is not installed or did not take the display.
class WindowManager {
public:
    WindowManager() {
        if (!haveTool("openbox") || !std::getenv("DISPLAY"))
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // The manager announces itself on the root window once it runs.
        m_ok = m_pid > 0 && waitFor(
                                [] {
                                    return shell("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null")
                                               .find("window id") != std::string::npos;
                                },
                                15s);
    }
    ~WindowManager() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;
    bool ok() const { return m_ok; }

private:
    pid_t m_pid = -1;
    bool m_ok = false;
};

/// A private X display, a private home and (when `withWindowManager()` is
/// true) openbox for each test; skipped without a display, xdotool or the
/// program.
class ProgramFixture : public ::testing::Test {
protected:
    virtual bool withWindowManager() const { return false; }
    /// The private X server's screen, "WIDTHxHEIGHTxDEPTH".
    virtual std::string screen() const { return "1280x1024x24"; }

    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "no X display";
        if (!haveTool("xdotool"))
            GTEST_SKIP() << "xdotool is not installed";
        if (!*SNIPFORGE_PROGRAM || ::access(SNIPFORGE_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << "the program is not built";
        m_display = std::make_unique<PrivateDisplay>(screen());
        ASSERT_TRUE(m_display->ok()) << "could not start a private X server";
        ASSERT_TRUE(m_env.ok);
        if (withWindowManager()) {
            if (!haveTool("openbox"))
                GTEST_SKIP() << "openbox is not installed";
            m_wm = std::make_unique<WindowManager>();
            ASSERT_TRUE(m_wm->ok()) << "openbox did not start";
        }
    }
    void TearDown() override {
        m_wm.reset();
        m_display.reset();
    }

    /// Closes the window with the middle button on the preview (the
    /// window's default middle-click action) and returns the exit status.
    int closeByMiddleClick(Program& program, const std::string& window) {
        Box preview;
        if (!waitForControl(m_env.layout, "preview", false, &preview))
            return -2;
        click(window, preview.cx(), preview.cy(), 2);
        return program.waitExit(60s);
    }

    /// File > Open... and the file chooser's location field; true once the
    /// editing controls came alive.
    bool openByMenu(Program& program, const std::string& window, const std::string& path) {
        Box fileTitle;
        if (!waitForControl(m_env.layout, "menu.0", false, &fileTitle))
            return false;
        focus(window);
        const size_t shown = visibleWindows(program.pid()).size();
        click(window, fileTitle.cx(), fileTitle.cy());
        // The menu is open once its popup window shows.
        if (!waitFor([&] { return visibleWindows(program.pid()).size() > shown; }, 30s))
            return false;
        shell("xdotool key --delay 100 Down Return");
        return chooseInFileChooser(program, window, path);
    }

    /// Types `path` into the location field of the file chooser that the
    /// window opens (waited for); true once the editing controls came alive.
    bool chooseInFileChooser(Program& program, const std::string& window, const std::string& path) {
        const std::string chooser = waitForOtherWindow(program.pid(), window, 30s);
        if (chooser.empty())
            return false;
        // A slow program (a sanitized build) can lose keys typed while its
        // chooser is still coming up: while the chooser stays open, the
        // path is typed again over whatever reached the field.
        const auto chooserOpen = [&] {
            const std::vector<std::string> open = titledWindows(program.pid());
            return std::find(open.begin(), open.end(), chooser) != open.end();
        };
        for (int attempt = 0; attempt < 3 && chooserOpen(); ++attempt) {
            focus(chooser);
            shell("xdotool key --delay 100 ctrl+l");
            std::this_thread::sleep_for(300ms);
            shell("xdotool key ctrl+a");
            shell("xdotool type --delay 20 " + shellWord(path));
            shell("xdotool key Return");
            waitFor([&] { return !chooserOpen(); }, 20s);
        }
        Box save;
        return waitForControl(m_env.layout, "save", true, &save);
    }

    ProgramHome m_env;
    std::unique_ptr<PrivateDisplay> m_display;
    std::unique_ptr<WindowManager> m_wm;
};

} // namespace snipforge::test
