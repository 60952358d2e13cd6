// Cuts and frame grabs of the kinds of files people really cut (TV
// recordings, phone clips, slide shows, interlaced and open-GOP video), run
// through snipforge-cli as the window runs them. Which frame is right is
// decided by decoding the source from its start with the ffmpeg tool; the
// results are checked with ffprobe and by decoding them.

#include "support/Catalogue.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using s::test::FfprobeReport;
using s::test::ToolRun;

/// A source made once with the ffmpeg tool (arguments before the output)
/// and kept in the fixture folder between runs.
std::string source(const std::string& name, const std::vector<std::string>& args) {
    return s::test::generatedMedia("realworld-" + name, args);
}

/// 320x240 test pictures (every frame different) with a tone, `seconds`
/// long, then `codec` arguments.
std::vector<std::string> avInput(int seconds, const std::string& rate = "25") {
    const std::string d = std::to_string(seconds);
    return {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=" + rate + ":duration=" + d,
            "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=" + d};
}

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

constexpr auto number = &s::test::fieldNumber;
constexpr auto value = &s::test::fieldText;

const std::map<std::string, std::string>* firstStream(const FfprobeReport& report, const std::string& type) {
    for (const auto& stream : report.streams) {
        if (value(stream, "codec_type") == type)
            return &stream;
    }
    return nullptr;
}

/// The first video stream decoded from the start as a player shows it
/// (turned upright): each frame's time counted from the file's start, and a
/// digest of its packed BGR pixels.
struct Decoded {
    std::vector<double> times;
    std::vector<size_t> digests;
    int width = 0, height = 0;

    /// The first frame at or after `seconds`; times.size() when none.
    size_t frameAt(double seconds) const {
        for (size_t i = 0; i < times.size(); ++i) {
            if (times[i] >= seconds - 1e-6)
                return i;
        }
        return times.size();
    }
    long indexOf(size_t digest) const {
        for (size_t i = 0; i < digests.size(); ++i) {
            if (digests[i] == digest)
                return static_cast<long>(i);
        }
        return -1;
    }
};

Decoded decode(const std::string& path) {
    Decoded result;
    const FfprobeReport report = s::test::runFfprobe(path);
    const auto* video = firstStream(report, "video");
    if (!report.ok || !video) {
        ADD_FAILURE() << "no video in " << path;
        return result;
    }
    const double start = std::isnan(number(report.format, "start_time")) ? 0 : number(report.format, "start_time");
    const ToolRun frames = s::test::runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_frames",
                                             "-show_entries", "frame=best_effort_timestamp_time", path});
    std::istringstream lines(frames.out);
    const std::string key = "best_effort_timestamp_time=";
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(key))
            result.times.push_back(std::atof(line.c_str() + key.size()) - start);
    }
    const ToolRun raw = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v:0",
                                          "-fps_mode", "passthrough", "-pix_fmt", "bgr24", "-f", "rawvideo", "-"});
    // The tool turns rotated pictures upright; so must we.
    const ToolRun size = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v:0",
                                           "-frames:v", "1", "-f", "image2pipe", "-c:v", "bmp", "-"});
    if (size.out.size() >= 26) {
        result.width = static_cast<unsigned char>(size.out[18]) | static_cast<unsigned char>(size.out[19]) << 8;
        result.height = static_cast<unsigned char>(size.out[22]) | static_cast<unsigned char>(size.out[23]) << 8;
    }
    const size_t frameBytes = static_cast<size_t>(result.width) * result.height * 3;
    for (size_t at = 0; frameBytes > 0 && at + frameBytes <= raw.out.size(); at += frameBytes)
        result.digests.push_back(std::hash<std::string_view>()(std::string_view(raw.out).substr(at, frameBytes)));
    EXPECT_EQ(result.digests.size(), result.times.size()) << path;
    return result;
}

/// Digest and size of a BMP written by a grab, as packed BGR pixels.
struct Picture {
    size_t digest = 0;
    int width = 0, height = 0;
};

