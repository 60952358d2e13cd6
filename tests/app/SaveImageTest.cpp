// "Save as Image" as a user meets it: the label greyed until a video is
// loaded, then a click, the save dialog, a name typed, and the frame on show
// written in each of the five types. Run under openbox on a private X
// display with real X input; each file is read back with the ffmpeg tool.
//
// Without a display, xdotool, openbox, ffmpeg or the program, the test is
// skipped.

#include "support/ProgramDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace snipforge::test;
using namespace std::chrono_literals;

/// The names in a folder, sorted, without "." and "..".
std::vector<std::string> listFolder(const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& name : folderEntries(folder))
        if (name != "." && name != "..")
            out.push_back(name);
    std::sort(out.begin(), out.end());
    return out;
}

class SaveImageTest : public ProgramFixture {
protected:
    bool withWindowManager() const override { return true; }
    // Room below the save dialog for the whole list of types: on a screen
    // it does not fit, the list opens scrolled with no type selected, and
    // the keys that pick the next type pick another.
    std::string screen() const override { return "1600x1200x24"; }

    void SetUp() override {
        ProgramFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        if (!haveTool("ffmpeg") || !haveTool("ffprobe"))
            GTEST_SKIP() << "ffmpeg is not installed";
        m_clip = m_media.file("clip.mp4");
        int status = 0;
        // With sound: a video without it is met by a message box.
        shell("ffmpeg -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=3 -f lavfi -i sine=d=3 "
              "-c:v libx264 -pix_fmt yuv420p -c:a aac -shortest " +
                  shellWord(m_clip) + " 2>&1",
              &status);
        ASSERT_EQ(status, 0);
        m_out = m_media.file("out");
        ASSERT_EQ(::mkdir(m_out.c_str(), 0755), 0);
    }

    /// The first `streamIndex` picture of a file as packed RGB at w x h.
    static std::string rgb(const std::string& path, int w, int h, int stream = 0) {
        return shell("ffmpeg -v error -i " + shellWord(path) + " -map 0:" + std::to_string(stream) +
                     " -frames:v 1 -vf scale=" + std::to_string(w) + ":" + std::to_string(h) +
                     ":flags=area -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    }

    static double difference(const std::string& a, const std::string& b) {
        if (a.size() != b.size() || a.empty())
            return 1e9;
        double sum = 0;
        for (size_t i = 0; i < a.size(); ++i)
            sum += std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
        return sum / static_cast<double>(a.size());
    }

    s::test::TempDir m_media;
    std::string m_clip;
    std::string m_out;
};

TEST_F(SaveImageTest, TheFrameOnShowIsSavedInEachTypeThroughTheDialog) {
    // Greyed before anything is loaded.
    {
        Program empty(m_env);
        const std::string window = waitForMainWindow(empty.pid());
        ASSERT_FALSE(window.empty());
        Box label;
        ASSERT_TRUE(waitForControl(m_env.layout, "saveimage", false, &label));
        EXPECT_FALSE(label.enabled);
        click(window, label.cx(), label.cy());
        std::this_thread::sleep_for(1500ms);
        EXPECT_TRUE(waitForOtherWindow(empty.pid(), window, 1s).empty())
            << "a dialog opened with nothing loaded";
        EXPECT_EQ(closeByMiddleClick(empty, window), 0);
    }

    Program program(m_env, {m_clip});
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty());
    Box label;
    ASSERT_TRUE(waitForControl(m_env.layout, "saveimage", true, &label));
    // The first frame is on show once the file is loaded; let it arrive.
    std::this_thread::sleep_for(1500ms);
    const std::string shots = screenshotFolder();

    struct Case {
        const char* name;
        const char* codec;
        double limit; // mean difference per byte from the decoded frame
    };
    const Case cases[] = {
        {"frame.png", "png", 3.0}, {"frame.jpg", "mjpeg", 6.0}, {"frame.gif", "gif", 10.0},
        {"frame.bmp", "bmp", 3.0}, {"frame.ico", "bmp", 0}, // the entries of an icon are bitmaps
    };
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        focus(window);
        click(window, label.cx(), label.cy());
        const std::string dialog = waitForOtherWindow(program.pid(), window, 30s);
        ASSERT_FALSE(dialog.empty()) << "no save dialog";
        std::this_thread::sleep_for(800ms);
        if (first && !shots.empty())
            (void)grabWindow(dialog, shots + "/save-image-dialog.png");
        first = false;
        focus(dialog);
        // The name field has the focus with the proposed name in it.
        const std::string path = m_out + "/" + c.name;
        shell("xdotool key --delay 100 ctrl+a");
        shell("xdotool type --delay 20 " + shellWord(path));
        shell("xdotool key Return");
        ASSERT_TRUE(waitFor([&] { return entryExists(path); }, 30s)) << "nothing written";
        ASSERT_TRUE(waitFor([&] { return titledWindows(program.pid()).size() == 1; }, 10s))
            << "the dialog stayed open";

        const std::string probe = shell("ffprobe -v error -show_entries stream=codec_name,width,height -of "
                                        "csv=p=0 " +
                                        shellWord(path));
        EXPECT_EQ(probe.substr(0, probe.find(',')), c.codec) << probe;
        if (std::string(c.name).ends_with(".ico")) {
            // Sizes 16, 24, 32, 48 at three depths; the 48-pixel true-colour
            // entry holds the frame kept at its ratio (48 x 36, centred).
            EXPECT_EQ(words(probe).size(), 12u) << probe;
            const std::string icon =
                shell("ffmpeg -v error -i " + shellWord(path) +
                      " -map 0:11 -vf crop=48:36:0:6 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
            EXPECT_LT(difference(icon, rgb(m_clip, 48, 36)), 14.0);
            continue;
        }
        int width = 0;
        int height = 0;
        ASSERT_EQ(std::sscanf(probe.c_str(), "%*[^,],%d,%d", &width, &height), 2) << probe;
        EXPECT_EQ(width * 3, height * 4) << "the frame's shape";
        const std::string saved = rgb(path, width, height);
        const double nearFirst = difference(saved, rgb(m_clip, width, height));
        EXPECT_LT(nearFirst, c.limit);
    }
    if (!shots.empty())
        (void)grabWindow(window, shots + "/save-image-result.png");
    EXPECT_EQ(closeByMiddleClick(program, window), 0);
}

TEST_F(SaveImageTest, AnUnsupportedNameSaysWhichTypesAreAndAnExistingFileIsReplacedOnlyWhenConfirmed) {
    const std::string log = m_media.file("messages.txt");
    Program program(m_env, {m_clip}, {"SNIPFORGE_MESSAGE_LOG=" + log});
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty());
    Box label;
    ASSERT_TRUE(waitForControl(m_env.layout, "saveimage", true, &label));
    std::this_thread::sleep_for(1500ms);
    const std::string shots = screenshotFolder();

