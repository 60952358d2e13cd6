// The window worked from the keyboard, under a window manager, with real X
// input: a whole session without the mouse, the time fields and the last
// frame of a file, at display scale 1 and 2.
//
// Without a display, xdotool, openbox, ffmpeg or the program, the tests are
// skipped.

#include "support/ProgramDriver.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace snipforge::test;
using s::test::TempDir;

using Rgb = std::array<int, 3>;

/// The mean colour of a rectangle of a PNG file, through ffmpeg.
bool meanColour(const std::string& png, const Box& area, Rgb* out) {
    const std::vector<std::string> values =
        words(shell("ffmpeg -v error -i " + shellWord(png) + " -vf crop=" + std::to_string(area.w) + ":" +
                    std::to_string(area.h) + ":" + std::to_string(area.x) + ":" + std::to_string(area.y) +
                    ",scale=1:1:flags=area -f rawvideo -pix_fmt rgb24 - 2>/dev/null | od -An -tu1 -v"));
    if (values.size() != 3)
        return false;
    for (int i = 0; i < 3; ++i)
        (*out)[static_cast<size_t>(i)] = std::atoi(values[static_cast<size_t>(i)].c_str());
    return true;
}

/// The mean colours of a clip's first and last frames, decoding the whole
/// video from its start (no seeking that could pick another frame).
bool firstAndLastFrameColours(const std::string& clip, Rgb* first, Rgb* last) {
    const std::vector<std::string> values =
        words(shell("ffmpeg -v error -i " + shellWord(clip) +
                    " -map 0:v:0 -vsync passthrough -vf scale=1:1:flags=area -f rawvideo -pix_fmt rgb24 - | od -An "
                    "-tu1 -v"));
    if (values.size() < 6 || values.size() % 3 != 0)
        return false;
    for (size_t i = 0; i < 3; ++i) {
        (*first)[i] = std::atoi(values[i].c_str());
        (*last)[i] = std::atoi(values[values.size() - 3 + i].c_str());
    }
    return true;
}

int distance(const Rgb& a, const Rgb& b) {
    int most = 0;
    for (size_t i = 0; i < 3; ++i)
        most = std::max(most, std::abs(a[i] - b[i]));
    return most;
}

