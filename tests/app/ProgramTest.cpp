// The desktop program as a user meets it: started as its own process on the
// test's X display and driven with real input through `xdotool`. Positions
// of controls come from the layout file the program writes when
// SNIPFORGE_DUMP_LAYOUT is set, so nothing depends on pixel offsets.
//
// Without a display, xdotool or the program, the tests are skipped.

#include "support/PrivateDisplay.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <fstream>
#include <memory>
#include <map>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef SNIPFORGE_PROGRAM
#define SNIPFORGE_PROGRAM ""
#endif

#if defined(__SANITIZE_THREAD__)
constexpr bool kUnderThreadSanitizer = true;
#else
constexpr bool kUnderThreadSanitizer = false;
#endif

namespace {

using namespace std::chrono_literals;
using s::test::TempDir;

/// Runs a shell command; its standard output, and its exit status in
/// `status` (-1 when it could not run).
std::string shell(const std::string& command, int* status = nullptr) {
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
std::string shellWord(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

/// The names in a folder (output names carry quotes and other characters
/// a shell would take apart).
std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            out.emplace_back(e->d_name);
        ::closedir(d);
    }
    return out;
}

bool haveTool(const char* name) {
    int status = 0;
    shell(std::string("command -v ") + name + " >/dev/null 2>&1", &status);
    return status == 0;
}

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
    bool enabled = false;
    int cx() const { return x + w / 2; }
    int cy() const { return y + h / 2; }
};

/// Polls `probe` every 100 ms until it is true or `limit` passed.
template <class F>
bool waitFor(F probe, std::chrono::seconds limit) {
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
    TempDir dir{"program"};
    std::string home = dir.file("home");
    std::string config = dir.file("config");
    std::string runtime = dir.file("run");
    std::string layout = dir.file("layout.txt");
    bool ok = ::mkdir(home.c_str(), 0700) == 0 && ::mkdir(config.c_str(), 0700) == 0 &&
              ::mkdir(runtime.c_str(), 0700) == 0;
};