Picture readPicture(const std::string& bmp) {
    Picture picture;
    const ToolRun raw = s::test::runTool(
        {"ffmpeg", "-nostdin", "-v", "error", "-i", bmp, "-pix_fmt", "bgr24", "-f", "rawvideo", "-"});
    const std::string header = s::test::readFile(bmp);
    if (raw.exitStatus != 0 || header.size() < 26)
        return picture;
    picture.width = static_cast<unsigned char>(header[18]) | static_cast<unsigned char>(header[19]) << 8;
    picture.height = static_cast<unsigned char>(header[22]) | static_cast<unsigned char>(header[23]) << 8;
    picture.digest = std::hash<std::string_view>()(raw.out);
    return picture;
}

/// Whether the ffmpeg tool decodes `path` completely without a complaint.
bool decodesCleanly(const std::string& path, std::string* complaint = nullptr) {
    const ToolRun run = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (complaint)
        *complaint = run.err;
    return run.exitStatus == 0 && run.err.empty();
}

/// Every test drives the program in a folder of its own, with its own
/// settings and runtime folder; the fixture checks at the end that the
/// inputs are untouched and nothing half-done is left behind, whatever the
/// outcome.
class RealWorldCut : public s::test::CatalogueFixture {
protected:
    struct Cut {
        ToolRun run;
        std::string output; // the saved scene; empty when none
        bool report = false; // an _error.txt was written
    };

    /// Cuts [start, end] seconds of `input` into a fresh output folder.
    Cut cut(const std::string& input, double start, double end, bool precise) {
        watch(input);
        const std::string out = m_outDir + "/" + std::to_string(++m_runs);
        fs::create_directories(out);
        std::vector<std::string> args = {"cut", input, "--start", seconds(start), "--end", seconds(end), "--out", out};
        if (precise)
            args.push_back("--precise");
        Cut result;
        result.run = cli(args);
        for (const auto& entry : fs::directory_iterator(out)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("_error"))
                result.report = true;
            else
                result.output = entry.path().string();
        }
        return result;
    }

    /// Grabs the frame at `at` seconds of `input`.
    Picture grab(const std::string& input, double at) {
        watch(input);
        const std::string bmp = m_dir + "/grab-" + std::to_string(++m_runs) + ".bmp";
        const ToolRun run = cli({"frame", input, "--at", seconds(at), "--out", bmp});
        EXPECT_EQ(run.exitStatus, 0) << input << " at " << at << ": " << run.err;
        return run.exitStatus == 0 ? readPicture(bmp) : Picture{};
    }

    /// Checks that every grab at `positions` shows the first frame at or
    /// after it, counted from the file's start.
    void expectGrabsRight(const std::string& input, const std::vector<double>& positions) {
        const Decoded frames = decode(input);
        ASSERT_FALSE(frames.times.empty());
        for (double at : positions) {
            const Picture picture = grab(input, at);
            EXPECT_EQ(picture.width, frames.width);
            EXPECT_EQ(picture.height, frames.height);
            EXPECT_EQ(frames.indexOf(picture.digest), static_cast<long>(frames.frameAt(at)))
                << fs::path(input).filename() << " at " << at;
        }
    }

private:
    static std::string seconds(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", value);
        return text;
    }

    int m_runs = 0;
};

// -- crashes and failures reported as success -------------------------------

// A slide show's video has a few bits per second: the encoder would refuse
// such a target, and its failure path crashed the program.
TEST_F(RealWorldCut, PreciseCutOfASlideShowSucceedsAtConstantQuality) {
    const std::string input = source("slides.mp4", std::vector<std::string>{"-f", "lavfi", "-i",
                                                                            "color=c=navy:size=320x240:rate=1:duration=8",
                                                                            "-c:v", "libx264", "-tune", "stillimage"});
    ASSERT_FALSE(input.empty());
    const FfprobeReport probed = s::test::runFfprobe(input);
    const auto* video = firstStream(probed, "video");
    ASSERT_TRUE(video);
    ASSERT_LT(number(*video, "bit_rate"), 5000) << "the source must have a tiny bit rate";
    const Cut result = cut(input, 1, 5, true);
    ASSERT_EQ(result.run.exitStatus, 0) << result.run.out << result.run.err;
    ASSERT_FALSE(result.output.empty());
    const FfprobeReport out = s::test::runFfprobe(result.output);
    const auto* cutVideo = firstStream(out, "video");
    ASSERT_TRUE(cutVideo);
    EXPECT_EQ(value(*cutVideo, "codec_name"), "h264");
    EXPECT_NEAR(number(*cutVideo, "duration"), 4.0, 1.0);
    EXPECT_TRUE(decodesCleanly(result.output));
}

