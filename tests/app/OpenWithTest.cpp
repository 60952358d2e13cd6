// "Open With" and the program's feedback as a desktop user meets them: the
// program started with a file (as a file manager starts it), a second start
// with another file while it runs, files that cannot be opened, and the
// messages after a save. Run under openbox on a private X display; the
// texts of the message boxes come from the log the program keeps when
// SNIPFORGE_MESSAGE_LOG is set, the pictures from the screen.
//
// Without a display, xdotool, openbox, ffmpeg or the program, the tests are
// skipped.

#include "support/ProgramDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace snipforge::test;
using s::test::TempDir;

struct Colour {
    int r = -1, g = -1, b = -1;
    bool near(const Colour& o, int tolerance = 40) const {
        return std::abs(r - o.r) <= tolerance && std::abs(g - o.g) <= tolerance &&
               std::abs(b - o.b) <= tolerance;
    }
};

std::ostream& operator<<(std::ostream& out, const Colour& c) {
    return out << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

// The mean colour of what ffmpeg reads from `input` (a picture or the first
// frame of a video), after `filter`.
Colour meanColour(const std::string& input, const std::string& filter = "") {
    const std::string raw = shell("ffmpeg -v error -i " + shellWord(input) + " -frames:v 1 -vf " +
                                  shellWord((filter.empty() ? "" : filter + ",") + "scale=1:1:flags=area") +
                                  " -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    Colour c;
    if (raw.size() == 3) {
        c.r = static_cast<unsigned char>(raw[0]);
        c.g = static_cast<unsigned char>(raw[1]);
        c.b = static_cast<unsigned char>(raw[2]);
    }
    return c;
}

// The mean colour of the middle of the preview as the screen shows it.
Colour previewColour(const std::string& window, const std::string& layout, const std::string& png) {
    Box preview;
    if (!waitForControl(layout, "preview", false, &preview, 10s) || !grabWindow(window, png))
        return {};
    return meanColour(png, "crop=" + std::to_string(preview.w / 2) + ":" + std::to_string(preview.h / 2) +
                               ":" + std::to_string(preview.x + preview.w / 4) + ":" +
                               std::to_string(preview.y + preview.h / 4));
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The visible windows of a process named like the program (the main window
// and its message boxes).
std::vector<std::string> programWindowsOf(pid_t pid) {
    return words(
        shell("xdotool search --onlyvisible --pid " + std::to_string(pid) + " --name Snipforge 2>/dev/null"));
}

// The current folder of this process for a scope (the next program start
// inherits it).
class InFolder {
public:
    explicit InFolder(const std::string& folder) {
        char* old = ::getcwd(nullptr, 0);
        m_old = old ? old : "/";
        std::free(old);
        m_ok = ::chdir(folder.c_str()) == 0;
    }
    ~InFolder() { (void)::chdir(m_old.c_str()); }
    bool ok() const { return m_ok; }

private:
    std::string m_old;
    bool m_ok = false;
};

// An Xvfb screen large enough for display scale 2, with openbox, for a
// scope; DISPLAY points at it meanwhile.
class LargeScreen {
public:
    LargeScreen() {
        if (m_display.ok())
            m_wm = std::make_unique<WindowManager>();
    }
    bool ok() const { return m_wm && m_wm->ok(); }

private:
    PrivateDisplay m_display{"3840x2160x24"};
    std::unique_ptr<WindowManager> m_wm; // goes before the display
};

class OpenWithTest : public ProgramFixture {
protected:
    bool withWindowManager() const override { return true; }

    void SetUp() override {
        ProgramFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!haveTool("ffmpeg"))
            GTEST_SKIP() << "ffmpeg is not installed";
        m_log = m_env.dir.file("messages.txt");
        // First red, then green: the first frame is told from a later one.
        m_red = make("red.mp4", "-f lavfi -i color=c=red:s=320x240:r=25:d=1 -f lavfi -i "
                                "color=c=green:s=320x240:r=25:d=2 -f lavfi -i sine=d=3 -filter_complex "
                                "'[0][1]concat=n=2:v=1:a=0[v]' -map '[v]' -map 2:a");
        m_blue = make("blue.mp4", "-f lavfi -i color=c=blue:s=320x240:r=25:d=3 -f lavfi -i sine=d=3");
    }

    std::string make(const std::string& name, const std::string& inputs) {
        const std::string path = m_media.file(name);
        int status = 0;
        shell("ffmpeg -v error -y " + inputs + " -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
                  shellWord(path) + " 2>&1",
              &status);
        EXPECT_EQ(status, 0) << name;
        return path;
    }

    std::vector<std::string> environment(std::vector<std::string> extra = {}) const {
        extra.push_back("SNIPFORGE_MESSAGE_LOG=" + m_log);
        return extra;
    }

    // The texts of the boxes shown since the last call.
    std::vector<std::string> newMessages() {
        const std::string all = readAll(m_log);
        std::vector<std::string> out;
        size_t at = m_logRead;
        for (size_t end; (end = all.find("\n--\n", at)) != std::string::npos; at = end + 4)
            out.push_back(all.substr(at, end - at));
        m_logRead = at;
        return out;
    }

    // Waits for a message box of `program` and returns its text (line
    // breaks as "\n").
    // Clicks "Save this Scene!" and waits for the message it leads to. A
    // loaded machine may lose the click while the window is still being
    // placed: while neither a box came nor the controls went grey (a cut
    // running), it is given again.
    std::string saveAndWaitForMessage(Program& program, const std::string& window, const Box& save,
                                      std::string* box) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            focus(window);
            click(window, save.cx(), save.cy());
            const bool taken = waitFor(
                [&] {
                    Box now;
                    return programWindowsOf(program.pid()).size() > 1 ||
                           (waitForControl(m_env.layout, "save", false, &now, 0s) && !now.enabled);
                },
                15s);
            if (taken)
                break;
        }
        return waitForMessage(program, window, box);
    }

    std::string waitForMessage(Program& program, const std::string& window, std::string* box) {
        *box = waitForOtherWindow(program.pid(), window, 60s);
        // The window manager places the box after it appears.
        std::this_thread::sleep_for(700ms);
        std::vector<std::string> texts;
        waitFor(
            [&] {
                texts = newMessages();
                return !texts.empty();
            },
            10s);
        return texts.empty() ? std::string() : texts.back();
    }

    // Closes a message box with a key; true once it is gone.
    bool closeBox(Program& program, const std::string& box, const std::string& key = "Escape") {
        focus(box);
        shell("xdotool key " + key);
        return waitFor(
            [&] {
                const std::vector<std::string> shown = programWindowsOf(program.pid());
                return std::find(shown.begin(), shown.end(), box) == shown.end();
            },
            10s);
    }

    // Keeps a picture of a window for people to look at. The position comes
    // from the X server's own answer: what xdotool says of a transient
    // window under openbox can be off by its frame.
    void keep(const std::string& window, const std::string& name) {
        const std::string folder = screenshotFolder();
        if (folder.empty())
            return;
        int x = -1;
        int y = -1;
        int width = 0;
        int height = 0;
        std::istringstream info(shell("xwininfo -id " + window + " 2>/dev/null"));
        for (std::string line; std::getline(info, line);) {
            auto value = [&](const char* key, int* out) {
                if (const size_t at = line.find(key); at != std::string::npos)
                    *out = std::atoi(line.c_str() + at + std::strlen(key));
            };
            value("Absolute upper-left X:", &x);
            value("Absolute upper-left Y:", &y);
            value("Width:", &width);
            value("Height:", &height);
        }
        const char* display = std::getenv("DISPLAY");
        ASSERT_TRUE(x >= 0 && y >= 0 && width > 0 && height > 0 && display) << name;
        int status = 0;
        shell("ffmpeg -v error -y -f x11grab -draw_mouse 0 -video_size " + std::to_string(width) + "x" +
                  std::to_string(height) + " -i " +
                  shellWord(std::string(display) + "+" + std::to_string(x) + "," + std::to_string(y)) +
                  " -frames:v 1 " + shellWord(folder + "/" + name) + " 2>&1",
              &status);
        EXPECT_EQ(status, 0) << name;
    }

    // Waits until the preview shows `colour`.
    bool previewShows(const std::string& window, const Colour& colour, Colour* seen) {
        const std::string png = m_env.dir.file("preview.png");
        return waitFor(
            [&] {
                *seen = previewColour(window, m_env.layout, png);
                return seen->near(colour);
            },
            30s);
    }

    TempDir m_media{"media"};
    std::string m_log;
    size_t m_logRead = 0;
    std::string m_red;
    std::string m_blue;
};

TEST_F(OpenWithTest, AFileOnTheCommandLineShowsItsFirstFrameAndALaterStartHandsItsFileOver) {
    const Colour red = meanColour(m_red);
    const Colour blue = meanColour(m_blue);
    ASSERT_TRUE(red.near(Colour{255, 0, 0}, 30)) << red;
    ASSERT_FALSE(red.near(meanColour(m_red, "select=gte(n\\,30)"))) << "the clip does not change colour";

    Program first(m_env, {m_red}, environment());
    const std::string window = waitForMainWindow(first.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    Box save;
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save)) << "the file given did not load";
    Colour seen;
    EXPECT_TRUE(previewShows(window, red, &seen))
        << "the preview shows " << seen << ", the first frame is " << red;
    keep(window, "openwith-first-start-scale1.png");

    // A second start from the clip's folder with a relative name.
    const size_t windowsBefore = programWindows().size();
    {
        InFolder here(m_media.path());
        ASSERT_TRUE(here.ok());
        Program second(m_env, {"blue.mp4"}, environment());
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(second.waitExit(5s), 0);
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_LT(took, 1s * kSanitizerSlowdown)
            << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    }
    EXPECT_TRUE(previewShows(window, blue, &seen))
        << "the preview shows " << seen << ", the other file is " << blue;
    EXPECT_TRUE(waitForControl(m_env.layout, "save", true, &save));
    // Still one window, and it is the one in front.
    EXPECT_EQ(programWindows().size(), windowsBefore);
    EXPECT_EQ(programWindowsOf(first.pid()), std::vector<std::string>{window});
    EXPECT_EQ(words(shell("xdotool getactivewindow 2>/dev/null")), std::vector<std::string>{window});
    EXPECT_TRUE(newMessages().empty());
    keep(window, "openwith-second-start-scale1.png");

    // A start with several files opens the first, as a drop of them does.
    {
        Program third(m_env, {m_red, m_blue}, environment());
        EXPECT_EQ(third.waitExit(5s), 0);
    }
    EXPECT_TRUE(previewShows(window, red, &seen)) << seen;
    EXPECT_EQ(closeByMiddleClick(first, window), 0);
}