/// One run of the program with the home's environment.
class Program {
public:
    explicit Program(const ProgramHome& env) {
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
        const char* program = SNIPFORGE_PROGRAM;
        ::execl(program, program, static_cast<char*>(nullptr));
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
    int waitExit(std::chrono::seconds limit) {
        int status = 0;
        const bool ended = waitFor(
            [&] {
                const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
                return r == m_pid;
            },
            limit);
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
std::vector<std::string> visibleWindows(pid_t pid) {
    return words(shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " '.*' 2>/dev/null"));
}

/// The visible windows of a process that carry a title.
std::vector<std::string> titledWindows(pid_t pid) {
    std::vector<std::string> out;
    for (const std::string& w : visibleWindows(pid))
        if (!words(shell("xdotool getwindowname " + w + " 2>/dev/null")).empty())
            out.push_back(w);
    return out;
}

/// Visible windows named like the program, of any process.
std::vector<std::string> programWindows() {
    return words(shell("xdotool search --onlyvisible --name Snipforge 2>/dev/null"));
}

std::string waitForMainWindow(pid_t pid) {
    std::string window;
    waitFor(
        [&] {
            std::vector<std::string> found =
                words(shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " --name Snipforge 2>/dev/null"));
            if (found.empty())
                return false;
            window = found.front();
            return true;
        },
        60s);
    return window;
}

/// A visible, titled window of `pid` other than `except`, at least 100
/// pixels wide (pop-up menus and tool tips have no title).
std::string waitForOtherWindow(pid_t pid, const std::string& except, std::chrono::seconds limit) {
    std::string window;
    waitFor(
        [&] {
            for (const std::string& w : titledWindows(pid)) {
                if (w == except)
                    continue;
                const std::vector<std::string> geometry = words(shell("xdotool getwindowgeometry --shell " + w));
                for (const std::string& g : geometry) {
                    if (g.rfind("WIDTH=", 0) == 0 && std::atoi(g.c_str() + 6) >= 100) {
                        window = w;
                        return true;
                    }
                }
            }
            return false;
        },
        limit);
    return window;
}

std::map<std::string, Box> readLayout(const std::string& path) {
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
bool waitForControl(const std::string& layout, const std::string& name, bool enabled, Box* out) {
    return waitFor(
        [&] {
            const std::map<std::string, Box> boxes = readLayout(layout);
            auto it = boxes.find(name);
            if (it == boxes.end() || (enabled && !it->second.enabled))
                return false;
            *out = it->second;
            return true;
        },
        60s);
}

void click(const std::string& window, int x, int y, int button = 1) {
    shell("xdotool mousemove --sync --window " + window + " " + std::to_string(x) + " " + std::to_string(y));
    // The toolkit sees the pointer arrive before the press.
    std::this_thread::sleep_for(200ms);
    shell("xdotool click " + std::to_string(button));
}

void focus(const std::string& window) { shell("xdotool windowfocus --sync " + window + " 2>/dev/null"); }

/// Whether any file below `folder` contains every one of `texts`.
bool someFileHolds(const std::string& folder, const std::vector<std::string>& texts) {
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

bool entryExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display)
            GTEST_SKIP() << "no X display";
        if (!haveTool("xdotool"))
            GTEST_SKIP() << "xdotool is not installed";
        if (!*SNIPFORGE_PROGRAM || ::access(SNIPFORGE_PROGRAM, X_OK) != 0)
            GTEST_SKIP() << "the program is not built";
        m_display = std::make_unique<snipforge::test::PrivateDisplay>();
        ASSERT_TRUE(m_display->ok()) << "could not start a private X server";
        ASSERT_TRUE(m_env.ok);
    }
    void TearDown() override { m_display.reset(); }

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
        click(window, fileTitle.cx(), fileTitle.cy());
        std::this_thread::sleep_for(500ms);
        shell("xdotool key --delay 100 Down Return");
        const std::string chooser = waitForOtherWindow(program.pid(), window, 30s);
        if (chooser.empty())
            return false;
        focus(chooser);
        shell("xdotool key --delay 100 ctrl+l");
        std::this_thread::sleep_for(300ms);
        shell("xdotool type --delay 20 " + shellWord(path));
        shell("xdotool key Return");
        Box save;
        return waitForControl(m_env.layout, "save", true, &save);
    }

    ProgramHome m_env;
    std::unique_ptr<snipforge::test::PrivateDisplay> m_display;
};

