// The in-process converter, checked against the ffmpeg tool run on the same
// command lines and against ffprobe.

#include "foundation/str/StrBuffer.h"
#include "foundation/str/TimeText.h"
#include "media/converter/InProcessTool.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

namespace {

using s::i64;
using s::base::Outcome;
using s::str::strbuffer::StrBuffer;
using s::test::FfprobeReport;
using s::test::Fixture;
using s::test::ToolRun;


/// Runs `command` (starting with "ffmpeg") with the in-process converter.
Outcome runInProcess(const std::string& command, const std::string& workDir, i64 durationMs = 1,
                     s::video::tool::ProgressFn progress = nullptr, const std::atomic<bool>* stop = nullptr) {
    static const std::atomic<bool> never{false};
    StrBuffer line, folder, status;
    line.setUtf8(command);
    folder.setUtf8(workDir);
    status.setUtf8("status");
    return s::video::tool::runToolInProcess(line, folder, durationMs, progress, nullptr, &status,
                                            stop ? *stop : never)
        .outcome();
}

/// Runs the same command with the ffmpeg tool.
ToolRun runReference(const std::string& command, const std::string& workDir) {
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error"};
    std::istringstream words(command);
    std::string word;
    words >> word; // the program name
    while (words >> word)
        argv.push_back(word);
    return s::test::runTool(argv, workDir);
}

/// A time as the program writes it into commands.
std::string fmtTime(i64 us) {
    StrBuffer out;
    return s::str::timetext::appendClock(out, us, s::str::timetext::kCommandClock).toStdString();
}

/// A clip made once into the fixture folder and kept between runs.
std::string clip(const std::string& name, const std::vector<std::string>& args) {
    return s::test::generatedMedia("converter-" + name, args);
}

const std::vector<std::string> kAvHead = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=30000/1001:duration=4",
                                          "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=4",
                                          "-ac", "2"};