TEST_F(OpenWithTest, FilesThatCannotBeOpenedAreNamedAndTheLoadedOneStays) {
    const std::string text = m_media.file("shopping list.mp4");
    ASSERT_TRUE(writeFile(text, "eggs, milk, bread\n"));
    const std::string empty = m_media.file("empty.mp4");
    ASSERT_TRUE(writeFile(empty, ""));
    const std::string song = make("song.m4a", "-f lavfi -i sine=d=2 -vn");
    const std::string missing = m_media.file("gone.mp4");

    Program first(m_env, {m_red}, environment());
    const std::string window = waitForMainWindow(first.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    Box save;
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save));
    const Colour red = meanColour(m_red);
    Colour seen;
    ASSERT_TRUE(previewShows(window, red, &seen)) << seen;

    struct Case {
        std::string path;
        std::string reason;
        std::string screenshot;
    } cases[] = {
        {text, "It is not a video file the program can read", "openwith-not-media-scale1.png"},
        {empty, "The file is empty.", "openwith-empty-file-scale1.png"},
        {missing, "The file does not exist", "openwith-missing-file-scale1.png"},
        {song, "It has no video stream", "openwith-audio-only-scale1.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Program later(m_env, {c.path}, environment());
        EXPECT_EQ(later.waitExit(5s), 0);
        std::string box;
        const std::string message = waitForMessage(first, window, &box);
        ASSERT_FALSE(box.empty()) << "no message box";
        EXPECT_NE(message.find("\"" + c.path + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        EXPECT_NE(message.find("The video loaded before stays loaded."), std::string::npos) << message;
        keep(box, c.screenshot);
        EXPECT_TRUE(closeBox(first, box, "Return"));
        // The clip is still loaded and shown.
        EXPECT_TRUE(waitForControl(m_env.layout, "save", true, &save));
        EXPECT_TRUE(previewShows(window, red, &seen)) << seen;
    }

    // A file handed over while a message keeps the window busy is not lost:
    // it opens once the message is closed.
    {
        Program later(m_env, {text}, environment());
        EXPECT_EQ(later.waitExit(5s), 0);
    }
    std::string box;
    EXPECT_NE(waitForMessage(first, window, &box).find(text), std::string::npos);
    ASSERT_FALSE(box.empty());
    {
        Program other(m_env, {m_blue}, environment());
        EXPECT_EQ(other.waitExit(5s), 0);
    }
    EXPECT_TRUE(closeBox(first, box, "Return"));
    EXPECT_TRUE(previewShows(window, meanColour(m_blue), &seen)) << seen;
    EXPECT_EQ(closeByMiddleClick(first, window), 0);
}

TEST_F(OpenWithTest, ASavedSceneIsNamedAndShownInTheFileManagerAFailedOneSaysWhy) {
    // A file manager stand-in that notes what it was asked to open.
    const std::string bin = m_env.dir.file("bin");
    ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
    const std::string opened = m_env.dir.file("opened.txt");
    ASSERT_TRUE(
        writeFile(bin + "/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" >> " + shellWord(opened) + "\n"));
    ASSERT_EQ(::chmod((bin + "/xdg-open").c_str(), 0755), 0);
    const char* path = std::getenv("PATH");
    const std::vector<std::string> env =
        environment({"PATH=" + bin + ":" + (path ? path : "/usr/bin:/bin"), "DBUS_SESSION_BUS_ADDRESS="});

    Program program(m_env, {m_red}, env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    Box save;
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save));

    // The whole file, losslessly.
    std::string box;
    std::string message = saveAndWaitForMessage(program, window, save, &box);
    ASSERT_FALSE(box.empty()) << "no result message";
    EXPECT_EQ(message.rfind("Saved Successfully!\n\nOutput File:  red.CUT.", 0), 0u) << message;
    EXPECT_NE(message.find("\nFolder:  " + m_media.path() + "\n"), std::string::npos) << message;
    keep(box, "openwith-saved-scale1.png");
    // "Show in Folder" is the first of the two buttons, at the bottom left.
    int width = 0;
    int height = 0;
    ASSERT_TRUE(windowSize(box, &width, &height));
    click(box, width / 4, height - 20);
    EXPECT_TRUE(waitFor([&] { return readAll(opened) == m_media.path() + "\n"; }, 20s)) << readAll(opened);
    EXPECT_TRUE(waitFor([&] { return programWindowsOf(program.pid()).size() == 1; }, 10s));
    EXPECT_TRUE(newMessages().empty()) << "a file manager was found: no further message";

    // An empty scene says why nothing happens.
    Box endSlider;
    ASSERT_TRUE(waitForControl(m_env.layout, "time.end", true, &endSlider));
    click(window, endSlider.cx(), endSlider.cy());
    shell("xdotool key --delay 50 ctrl+a");
    shell("xdotool type --delay 30 '0:00:00'");
    shell("xdotool key Return");
    std::this_thread::sleep_for(500ms);
    message = saveAndWaitForMessage(program, window, save, &box);
    ASSERT_FALSE(box.empty()) << "no message for an empty scene";
    EXPECT_EQ(message.rfind("Nothing was saved: the scene is empty.", 0), 0u) << message;
    keep(box, "openwith-empty-scene-scale1.png");
    EXPECT_TRUE(closeBox(program, box, "Return"));
    EXPECT_EQ(closeByMiddleClick(program, window), 0);

    // A failed save names the reason: here every file the program writes is
    // held to a few kilobytes.
    const std::string busy = make("busy.mp4", "-f lavfi -i testsrc=s=320x240:r=25:d=4 -f lavfi -i sine=d=4");
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit before = limit;
    limit.rlim_cur = 24 * 1024;
    // The next program writes its own layout: the last one's must not count.
    ::unlink(m_env.layout.c_str());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    Program limited(m_env, {busy}, env);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &before), 0);
    const std::string again = waitForMainWindow(limited.pid());
    ASSERT_FALSE(again.empty());
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save));
    message = saveAndWaitForMessage(limited, again, save, &box);
    ASSERT_FALSE(box.empty()) << "no result message";
    EXPECT_EQ(message.rfind("Conversion Failed!", 0), 0u) << message;
    EXPECT_NE(message.find("Error:  "), std::string::npos) << message;
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
    keep(box, "openwith-save-failed-scale1.png");
    EXPECT_TRUE(closeBox(limited, box, "Return"));
    EXPECT_EQ(closeByMiddleClick(limited, again), 0);
}