// The scene lies after the video's last frame (the sound goes on longer):
// the copy would hold only frames from before the scene.
TEST_F(RealWorldCut, SceneWithoutAVideoFrameFailsWithAReport) {
    const std::string input =
        source("shortvideo.mp4", std::vector<std::string>{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=4",
                                                          "-f", "lavfi", "-i", "sine=sample_rate=48000:duration=6",
                                                          "-c:v", "libx264", "-g", "25", "-c:a", "aac"});
    ASSERT_FALSE(input.empty());
    for (bool precise : {false, true}) {
        SCOPED_TRACE(precise ? "precise" : "lossless");
        const Cut result = cut(input, 5, 5.9, precise);
        EXPECT_NE(result.run.exitStatus, 0) << result.run.out;
        EXPECT_EQ(result.output, "");
        EXPECT_TRUE(result.report);
    }
}

// A scene ending at the end of the file keeps the last frame.
TEST_F(RealWorldCut, SceneAtTheEndIncludesTheLastFrame) {
    const std::string input = source("end.mp4", avInput(3) + std::vector<std::string>{"-c:v", "libx264", "-g", "25",
                                                                                      "-bf", "2", "-c:a", "aac"});
    ASSERT_FALSE(input.empty());
    const Decoded frames = decode(input);
    ASSERT_EQ(frames.times.size(), 75u);
    for (bool precise : {false, true}) {
        SCOPED_TRACE(precise ? "precise" : "lossless");
        const Cut result = cut(input, 2.9, 3.0, precise);
        ASSERT_EQ(result.run.exitStatus, 0) << result.run.out << result.run.err;
        const Decoded out = decode(result.output);
        ASSERT_FALSE(out.digests.empty());
        if (!precise) {
            // A copy shows the source's own pictures, the last one last.
            EXPECT_EQ(out.digests.back(), frames.digests.back());
        } else {
            EXPECT_GE(out.times.back(), 0.06 - 1e-6) << "the frames at 2.92 and 2.96 s are in the scene";
        }
    }
}

// -- where a cut starts ------------------------------------------------------

struct StartCase {
    const char* name;
    std::vector<std::string> codec; // after the common input, output named by `extension`
    const char* extension;
    double audioFrame; // seconds
    // AVI stores decoding times only: where a copy ends, reordered pictures
    // cannot be told apart, and the last two may be missing (as with the
    // ffmpeg tool).
    bool presentationTimes = true;
};

class LosslessStart : public RealWorldCut, public ::testing::WithParamInterface<StartCase> {};

