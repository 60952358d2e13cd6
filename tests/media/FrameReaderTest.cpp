// The frame reader that keeps a file open for the preview, against two
// oracles on media of several containers: the frame command run through the
// in-process tool for the same position (the reader must give its BMP byte
// for byte), and ffmpeg's own decoding from the start (the picture must be
// the first frame at or after the position). Requests go forward, back and
// anywhere, so that the cache, the forward decode and the seek each serve
// some of them; then the cache's memory limit, giving up and stopping.

#include "media/frame/FrameReader.h"
#include "foundation/str/StrBuffer.h"
#include "media/converter/InProcessTool.h"
#include "media/system/win/MediaLibraries.h"
#include "preview/VideoToImageThreadInternal.h"
#include "support/Catalogue.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

namespace {

using s::i64;
using s::u32;
using s::u64;
using s::str::strbuffer::StrBuffer;
using s::video::frame::FrameReader;
using s::video::frame::GrabResult;
using s::video::gui::dialogs::snipforge::VideoToImageThreadInternal;

const std::vector<std::string> kVideo4 = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=4"};
const std::vector<std::string> kTone4 = {"-f", "lavfi", "-i",
                                         "sine=frequency=440:sample_rate=48000:duration=4"};

std::vector<std::string> x264(const std::string& gop, const std::string& bframes) {
    return {"-c:v", "libx264",       "-preset", "veryfast", "-g",    gop,        "-keyint_min",
            gop,    "-sc_threshold", "0",       "-bf",      bframes, "-pix_fmt", "yuv420p"};
}

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

struct Kind {
    const char* name;
    std::string file;
    std::vector<std::string> args;
};

void PrintTo(const Kind& kind, std::ostream* out) {
    *out << kind.name;
}

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> list = {
        {"Mp4BFrames", "reader-bframes.mp4", join({kVideo4, kTone4, x264("25", "3"), {"-c:a", "aac"}})},
        {"Mkv", "reader.mkv", join({kVideo4, kTone4, x264("25", "2"), {"-c:a", "aac"}})},
        {"TsLargeStart", "reader-start.ts",
         join({kVideo4, kTone4, x264("25", "2"), {"-c:a", "aac", "-output_ts_offset", "3000"}})},
        {"AviMpeg4", "reader.avi",
         join({kVideo4,
               kTone4,
               {"-c:v", "mpeg4", "-q:v", "4", "-g", "25", "-bf", "2", "-c:a", "libmp3lame"}})},
        {"VfrMp4",
         "reader-vfr.mp4",
         {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=50:duration=4", "-vf",
          "select='not(mod(n\\,2))+between(t\\,1.5\\,2.5)'", "-fps_mode", "vfr", "-c:v", "libx264", "-preset",
          "veryfast", "-g", "25", "-pix_fmt", "yuv420p"}},
        {"OpenGopMkv", "reader-opengop.mkv",
         join({kVideo4,
               {"-c:v", "libx264", "-preset", "veryfast", "-x264-params",
                "keyint=25:min-keyint=25:scenecut=0:open-gop=1:bframes=3", "-pix_fmt", "yuv420p"}})},
    };
    return list;
}

/// The digest of a picture's bytes, compared frame by frame.
std::string crc(const std::vector<s::u8>& bytes) {
    return s::test::textDigest(std::string(bytes.begin(), bytes.end()));
}
std::string crc(const std::string& bytes) {
    return s::test::textDigest(bytes);
}

s::test::Bitmap bitmapOf(const std::vector<s::u8>& bmp, const std::string& dir) {
    const std::string path = dir + "/picture.bmp";
    EXPECT_TRUE(s::test::writeFile(path, std::string(bmp.begin(), bmp.end())));
    return s::test::readBmp(path);
}

