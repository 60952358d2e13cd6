// The desktop program as a user meets it: started as its own process on the
// test's X display and driven with real input through `xdotool`.
//
// Without a display, xdotool or the program, the tests are skipped.

#include "support/ProgramDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace snipforge::test;
using s::test::TempDir;

using ProgramTest = ProgramFixture;

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

    ASSERT_TRUE(openByMenu(program, window, clip)) << "the file did not load";
    Box save;

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