/// 4 s at 29.97 frames/s with B-frames (where the codec has them) and a key
/// frame every second, with audio, in the container of `extension`.
std::string ntscClip(const std::string& extension) {
    std::vector<std::string> args = kAvHead;
    std::vector<std::string> codecs = {"-c:v", "libx264", "-preset", "veryfast", "-bf", "3", "-g", "30",
                                       "-pix_fmt", "yuv420p", "-c:a", "aac"};
    if (extension == "mkv")
        codecs.back() = "libvorbis";
    else if (extension == "webm")
        codecs = {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-cpu-used", "8", "-g", "30", "-c:a", "libopus"};
    else if (extension == "avi")
        codecs = {"-c:v", "mpeg4", "-q:v", "5", "-bf", "2", "-g", "30", "-c:a", "libmp3lame"};
    args.insert(args.end(), codecs.begin(), codecs.end());
    return clip("ntsc." + extension, args);
}

constexpr auto number = &s::test::fieldNumber;
constexpr auto value = &s::test::fieldText;

/// Same streams and codecs, start and duration within one frame (with
/// `timing`; otherwise only the streams and codecs).
void expectSameShape(const std::string& ours, const std::string& reference, double frame, bool timing = true) {
    const FfprobeReport a = s::test::runFfprobe(ours);
    const FfprobeReport b = s::test::runFfprobe(reference);
    ASSERT_TRUE(a.ok) << ours;
    ASSERT_TRUE(b.ok) << reference;
    ASSERT_EQ(a.streams.size(), b.streams.size());
    for (size_t i = 0; i < a.streams.size(); ++i) {
        SCOPED_TRACE("stream " + std::to_string(i));
        EXPECT_EQ(value(a.streams[i], "codec_name"), value(b.streams[i], "codec_name"));
        EXPECT_EQ(value(a.streams[i], "codec_type"), value(b.streams[i], "codec_type"));
        EXPECT_EQ(value(a.streams[i], "width"), value(b.streams[i], "width"));
        EXPECT_EQ(value(a.streams[i], "pix_fmt"), value(b.streams[i], "pix_fmt"));
        EXPECT_EQ(value(a.streams[i], "channels"), value(b.streams[i], "channels"));
        EXPECT_EQ(value(a.streams[i], "sample_aspect_ratio"), value(b.streams[i], "sample_aspect_ratio"));
        if (!timing)
            continue;
        EXPECT_NEAR(number(a.streams[i], "start_time"), number(b.streams[i], "start_time"), frame);
        const double da = number(a.streams[i], "duration"), db = number(b.streams[i], "duration");
        // A copy may end one picture later than the tool's: the tool leaves
        // out reordered pictures shown before its last one, we fill them in.
        if (!std::isnan(db)) {
            EXPECT_NEAR(da, db, 1.5 * frame);
        }
    }
    if (!timing)
        return;
    EXPECT_NEAR(number(a.format, "start_time"), number(b.format, "start_time"), frame);
    EXPECT_NEAR(number(a.format, "duration"), number(b.format, "duration"), 1.5 * frame);
}

/// Decodes `path` fully; false when ffmpeg reports any error.
bool decodesCleanly(const std::string& path) {
    const ToolRun run = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    return run.exitStatus == 0 && run.err.empty();
}

/// The MD5 and times of every packet of every stream.
std::string packetDigest(const std::string& path) {
    const ToolRun run =
        s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0", "-c", "copy", "-f", "framemd5", "-"});
    EXPECT_EQ(run.exitStatus, 0);
    return run.out;
}

bool exists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

// ---------------------------------------------------------------------------

TEST(ToolCommandSplitting, RunsOfSpacesAndQuotesAreDropped) {
    StrBuffer command;
    command.setUtf8("ffmpeg  -i \"in.mp4\"   -y \"\"out\"\" -t 1");
    const auto args = s::video::tool::splitToolCommand(command);
    const std::vector<std::string> expected = {"ffmpeg", "-i", "in.mp4", "-y", "out", "-t", "1"};
    EXPECT_EQ(args, expected);
}

// Lossless cuts: both attempts of the cut job, in several containers.
struct LosslessCase {
    const char* name;
    std::string (*input)();
    const char* format;
    const char* extension;
    double frame; // one frame, in seconds
    // The tool's own seek before the input is no oracle for where the copy
    // starts: in a transport stream it starts the video a key frame late,
    // in Matroska it keeps audio from before the video's key frame. Such
    // first attempts are checked against the rule itself elsewhere.
    bool toolStartsRight = true;
};

class LosslessCut : public ::testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessCut, MatchesTheToolInBothAttempts) {
    const LosslessCase& c = GetParam();
    const std::string input = c.input();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const FfprobeReport probe = s::test::runFfprobe(input);
    ASSERT_TRUE(probe.ok);
    std::string maps;
    for (size_t i = 0; i < probe.streams.size(); ++i) {
        const std::string type = value(probe.streams[i], "codec_type");
        if (type == "video" || type == "audio" || type == "subtitle")
            maps += " -map 0:" + std::to_string(i) + " ";
    }
    const std::string head = "ffmpeg -probesize 100M -analyzeduration 100M";
    const std::string tail = " -y -t " + fmtTime(1'000'000) + maps + " -vcodec copy  -acodec copy  -scodec copy " +
                             " -async 1  -f " + c.format + " ";
    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        const std::string seek = " -ss " + fmtTime(1'200'000);
        const std::string command = attempt == 1 ? head + seek + " -i " + input + tail
                                                 : head + " -i " + input + seek + tail;
        const std::string ours = "ours." + std::string(c.extension);
        const std::string again = "again." + std::string(c.extension);
        const std::string reference = "ref." + std::string(c.extension);
        ASSERT_EQ(runInProcess(command + ours, dir), Outcome::kOk) << command;
        ASSERT_EQ(runReference(command + reference, dir).exitStatus, 0);
        expectSameShape(dir + "/" + ours, dir + "/" + reference, c.frame, attempt == 2 || c.toolStartsRight);
        EXPECT_TRUE(decodesCleanly(dir + "/" + ours));
        // A second run in the same process writes the same bytes (Matroska
        // draws fresh random identifiers for every file: the packets then).
        ASSERT_EQ(runInProcess(command + again, dir), Outcome::kOk);
        if (std::string(c.extension) == "mkv" || std::string(c.extension) == "webm") {
            EXPECT_EQ(packetDigest(dir + "/" + ours), packetDigest(dir + "/" + again));
        } else {
            EXPECT_TRUE(s::test::readFile(dir + "/" + ours) == s::test::readFile(dir + "/" + again));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Containers, LosslessCut,
    ::testing::Values(
        LosslessCase{"mp4", [] { return ntscClip("mp4"); }, "mp4", "mp4", 1001.0 / 30000},
        LosslessCase{"mkv", [] { return ntscClip("mkv"); }, "matroska", "mkv", 1001.0 / 30000, false},
        LosslessCase{"mov", [] { return ntscClip("mov"); }, "mov", "mov", 1001.0 / 30000},
        LosslessCase{"3gp", [] { return ntscClip("3gp"); }, "3gp", "3gp", 1001.0 / 30000},
        LosslessCase{"ts", [] { return ntscClip("ts"); }, "mpegts", "ts", 1001.0 / 30000, false},
        LosslessCase{"avi", [] { return ntscClip("avi"); }, "avi", "avi", 1001.0 / 30000},
        LosslessCase{"webm", [] { return ntscClip("webm"); }, "webm", "webm", 1001.0 / 30000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LosslessCut, StartAfterTheLastKeyFrameFailsAndLeavesNoFile) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    // Output-side seek: video packets before the next key frame are dropped,
    // and there is none after 3.5 s.
    const std::string command = "ffmpeg -i " + input + " -ss 00:00:03.500 -y -t 00:00:00.300 -map 0:0 -map 0:1 "
                                                       "-vcodec copy -acodec copy -f mp4 " + dir + "/late.mp4";
    EXPECT_EQ(runInProcess(command, dir), Outcome::kFailed);
    EXPECT_FALSE(exists(dir + "/late.mp4"));
}

// Frame grabs with the in-process frame command: the picture is exactly the
// first source frame at or after the position.
class FrameGrab : public ::testing::TestWithParam<const char*> {};

TEST_P(FrameGrab, IsTheFirstFrameAtOrAfterThePosition) {
    const std::string input = ntscClip(GetParam());
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    // Every source frame: its time and the MD5 of its BGR pixels.
    const ToolRun frames = s::test::runTool(
        {"ffmpeg", "-nostdin", "-v", "error", "-i", input, "-map", "0:v", "-pix_fmt", "bgr24", "-f", "framemd5", "-"});
    ASSERT_EQ(frames.exitStatus, 0);
    std::vector<std::pair<double, std::string>> source;
    double timeBase = 0;
    std::istringstream lines(frames.out);
    for (std::string line; std::getline(lines, line);) {
        int num = 0, den = 0;
        if (std::sscanf(line.c_str(), "#tb 0: %d/%d", &num, &den) == 2)
            timeBase = static_cast<double>(num) / den;
        if (line.empty() || line[0] == '#')
            continue;
        long long stream = 0, dts = 0, pts = 0, duration = 0, size = 0;
        char md5[64] = {};
        if (std::sscanf(line.c_str(), "%lld, %lld, %lld, %lld, %lld, %63s", &stream, &dts, &pts, &duration, &size,
                        md5) == 6)
            source.emplace_back(static_cast<double>(pts) * timeBase, md5);
    }
    ASSERT_GT(source.size(), 100u);

    for (const i64 positionUs : {i64{0}, i64{1'200'000}, i64{2'000'000}, i64{2'000'500}, i64{3'100'000}}) {
        SCOPED_TRACE("position " + std::to_string(positionUs));
        const i64 first = positionUs < 2'000'000 ? 0 : positionUs - 2'000'000;
        const i64 second = positionUs < 2'000'000 ? positionUs : 2'000'000;
        const std::string command = "ffmpeg -ss " + fmtTime(first) + " -t 1 -i " + input +
                                    " -y -an -f image2 -ss " + fmtTime(second) + " -vframes 1 grab.bmp";
        ASSERT_EQ(runInProcess(command, dir), Outcome::kOk);
        const std::string bmp = s::test::readFile(dir + "/grab.bmp");
        ASSERT_GT(bmp.size(), 54u);
        EXPECT_EQ(bmp.substr(0, 2), "BM");
        EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24u); // bits per pixel
        const ToolRun md5 = s::test::runTool(
            {"ffmpeg", "-nostdin", "-v", "error", "-i", dir + "/grab.bmp", "-pix_fmt", "bgr24", "-f", "framemd5", "-"});
        ASSERT_EQ(md5.exitStatus, 0);
        // The position as the commands round it: to whole milliseconds.
        const double wanted = static_cast<double>(std::llround(positionUs / 1000.0)) / 1000.0;
        size_t expected = 0;
        while (expected < source.size() && source[expected].first + 1e-9 < wanted)
            ++expected;
        ASSERT_LT(expected, source.size());
        EXPECT_NE(md5.out.find(source[expected].second), std::string::npos) << "expected frame " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, FrameGrab, ::testing::Values("mp4", "mkv"));

TEST(FrameGrabOutput, WritesOneBottomUpPictureIntoAFifo) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    const std::string fifo = dir + "/image.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = s::test::readFile(fifo); });
    const Outcome result = runInProcess("ffmpeg -ss 00:00:00.500 -t 1 -i " + input +
                                            " -y -an -f image2 -ss 00:00:01.000 -vframes 1 " + fifo,
                                        dir);
    reader.join();
    EXPECT_EQ(result, Outcome::kOk);
    ASSERT_EQ(received.size(), 54u + 320u * 240u * 3u);
    const auto le32 = [&](size_t at) {
        return static_cast<int>(static_cast<unsigned char>(received[at]) |
                                static_cast<unsigned char>(received[at + 1]) << 8 |
                                static_cast<unsigned char>(received[at + 2]) << 16 |
                                static_cast<unsigned char>(received[at + 3]) << 24);
    };
    EXPECT_EQ(le32(18), 320);
    EXPECT_EQ(le32(22), 240); // positive height: rows bottom-up
    EXPECT_TRUE(exists(fifo)); // the caller's FIFO stays
}

TEST(FrameGrabOutput, AFifoNobodyReadsDoesNotHoldTheRunAfterAStop) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    const std::string fifo = dir + "/image.bmp";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    const Outcome result = runInProcess("ffmpeg -ss 00:00:00.000 -t 1 -i " + input +
                                            " -y -an -f image2 -ss 00:00:01.000 -vframes 1 " + fifo,
                                        dir, 1, nullptr, &stop);
    stopper.join();
    EXPECT_EQ(result, Outcome::kStopped); // ended by the stop, not stuck on the pipe
}

