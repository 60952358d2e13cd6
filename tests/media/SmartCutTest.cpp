// The precise cut that copies the middle of a scene and re-encodes its
// edges, on H.264 files of the kinds met in practice, judged by the ffmpeg
// tool: which frames the output holds (decoding the source from its start
// decides), that the copied ones are the source's bit for bit, and that the
// whole decodes without a single error. Sources it cannot take are answered
// as such, for the caller to re-encode them whole.

#include "media/smartcut/SmartCut.h"
#include "tests/media/support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

using s::video::smartcut::AudioTarget;
using s::video::smartcut::runSmartCut;
using s::video::smartcut::SmartCutRequest;
using s::video::smartcut::SmartCutResult;
using s::video::smartcut::SmartCutStatus;

namespace {

std::string media(const std::string& name, const std::vector<std::string>& args) {
    return s::test::generatedMedia("smartcut-" + name, args);
}

/// 320x240 moving test pictures, every frame different, with a tone.
std::vector<std::string> source(double seconds, const std::string& rate = "25") {
    const std::string d = std::to_string(seconds);
    return {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=" + rate + ":duration=" + d,
            "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=" + d};
}

/// x264 with B-frames and a fixed GOP of `gop` frames (closed unless asked).
std::vector<std::string> h264(int gop, bool openGop = false) {
    std::vector<std::string> args = {"-c:v",
                                     "libx264",
                                     "-preset",
                                     "veryfast",
                                     "-pix_fmt",
                                     "yuv420p",
                                     "-g",
                                     std::to_string(gop),
                                     "-keyint_min",
                                     std::to_string(gop),
                                     "-sc_threshold",
                                     "0",
                                     "-bf",
                                     "3"};
    if (openGop)
        args.insert(args.end(), {"-x264-params", "open-gop=1"});
    args.insert(args.end(), {"-c:a", "aac", "-b:a", "96k"});
    return args;
}

std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Frame {
    double seconds; // from the file's start
    std::string md5;
};

/// Every decoded video frame of `path` in presentation order, decoding from
/// the start: its time from the file's start (the earliest start of any
/// stream, as the program counts) and its picture's digest.
std::vector<Frame> decodedFrames(const std::string& path) {
    s::test::ToolRun hashes = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map",
                                                "0:v:0", "-fps_mode", "passthrough", "-f", "framemd5", "-"});
    EXPECT_EQ(hashes.exitStatus, 0) << hashes.err;
    s::test::ToolRun times =
        s::test::runTool({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                          "frame=best_effort_timestamp_time", "-of", "csv=p=0", path});
    EXPECT_EQ(times.exitStatus, 0) << times.err;
    const double start = s::test::fieldNumber(s::test::runFfprobe(path).format, "start_time");
    std::vector<Frame> frames;
    std::istringstream timeLines(times.out);
    std::istringstream lines(hashes.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::string time;
        while (std::getline(timeLines, time) && time.find_first_of("0123456789") == std::string::npos) {
        }
        if (time.find_first_of("0123456789") == std::string::npos)
            break;
        frames.push_back(
            {std::stod(time) - (std::isnan(start) ? 0.0 : start), line.substr(line.rfind(',') + 2)});
    }
    return frames;
}

/// The source frames of the scene [start, end).
std::vector<Frame> sceneFrames(const std::vector<Frame>& all, double start, double end) {
    std::vector<Frame> scene;
    for (const Frame& f : all)
        if (f.seconds >= start - 1e-7 && f.seconds < end - 1e-7)
            scene.push_back(f);
    return scene;
}

SmartCutResult cut(const std::string& input, double start, double end, const std::string& output,
                   bool withAudio = true) {
    SmartCutRequest request;
    request.inputPath = input;
    request.outputPath = output;
    request.startUs = std::llround(start * 1e6);
    request.endUs = std::llround(end * 1e6);
    if (withAudio) {
        s::test::FfprobeReport report = s::test::runFfprobe(input);
        for (size_t i = 0; i < report.streams.size(); ++i)
            if (s::test::fieldText(report.streams[i], "codec_type") == "audio")
                request.audio.push_back(AudioTarget{static_cast<int>(i), 48000, 2, 128000});
    }
    return runSmartCut(request);
}