TEST(ProgramStart, WithoutADisplayEndsWithAMessageAndStatusOne) {
    if (!*SNIPFORGE_PROGRAM || ::access(SNIPFORGE_PROGRAM, X_OK) != 0)
        GTEST_SKIP() << "the program is not built";
    ProgramHome env;
    ASSERT_TRUE(env.ok);
    int status = 0;
    const std::string err = shell("env -u DISPLAY -u WAYLAND_DISPLAY HOME=" + shellWord(env.home) +
                                      " XDG_CONFIG_HOME=" + shellWord(env.config) + " XDG_RUNTIME_DIR=" +
                                      shellWord(env.runtime) + " " + SNIPFORGE_PROGRAM + " 2>&1 >/dev/null",
                                  &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(err.find("display"), std::string::npos) << err;
    // Nothing was stored for a program that never started.
    EXPECT_TRUE(shell("find " + shellWord(env.config) + " -type f").empty());
}

TEST_F(ProgramTest, SecondStartPresentsTheFirstWindowAndEndsWithoutOne) {
    Program first(m_env);
    const std::string window = waitForMainWindow(first.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    // The product name and its version, from the language pack.
    EXPECT_EQ(shell("xdotool getwindowname " + window), "Snipforge v1.17\n");
    const size_t before = programWindows().size();

    Program second(m_env);
    EXPECT_EQ(second.waitExit(30s), 0);
    // The second start showed nothing; the first still runs with its window.
    EXPECT_EQ(programWindows().size(), before);
    EXPECT_EQ(titledWindows(first.pid()), std::vector<std::string>{window});
    EXPECT_EQ(::waitpid(first.pid(), nullptr, WNOHANG), 0);

    EXPECT_EQ(closeByMiddleClick(first, window), 0);
    EXPECT_FALSE(entryExists(m_env.runtime + "/snipforge-" + std::to_string(first.pid())));

    // With the first gone the lock is free again: a new start shows a window.
    Program third(m_env);
    const std::string again = waitForMainWindow(third.pid());
    ASSERT_FALSE(again.empty());
    EXPECT_EQ(closeByMiddleClick(third, again), 0);
}

TEST_F(ProgramTest, CutsASceneChosenWithTheMouseAndKeepsItsSettings) {
    if (kUnderThreadSanitizer)
        GTEST_SKIP() << "under ThreadSanitizer the program does not take the Save click within the test's time";
    if (!haveTool("ffmpeg") || !haveTool("ffprobe"))
        GTEST_SKIP() << "ffmpeg is not installed";
    TempDir media("media");
    const std::string clip = media.file("clip.mp4");
    int status = 0;
    shell("ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=4 -f lavfi -i "
          "sine=frequency=440:duration=4 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
              shellWord(clip) + " 2>&1",
          &status);
    ASSERT_EQ(status, 0);

    Program program(m_env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";

    // File > Open... (the first entry), then the file chooser's location.
    Box fileTitle;
    ASSERT_TRUE(waitForControl(m_env.layout, "menu.0", false, &fileTitle));
    focus(window);
    click(window, fileTitle.cx(), fileTitle.cy());
    std::this_thread::sleep_for(500ms);
    shell("xdotool key --delay 100 Down Return");
    const std::string chooser = waitForOtherWindow(program.pid(), window, 30s);
    ASSERT_FALSE(chooser.empty()) << "no file chooser appeared";
    focus(chooser);
    shell("xdotool key --delay 100 ctrl+l");
    std::this_thread::sleep_for(300ms);
    shell("xdotool type --delay 20 " + shellWord(clip));
    shell("xdotool key Return");

    // The editing controls come alive once the file is loaded.
    Box save;
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save)) << "the file did not load";

    // Start marker one second on, precise mode, end typed as 3 s.
    Box stepForward;
    ASSERT_TRUE(waitForControl(m_env.layout, "step.+1s", true, &stepForward));
    focus(window);
    click(window, stepForward.cx(), stepForward.cy());
    Box precise;
    ASSERT_TRUE(waitForControl(m_env.layout, "mode.precise", true, &precise));
    click(window, precise.cx(), precise.cy());
    // The frames row shows only in precise mode: the relayout is done.
    Box frameStep;
    ASSERT_TRUE(waitForControl(m_env.layout, "step.+1f", true, &frameStep)) << "precise mode not taken";
    Box endField;
    ASSERT_TRUE(waitForControl(m_env.layout, "time.end", true, &endField));
    click(window, endField.cx(), endField.cy());
    shell("xdotool key --delay 50 ctrl+a");
    shell("xdotool type --delay 30 '0:00:03.000'");
    shell("xdotool key Return");
    std::this_thread::sleep_for(300ms);

    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save));
    click(window, save.cx(), save.cy());
    const std::string message = waitForOtherWindow(program.pid(), window, 120s);
    ASSERT_FALSE(message.empty()) << "no result message";
    const std::string title = shell("xdotool getwindowname " + message);
    focus(message);
    shell("xdotool key Return");
    EXPECT_TRUE(waitFor([&] { return titledWindows(program.pid()).size() == 1; }, 30s));

    // One new file beside the clip, a precise cut of two seconds.
    std::string output;
    for (const std::string& f : folderEntries(media.path()))
        if (f.find(".CUT.") != std::string::npos)
            output = media.file(f);
    ASSERT_FALSE(output.empty()) << "no output file; message window: " << title;
    const std::string probe = shell("ffprobe -v error -show_entries format=duration:stream=codec_name -of "
                                    "default=noprint_wrappers=1 " +
                                    shellWord(output));
    EXPECT_NE(probe.find("codec_name=h264"), std::string::npos) << probe;
    EXPECT_NE(probe.find("codec_name=aac"), std::string::npos) << probe;
    const size_t at = probe.find("duration=");
    ASSERT_NE(at, std::string::npos) << probe;
    EXPECT_NEAR(std::atof(probe.c_str() + at + 9), 2.0, 0.15) << probe;

    EXPECT_EQ(closeByMiddleClick(program, window), 0);
    EXPECT_TRUE(someFileHolds(m_env.config, {"LargeWidth", "LargeHeight", "CutMode"}))
        << "window size and cut mode not stored";
    EXPECT_FALSE(entryExists(m_env.runtime + "/snipforge-" + std::to_string(program.pid())));
}