// Precise cuts: H.264 + AAC in MP4, checked against the tool.
std::string preciseCommand(const std::string& input, i64 startUs, i64 lengthUs) {
    const i64 pre = startUs < 10'000'000 ? 0 : startUs - 10'000'000;
    const i64 post = startUs < 10'000'000 ? startUs : 10'000'000;
    std::string command = "ffmpeg -probesize 100M -analyzeduration 100M";
    if (pre > 0)
        command += " -ss " + fmtTime(pre);
    command += " -i " + input;
    if (post > 0)
        command += " -ss " + fmtTime(post);
    command += " -y -t " + fmtTime(lengthUs) +
               " -vcodec libx264 -threads 0 -preset medium -g 250 -bf 3 -b:v 0 -r 30000/1001 -s 320x240"
               " -max_muxing_queue_size 9999 -f mp4 -acodec aac -strict experimental -ar 44100 -ac 2 -ab 128000"
               " -async 1 ";
    return command;
}

double firstFramePsnr(const std::string& cut, const std::string& input, double startSeconds) {
    const ToolRun run = s::test::runTool(
        {"ffmpeg", "-nostdin", "-v", "info", "-i", cut, "-ss", std::to_string(startSeconds), "-i", input,
         "-lavfi", "[0:v]trim=end_frame=1,setpts=PTS-STARTPTS[a];[1:v]trim=end_frame=1,setpts=PTS-STARTPTS[b];"
                   "[a][b]psnr", "-f", "null", "-"});
    const size_t at = run.err.find("average:");
    return at == std::string::npos ? 0 : std::atof(run.err.c_str() + at + 8);
}