/// What the tool says when it decodes the whole file (nothing when clean).
std::string decodeErrors(const std::string& path) {
    s::test::ToolRun run =
        s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    return run.exitStatus == 0 ? run.err : "exit " + std::to_string(run.exitStatus) + ": " + run.err;
}

/// A smart cut of [start, end) that must be done: the output holds exactly
/// the scene's frames, the copied ones identical to the source's, and
/// decodes cleanly; the sound lasts as long as the picture.
SmartCutResult expectSmartCut(const std::string& input, double start, double end) {
    SCOPED_TRACE(input + " " + std::to_string(start) + "-" + std::to_string(end));
    const std::string out = s::test::makeTempDir() + "/scene.mp4";
    SmartCutResult result = cut(input, start, end, out);
    EXPECT_EQ(result.status, SmartCutStatus::kDone) << result.reason;
    if (result.status != SmartCutStatus::kDone)
        return result;
    const std::vector<Frame> all = decodedFrames(input);
    const std::vector<Frame> expected = sceneFrames(all, start, end);
    // The scene lasts until the next frame would be shown.
    double until = all.size() > 1 ? 2 * all.back().seconds - all[all.size() - 2].seconds : 0;
    for (const Frame& f : all)
        if (f.seconds >= end - 1e-7) {
            until = f.seconds;
            break;
        }
    const std::vector<Frame> got = decodedFrames(out);
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_EQ(result.headFrames + result.copiedFrames + result.tailFrames,
              static_cast<long long>(expected.size()));
    EXPECT_GT(result.copiedFrames, 0);
    for (size_t i = 0; i < std::min(got.size(), expected.size()); ++i) {
        const bool copied = static_cast<long long>(i) >= result.headFrames &&
                            static_cast<long long>(i) < result.headFrames + result.copiedFrames;
        if (copied) {
            EXPECT_EQ(got[i].md5, expected[i].md5) << "copied frame " << i;
        }
        // Same times, counted from the first frame.
        EXPECT_NEAR(got[i].seconds - got[0].seconds, expected[i].seconds - expected[0].seconds, 1e-4) << i;
    }
    EXPECT_EQ(decodeErrors(out), "");
    EXPECT_GE(result.firstFramePsnr, 35.0);
    EXPECT_GE(result.lastFramePsnr, 35.0);

    s::test::FfprobeReport report = s::test::runFfprobe(out);
    EXPECT_TRUE(report.ok);
    double video = NAN, audio = NAN;
    for (const auto& stream : report.streams) {
        const std::string type = s::test::fieldText(stream, "codec_type");
        if (type == "video") {
            EXPECT_EQ(s::test::fieldText(stream, "codec_name"), "h264");
            video = s::test::fieldNumber(stream, "duration");
        } else if (type == "audio") {
            EXPECT_EQ(s::test::fieldText(stream, "codec_name"), "aac");
            audio = s::test::fieldNumber(stream, "duration");
            EXPECT_NEAR(s::test::fieldNumber(stream, "start_time"), 0.0, 0.025);
        }
    }
    EXPECT_NEAR(audio, video, 1024.0 / 48000 + 0.001);
    if (!expected.empty()) {
        EXPECT_NEAR(video, until - expected.front().seconds, 1e-3);
    }
    return result;
}

SmartCutStatus statusOf(const std::string& input, double start, double end, std::string* reason = nullptr) {
    const std::string out = s::test::makeTempDir() + "/scene.mp4";
    SmartCutResult result = cut(input, start, end, out);
    if (reason)
        *reason = result.reason;
    return result.status;
}

} // namespace

