// The window under a real window manager (openbox) as a desktop user resizes
// it: in one step larger, maximized and back, and small again. Each state
// must look exactly as a window started at that size, so every grab of the
// resized window is compared pixel by pixel with a grab of a fresh start.
//
// Without a display, xdotool, openbox, ffmpeg or the program, the tests are
// skipped.

#include "support/ProgramDriver.h"

#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace snipforge::test;
using s::test::TempDir;

/// The pixels of a PNG file as RGB bytes (decoded by the `ffmpeg` tool).
struct Picture {
    int width = 0;
    int height = 0;
    std::string rgb;
    bool ok() const {
        return width > 0 && height > 0 && rgb.size() == static_cast<size_t>(width) * height * 3;
    }
};

Picture readPicture(const std::string& png) {
    Picture p;
    std::ifstream in(png, std::ios::binary);
    unsigned char header[24] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return p;
    // The IHDR chunk: width and height big-endian at bytes 16 and 20.
    auto be32 = [&](int at) {
        return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
    };
    p.width = be32(16);
    p.height = be32(20);
    p.rgb = shell("ffmpeg -v error -i " + shellWord(png) + " -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    return p;
}

/// Empty when both pictures are the same; otherwise how they differ: the
/// sizes, or the number of differing pixels, their bounding box and the
/// first few positions with both colours.
std::string differences(const Picture& a, const Picture& b) {
    if (!a.ok() || !b.ok())
        return "a picture could not be read";
    if (a.width != b.width || a.height != b.height)
        return "sizes differ: " + std::to_string(a.width) + "x" + std::to_string(a.height) + " and " +
               std::to_string(b.width) + "x" + std::to_string(b.height);
    long count = 0;
    int left = a.width, top = a.height, right = -1, bottom = -1;
    std::string first;
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            const size_t at = (static_cast<size_t>(y) * a.width + x) * 3;
            if (a.rgb.compare(at, 3, b.rgb, at, 3) == 0)
                continue;
            if (++count <= 8) {
                char buf[96];
                std::snprintf(
                    buf, sizeof buf, " (%d,%d) #%02x%02x%02x/#%02x%02x%02x", x, y,
                    static_cast<unsigned char>(a.rgb[at]), static_cast<unsigned char>(a.rgb[at + 1]),
                    static_cast<unsigned char>(a.rgb[at + 2]), static_cast<unsigned char>(b.rgb[at]),
                    static_cast<unsigned char>(b.rgb[at + 1]), static_cast<unsigned char>(b.rgb[at + 2]));
                first += buf;
            }
            left = std::min(left, x);
            top = std::min(top, y);
            right = std::max(right, x);
            bottom = std::max(bottom, y);
        }
    }
    if (count == 0)
        return {};
    return std::to_string(count) + " pixels differ within (" + std::to_string(left) + "," +
           std::to_string(top) + ")-(" + std::to_string(right) + "," + std::to_string(bottom) + "):" + first;
}

