// snipforge-cli cut --precise through the cutter's model: the stored View
// choice decides whether only the edges are re-encoded, --full-reencode
// overrides it once, and a source the edges-only cut cannot take is
// re-encoded whole with the reason in the result message.

#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef SNIPFORGE_CLI_PATH
#error "SNIPFORGE_CLI_PATH must name the built snipforge-cli"
#endif

namespace {

namespace fs = std::filesystem;

constexpr const char* kEdgesOnly = "Only the edges of the scene were re-encoded";
const std::string kWhole = "The whole scene was re-encoded:";

std::string clip(const std::string& name, const std::string& codec,
                 const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {
        "-f",   "lavfi", "-i",   "testsrc2=size=320x240:rate=25:duration=6",
        "-f",   "lavfi", "-i",   "sine=frequency=440:sample_rate=48000:duration=6",
        "-c:v", codec,   "-g",   "50",
        "-bf",  "2",     "-c:a", "aac"};
    args.insert(args.end(), extra.begin(), extra.end());
    return s::test::generatedMedia("smartcli-" + name, args);
}

struct Cut {
    s::test::ToolRun run;
    std::string output; // the one file written, or empty
};

Cut cut(const std::string& input, const std::string& config, std::vector<std::string> extra) {
    const std::string out = s::test::makeTempDir();
    std::vector<std::string> argv = {SNIPFORGE_CLI_PATH, "cut",   input, "--start", "1.3", "--end", "4.7",
                                     "--precise",        "--out", out};
    argv.insert(argv.end(), extra.begin(), extra.end());
    s::test::ToolSetting setting;
    // The messages this test looks for are the English ones.
    setting.environment = {{"XDG_CONFIG_HOME", config}, {"LANGUAGE", "en"}, {"LC_ALL", "C.UTF-8"}};
    setting.timeLimitSeconds = 120;
    Cut result{s::test::runTool(argv, {}, setting), {}};
    for (const auto& entry : fs::directory_iterator(out))
        result.output = entry.path().string();
    return result;
}

/// Frames of the file's video stream as ffprobe counts them by decoding.
int frameCount(const std::string& path) {
    s::test::ToolRun run =
        s::test::runTool({"ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0",
                          "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    return run.exitStatus == 0 ? std::atoi(run.out.c_str()) : -1;
}

} // namespace

TEST(SmartCutCli, ThePreciseCutCopiesTheMiddleUnlessToldOtherwise) {
    const std::string h264 = clip("h264.mp4", "libx264");
    ASSERT_FALSE(h264.empty());
    const std::string config = s::test::makeTempDir();

    Cut smart = cut(h264, config, {});
    EXPECT_EQ(smart.run.exitStatus, 0) << smart.run.out << smart.run.err;
    EXPECT_NE(smart.run.out.find(kEdgesOnly), std::string::npos) << smart.run.out;
    ASSERT_FALSE(smart.output.empty());
    EXPECT_EQ(frameCount(smart.output), 85); // 1.32 .. 4.68

    Cut whole = cut(h264, config, {"--full-reencode"});
    EXPECT_EQ(whole.run.exitStatus, 0) << whole.run.out << whole.run.err;
    EXPECT_EQ(whole.run.out.find(kEdgesOnly), std::string::npos) << whole.run.out;
    EXPECT_EQ(whole.run.out.find(kWhole), std::string::npos) << whole.run.out;
    ASSERT_FALSE(whole.output.empty());
    EXPECT_EQ(frameCount(whole.output), 85);
}

TEST(SmartCutCli, AnIneligibleSourceIsReEncodedWholeAndSaysWhy) {
    struct Case {
        std::string input;
        std::string because;
    };
    const std::vector<Case> cases = {
        {clip("mpeg4.mp4", "mpeg4"), " the video is not H.264 (mpeg4)"},
        {clip("h264-10bit.mp4", "libx264", {"-pix_fmt", "yuv420p10le"}),
         " the video is not 8-bit 4:2:0 (yuv420p10le)"},
        {clip("h264-interlaced.mp4", "libx264", {"-flags", "+ildct+ilme", "-x264-params", "tff=1"}),
         " the video is interlaced"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        ASSERT_FALSE(c.input.empty());
        Cut whole = cut(c.input, s::test::makeTempDir(), {});
        EXPECT_EQ(whole.run.exitStatus, 0) << whole.run.out << whole.run.err;
        EXPECT_NE(whole.run.out.find(kWhole + c.because), std::string::npos) << whole.run.out;
        ASSERT_FALSE(whole.output.empty());
        EXPECT_EQ(frameCount(whole.output), 85);
    }
}
