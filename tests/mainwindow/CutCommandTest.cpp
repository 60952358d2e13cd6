// snipforge-cli cut: the built front end run on generated media.

#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string makeClip(const std::string& dir, const std::string& name, bool withAudio) {
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-loglevel",
                                     "error",  "-y",       "-f",
                                     "lavfi",  "-i",       "testsrc=size=320x240:rate=25"};
    if (withAudio)
        argv.insert(argv.end(), {"-f", "lavfi", "-i", "sine=frequency=440", "-c:a", "aac"});
    argv.insert(argv.end(),
                {"-t", "3", "-c:v", "libx264", "-g", "10", "-pix_fmt", "yuv420p", dir + "/" + name});
    EXPECT_EQ(s::test::runTool(argv).exitStatus, 0);
    return dir + "/" + name;
}

s::test::ToolRun cli(const std::vector<std::string>& args, const std::string& home) {
    std::vector<std::string> argv = {"env", "HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config",
                                     SNIPFORGE_CLI_PATH, "cut"};
    argv.insert(argv.end(), args.begin(), args.end());
    return s::test::runTool(argv);
}

TEST(CutCommand, CutsWithTimeFormsAndReportsTheResult) {
    const std::string dir = s::test::makeTempDir();
    const std::string input = makeClip(dir, "in put.mp4", true);
    const std::string out = dir + "/out dir";

    s::test::ToolRun run =
        cli({input, "--start", "0:00:00.500", "--end", "1.5", "--precise", "--out", out}, dir);
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Saved Successfully!"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("progress"), std::string::npos);
    const std::string cut = out + "/in put.CUT.00'00.500-00'01.500.mp4";
    s::test::FfprobeReport report = s::test::runFfprobe(cut);
    ASSERT_TRUE(report.ok) << run.out;
    EXPECT_NEAR(std::atof(report.format["duration"].c_str()), 1.0, 0.1);
    // "--out" is for this run only: the next cut goes beside the input.
    run = cli({input, "--start", "1", "--end", "2"}, dir);
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_TRUE(fs::exists(dir + "/in put.CUT.00'01-00'02.mp4"));
}

TEST(CutCommand, NoAudioIsSuccessAndBadArgumentsAreRefused) {
    const std::string dir = s::test::makeTempDir();
    const std::string input = makeClip(dir, "-silent.mp4", false);
    s::test::ToolRun run = cli({"--", input, "--start", "0", "--end", "1"}, dir);
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("The audio may not have been saved correctly."), std::string::npos) << run.out;
    EXPECT_TRUE(fs::exists(dir + "/-silent.CUT.00'00-00'01.mp4"));

    EXPECT_EQ(cli({input, "--start", "1:75", "--end", "2"}, dir).exitStatus, 2);
    EXPECT_EQ(cli({input, "--start", "2", "--end", "1"}, dir).exitStatus, 2);
    EXPECT_EQ(cli({dir + "/missing.mp4", "--start", "0", "--end", "1"}, dir).exitStatus, 1);
}

} // namespace