TEST(SmartCut, MiddleOfAClosedGopMp4IsCopiedAndTheEdgesReEncoded) {
    const std::string file = media("mp4-gop50.mp4", join(source(8), h264(50)));
    ASSERT_FALSE(file.empty());
    SmartCutResult r = expectSmartCut(file, 1.3, 6.7);
    EXPECT_EQ(r.headFrames, 17);    // 1.32 .. 1.96
    EXPECT_EQ(r.copiedFrames, 100); // 2.00 .. 5.96
    EXPECT_EQ(r.tailFrames, 18);    // 6.00 .. 6.68
}

TEST(SmartCut, ScenesOnKeyFramesHaveNoHeadOrNoTail) {
    const std::string file = media("mp4-gop50.mp4", join(source(8), h264(50)));
    ASSERT_FALSE(file.empty());
    SmartCutResult onStart = expectSmartCut(file, 2.0, 5.3);
    EXPECT_EQ(onStart.headFrames, 0);
    SmartCutResult onEnd = expectSmartCut(file, 1.5, 6.0);
    EXPECT_EQ(onEnd.tailFrames, 0);
    SmartCutResult whole = expectSmartCut(file, 0.0, 8.0);
    EXPECT_EQ(whole.headFrames + whole.tailFrames, 0);
}

TEST(SmartCut, MatroskaAndTransportStreamsWithALateStart) {
    const std::string mkv = media("mkv-gop50.mkv", join(source(6), h264(50)));
    ASSERT_FALSE(mkv.empty());
    expectSmartCut(mkv, 0.7, 5.1);
    const std::string ts = media("ts-gop50.ts", join(join(source(6), h264(50)), {"-output_ts_offset", "10"}));
    ASSERT_FALSE(ts.empty());
    expectSmartCut(ts, 0.7, 5.1);
}

TEST(SmartCut, NtscRateAndVariableFrameRate) {
    const std::string ntsc = media("mp4-2997.mp4", join(source(6, "30000/1001"), h264(50)));
    ASSERT_FALSE(ntsc.empty());
    expectSmartCut(ntsc, 0.5, 5.0);
    // Frames 1/25 s apart, then 1/10 s apart: the durations must stay.
    const std::string vfr = media(
        "mp4-vfr.mp4", join({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=8", "-f", "lavfi",
                             "-i", "sine=frequency=440:sample_rate=48000:duration=8", "-vf",
                             "setpts='if(lt(N,100),N/25,4+(N-100)/10)/TB'", "-fps_mode", "vfr", "-t", "8"},
                            h264(25)));
    ASSERT_FALSE(vfr.empty());
    expectSmartCut(vfr, 1.3, 6.9);
}

TEST(SmartCut, AnOpenGopSourceIsCutSmartlyOrHandedBack) {
    const std::string file = media("mp4-opengop.mp4", join(source(6), h264(50, true)));
    ASSERT_FALSE(file.empty());
    std::string reason;
    const SmartCutStatus status = statusOf(file, 1.3, 4.7, &reason);
    // Without IDR pictures inside the scene nothing can be copied; when it
    // is done, it is done right.
    if (status == SmartCutStatus::kDone)
        expectSmartCut(file, 1.3, 4.7);
    else
        EXPECT_EQ(status, SmartCutStatus::kIneligible) << reason;
}

TEST(SmartCut, ScenesWithoutAWholeGroupOfPicturesAreHandedBack) {
    const std::string file = media("mp4-gop50.mp4", join(source(8), h264(50)));
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(statusOf(file, 2.3, 3.5), SmartCutStatus::kIneligible);  // inside one GOP
    EXPECT_EQ(statusOf(file, 3.0, 3.04), SmartCutStatus::kIneligible); // one frame
    EXPECT_EQ(statusOf(file, 3.0, 3.0), SmartCutStatus::kIneligible);  // empty
}