class FrameReaderTest : public testing::TestWithParam<Kind> {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(s::system::win::loadMediaLibraries()); }

    void SetUp() override {
        m_dir = s::test::makeTempDir();
        m_path = s::test::generatedMedia(GetParam().file, GetParam().args);
        ASSERT_FALSE(m_path.empty());
        m_video = s::test::decodeVideo(m_path);
        ASSERT_GT(m_video.frameCount(), 20u);
        const double start = s::test::formatStartTime(m_path);
        for (double t : m_video.times)
            m_timesUs.push_back(std::llround((t - start) * 1e6));
    }

    /// What the frame command through the in-process tool writes for
    /// `positionUs`.
    std::string commandPicture(i64 positionUs) {
        StrBuffer input, command, dir;
        input.setUtf8(m_path);
        dir.setUtf8(m_dir);
        const std::string out = m_dir + "/command.bmp";
        std::remove(out.c_str());
        VideoToImageThreadInternal::buildFrameCommand(command, positionUs, input, out, false);
        std::atomic<bool> stop{false};
        EXPECT_TRUE(
            s::video::tool::runToolInProcess(command, dir, 1, nullptr, nullptr, nullptr, stop).isOk());
        return s::test::readFile(out);
    }

    /// The frame decoding from the start puts at `positionUs`.
    long expectedIndex(i64 positionUs) const {
        const i64 threshold = std::llround(static_cast<double>(positionUs) / 1000.0) * 1000;
        for (size_t i = 0; i < m_timesUs.size(); ++i) {
            if (m_timesUs[i] >= threshold)
                return static_cast<long>(i);
        }
        return static_cast<long>(m_timesUs.size()) - 1;
    }

    /// Grabs `positionUs` and checks the picture against both oracles.
    void expectExact(FrameReader& reader, i64 positionUs) {
        SCOPED_TRACE("position " + std::to_string(positionUs));
        std::vector<s::u8> bmp;
        ASSERT_EQ(reader.grab(positionUs, bmp), GrabResult::kPicture);
        const std::string command = commandPicture(positionUs);
        ASSERT_GT(command.size(), 54u);
        EXPECT_EQ(crc(bmp), crc(command)) << "differs from the frame command's picture";
        const s::test::FrameMatch match = s::test::nearestFrame(m_video, bitmapOf(bmp, m_dir));
        EXPECT_EQ(match.index, expectedIndex(positionUs));
        EXPECT_LT(match.difference, 3.0);
    }

    i64 frameUs(size_t i) const { return m_timesUs[std::min(i, m_timesUs.size() - 1)]; }

    std::string m_dir;
    std::string m_path;
    s::test::DecodedVideo m_video;
    std::vector<i64> m_timesUs;
    std::atomic<bool> m_stop{false};
};

TEST_P(FrameReaderTest, EveryRequestGivesTheFrameDecodingFromTheStartGives) {
    FrameReader reader(m_stop);
    const s::base::Result opened = reader.open(m_path);
    ASSERT_TRUE(opened.isOk()) << opened.reason();
    const size_t n = m_timesUs.size();
    const size_t middle = n / 2 + 3;
    // A seek into the middle, forward steps across a key frame, backward
    // steps back across it and beyond the decoded frames.
    std::vector<i64> positions = {frameUs(middle)};
    for (size_t i = 1; i <= 4; ++i)
        positions.push_back(frameUs(middle + i));
    for (size_t i = 1; i <= 10; ++i)
        positions.push_back(frameUs(middle + 4 - i));
    // Anywhere: between two frames, just before a frame, the start, the last
    // frame, past the end, a whole-second slider position, and near the end
    // again (a forward decode after the end was met).
    positions.insert(positions.end(),
                     {(frameUs(10) + frameUs(11)) / 2, frameUs(n - 8) - 1000, 0, frameUs(n - 1),
                      frameUs(n - 1) + 5'000'000, 1'000'000, frameUs(n - 3)});
    u32 seeksFirst = 0, seeksForward = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        expectExact(reader, positions[i]);
        if (i == 0)
            seeksFirst = reader.seekCount();
        if (i == 4)
            seeksForward = reader.seekCount();
    }
    // The forward steps after the first seek needed none of their own.
    EXPECT_GE(seeksFirst, 1u);
    EXPECT_EQ(seeksForward, seeksFirst);
    // Stepping once more after the index is complete gives the same frames.
    EXPECT_TRUE(reader.waitForIndex(20000));
    expectExact(reader, frameUs(middle));
    expectExact(reader, frameUs(middle - 1));
    expectExact(reader, frameUs(middle + 1));
}

INSTANTIATE_TEST_SUITE_P(Containers, FrameReaderTest, testing::ValuesIn(kinds()),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return std::string(info.param.name);
                         });

// ---------------------------------------------------------------- the cache

class FrameReaderCache : public FrameReaderTest {};

TEST_P(FrameReaderCache, SteppingBackThroughAWholeGroupStaysWithinTheLimit) {
    FrameReader reader(m_stop);
    const s::base::Result opened = reader.open(m_path);
    ASSERT_TRUE(opened.isOk()) << opened.reason();
    // Frame 49 is the last of the second group of 25 (key frames at 0, 25,
    // 50, ...). One frame first, to learn a frame's size.
    std::vector<s::u8> bmp;
    ASSERT_EQ(reader.grab(frameUs(49), bmp), GrabResult::kPicture);
    ASSERT_GT(reader.cachedFrames(), 0u);
    const u64 perFrame = reader.cachedBytes() / reader.cachedFrames();
    ASSERT_GT(perFrame, 320u * 240u);
    constexpr u64 kFrames = 8;
    reader.setCacheLimit(perFrame * kFrames);
    const u32 seeksBefore = reader.seekCount();
    for (long i = 49; i >= 20; --i) {
        expectExact(reader, frameUs(static_cast<size_t>(i)));
        EXPECT_LE(reader.cachedFrames(), kFrames);
        EXPECT_LE(reader.cachedBytes(), perFrame * kFrames);
    }
    // Each seek decodes from a key frame and keeps the last 8 frames before
    // the position: 30 steps back need about 30 / 8 of them, not 30.
    EXPECT_LE(reader.seekCount() - seeksBefore, 8u);
    EXPECT_GE(reader.seekCount() - seeksBefore, 3u);
}