// Transport and program streams seek by time stamps: the copy started at the
// key frame after the start, behind up to a group of pictures of sound alone.
TEST_P(LosslessStart, VideoBeginsAtTheKeyFrameAtOrBeforeTheStartTogetherWithTheSound) {
    const StartCase& c = GetParam();
    const std::string input = source(std::string("start.") + c.extension, avInput(6) + c.codec);
    ASSERT_FALSE(input.empty());
    const Decoded frames = decode(input);
    const double start = 2.3, end = 4.5;
    const Cut result = cut(input, start, end, false);
    ASSERT_EQ(result.run.exitStatus, 0) << result.run.out << result.run.err;
    std::string complaint;
    EXPECT_TRUE(decodesCleanly(result.output, &complaint)) << complaint;

    // The first picture shown is the source's, no later than the start and
    // no earlier than the group of pictures that holds the start.
    const Decoded out = decode(result.output);
    ASSERT_FALSE(out.digests.empty());
    const long first = frames.indexOf(out.digests.front());
    ASSERT_GE(first, 0) << "the copy's first picture is not one of the source's";
    EXPECT_LE(first, static_cast<long>(frames.frameAt(start)));
    EXPECT_GE(frames.times[first], start - 0.5 - 1e-6);
    // It runs without a gap up to the end of the scene.
    const size_t whole = c.presentationTimes ? out.digests.size() : out.digests.size() - 2;
    for (size_t i = 1; i < whole; ++i)
        ASSERT_EQ(frames.indexOf(out.digests[i]), first + static_cast<long>(i)) << "picture " << i;
    EXPECT_GE(first + static_cast<long>(out.digests.size()), static_cast<long>(frames.frameAt(end)) - 1);

    const FfprobeReport report = s::test::runFfprobe(result.output);
    const auto* video = firstStream(report, "video");
    const auto* audio = firstStream(report, "audio");
    ASSERT_TRUE(video && audio);
    EXPECT_NEAR(number(*audio, "start_time"), number(*video, "start_time"), c.audioFrame + 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Containers, LosslessStart,
    ::testing::Values(
        StartCase{"ts", {"-c:v", "mpeg2video", "-g", "12", "-c:a", "mp2"}, "ts", 1152.0 / 48000},
        StartCase{"ps", {"-c:v", "mpeg2video", "-g", "12", "-c:a", "mp2", "-f", "vob"}, "mpg", 1152.0 / 48000},
        StartCase{"tsh264", {"-c:v", "libx264", "-g", "12", "-bf", "2", "-c:a", "aac"}, "ts", 1024.0 / 48000},
        StartCase{"mp4", {"-c:v", "libx264", "-g", "12", "-bf", "2", "-c:a", "aac"}, "mp4", 1024.0 / 48000},
        StartCase{"mkv", {"-c:v", "libx264", "-g", "12", "-bf", "2", "-c:a", "aac"}, "mkv", 1024.0 / 48000},
        StartCase{"mov", {"-c:v", "libx264", "-g", "12", "-bf", "2", "-c:a", "aac"}, "mov", 1024.0 / 48000},
        StartCase{"avi", {"-c:v", "mpeg4", "-g", "12", "-bf", "2", "-c:a", "mp3"}, "avi", 1152.0 / 48000, false}),
    [](const auto& info) { return std::string(info.param.name); });

// Open groups of pictures (x264's open GOP, MPEG-2 by default) begin with
// pictures that refer to the group before: a copy from their key frame
// must not hand a player pictures it cannot decode.
TEST_F(RealWorldCut, LosslessCutOfOpenGopVideoDecodesWithoutErrors) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> sources = {
        {"opengop.ts", {"-c:v", "mpeg2video", "-g", "12", "-bf", "2", "-flags", "-cgop", "-c:a", "mp2"}},
        {"opengop.mkv",
         {"-c:v", "libx264", "-x264-params", "open-gop=1:keyint=12:min-keyint=12:scenecut=0", "-bf", "3", "-c:a",
          "aac"}},
        {"opengop.mp4",
         {"-c:v", "libx264", "-x264-params", "open-gop=1:keyint=12:min-keyint=12:scenecut=0", "-bf", "3", "-c:a",
          "aac"}}};
    for (const auto& [name, codec] : sources) {
        SCOPED_TRACE(name);
        const std::string input = source(name, avInput(5) + codec);
        ASSERT_FALSE(input.empty());
        const Cut result = cut(input, 2.3, 4, false);
        ASSERT_EQ(result.run.exitStatus, 0) << result.run.out << result.run.err;
        std::string complaint;
        EXPECT_TRUE(decodesCleanly(result.output, &complaint)) << complaint;
    }
}

// -- frame grabs ---------------------------------------------------------------