/// Asks the window manager to maximize or restore `window`, as a task bar or
/// a double-click on the title does (the EWMH state request).
bool requestMaximized(const std::string& window, bool maximized) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(std::stoul(window));
    event.xclient.message_type = XInternAtom(display, "_NET_WM_STATE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = maximized ? 1 : 0; // add or remove
    event.xclient.data.l[1] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_VERT", False));
    event.xclient.data.l[2] = static_cast<long>(XInternAtom(display, "_NET_WM_STATE_MAXIMIZED_HORZ", False));
    event.xclient.data.l[3] = 1; // from an application
    const Status sent = XSendEvent(display, DefaultRootWindow(display), False,
                                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}

/// The minimum size the window asks the window manager for.
bool minimumSize(const std::string& window, int* width, int* height) {
    const std::string hints = shell("xprop -id " + window + " WM_NORMAL_HINTS 2>/dev/null");
    std::smatch m;
    if (!std::regex_search(hints, m, std::regex("minimum size: (\\d+) by (\\d+)")))
        return false;
    *width = std::stoi(m[1]);
    *height = std::stoi(m[2]);
    return true;
}

class ResizeTest : public ProgramFixture, public ::testing::WithParamInterface<int> {
protected:
    bool withWindowManager() const override { return true; }
    // Scale 2 needs a primary monitor beyond 1920 x 1620 device pixels.
    std::string screen() const override { return GetParam() == 2 ? "3840x2160x24" : "1280x1024x24"; }
    int scale() const { return GetParam(); }

    void SetUp() override {
        ProgramFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!haveTool("ffmpeg") || !haveTool("xprop"))
            GTEST_SKIP() << "ffmpeg or xprop is not installed";
        // Neither a blinking cursor nor an animation may change a grab.
        ASSERT_EQ(::mkdir((m_env.config + "/gtk-3.0").c_str(), 0700), 0);
        std::ofstream(m_env.config + "/gtk-3.0/settings.ini")
            << "[Settings]\ngtk-cursor-blink=false\ngtk-enable-animations=false\n";
        m_clip = m_media.file("clip.mp4");
        int status = 0;
        shell("ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=2 -f lavfi -i "
              "sine=frequency=440:duration=2 -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
                  shellWord(m_clip) + " 2>&1",
              &status);
        ASSERT_EQ(status, 0);
    }

    std::string shot(const std::string& state) const {
        const std::string folder = screenshotFolder();
        const std::string name = "resize-" + state + "-scale" + std::to_string(scale()) + ".png";
        return folder.empty() ? m_media.file(name) : folder + "/" + name;
    }

    /// The pointer on the window's title bar, where it lights nothing up.
    static void parkPointer(const std::string& window) {
        int x = 0, y = 0;
        windowOrigin(window, &x, &y);
        shell("xdotool mousemove --sync " + std::to_string(x + 40) + " " +
              std::to_string(std::max(0, y - 6)));
    }

    /// Waits until the window has the client size, has painted itself at
    /// that size and its picture stays the same for a while, then keeps
    /// that picture in `png`.
    Picture settledGrab(const std::string& window, int width, int height, const std::string& png) const {
        Picture last;
        int w = 0, h = 0;
        const bool sized = waitFor(
            [&] { return windowSize(window, &w, &h) && (width <= 0 || (w == width && h == height)); }, 20s);
        EXPECT_TRUE(sized) << "the window did not take the size " << width << "x" << height;
        // A slow program (a sanitized build at scale 2) takes seconds for the
        // first paint at a new size, while the old picture stays on screen.
        const bool painted = waitFor(
            [&] {
                const std::map<std::string, Box> layout = readLayout(m_env.layout);
                const auto at = layout.find("painted");
                return at != layout.end() && at->second.w == w && at->second.h == h;
            },
            60s);
        EXPECT_TRUE(painted) << "the window did not paint itself at " << w << "x" << h;
        focus(window);
        parkPointer(window);
        waitFor(
            [&] {
                std::this_thread::sleep_for(400ms);
                if (!grabWindow(window, png))
                    return false;
                Picture now = readPicture(png);
                const bool same = now.ok() && last.ok() && differences(now, last).empty();
                last = std::move(now);
                return same;
            },
            20s);
        return last;
    }

    /// A window started at `width` x `height` (stored as its last size, or
    /// started maximized to that size), with the clip loaded, as a grab kept
    /// in `png`.
    Picture freshStart(int width, int height, bool maximized, const std::string& png) {
        storeSize(maximized ? 700 * scale() : width, maximized ? 680 * scale() : height, maximized);
        Program program(m_env);
        const std::string window = waitForMainWindow(program.pid());
        EXPECT_FALSE(window.empty()) << "the program showed no window";
        if (window.empty())
            return {};
        int w = 0, h = 0;
        EXPECT_TRUE(windowSize(window, &w, &h));
        if (!maximized) {
            EXPECT_TRUE(w == width && h == height) << "started at " << w << "x" << h;
        }
        EXPECT_TRUE(openByMenu(program, window, m_clip)) << "the file did not load";
        Picture p = settledGrab(window, width, height, png);
        EXPECT_EQ(closeByMiddleClick(program, window), 0);
        return p;
    }

    /// The settings file with the window's size (client pixels) as the last
    /// one stored, for the current scale's group.
    void storeSize(int width, int height, bool maximized) {
        const std::string file = shell("find " + shellWord(m_env.config) + " -name registry.xml | head -n 1");
        ASSERT_FALSE(file.empty()) << "no settings were stored";
        const std::string path = file.substr(0, file.find('\n'));
        std::ifstream in(path);
        std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        xml = std::regex_replace(
            xml, std::regex(" *<value name=\"(LargeWidth|LargeHeight|Width|Height|X|Y|Maximized)\"[^>]*/>\n"),
            "");
        const std::string group = scale() == 2 ? "View4K" : "View";
        auto value = [](const char* name, int v) {
            return std::string("        <value name=\"") + name + "\" type=\"REG_DWORD\" data=\"" +
                   std::to_string(v) + "\"/>\n";
        };
        std::string sizes = value("LargeWidth", width) + value("LargeHeight", height) +
                            value("Width", width) + value("Height", height);
        std::string shared = value("Maximized", maximized ? 1 : 0);
        const size_t main = xml.find("<key name=\"MainWindow\">");
        ASSERT_NE(main, std::string::npos) << xml;
        const std::string groupKey = "<key name=\"" + group + "\">\n";
        const size_t at = xml.find(groupKey, main);
        ASSERT_NE(at, std::string::npos) << xml;
        xml.insert(at + groupKey.size(), group == "View" ? sizes + shared : sizes);
        if (group != "View") {
            const size_t view = xml.find("<key name=\"View\">\n", main);
            ASSERT_NE(view, std::string::npos) << xml;
            xml.insert(view + std::string("<key name=\"View\">\n").size(), shared);
        }
        std::ofstream(path, std::ios::trunc) << xml;
    }

    TempDir m_media{"media"};
    std::string m_clip;
};