TEST_P(FrameReaderCache, TheDefaultLimitKeepsAWholeGroupSoSteppingBackNeedsNoSeek) {
    FrameReader reader(m_stop);
    const s::base::Result opened = reader.open(m_path);
    ASSERT_TRUE(opened.isOk()) << opened.reason();
    EXPECT_EQ(reader.cacheLimit(), FrameReader::kDefaultCacheBytes);
    std::vector<s::u8> bmp;
    ASSERT_EQ(reader.grab(frameUs(49), bmp), GrabResult::kPicture);
    // The index tells that no frame lies between a position rounded down to
    // whole milliseconds and the key frame just after it.
    ASSERT_TRUE(reader.waitForIndex(20000));
    const u32 seeks = reader.seekCount();
    for (long i = 48; i >= 25; --i) {
        ASSERT_EQ(reader.grab(frameUs(static_cast<size_t>(i)), bmp), GrabResult::kPicture);
    }
    EXPECT_EQ(reader.seekCount(), seeks);
    EXPECT_LE(reader.peakCachedBytes(), FrameReader::kDefaultCacheBytes);
}

INSTANTIATE_TEST_SUITE_P(Cache, FrameReaderCache, testing::Values(kinds()[0], kinds()[2]),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return std::string(info.param.name);
                         });

// ------------------------------------------------------- giving up, stopping

class FrameReaderControl : public FrameReaderTest {};

TEST_P(FrameReaderControl, AnAbandonedRequestLeavesTheReaderExact) {
    FrameReader reader(m_stop);
    const s::base::Result opened = reader.open(m_path);
    ASSERT_TRUE(opened.isOk()) << opened.reason();
    std::vector<s::u8> bmp;
    int asked = 0;
    // Given up after three packets: no picture, and the next requests,
    // whether served from what was decoded or not, are exact.
    EXPECT_EQ(reader.grab(frameUs(70), bmp, [&] { return ++asked > 3; }), GrabResult::kAbandoned);
    EXPECT_TRUE(bmp.empty());
    expectExact(reader, frameUs(52));
    expectExact(reader, frameUs(70));
    // A position it leads to is worth going on for; one behind it or far
    // away is not.
    EXPECT_TRUE(reader.continuesTo(frameUs(70), frameUs(72)));
    EXPECT_FALSE(reader.continuesTo(frameUs(70), frameUs(10)));
    EXPECT_FALSE(reader.continuesTo(frameUs(70), frameUs(60)));
}

TEST_P(FrameReaderControl, TheStopFlagEndsARequestAndCloseEndsTheIndex) {
    FrameReader reader(m_stop);
    const s::base::Result opened = reader.open(m_path);
    ASSERT_TRUE(opened.isOk()) << opened.reason();
    std::vector<s::u8> bmp;
    ASSERT_EQ(reader.grab(frameUs(5), bmp), GrabResult::kPicture);
    m_stop.store(true);
    EXPECT_EQ(reader.grab(frameUs(90), bmp), GrabResult::kStopped);
    const auto before = std::chrono::steady_clock::now();
    reader.close();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
}

INSTANTIATE_TEST_SUITE_P(Control, FrameReaderControl, testing::Values(kinds()[0]),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return std::string(info.param.name);
                         });

TEST(FrameReaderOpen, RefusesWhatItCannotServeExactly) {
    ASSERT_TRUE(s::system::win::loadMediaLibraries());
    std::atomic<bool> stop{false};
    // A raw stream has no frame times: the frame command's rules count them.
    const std::string raw =
        s::test::generatedMedia("reader-raw.h264", join({kVideo4, x264("25", "2"), {"-f", "h264"}}));
    FrameReader reader(stop);
    const s::base::Result rawOpened = reader.open(raw);
    EXPECT_TRUE(rawOpened.isFailed());
    EXPECT_FALSE(rawOpened.reason().empty());
    // Sound alone.
    const std::string sound = s::test::generatedMedia("reader-sound.m4a", join({kTone4, {"-c:a", "aac"}}));
    EXPECT_TRUE(reader.open(sound).isFailed());
    const s::base::Result missing = reader.open(s::test::makeTempDir() + "/missing.mp4");
    EXPECT_TRUE(missing.isFailed());
    EXPECT_NE(missing.reason().find("No such file"), std::string::npos) << missing.reason();
    std::vector<s::u8> bmp;
    EXPECT_EQ(reader.grab(0, bmp), GrabResult::kFailed);
}

} // namespace