TEST(PreciseCut, MatchesTheToolAndStartsOnTheSourceFrame) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    const std::string command = preciseCommand(input, 1'234'000, 1'500'000);
    ASSERT_EQ(runInProcess(command + "ours.mp4", dir, 1500), Outcome::kOk);
    ASSERT_EQ(runReference(command + "ref.mp4", dir).exitStatus, 0);
    expectSameShape(dir + "/ours.mp4", dir + "/ref.mp4", 1001.0 / 30000);
    EXPECT_TRUE(decodesCleanly(dir + "/ours.mp4"));
    const FfprobeReport ours = s::test::runFfprobe(dir + "/ours.mp4");
    ASSERT_EQ(ours.streams.size(), 2u);
    EXPECT_EQ(value(ours.streams[0], "codec_name"), "h264");
    EXPECT_EQ(value(ours.streams[0], "pix_fmt"), "yuv420p");
    EXPECT_EQ(value(ours.streams[1], "codec_name"), "aac");
    EXPECT_NEAR(number(ours.streams[0], "start_time"), number(ours.streams[1], "start_time"), 1024.0 / 44100);
    // The first frame of 1.234 s is frame 37 (1.2346 s).
    EXPECT_GT(firstFramePsnr(dir + "/ours.mp4", input, 37 * 1001.0 / 30000), 35.0);

    // Once more in the same process: the same frames and lengths.
    ASSERT_EQ(runInProcess(command + "again.mp4", dir, 1500), Outcome::kOk);
    const FfprobeReport again = s::test::runFfprobe(dir + "/again.mp4");
    ASSERT_EQ(again.streams.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(value(again.streams[i], "nb_frames"), value(ours.streams[i], "nb_frames"));
        EXPECT_EQ(value(again.streams[i], "duration"), value(ours.streams[i], "duration"));
    }
}

