// Media as it comes from cameras, recorders, broadcasts and other programs,
// each kind driven through the probe, the frame grab and both cut modes of
// the headless front end, with the ffmpeg tools as the oracle: the probe
// agrees with ffprobe, a grab shows the frame that decoding from the start
// puts at the position, a cut has a video stream of the asked length that
// starts with a key frame and decodes cleanly, and a file that cannot be
// read is refused with a reason and leaves nothing behind.

#include "support/Catalogue.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/str/TimeText.h"
#include "foundation/thread/Pool.h"
#include "media/system/win/MediaLibraries.h"
#include "media/video/Probe.h"
#include "media/video/StreamInfo.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using s::str::strbuffer::StrBuffer;
using s::test::CliRun;
using s::test::DecodedVideo;

/// One frame at 25 frames per second.
constexpr double kFrame = 0.04;

// ------------------------------------------------------------------ media

const std::vector<std::string> kVideo4 = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=4"};
const std::vector<std::string> kTone4 = {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=4"};
const std::vector<std::string> kX264 = {"-c:v", "libx264", "-preset", "veryfast", "-g", "25", "-keyint_min", "25",
                                        "-sc_threshold", "0", "-pix_fmt", "yuv420p"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string avClip(const std::string& name, const std::vector<std::string>& extra) {
    return s::test::catalogueClip(name, join({kVideo4, kTone4, kX264, {"-c:a", "aac"}, extra}));
}

/// The first `percent` of `source`'s bytes, as a recording cut off while
/// being written.
std::string truncated(const std::string& source, const std::string& name, int percent) {
    const std::string path = std::string(SNIPFORGE_MEDIA_FIXTURE_DIR) + "/catalogue-" + name;
    if (!std::filesystem::exists(path)) {
        const std::string bytes = s::test::readFile(source);
        const std::string temporary = path + ".tmp" + std::to_string(::getpid());
        EXPECT_TRUE(s::test::writeFile(temporary, bytes.substr(0, bytes.size() * percent / 100)));
        EXPECT_TRUE(s::test::publishFixture(temporary, path));
    }
    return path;
}

/// `source` with 4 KiB in the middle overwritten by a fixed pattern.
std::string corrupted(const std::string& source, const std::string& name) {
    const std::string path = std::string(SNIPFORGE_MEDIA_FIXTURE_DIR) + "/catalogue-" + name;
    if (!std::filesystem::exists(path)) {
        std::string bytes = s::test::readFile(source);
        const size_t from = bytes.size() / 2;
        unsigned state = 12345;
        for (size_t i = from; i < from + 4096 && i < bytes.size(); ++i) {
            state = state * 1103515245u + 12345u;
            bytes[i] = static_cast<char>(state >> 16);
        }
        const std::string temporary = path + ".tmp" + std::to_string(::getpid());
        EXPECT_TRUE(s::test::writeFile(temporary, bytes));
        EXPECT_TRUE(s::test::publishFixture(temporary, path));
    }
    return path;
}

std::string coverPicture() {
    return s::test::catalogueClip("cover.png",
                                  {"-f", "lavfi", "-i", "color=c=red:size=100x80", "-frames:v", "1"});
}

std::string sparseSubtitles() {
    const std::string path = std::string(SNIPFORGE_MEDIA_FIXTURE_DIR) + "/catalogue-sparse.srt";
    if (!std::filesystem::exists(path)) {
        EXPECT_TRUE(s::test::writeFile(path, "1\n00:00:00,300 --> 00:00:00,800\nEarly\n\n"
                                             "2\n00:00:04,200 --> 00:00:04,700\nLate\n"));
    }
    return path;
}

/// What a kind of file must give.
enum class Outcome {
    kWorks,     // everything works as on a clean file
    kRefused,   // unreadable: refused with a reason, nothing written
    kDamaged,   // readable in part: grabs before the damage are exact, cuts never leave broken files
    kPicture,   // a single picture: it is what the grab shows
    kUntimed,   // no duration: grabs work, a scene cannot be marked, so cuts are refused
    kSound,     // sound with a cover picture: cuts keep the sound
};

struct Kind {
    const char* name;
    std::string (*make)();
    Outcome outcome = Outcome::kWorks;
    std::vector<double> grabs = {0.0, 1.5, 2.7}; // seconds from the file's start
    double cutFrom = 1.0;                        // the cut starts at the first key frame from here
    double cutLength = 2.0;
    /// Audio languages a lossless cut must keep; empty: not checked.
    std::vector<std::string> languages = {};
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> list = {
        {"NegativeDtsMp4", [] { return avClip("negdts.mp4", {"-bf", "3"}); }},
        {"NegativeDtsMkv", [] { return avClip("negdts.mkv", {"-bf", "3", "-avoid_negative_ts", "disabled"}); }},
        {"StartTimeMp4", [] { return avClip("start.mp4", {"-bf", "2", "-output_ts_offset", "5"}); }},
        {"StartTimeTs", [] { return avClip("start.ts", {"-bf", "2", "-output_ts_offset", "30"}); }},
        {"TimestampWrapTs", [] { return avClip("wrap.ts", {"-bf", "2", "-output_ts_offset", "95442"}); }},
        {"LateAudioMp4",
         [] {
             return s::test::catalogueClip(
                 "lateaudio.mp4", join({kVideo4, {"-itsoffset", "1"}, kTone4, kX264, {"-c:a", "aac"}}));
         }},
        {"RawH264",
         [] { return s::test::catalogueClip("raw.h264", join({kVideo4, kX264, {"-bf", "2", "-f", "h264"}})); },
         Outcome::kUntimed, {0.0, 1.5, 2.7}},
        {"RawMpeg2",
         [] {
             return s::test::catalogueClip(
                 "raw.m2v", join({kVideo4, {"-c:v", "mpeg2video", "-g", "25", "-bf", "2", "-q:v", "4", "-f",
                                            "mpeg2video"}}));
         },
         Outcome::kUntimed},
        {"TruncatedMp4", [] { return truncated(avClip("whole.mp4", {}), "truncated.mp4", 60); }, Outcome::kRefused},
        {"TruncatedTs", [] { return truncated(avClip("whole.ts", {}), "truncated.ts", 60); }, Outcome::kWorks,
         {0.0, 0.7, 1.3}, 0.0, 1.0},
        {"CorruptedMp4", [] { return corrupted(avClip("whole.mp4", {}), "corrupted.mp4"); }, Outcome::kDamaged,
         {0.0, 0.5}, 1.0, 2.0},
        {"CorruptedTs", [] { return corrupted(avClip("whole.ts", {}), "corrupted.ts"); }, Outcome::kDamaged,
         {0.0, 0.5}, 1.0, 2.0},
        {"PictureNamedMp4",
         [] {
             return s::test::catalogueClip("picture.mp4",
                                           {"-f", "lavfi", "-i", "testsrc2=size=320x240", "-frames:v", "1",
                                            "-c:v", "png", "-f", "image2pipe"});
         },
         Outcome::kPicture, {0.0}, 0.0, 1.0},
        {"VariableFrameRate",
         [] {
             return s::test::catalogueClip(
                 "vfr.mp4", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=50:duration=4", "-vf",
                             "select='not(mod(n\\,2))+between(t\\,1.5\\,2.5)'", "-fps_mode", "vfr", "-c:v",
                             "libx264", "-preset", "veryfast", "-g", "25", "-pix_fmt", "yuv420p"});
         },
         Outcome::kWorks, {0.0, 1.61, 1.97, 2.7}},
        {"FullRangeMjpegAvi",
         [] {
             return s::test::catalogueClip("mjpeg.avi",
                                           join({kVideo4, {"-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "3"}}));
         }},
        {"FullRangeMjpegMov",
         [] {
             return s::test::catalogueClip("mjpeg.mov",
                                           join({kVideo4, {"-c:v", "mjpeg", "-pix_fmt", "yuvj420p", "-q:v", "3"}}));
         }},
        {"OddFrameSize",
         [] {
             return s::test::catalogueClip(
                 "odd.avi", {"-f", "lavfi", "-i", "testsrc2=size=321x241:rate=25:duration=4", "-c:v", "mpeg4",
                             "-q:v", "3", "-g", "25"});
         }},
        {"TenBit422",
         [] {
             std::vector<std::string> codec = kX264;
             codec.back() = "yuv422p10le";
             return s::test::catalogueClip("10bit422.mkv", join({kVideo4, kTone4, codec, {"-c:a", "aac"}}));
         }},
        {"CoverArtMp4",
         [] {
             const std::string cover = coverPicture();
             return s::test::catalogueClip(
                 "cover.mp4", join({kVideo4, kTone4, {"-i", cover, "-map", "0:v", "-map", "1:a", "-map", "2:v"},
                                    kX264, {"-c:v:1", "png", "-disposition:v:1", "attached_pic", "-c:a", "aac"}}));
         }},
        {"CoverArtM4a",
         [] {
             const std::string cover = coverPicture();
             return s::test::catalogueClip(
                 "cover.m4a", join({kTone4, {"-i", cover, "-map", "0:a", "-map", "1:v", "-c:a", "aac", "-c:v", "png",
                                             "-disposition:v:0", "attached_pic"}}));
         },
         Outcome::kSound, {}},
        {"TimecodeMov", [] { return avClip("timecode.mov", {"-timecode", "01:00:00:00"}); }},
        {"ThreeAudioTracks",
         [] {
             return s::test::catalogueClip(
                 "languages.mkv",
                 join({kVideo4, kTone4,
                       {"-f", "lavfi", "-i", "sine=frequency=550:sample_rate=48000:duration=4", "-f", "lavfi",
                        "-i", "sine=frequency=660:sample_rate=48000:duration=4", "-map", "0:v", "-map", "1:a",
                        "-map", "2:a", "-map", "3:a"},
                       kX264,
                       {"-c:a", "aac", "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=deu",
                        "-metadata:s:a:2", "language=fra"}}));
         },
         Outcome::kWorks, {0.0, 1.5, 2.7}, 1.0, 2.0, {"eng", "deu", "fra"}},
        {"SparseSubtitles",
         [] {
             const std::string srt = sparseSubtitles();
             return s::test::catalogueClip(
                 "sparse.mkv",
                 {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=5", "-f", "lavfi", "-i",
                  "sine=frequency=440:sample_rate=48000:duration=5", "-i", srt, "-map", "0:v", "-map", "1:a",
                  "-map", "2:s", "-c:v", "libx264", "-preset", "veryfast", "-g", "25", "-keyint_min", "25",
                  "-sc_threshold", "0", "-pix_fmt", "yuv420p", "-c:a", "aac", "-c:s", "srt"});
         }},
    };
    return list;
}

// ------------------------------------------------------------------ helpers

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

double number(const std::map<std::string, std::string>& map, const std::string& key) {
    const auto it = map.find(key);
    return it == map.end() || it->second == "N/A" ? NAN : std::atof(it->second.c_str());
}

/// The index of the first frame at or after `position` seconds from the
/// file's start, as the command rounds it (whole milliseconds).
size_t frameAt(const DecodedVideo& video, double start, double position) {
    const double at = std::round(position * 1000.0) / 1000.0;
    for (size_t i = 0; i < video.times.size(); ++i)
        if (video.times[i] - start >= at - 0.0005)
            return i;
    return video.times.empty() ? 0 : video.times.size() - 1;
}

/// The files a run left in `dir`, the error report aside.
std::vector<std::string> outputs(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (!(name.starts_with("_error") && name.ends_with(".txt")))
            files.push_back(entry.path().string());
    }
    return files;
}

class Catalogue : public s::test::CatalogueFixture, public testing::WithParamInterface<Kind> {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }

    void SetUp() override {
        CatalogueFixture::SetUp();
        m_input = GetParam().make();
        ASSERT_FALSE(m_input.empty());
        watch(m_input);
        m_start = s::test::formatStartTime(m_input);
    }

    /// The cut's start: the first key frame at or after the kind's start,
    /// so that both cut modes must give the same length.
    double cutStart(const std::vector<double>& keys) const {
        for (double key : keys)
            if (key - m_start >= GetParam().cutFrom - 0.0005)
                return std::round((key - m_start) * 1000.0) / 1000.0;
        return GetParam().cutFrom;
    }

    void cut(bool precise);

    std::string m_input;
    double m_start = 0;
};

/// Key frame times of the first video stream.
std::vector<double> keyFrames(const std::string& path) {
    const s::test::ToolRun run =
        s::test::runTool({"ffprobe", "-v", "error", "-select_streams", "V:0", "-show_entries",
                          "frame=key_frame,best_effort_timestamp_time", "-of", "csv=p=0:nk=0", path});
    std::vector<double> keys;
    size_t at = 0;
    while (at < run.out.size()) {
        size_t end = run.out.find('\n', at);
        if (end == std::string::npos)
            end = run.out.size();
        const std::string line = run.out.substr(at, end - at);
        at = end + 1;
        const size_t time = line.find("best_effort_timestamp_time=");
        if (line.find("key_frame=1") != std::string::npos && time != std::string::npos)
            keys.push_back(std::atof(line.c_str() + time + 27));
    }
    return keys;
}

TEST_P(Catalogue, ProbeAgreesWithFfprobe) {
    StrBuffer path, failure;
    path.setUtf8(m_input);
    s::thread::Pooled<s::video::VideoInfo> info(s::video::probe(path, &failure));
    const s::test::FfprobeReport oracle = s::test::runFfprobe(m_input);
    ASSERT_TRUE(info->exists());

    if (GetParam().outcome == Outcome::kRefused) {
        EXPECT_FALSE(oracle.ok);
        EXPECT_FALSE(info->opened());
        EXPECT_EQ(info->streamCount(), 0u);
        EXPECT_FALSE(failure.toStdString().empty()) << "refused without a reason";
        return;
    }
    ASSERT_TRUE(oracle.ok);
    ASSERT_TRUE(info->opened()) << failure.toStdString();
    EXPECT_EQ(info->fileSize(), static_cast<s::i64>(std::filesystem::file_size(m_input)));
    ASSERT_EQ(info->streamCount(), oracle.streams.size());
    const double duration = number(oracle.format, "duration");
    if (!std::isnan(duration)) {
        EXPECT_NEAR(static_cast<double>(info->durationUs()) / 1e6, duration, 0.05);
    }
    // The picture size is the first real video stream's, never a cover's.
    for (const auto& stream : oracle.streams) {
        if (stream.at("codec_type") == "video" && number(stream, "DISPOSITION:attached_pic") != 1) {
            EXPECT_EQ(info->videoWidth(), static_cast<int>(number(stream, "width")));
            EXPECT_EQ(info->videoHeight(), static_cast<int>(number(stream, "height")));
            break;
        }
    }
    for (size_t i = 0; i < oracle.streams.size(); ++i) {
        SCOPED_TRACE("stream " + std::to_string(i));
        const s::video::StreamInfo* stream = info->stream(static_cast<s::u32>(i));
        const auto& expected = oracle.streams[i];
        if (expected.at("codec_type") == "video") {
            EXPECT_EQ(stream->type(), s::video::kStreamVideo);
            EXPECT_EQ(stream->width(), static_cast<int>(number(expected, "width")));
        } else if (expected.at("codec_type") == "audio") {
            EXPECT_EQ(stream->type(), s::video::kStreamAudio);
        }
        const auto language = expected.find("TAG:language");
        if (language != expected.end()) {
            std::string found;
            for (s::u32 k = 0; k < stream->metadataKeys().size(); ++k) {
                if (stream->metadataKeys().get(k)->toStdString() == "language")
                    found = stream->metadataValues().get(k)->toStdString();
            }
            EXPECT_EQ(found, language->second);
        }
    }
}

TEST_P(Catalogue, GrabShowsTheFrameAtThePosition) {
    const Kind& kind = GetParam();
    if (kind.grabs.empty())
        GTEST_SKIP() << "no moving picture to grab from";
    const DecodedVideo video = s::test::decodeVideo(m_input);
    for (double position : kind.grabs) {
        SCOPED_TRACE("at " + seconds(position));
        const std::string picture = m_outDir + "/frame.bmp";
        const CliRun run = cli({"frame", m_input, "--at", seconds(position), "--out", picture});
        ASSERT_EQ(run.signal, 0) << "the front end crashed\n" << run.err;
        if (kind.outcome == Outcome::kRefused) {
            EXPECT_NE(run.exitStatus, 0);
            EXPECT_FALSE(run.err.empty()) << "refused without a reason";
            EXPECT_FALSE(std::filesystem::exists(picture));
            continue;
        }
        ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
        const s::test::Bitmap bitmap = s::test::readBmp(picture);
        ASSERT_EQ(bitmap.width, video.width);
        ASSERT_EQ(bitmap.height, video.height);
        const s::test::FrameMatch match = s::test::nearestFrame(video, bitmap);
        ASSERT_GE(match.index, 0);
        const size_t expected = frameAt(video, m_start, position);
        EXPECT_EQ(static_cast<size_t>(match.index), expected)
            << "showed the frame at " << video.times[static_cast<size_t>(match.index)] - m_start
            << " s instead of the one at " << video.times[expected] - m_start << " s";
        // The grab converts as the ffmpeg tool does: the same pixels, give or
        // take rounding (reading full-range video as limited-range, say,
        // is off by more than one level on average).
        EXPECT_LT(match.difference, 0.5) << "the picture is not the decoded frame";
        std::filesystem::remove(picture);
    }
}

/// A time as the frame command writes it.
std::string commandTime(long long us) {
    StrBuffer out;
    return s::str::timetext::appendClock(out, us, s::str::timetext::kCommandClock).toStdString();
}

TEST_P(Catalogue, SteppingThroughShowsWhatTheFrameCommandWritesForEachPosition) {
    // One grabber kept open, as the window keeps it: around each position a
    // step forward, two back and a jump to the next, so that the cache, a
    // forward decode and a seek each serve some of them; every picture is
    // the one the in-process frame command writes for its position alone.
    const Kind& kind = GetParam();
    if (kind.grabs.empty() || kind.outcome == Outcome::kRefused)
        GTEST_SKIP() << "no moving picture to step through";
    std::vector<long long> positions;
    for (double grab : kind.grabs) {
        const long long us = std::llround(grab * 1e6);
        for (long long step : {0LL, 40000LL, -40000LL, -80000LL})
            positions.push_back(std::max(0LL, us + step));
    }
    std::string list;
    for (long long us : positions)
        list += (list.empty() ? "" : ",") + seconds(static_cast<double>(us) / 1e6);
    const std::string series = m_outDir + "/series";
    ASSERT_TRUE(std::filesystem::create_directory(series));
    const CliRun run = cli({"frame", m_input, "--at", list, "--out", series});
    ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
    for (size_t i = 0; i < positions.size(); ++i) {
        const long long us = positions[i];
        SCOPED_TRACE("at " + seconds(static_cast<double>(us) / 1e6) + ", picture " + std::to_string(i + 1));
        const long long first = us < 2000000 ? 0 : us - 2000000;
        const long long second = us < 2000000 ? us : 2000000;
        const std::string alone = m_outDir + "/alone.bmp";
        const CliRun command = cli({"tool",
                                    "ffmpeg -ss " + commandTime(first) + " -t 1 -i " + m_input +
                                        " -y -an -f image2 -ss " + commandTime(second) + " -vframes 1 " + alone,
                                    "--duration-ms", "1"});
        ASSERT_EQ(command.exitStatus, 0) << command.err;
        char name[32];
        std::snprintf(name, sizeof name, "/%04zu.bmp", i + 1);
        const s::test::Bitmap stepped = s::test::readBmp(series + name);
        const s::test::Bitmap wanted = s::test::readBmp(alone);
        ASSERT_GT(wanted.width, 0);
        EXPECT_EQ(stepped.width, wanted.width);
        EXPECT_EQ(stepped.height, wanted.height);
        EXPECT_TRUE(stepped.bgr == wanted.bgr) << "another picture than the frame command's";
        std::filesystem::remove(alone);
    }
}

void Catalogue::cut(bool precise) {
    const Kind& kind = GetParam();
    const DecodedVideo video = s::test::decodeVideo(m_input);
    const double from = kind.outcome == Outcome::kRefused ? kind.cutFrom : cutStart(keyFrames(m_input));
    const double to = from + kind.cutLength;
    // The window takes an end less than a second before the file's end as
    // the end of the file.
    const double fileEnd = number(s::test::runFfprobe(m_input).format, "duration");
    const double length = (!std::isnan(fileEnd) && to + 1.0 > fileEnd ? fileEnd : to) - from;
    std::vector<std::string> args = {"cut", m_input, "--start", seconds(from), "--end", seconds(to), "--out",
                                     m_outDir};
    if (precise)
        args.push_back("--precise");
    const CliRun run = cli(args);
    ASSERT_EQ(run.signal, 0) << "the front end crashed\n" << run.out << run.err;
    const std::vector<std::string> files = outputs(m_outDir);

    if (kind.outcome == Outcome::kRefused || kind.outcome == Outcome::kUntimed) {
        EXPECT_NE(run.exitStatus, 0);
        EXPECT_FALSE((run.out + run.err).empty()) << "refused without a reason";
        EXPECT_TRUE(files.empty()) << files.front();
        return;
    }
    if (kind.outcome == Outcome::kPicture && run.exitStatus != 0) {
        // A single picture has no scene to save; saying so is fine.
        EXPECT_FALSE((run.out + run.err).empty()) << "refused without a reason";
        EXPECT_TRUE(files.empty()) << files.front();
        return;
    }
    if (kind.outcome == Outcome::kSound && precise && run.exitStatus != 0) {
        // The cover alone gives no video to encode; a refusal must say so
        // and leave nothing.
        EXPECT_FALSE((run.out + run.err).empty()) << "refused without a reason";
        EXPECT_TRUE(files.empty()) << files.front();
        return;
    }
    ASSERT_EQ(run.exitStatus, 0) << run.out << run.err;
    ASSERT_EQ(files.size(), 1u);
    const std::string& out = files.front();
    if (kind.outcome == Outcome::kSound) {
        const s::test::VideoTrack sound = s::test::describeOutput(out);
        EXPECT_NEAR(sound.audioDuration, length, 0.05) << out;
        EXPECT_EQ(s::test::decodeErrors(out), "");
        return;
    }
    if (precise) {
        EXPECT_TRUE(out.ends_with(".mp4")) << out;
    }
    const s::test::VideoTrack track = s::test::describeOutput(out);
    ASSERT_TRUE(track.present) << "no video stream in " << out;
    EXPECT_TRUE(track.firstIsKey) << "the cut does not start with a key frame";
    if (kind.outcome == Outcome::kDamaged && !precise)
        return; // copied damage decodes as damage
    EXPECT_EQ(s::test::decodeErrors(out), "");
    if (kind.outcome == Outcome::kPicture)
        return;
    if (!kind.languages.empty() && !precise) {
        EXPECT_EQ(track.audioLanguages, kind.languages);
    }

    // The scene begins with the frame at its start.
    const DecodedVideo scene = s::test::decodeVideo(out);
    ASSERT_GT(scene.frameCount(), 0u);
    ASSERT_EQ(scene.width, video.width);
    ASSERT_EQ(scene.height, video.height);
    s::test::Bitmap first;
    first.width = scene.width;
    first.height = scene.height;
    first.bgr = scene.bgr.substr(0, static_cast<size_t>(scene.width) * scene.height * 3);
    const s::test::FrameMatch match = s::test::nearestFrame(video, first);
    ASSERT_GE(match.index, 0);
    const size_t expected = frameAt(video, m_start, from);
    const double began = video.times[static_cast<size_t>(match.index)] - m_start;
    if (precise) {
        EXPECT_EQ(static_cast<size_t>(match.index), expected)
            << "the scene begins with the frame at " << began << " s instead of "
            << video.times[expected] - m_start << " s";
        EXPECT_NEAR(track.duration, length, 1.5 * kFrame) << out;
        return;
    }
    // Copied streams begin at the key frame the container's index leads to,
    // at or before the start (Matroska files written by the ffmpeg tool
    // index only the first key frame of each cluster), and end with the
    // packets up to the end in decoding order, as the ffmpeg tool's copy
    // does: at most a few reordered frames later.
    EXPECT_LE(static_cast<size_t>(match.index), expected) << "the scene begins after its start, at " << began;
    const double asked = from + length - began;
    if (kind.outcome == Outcome::kWorks) {
        EXPECT_GE(track.duration, asked - 1.5 * kFrame) << out;
        EXPECT_LE(track.duration, asked + 0.25) << out;
    }
}

TEST_P(Catalogue, LosslessCut) {
    cut(false);
}

TEST_P(Catalogue, PreciseCut) {
    cut(true);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Catalogue, testing::ValuesIn(kinds()),
                         [](const testing::TestParamInfo<Kind>& info) { return std::string(info.param.name); });

} // namespace