TEST_F(OpenWithTest, TheMessagesAtDisplayScaleTwo) {
    LargeScreen screen;
    if (!screen.ok())
        GTEST_SKIP() << "no 3840x2160 screen with a window manager";
    const std::string text = m_media.file("notes.mp4");
    ASSERT_TRUE(writeFile(text, "not a video\n"));
    Program program(m_env, {m_red}, environment({"DBUS_SESSION_BUS_ADDRESS="}));
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    int width = 0;
    int height = 0;
    ASSERT_TRUE(windowSize(window, &width, &height));
    EXPECT_GE(width, 1400) << "not at scale 2";
    Box save;
    ASSERT_TRUE(waitForControl(m_env.layout, "save", true, &save));
    keep(window, "openwith-first-start-scale2.png");

    {
        Program later(m_env, {text}, environment());
        EXPECT_EQ(later.waitExit(5s), 0);
    }
    std::string box;
    std::string message = waitForMessage(program, window, &box);
    ASSERT_FALSE(box.empty());
    EXPECT_NE(message.find(text), std::string::npos) << message;
    keep(box, "openwith-not-media-scale2.png");
    ASSERT_TRUE(closeBox(program, box, "Return"));

    focus(window);
    message = saveAndWaitForMessage(program, window, save, &box);
    ASSERT_FALSE(box.empty());
    EXPECT_EQ(message.rfind("Saved Successfully!", 0), 0u) << message;
    keep(box, "openwith-saved-scale2.png");
    EXPECT_TRUE(closeBox(program, box));
    EXPECT_EQ(closeByMiddleClick(program, window), 0);
}

} // namespace