std::string longClip() {
    return clip("long.mp4", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=60", "-c:v", "libx264",
                             "-preset", "ultrafast", "-g", "250"});
}

TEST(PreciseCut, AStartAboveTenSecondsSeeksTheInputThenDecodes) {
    const std::string input = longClip();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    // 23.48 s: the input is seeked to 13.48 s (key frame at 10 s), then
    // 10 s are decoded and dropped.
    const std::string command = preciseCommand(input, 23'480'000, 1'000'000);
    ASSERT_EQ(runInProcess(command + "ours.mp4", dir, 1000), Outcome::kOk);
    ASSERT_EQ(runReference(command + "ref.mp4", dir).exitStatus, 0);
    expectSameShape(dir + "/ours.mp4", dir + "/ref.mp4", 1001.0 / 30000);
    EXPECT_GT(firstFramePsnr(dir + "/ours.mp4", input, 23.48), 35.0);
}

TEST(PreciseCut, OddSizedTenBitSourceBecomesEvenEightBit420) {
    const std::string input = clip("odd-10bit.mkv", {"-f", "lavfi", "-i", "testsrc2=size=321x241:rate=25:duration=2",
                                                     "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt",
                                                     "yuv422p10le"});
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string command =
        "ffmpeg -i " + input + " -ss 00:00:00.500 -y -t 00:00:01.000 -vcodec libx264 -threads 0 -preset medium"
        " -g 250 -bf 3 -b:v 0 -r 25 -s 322x242 -max_muxing_queue_size 9999 -f mp4 -async 1 out.mp4";
    ASSERT_EQ(runInProcess(command, dir, 1000), Outcome::kOk);
    const FfprobeReport report = s::test::runFfprobe(dir + "/out.mp4");
    ASSERT_EQ(report.streams.size(), 1u);
    EXPECT_EQ(value(report.streams[0], "pix_fmt"), "yuv420p");
    EXPECT_EQ(value(report.streams[0], "width"), "322");
    EXPECT_EQ(value(report.streams[0], "height"), "242");
    EXPECT_EQ(value(report.streams[0], "nb_frames"), "25");
}

// Progress and stop.
struct ProgressLog {
    std::vector<std::pair<i64, i64>> calls;
};
ProgressLog* g_progress = nullptr;

void recordProgress(i64 current, i64 total, const StrBuffer* status, s::event::INamedEventTarget*) {
    ASSERT_NE(status, nullptr);
    g_progress->calls.emplace_back(current, total);
}

TEST(ConverterProgress, WholeSecondsAgainstTheSceneLengthAndOnceAtTheEnd) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    ProgressLog log;
    g_progress = &log;
    const Outcome result =
        runInProcess(preciseCommand(input, 0, 3'000'000) + "p.mp4", dir, 3'000, recordProgress);
    g_progress = nullptr;
    ASSERT_EQ(result, Outcome::kOk);
    ASSERT_FALSE(log.calls.empty());
    for (size_t i = 0; i < log.calls.size(); ++i) {
        EXPECT_EQ(log.calls[i].second, 3);
        if (i > 0) {
            EXPECT_GE(log.calls[i].first, log.calls[i - 1].first);
        }
    }
    EXPECT_EQ(log.calls.back().first, 3);
}