TEST_F(ProgramTest, TerminationStopsARunningCutAndCleansUp) {
    if (kUnderThreadSanitizer)
        GTEST_SKIP() << "under ThreadSanitizer the program does not take the Save click within the test's time";
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    TempDir media("media");
    const std::string clip = media.file("long.mp4");
    int status = 0;
    // Long enough that its precise cut is still running when the signal
    // comes.
    shell("ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=60 -f lavfi -i "
          "sine=frequency=440:duration=60 -c:v libx264 -preset ultrafast -c:a aac -shortest " +
              shellWord(clip) + " 2>&1",
          &status);
    ASSERT_EQ(status, 0);
    const std::string original = shell("md5sum " + shellWord(clip));
    struct stat before {};
    ASSERT_EQ(::stat(clip.c_str(), &before), 0);

    Program program(m_env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    ASSERT_TRUE(openByMenu(program, window, clip)) << "the file did not load";
    Box precise;
    ASSERT_TRUE(waitForControl(m_env.layout, "mode.precise", true, &precise));
    focus(window);
    click(window, precise.cx(), precise.cy());
    Box frameStep;
    ASSERT_TRUE(waitForControl(m_env.layout, "step.+1f", true, &frameStep)) << "precise mode not taken";
    Box save;
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save));
    click(window, save.cx(), save.cy());

    // The converter is writing the scene: its file has grown past the
    // empty one that reserves the name.
    const bool writing = waitFor(
        [&] {
            for (const std::string& f : folderEntries(media.path())) {
                struct stat st {};
                if (f.find(".CUT.") != std::string::npos && ::stat(media.file(f).c_str(), &st) == 0 &&
                    st.st_size > 0)
                    return true;
            }
            return false;
        },
        120s);
    ASSERT_TRUE(writing) << "the cut did not start writing";
    const std::string runtime = m_env.runtime + "/snipforge-" + std::to_string(program.pid());
    ASSERT_TRUE(entryExists(runtime));
    ASSERT_EQ(::kill(program.pid(), SIGTERM), 0);

    EXPECT_EQ(program.waitExit(60s), 128 + SIGTERM);
    std::vector<std::string> left = folderEntries(media.path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".", "..", "long.mp4"})) << "partial files left";
    EXPECT_FALSE(entryExists(runtime));
    EXPECT_EQ(shell("md5sum " + shellWord(clip)), original);
    struct stat after {};
    ASSERT_EQ(::stat(clip.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // A hang-up while idle ends the program the same way.
    Program again(m_env);
    ASSERT_FALSE(waitForMainWindow(again.pid()).empty());
    ASSERT_EQ(::kill(again.pid(), SIGHUP), 0);
    EXPECT_EQ(again.waitExit(60s), 128 + SIGHUP);
    EXPECT_FALSE(entryExists(m_env.runtime + "/snipforge-" + std::to_string(again.pid())));
}

} // namespace