TEST(SmartCut, SourcesOfOtherKindsAreHandedBackWithTheReason) {
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* because;
    };
    const std::vector<Case> cases = {
        {"mpeg4.mp4", join(source(4), {"-c:v", "mpeg4", "-g", "25", "-c:a", "aac"}), "not H.264"},
        {"h264-10bit.mp4",
         join(source(4), {"-c:v", "libx264", "-pix_fmt", "yuv420p10le", "-g", "25", "-c:a", "aac"}), "4:2:0"},
        {"h264-interlaced.mp4",
         join(source(4), {"-c:v", "libx264", "-flags", "+ildct+ilme", "-x264-params", "tff=1", "-g", "25",
                          "-c:a", "aac"}),
         "interlaced"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = media(c.name, c.args);
        ASSERT_FALSE(file.empty());
        std::string reason;
        EXPECT_EQ(statusOf(file, 0.5, 3.5, &reason), SmartCutStatus::kIneligible);
        EXPECT_NE(reason.find(c.because), std::string::npos) << reason;
    }
}

TEST(SmartCut, AStopEndsTheCut) {
    const std::string file = media("mp4-gop50.mp4", join(source(8), h264(50)));
    ASSERT_FALSE(file.empty());
    std::atomic<bool> stop{false};
    SmartCutRequest request;
    request.inputPath = file;
    request.outputPath = s::test::makeTempDir() + "/scene.mp4";
    request.startUs = 1'300'000;
    request.endUs = 6'700'000;
    request.stop = &stop;
    int calls = 0;
    request.progress = [&](double fraction, s::video::smartcut::SmartCutPhase) {
        EXPECT_GE(fraction, 0.0);
        EXPECT_LE(fraction, 1.0);
        if (++calls == 5)
            stop = true;
    };
    EXPECT_EQ(runSmartCut(request).status, SmartCutStatus::kStopped);
}

TEST(SmartCut, AnOutputDamagedBeforeItsCheckIsNotPassed) {
    const std::string file = media("mp4-gop50.mp4", join(source(8), h264(50)));
    ASSERT_FALSE(file.empty());
    const std::string out = s::test::makeTempDir() + "/scene.mp4";
    SmartCutRequest request;
    request.inputPath = file;
    request.outputPath = out;
    request.startUs = 1'300'000;
    request.endUs = 6'700'000;
    // Cut short: the end of the scene (and, where the index sits at the
    // end, the means to read it) is gone.
    request.beforeCheck = [&out] {
        std::FILE* f = std::fopen(out.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        std::fseek(f, 0, SEEK_END);
        const long size = std::ftell(f);
        std::fclose(f);
        ASSERT_EQ(::truncate(out.c_str(), size * 2 / 3), 0);
    };
    const SmartCutResult result = runSmartCut(request);
    EXPECT_EQ(result.status, SmartCutStatus::kCheckFailed) << result.reason;
    EXPECT_NE(result.reason.find("written scene"), std::string::npos) << result.reason;
}

TEST(SmartCut, ProgressRisesSteadilyToTheEnd) {
    const std::string file = media("mp4-gop50.mp4", join(source(8), h264(50)));
    ASSERT_FALSE(file.empty());
    SmartCutRequest request;
    request.inputPath = file;
    request.outputPath = s::test::makeTempDir() + "/scene.mp4";
    request.startUs = 1'300'000;
    request.endUs = 6'700'000;
    request.audio.push_back(AudioTarget{1, 48000, 2, 128000});
    std::vector<double> fractions;
    request.progress = [&fractions](double fraction, s::video::smartcut::SmartCutPhase) {
        fractions.push_back(fraction);
    };
    ASSERT_EQ(runSmartCut(request).status, SmartCutStatus::kDone);
    ASSERT_GT(fractions.size(), 50u);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_GT(fractions.back(), 0.99);
    // No phase's share is out of proportion to its work: the bar never
    // stands still for a large part and then jumps.
    double largestStep = fractions.front();
    for (size_t i = 1; i < fractions.size(); ++i)
        largestStep = std::max(largestStep, fractions[i] - fractions[i - 1]);
    EXPECT_LT(largestStep, 0.2);
}