TEST(ConverterStop, AStopEndsTheRunAsStoppedAndLeavesNoFinishedFile) {
    const std::string input = longClip();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        stop = true;
    });
    const Outcome result =
        runInProcess(preciseCommand(input, 0, 60'000'000) + "stopped.mp4", dir, 60'000, nullptr, &stop);
    stopper.join();
    EXPECT_EQ(result, Outcome::kStopped); // not a failure: nothing to report
    EXPECT_FALSE(exists(dir + "/stopped.mp4"));

    // Set before the run: nothing is converted.
    EXPECT_EQ(runInProcess(preciseCommand(input, 0, 1'000'000) + "never.mp4", dir, 1'000, nullptr, &stop),
              Outcome::kStopped);
    EXPECT_FALSE(exists(dir + "/never.mp4"));
}

// Failures: result 1, no crash, the current folder restored, nothing of
// ours left behind.
// A bit-rate target far below what the picture needs (a slide show's few
// bits per second) is no target: the picture is encoded at constant quality.
TEST(ConverterRates, AVideoRateTooLowForThePictureEncodesAtConstantQuality) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    ASSERT_EQ(
        runInProcess("ffmpeg -i " + input + " -y -t 1 -an -vcodec libx264 -preset ultrafast -b:v 500 low.mp4",
                     dir),
        Outcome::kOk);
    ASSERT_EQ(
        runInProcess("ffmpeg -i " + input + " -y -t 1 -an -vcodec libx264 -preset ultrafast -b:v 0 crf.mp4",
                     dir),
        Outcome::kOk);
    const FfprobeReport low = s::test::runFfprobe(dir + "/low.mp4");
    const FfprobeReport crf = s::test::runFfprobe(dir + "/crf.mp4");
    ASSERT_TRUE(low.ok && crf.ok);
    EXPECT_EQ(value(low.streams.at(0), "nb_frames"), "30");
    EXPECT_EQ(s::test::readFile(dir + "/low.mp4").size(), s::test::readFile(dir + "/crf.mp4").size());
}

TEST(ConverterFailures, BadCommandsInputsAndOutputsReturnOne) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    ASSERT_TRUE(s::test::writeFile(dir + "/notes.mp4", "this is not a video file at all\n"));
    const std::string before = std::filesystem::current_path().string();
    const std::vector<std::string> commands = {
        "ffmpeg -i " + input + " -bogus 1 out.mp4",                        // unknown option
        "ffmpeg -i " + input + " -t",                                      // missing value
        "ffmpeg -i " + input + " -s 0x0 out.mp4",                          // bad value
        "ffmpeg -i " + input,                                              // no output
        "ffmpeg",                                                          // nothing at all
        "ffmpeg -i " + dir + "/missing.mp4 -y out.mp4",                    // missing input
        "ffmpeg -i notes.mp4 -y -vcodec copy out.mp4",                     // not media
        "ffmpeg -i " + input + " -y -vcodec copy -an " + dir + "/no/such/folder/out.mp4", // unwritable
        "ffmpeg -i " + input + " -y -vcodec nosuchcodec out.mp4",          // unknown encoder
        "ffmpeg -i " + input + " -y -map 0:9 -c copy out.mp4",             // no such stream
        "ffmpeg -i " + input + " -y -c copy -f nosuchformat out.mp4",      // unknown muxer
        // An encoder that refuses to open: its failure path used to crash.
        "ffmpeg -i " + input + " -y -vn -acodec aac -ar 7 out.mp4",
    };
    for (const std::string& command : commands) {
        EXPECT_EQ(runInProcess(command, dir), Outcome::kFailed) << command;
        EXPECT_EQ(std::filesystem::current_path().string(), before);
    }
    EXPECT_FALSE(exists(dir + "/out.mp4"));
    // Without -y an existing file is not overwritten.
    ASSERT_TRUE(s::test::writeFile(dir + "/kept.mp4", "keep"));
    EXPECT_EQ(runInProcess("ffmpeg -i " + input + " -c copy kept.mp4", dir), Outcome::kFailed);
    EXPECT_EQ(s::test::readFile(dir + "/kept.mp4"), "keep");
    // A folder that cannot be entered.
    EXPECT_EQ(runInProcess("ffmpeg -i " + input + " -y -c copy x.mp4", dir + "/missing-folder"),
              Outcome::kFailed);
}