// Streams that start at a large time stamp (a TV recording) were grabbed a
// group of pictures late.
TEST_F(RealWorldCut, GrabsShowTheFirstFrameAtOrAfterThePositionInEveryContainer) {
    const std::vector<std::string> h264 = {"-c:v", "libx264", "-g", "50", "-bf", "2", "-c:a", "aac"};
    const std::vector<std::pair<std::string, std::vector<std::string>>> sources = {
        {"grab-late.ts", h264 + std::vector<std::string>{"-output_ts_offset", "80000"}},
        {"grab.ts", {"-c:v", "mpeg2video", "-g", "12", "-c:a", "mp2"}},
        {"grab.mp4", h264},
        {"grab.mkv", h264},
        {"grab.avi", {"-c:v", "mpeg4", "-g", "25", "-bf", "2", "-c:a", "mp3"}}};
    for (const auto& [name, codec] : sources) {
        SCOPED_TRACE(name);
        const std::string input = source(name, avInput(6) + codec);
        ASSERT_FALSE(input.empty());
        expectGrabsRight(input, {0, 0.5, 1.0, 1.99, 2.3, 3.7, 5.96});
    }
}

// -- phone clips and interlaced video -----------------------------------------

// A phone held upright records sideways pictures and a rotation: the grab
// shows them upright; a lossless cut keeps the rotation, a precise cut is
// upright exactly once.
TEST_F(RealWorldCut, RotatedClipsAreGrabbedUprightAndCutUprightOnce) {
    const std::string plain =
        source("rot0.mp4", std::vector<std::string>{"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3",
                                                    "-c:v", "libx264", "-g", "25"});
    ASSERT_FALSE(plain.empty());
    const std::string input =
        source("rot90.mp4", std::vector<std::string>{"-i", plain, "-c", "copy", "-metadata:s:v:0", "rotate=90"});
    ASSERT_FALSE(input.empty());
    const Decoded frames = decode(input);
    ASSERT_EQ(frames.width, 240) << "the tool shows the clip upright";
    expectGrabsRight(input, {0, 1.3, 2.5});

    for (bool precise : {false, true}) {
        SCOPED_TRACE(precise ? "precise" : "lossless");
        const Cut result = cut(input, 0.5, 2, precise);
        ASSERT_EQ(result.run.exitStatus, 0) << result.run.out << result.run.err;
        const Decoded out = decode(result.output);
        EXPECT_EQ(out.width, 240);
        EXPECT_EQ(out.height, 320);
        const FfprobeReport probed = s::test::runFfprobe(result.output);
        const auto* video = firstStream(probed, "video");
        ASSERT_TRUE(video);
        EXPECT_EQ(value(*video, "width"), "320") << "the pictures stay stored sideways, with the rotation";
        if (!precise) {
            EXPECT_EQ(frames.indexOf(out.digests.front()), static_cast<long>(frames.frameAt(0.5)));
        }
    }
}

// Interlaced TV pictures stay interlaced, in their field order.
TEST_F(RealWorldCut, PreciseCutOfInterlacedVideoKeepsTheFieldOrder) {
    const std::string input = source("interlaced.ts", avInput(3) + std::vector<std::string>{
                                                                       "-vf", "setfield=tff", "-c:v", "mpeg2video",
                                                                       "-flags", "+ilme+ildct", "-top", "1", "-g", "12",
                                                                       "-c:a", "mp2"});
    ASSERT_FALSE(input.empty());
    const FfprobeReport probed = s::test::runFfprobe(input);
    const auto* original = firstStream(probed, "video");
    ASSERT_TRUE(original);
    ASSERT_EQ(value(*original, "field_order"), "tt");
    const Cut result = cut(input, 0.5, 2, true);
    ASSERT_EQ(result.run.exitStatus, 0) << result.run.out << result.run.err;
    const FfprobeReport saved = s::test::runFfprobe(result.output);
    const auto* video = firstStream(saved, "video");
    ASSERT_TRUE(video);
    EXPECT_EQ(value(*video, "field_order"), "tt");
    EXPECT_TRUE(decodesCleanly(result.output));
}

} // namespace