std::string text(const Rgb& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

/// The middle of a control, a quarter of its size each way.
Box middleOf(const Box& b) {
    Box m;
    m.w = std::max(2, b.w / 4);
    m.h = std::max(2, b.h / 4);
    m.x = b.x + (b.w - m.w) / 2;
    m.y = b.y + (b.h - m.h) / 2;
    return m;
}

/// The program at display scale 1 (a 1280 x 1024 screen) or 2 (2560 x 1800).
class KeyboardTest : public ProgramFixture, public ::testing::WithParamInterface<int> {
protected:
    bool withWindowManager() const override { return true; }
    std::string screen() const override { return GetParam() == 2 ? "2560x1800x24" : "1280x1024x24"; }

    void SetUp() override {
        if (!haveTool("ffmpeg") || !haveTool("ffprobe"))
            GTEST_SKIP() << "ffmpeg is not installed";
        ProgramFixture::SetUp();
    }

    /// build/screenshots/keys-<name>-scale<N>.png, for people to look at.
    std::string screenshot(const std::string& name) const {
        const std::string folder = screenshotFolder();
        if (folder.empty())
            return {};
        return folder + "/keys-" + name + "-scale" + std::to_string(GetParam()) + ".png";
    }

    /// Grabs the main window into `png` (a screenshot when it has a name,
    /// else a file of the test's own).
    std::string grab(const std::string& window, const std::string& name) {
        std::string png = screenshot(name);
        if (png.empty())
            png = m_media.file(name + ".png");
        EXPECT_TRUE(grabWindow(window, png)) << name;
        return png;
    }

    /// The mean colour of `area` once `shown` holds for it (grabbed again
    /// until then, for `limit`): the window draws a little after the input.
    /// The last grab is kept in m_lastGrab.
    template <class Shown>
    Rgb colourOnceShown(const std::string& window, const std::string& name, const Box& area, Shown shown,
                        std::chrono::milliseconds limit) {
        Rgb colour{-1, -1, -1};
        waitFor(
            [&] {
                m_lastGrab = grab(window, name);
                return meanColour(m_lastGrab, area, &colour) && shown(colour);
            },
            limit);
        return colour;
    }

    /// The preview's mean colour once it shows `wanted`: pictures arrive
    /// from the frame grabber a little later.
    Rgb previewColour(const std::string& window, const std::string& name, const Rgb& wanted) {
        Box preview;
        EXPECT_TRUE(waitForControl(m_env.layout, "preview", false, &preview));
        return colourOnceShown(
            window, name, middleOf(preview), [&](const Rgb& c) { return distance(c, wanted) <= 40; }, 20s);
    }

    /// Ctrl+O, and the path typed into the file chooser's location field.
    bool openByKeys(Program& program, const std::string& window, const std::string& path) {
        focus(window);
        shell("xdotool key ctrl+o");
        return chooseInFileChooser(program, window, path);
    }

    /// Keys with a pause after each, so that every one is seen on its own.
    static void keys(const std::string& names) { shell("xdotool key --delay 250 " + names); }

    TempDir m_media{"media"};
    std::string m_lastGrab; // the picture `previewColour` judged last
};

TEST_P(KeyboardTest, AKeyboardOnlySessionCutsTheMarkedScene) {
    // 6 s with a key frame every second: a lossless cut of 1 s .. 3 s is
    // two seconds long.
    const std::string clip = m_media.file("clip.mp4");
    int status = 0;
    shell("ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25:duration=6 -f lavfi -i "
          "sine=frequency=440:duration=6 -c:v libx264 -g 25 -pix_fmt yuv420p -c:a aac -shortest " +
              shellWord(clip) + " 2>&1",
          &status);
    ASSERT_EQ(status, 0);

    Program program(m_env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    ASSERT_TRUE(openByKeys(program, window, clip)) << "Ctrl+O did not open the file";
    focus(window);

    // The start: two seconds on and one back. Then the end at the frame on
    // show (1 s), Shift+Right (5 s) past the end of the file, which stops
    // there, and three seconds back: 3 s. Home goes back to the start, I
    // sets it where it is.
    keys("Right Right Left");
    keys("o shift+Right Left Left Left");
    keys("Home i");
    grab(window, "marked");
    keys("ctrl+s");

    const std::string message = waitForOtherWindow(program.pid(), window, 120s);
    ASSERT_FALSE(message.empty()) << "Ctrl+S showed no result";
    focus(message);
    shell("xdotool key Return");
    ASSERT_TRUE(waitFor([&] { return titledWindows(program.pid()).size() == 1; }, 30s));

    std::string output;
    for (const std::string& f : folderEntries(m_media.path()))
        if (f.find(".CUT.") != std::string::npos)
            output = m_media.file(f);
    ASSERT_FALSE(output.empty()) << "no output file";
    const std::string probe = shell("ffprobe -v error -show_entries format=duration -of "
                                    "default=noprint_wrappers=1:nokey=1 " +
                                    shellWord(output));
    // The name carries the marks; a lossless cut may run a few frames on.
    EXPECT_NE(output.find(".CUT.00'01-00'03."), std::string::npos) << output;
    EXPECT_NEAR(std::atof(probe.c_str()), 2.0, 0.3) << probe;

    // The list of keys in the About menu: Alt and its underlined letter,
    // then its second entry.
    focus(window);
    keys("alt+a Down Return");
    const std::string list = waitForOtherWindow(program.pid(), window, 30s);
    ASSERT_FALSE(list.empty()) << "no list of keyboard shortcuts";
    if (const std::string png = screenshot("shortcut-list"); !png.empty()) {
        EXPECT_TRUE(grabWindow(list, png));
    }
    focus(list);
    shell("xdotool key Return");
    ASSERT_TRUE(waitFor([&] { return titledWindows(program.pid()).size() == 1; }, 30s));

    // F10 opens the first menu, Right the next one, Escape closes it; the
    // window is still there for Ctrl+Q.
    focus(window);
    keys("F10 Right");
    Box viewTitle;
    ASSERT_TRUE(waitForControl(m_env.layout, "menu.1", false, &viewTitle));
    // The open menu's title is filled with the selection colour.
    const Rgb title = colourOnceShown(
        window, "menu-by-keyboard", viewTitle, [](const Rgb& c) { return c[2] - c[0] > 60; }, 10s);
    EXPECT_GT(title[2] - title[0], 60) << "the View menu is not open: " << text(title);
    keys("Escape");
    focus(window);
    shell("xdotool key ctrl+q");
    EXPECT_EQ(program.waitExit(60s), 0) << "Ctrl+Q did not end the program";
}

TEST_P(KeyboardTest, TheEndOfTheFileShowsItsLastFrameAndTextThatIsNoTimeIsMarked) {
    // Red, and a green last frame.
    const std::string clip = m_media.file("green-end.mp4");
    int status = 0;
    shell("ffmpeg -v error -y -f lavfi -i color=c=red:size=320x240:rate=25:duration=3.96 -f lavfi -i "
          "color=c=0x00ff00:size=320x240:rate=25:duration=0.04 -f lavfi -i sine=frequency=440:duration=4 "
          "-filter_complex '[0:v][1:v]concat=n=2:v=1:a=0[v]' -map '[v]' -map 2:a -c:v libx264 -g 50 -pix_fmt "
          "yuv420p -c:a aac " +
              shellWord(clip) + " 2>&1",
          &status);
    ASSERT_EQ(status, 0);
    Rgb firstFrame{};
    Rgb lastFrame{};
    ASSERT_TRUE(firstAndLastFrameColours(clip, &firstFrame, &lastFrame));
    ASSERT_GT(distance(firstFrame, lastFrame), 150) << text(firstFrame) << " / " << text(lastFrame);

    Program program(m_env);
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty()) << "the program showed no window";
    ASSERT_TRUE(openByMenu(program, window, clip)) << "the file did not load";
    Rgb shown = previewColour(window, "first-frame", firstFrame);
    EXPECT_LE(distance(shown, firstFrame), 40) << text(shown);

    // Text that is no time: marked, kept as typed, the preview unchanged.
    Box endField;
    ASSERT_TRUE(waitForControl(m_env.layout, "time.end", true, &endField));
    focus(window);
    click(window, endField.cx(), endField.cy());
    keys("ctrl+a");
    shell("xdotool type --delay 30 '1:5x'");
    keys("Return");
    // Red frame and text on a pale red ground, not the grey and white of
    // a normal field (waited for: a slow build draws it a little later).
    Rgb field = colourOnceShown(
        window, "invalid-time", endField, [](const Rgb& c) { return c[0] - c[2] > 15; }, 10s);
    EXPECT_GT(field[0] - field[2], 15) << text(field);

    // Keys in the field edit its text: "4", Home, "0:0" reads "0:04", the
    // end of the file; Enter takes it and the last frame shows.
    keys("ctrl+a");
    shell("xdotool type --delay 30 4");
    keys("Home");
    shell("xdotool type --delay 30 0:0");
    keys("Return");
    shown = previewColour(window, "last-frame", lastFrame);
    EXPECT_LE(distance(shown, lastFrame), 40) << "the end of the file does not show its last frame: " << text(shown);
    ASSERT_TRUE(meanColour(m_lastGrab, endField, &field));
    EXPECT_LT(field[0] - field[2], 5) << "the mark stayed: " << text(field);

    // Out of the field, Left steps the end a second back (red), and
    // Ctrl+Right 30 s on stops at the end of the file: the last frame again.
    keys("Tab Left");
    shown = previewColour(window, "end-stepped-back", firstFrame);
    EXPECT_LE(distance(shown, firstFrame), 40) << text(shown);
    keys("ctrl+Right");
    shown = previewColour(window, "end-stepped-past", lastFrame);
    EXPECT_LE(distance(shown, lastFrame), 40) << "a step past the end does not show the last frame: " << text(shown);

    focus(window);
    shell("xdotool key ctrl+w");
    EXPECT_EQ(program.waitExit(60s), 0) << "Ctrl+W did not end the program";
}

INSTANTIATE_TEST_SUITE_P(Scales, KeyboardTest, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "Scale" + std::to_string(info.param);
                         });

} // namespace