TEST_P(ResizeTest, EveryOneStepResizeLooksAsAWindowStartedAtThatSize) {
    const int s = scale();
    const int startW = 700 * s, startH = 680 * s;
    const int largeW = 1000 * s, largeH = 900 * s;

    Picture started, larger, maximized, restored, small;
    int maxW = 0, maxH = 0;
    {
        Program program(m_env);
        const std::string window = waitForMainWindow(program.pid());
        ASSERT_FALSE(window.empty()) << "the program showed no window";
        ASSERT_TRUE(openByMenu(program, window, m_clip)) << "the file did not load";
        started = settledGrab(window, startW, startH, shot("started"));

        // Moved first so that the larger window stays on the screen, where
        // it can be grabbed; the size still changes in one step.
        shell("xdotool windowmove --sync " + window + " 0 0");
        shell("xdotool windowsize " + window + " " + std::to_string(largeW) + " " + std::to_string(largeH));
        larger = settledGrab(window, largeW, largeH, shot("larger"));

        ASSERT_TRUE(requestMaximized(window, true));
        ASSERT_TRUE(waitFor(
            [&] {
                int w = 0, h = 0;
                return windowSize(window, &w, &h) && w > largeW;
            },
            20s))
            << "the window manager did not maximize the window";
        maximized = settledGrab(window, 0, 0, shot("maximized"));
        maxW = maximized.width;
        maxH = maximized.height;

        ASSERT_TRUE(requestMaximized(window, false));
        restored = settledGrab(window, largeW, largeH, shot("unmaximized"));

        // As small as it started: the minimum is the layout's, not a size
        // the window once had.
        int minW = 0, minH = 0;
        ASSERT_TRUE(minimumSize(window, &minW, &minH));
        EXPECT_LE(minW, startW);
        EXPECT_LE(minH, startH);
        shell("xdotool windowsize " + window + " " + std::to_string(startW) + " " + std::to_string(startH));
        small = settledGrab(window, startW, startH, shot("small-again"));
        EXPECT_EQ(closeByMiddleClick(program, window), 0);
    }
    EXPECT_EQ(differences(small, started), "") << "made small again";
    EXPECT_EQ(differences(restored, larger), "") << "unmaximized";

    const Picture freshLarge = freshStart(largeW, largeH, false, shot("started-larger"));
    EXPECT_EQ(differences(larger, freshLarge), "") << "resized larger";
    // The window manager keeps an unmaximized window's frame on the screen,
    // so a window of the maximized size can only start maximized.
    const Picture freshMax = freshStart(maxW, maxH, true, shot("started-maximized"));
    EXPECT_EQ(differences(maximized, freshMax), "") << "maximized";
}

TEST_P(ResizeTest, AWindowClosedMaximizedStartsMaximizedAndKeepsItsOwnSize) {
    const int startW = 700 * scale(), startH = 680 * scale();
    {
        Program program(m_env);
        const std::string window = waitForMainWindow(program.pid());
        ASSERT_FALSE(window.empty());
        ASSERT_TRUE(requestMaximized(window, true));
        ASSERT_TRUE(waitFor(
            [&] {
                int w = 0, h = 0;
                return windowSize(window, &w, &h) && w > startW;
            },
            20s));
        EXPECT_EQ(closeByMiddleClick(program, window), 0);
    }
    // The screen's size is not taken for the window's own.
    EXPECT_FALSE(someFileHolds(m_env.config, {"\"LargeWidth\" type=\"REG_DWORD\" data=\"" +
                                              std::to_string(GetParam() == 2 ? 3840 : 1280) + "\""}));

    Program program(m_env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty());
    EXPECT_TRUE(waitFor(
        [&] {
            return shell("xprop -id " + window + " _NET_WM_STATE").find("_NET_WM_STATE_MAXIMIZED_HORZ") !=
                   std::string::npos;
        },
        20s))
        << "the window did not start maximized";
    ASSERT_TRUE(requestMaximized(window, false));
    // Back to the size it had before it was maximized.
    Picture p = settledGrab(window, startW, startH, shot("restored-after-maximized-close"));
    EXPECT_TRUE(p.ok());
    EXPECT_EQ(closeByMiddleClick(program, window), 0);
}

TEST_P(ResizeTest, AStoredSizeLargerThanTheScreenIsNotRestored) {
    // A first run leaves the settings file that the oversize goes into.
    {
        Program program(m_env);
        const std::string window = waitForMainWindow(program.pid());
        ASSERT_FALSE(window.empty());
        EXPECT_EQ(closeByMiddleClick(program, window), 0);
    }
    storeSize(6000 * scale(), 5000 * scale(), false);
    Program program(m_env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty());
    int w = 0, h = 0;
    ASSERT_TRUE(windowSize(window, &w, &h));
    EXPECT_EQ(w, 700 * scale());
    EXPECT_EQ(h, 680 * scale());
    Picture p = settledGrab(window, w, h, shot("stored-oversize"));
    EXPECT_TRUE(p.ok());
    EXPECT_EQ(closeByMiddleClick(program, window), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, ResizeTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Scale" + std::to_string(info.param);
                         });

} // namespace