TEST(ConverterFailures, ATruncatedInputEndsTheOutputCleanly) {
    const std::string input = s::test::fixturePath(Fixture::TsStartOffset);
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string whole = s::test::readFile(input);
    ASSERT_TRUE(s::test::writeFile(dir + "/cut-off.ts", whole.substr(0, whole.size() / 2 + 7)));
    ASSERT_EQ(
        runInProcess("ffmpeg -i cut-off.ts -y -map 0:0 -map 0:1 -vcodec copy -acodec copy -f mpegts out.ts",
                     dir),
        Outcome::kOk);
    // A whole file with what could be read; the last, cut-off packet may
    // not decode, as with the tool.
    const FfprobeReport report = s::test::runFfprobe(dir + "/out.ts");
    ASSERT_TRUE(report.ok);
    EXPECT_EQ(report.streams.size(), 2u);
    EXPECT_GT(number(report.format, "duration"), 0.5);
}

TEST(ConverterFailures, AFullDiskFails) {
    if (!exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    ASSERT_EQ(::symlink("/dev/full", (dir + "/full.ts").c_str()), 0);
    EXPECT_EQ(runInProcess("ffmpeg -i " + input + " -y -map 0:0 -vcodec copy -f mpegts full.ts", dir),
              Outcome::kFailed);
}

TEST(ConverterFailures, TheLogOfAFailedRunNamesTheSystemError) {
    if (!exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    ASSERT_EQ(::symlink("/dev/full", (dir + "/full.ts").c_str()), 0);
    StrBuffer line, folder;
    line.setUtf8("ffmpeg -i " + input + " -y -map 0:0 -vcodec copy -f mpegts full.ts");
    folder.setUtf8(dir);
    const std::atomic<bool> never{false};
    s::video::tool::ToolLog log;
    const s::base::Result full =
        s::video::tool::runToolInProcess(line, folder, 1, nullptr, nullptr, nullptr, never, &log);
    EXPECT_TRUE(full.isFailed());
    EXPECT_TRUE(full.reason().ends_with("No space left on device")) << full.reason();
    const std::string lines = log.lines.toStdString();
    EXPECT_NE(lines.find("No space left on device\n"), std::string::npos) << lines;
    const std::string first = log.firstError.toStdString();
    EXPECT_TRUE(first.ends_with("No space left on device")) << first;
    EXPECT_NE(lines.find(first), std::string::npos);

    // A run that succeeds after it hands back only its own lines.
    line.setUtf8("ffmpeg -i " + input + " -y -t 1 -map 0:0 -vcodec copy -f mpegts ok.ts");
    EXPECT_TRUE(
        s::video::tool::runToolInProcess(line, folder, 1, nullptr, nullptr, nullptr, never, &log).isOk());
    EXPECT_EQ(log.lines.toStdString().find("No space left"), std::string::npos) << log.lines.toStdString();
    EXPECT_EQ(log.firstError.toStdString(), "");
}

// Many runs in a row in one process (run under AddressSanitizer, this also
// proves that runs leak nothing).
TEST(ConverterRepeat, ManyRunsInARowGiveTheSameResult) {
    const std::string input = ntscClip("mp4");
    const std::string dir = s::test::makeTempDir();
    const std::string grab =
        "ffmpeg -ss 00:00:01.000 -t 1 -i " + input + " -y -an -f image2 -ss 00:00:00.500 -vframes 1 g.bmp";
    const std::string cut = "ffmpeg -ss 00:00:01.000 -i " + input +
                            " -y -t 00:00:01.000 -map 0:0 -map 0:1 -vcodec copy -acodec copy -f mp4 c.mp4";
    ASSERT_EQ(runInProcess(grab, dir), Outcome::kOk);
    ASSERT_EQ(runInProcess(cut, dir), Outcome::kOk);
    const std::string picture = s::test::readFile(dir + "/g.bmp");
    const std::string movie = s::test::readFile(dir + "/c.mp4");
    for (int i = 0; i < 24; ++i) {
        ASSERT_EQ(runInProcess(i % 2 ? grab : cut, dir), Outcome::kOk);
        EXPECT_EQ(s::test::readFile(dir + (i % 2 ? "/g.bmp" : "/c.mp4")), i % 2 ? picture : movie);
        EXPECT_EQ(runInProcess("ffmpeg -i missing.mp4 -y x.mp4", dir), Outcome::kFailed);
    }
}

} // namespace