    auto openDialog = [&] {
        focus(window);
        click(window, label.cx(), label.cy());
        const std::string dialog = waitForOtherWindow(program.pid(), window, 30s);
        std::this_thread::sleep_for(800ms);
        focus(dialog);
        return dialog;
    };
    auto typeName = [&](const std::string& path) {
        shell("xdotool key --delay 100 ctrl+a");
        shell("xdotool type --delay 20 " + shellWord(path));
        shell("xdotool key Return");
    };

    // "tif": nothing written, a message that lists the supported types.
    ASSERT_FALSE(openDialog().empty());
    typeName(m_out + "/frame.tif");
    ASSERT_TRUE(waitFor([&] { return s::test::readFile(log).find("\n--\n") != std::string::npos; }, 30s))
        << "no message";
    EXPECT_NE(s::test::readFile(log).find("bmp, gif, ico, icon, jpeg, jpg, png"), std::string::npos)
        << s::test::readFile(log);
    const std::string box = waitForOtherWindow(program.pid(), window, 10s);
    if (!box.empty() && !shots.empty()) {
        std::this_thread::sleep_for(700ms);
        (void)grabWindow(box, shots + "/save-image-unsupported.png");
    }
    shell("xdotool key Return");
    ASSERT_TRUE(waitFor([&] { return titledWindows(program.pid()).size() == 1; }, 10s));
    EXPECT_TRUE(listFolder(m_out).empty());

    // An existing file: declining the dialog's question keeps it, and the
    // dialog stays open for another choice; confirming replaces it.
    const std::string existing = m_out + "/old.png";
    ASSERT_TRUE(s::test::writeFile(existing, "old picture"));
    const std::string dialog = openDialog();
    ASSERT_FALSE(dialog.empty());
    typeName(existing);
    // The question sits over the dialog (it has no title of its own to be
    // found by); without it the file would be replaced by now.
    std::this_thread::sleep_for(2000ms);
    EXPECT_EQ(s::test::readFile(existing), "old picture") << "replaced without a question";
    if (!shots.empty())
        (void)grabWindow(dialog, shots + "/save-image-replace.png");
    shell("xdotool key alt+n");
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(s::test::readFile(existing), "old picture");
    ASSERT_EQ(titledWindows(program.pid()).size(), 2u) << "the save dialog closed";
    focus(dialog);
    typeName(existing);
    std::this_thread::sleep_for(1500ms);
    shell("xdotool key alt+y");
    ASSERT_TRUE(waitFor([&] { return s::test::readFile(existing).substr(1, 3) == "PNG"; }, 30s))
        << "not replaced";
    ASSERT_TRUE(waitFor([&] { return titledWindows(program.pid()).size() == 1; }, 10s));
    EXPECT_EQ(listFolder(m_out), std::vector<std::string>{"old.png"}) << "a temporary file was left";
    EXPECT_EQ(closeByMiddleClick(program, window), 0);
}

TEST_F(SaveImageTest, PickingJpegWhileTheNameReadsCapturePngSavesCapturePngJpg) {
    Program program(m_env, {m_clip});
    const std::string window = waitForMainWindow(program.pid());
    ASSERT_FALSE(window.empty());
    Box label;
    ASSERT_TRUE(waitForControl(m_env.layout, "saveimage", true, &label));
    std::this_thread::sleep_for(1500ms);
    focus(window);
    click(window, label.cx(), label.cy());
    const std::string dialog = waitForOtherWindow(program.pid(), window, 30s);
    ASSERT_FALSE(dialog.empty());
    std::this_thread::sleep_for(800ms);
    int width = 0;
    int height = 0;
    ASSERT_TRUE(windowSize(dialog, &width, &height));
    // The type selector sits at the bottom right above the buttons; its list
    // opens on the current type (PNG, first), and JPEG is the next one.
    click(dialog, width - 100, height - 70);
    std::this_thread::sleep_for(800ms);
    shell("xdotool key --delay 150 Down Return");
    std::this_thread::sleep_for(800ms);
    const std::string shots = screenshotFolder();
    if (!shots.empty())
        (void)grabWindow(dialog, shots + "/save-image-type-change.png");
    // First use: the desktop, which a home without one is.
    const std::string path = m_env.home + "/capture.png.jpg";
    click(dialog, width - 44, height - 24); // Save
    ASSERT_TRUE(waitFor([&] { return entryExists(path); }, 30s)) << "no capture.png.jpg";
    EXPECT_EQ(s::test::readFile(path).substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_FALSE(entryExists(m_env.home + "/capture.png"));
    EXPECT_EQ(closeByMiddleClick(program, window), 0);
}

} // namespace
