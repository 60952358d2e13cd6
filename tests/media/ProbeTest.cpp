// The probe against ffprobe on real files made by the ffmpeg tool, and the
// probe's own rules on top of what the libraries report.

#include "media/video/Probe.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "media/system/win/MediaLibraries.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using s::i32;
using s::i64;
using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;
using namespace s::video;
using s::test::Fixture;

Pooled<VideoInfo> probeFile(const std::string& path) {
    StrBuffer name;
    name.setUtf8(path);
    return Pooled<VideoInfo>(probe(name));
}

std::string text(const StrBuffer& value) {
    return value.toStdString();
}
std::string text(Rational64 value) {
    return std::to_string(value.num) + "/" + std::to_string(value.den);
}
std::string text(Ratio32 value) {
    return std::to_string(value.num) + ":" + std::to_string(value.den);
}

std::string valueOr(const std::map<std::string, std::string>& map, const std::string& key,
                    const char* fallback) {
    auto it = map.find(key);
    return it == map.end() ? fallback : it->second;
}

/// ffprobe's seconds as microseconds; -1 for "N/A".
i64 microseconds(const std::string& seconds) {
    if (seconds == "N/A")
        return -1;
    return std::llround(std::stod(seconds) * 1e6);
}

i64 numberOr0(const std::string& value) {
    return value == "N/A" ? 0 : std::stoll(value);
}

i32 typeOf(const std::string& codecType) {
    if (codecType == "video")
        return kStreamVideo;
    if (codecType == "audio")
        return kStreamAudio;
    if (codecType == "subtitle")
        return kStreamSubtitle;
    return kStreamUnknown;
}

i32 sampleFormatOf(std::string name) {
    if (name.size() > 1 && name.back() == 'p')
        name.pop_back();
    if (name == "u8")
        return kSampleU8;
    if (name == "s16")
        return kSampleS16;
    if (name == "s32")
        return kSampleS32;
    if (name == "flt")
        return kSampleFloat;
    if (name == "dbl")
        return kSampleDouble;
    return kSampleOther;
}

std::vector<std::string> linesOf(const std::string& report) {
    std::vector<std::string> lines;
    std::istringstream in(report);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string reportOf(const VideoInfo& info) {
    Pooled<StrBuffer> report(info.report());
    return report->toStdString();
}

class ProbeTest : public testing::Test {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }
};

class ProbeAgreesWithFfprobe : public testing::TestWithParam<Fixture> {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }
};

TEST_P(ProbeAgreesWithFfprobe, OnContainerAndStreamValues) {
    const std::string path = s::test::fixturePath(GetParam());
    ASSERT_FALSE(path.empty());
    const s::test::FfprobeReport oracle = s::test::runFfprobe(path);
    ASSERT_TRUE(oracle.ok);
    Pooled<VideoInfo> info = probeFile(path);

    ASSERT_TRUE(info->exists());
    ASSERT_TRUE(info->opened());
    EXPECT_EQ(text(info->path()), path);
    EXPECT_EQ(text(info->fileName()), path.substr(path.rfind('/') + 1));
    EXPECT_EQ(text(info->formatName()), oracle.format.at("format_name"));
    EXPECT_EQ(text(info->formatLongName()), valueOr(oracle.format, "format_long_name", ""));
    EXPECT_EQ(info->fileSize(), std::stoll(oracle.format.at("size")));
    EXPECT_NEAR(info->durationUs(), microseconds(oracle.format.at("duration")), 1);
    ASSERT_EQ(info->streamCount(), oracle.streams.size());

    // The overall rate comes from the size whenever the duration is known.
    if (info->durationUs() > 0) {
        EXPECT_EQ(info->bitRate(), static_cast<i64>(static_cast<double>(info->fileSize()) * 8.0 /
                                                    (static_cast<double>(info->durationUs()) / 1e6)));
    }

    ASSERT_EQ(info->metadataKeys().size(), oracle.formatTags.size());
    for (s::u32 t = 0; t < oracle.formatTags.size(); ++t) {
        EXPECT_EQ(text(*info->metadataKeys().get(t)), oracle.formatTags[t].first);
        EXPECT_EQ(text(*info->metadataValues().get(t)), oracle.formatTags[t].second);
    }

    // Declared stream rates, then the fill-ins: first video, then first audio.
    std::vector<i64> declared;
    for (const auto& stream : oracle.streams)
        declared.push_back(std::max<i64>(0, numberOr0(valueOr(stream, "bit_rate", "N/A"))));
    auto fillIn = [&](i32 type) {
        for (size_t i = 0; i < declared.size(); ++i) {
            if (typeOf(oracle.streams[i].at("codec_type")) != type)
                continue;
            if (declared[i] <= 0) {
                i64 known = 0;
                for (i64 rate : declared)
                    known += rate;
                declared[i] = std::max<i64>(0, info->bitRate() - known);
            }
            return;
        }
    };
    fillIn(kStreamVideo);
    fillIn(kStreamAudio);

    bool sawVideo = false;
    bool sawAudio = false;
    for (s::u32 i = 0; i < info->streamCount(); ++i) {
        SCOPED_TRACE("stream " + std::to_string(i));
        const auto& expected = oracle.streams[i];
        const StreamInfo& stream = *info->stream(i);
        EXPECT_EQ(stream.type(), typeOf(expected.at("codec_type")));
        const std::string codecName = valueOr(expected, "codec_name", "unknown");
        EXPECT_EQ(text(stream.codecName()), codecName == "unknown" ? "Unknown" : codecName);
        const std::string longName = valueOr(expected, "codec_long_name", "unknown");
        EXPECT_EQ(text(stream.codecLongName()), longName == "unknown" ? "Unknown" : longName);
        EXPECT_EQ(text(stream.codecTagString()), expected.at("codec_tag_string"));
        EXPECT_EQ(stream.codecTag(), std::stoul(expected.at("codec_tag"), nullptr, 16));
        EXPECT_EQ(text(stream.timeBase()), expected.at("time_base"));
        EXPECT_EQ(text(stream.realFrameRate()), expected.at("r_frame_rate"));
        EXPECT_EQ(text(stream.averageFrameRate()), expected.at("avg_frame_rate"));
        const i64 duration = microseconds(expected.at("duration"));
        if (duration < 0) {
            EXPECT_LT(stream.durationUs(), 0);
        } else {
            EXPECT_NEAR(stream.durationUs(), duration, 1);
        }
        EXPECT_EQ(stream.frameCount(), numberOr0(expected.at("nb_frames")));
        EXPECT_EQ(stream.bitRate(), declared[i]);

        std::vector<std::pair<std::string, std::string>> tags;
        for (s::u32 t = 0; t < stream.metadataKeys().size(); ++t)
            tags.emplace_back(text(*stream.metadataKeys().get(t)), text(*stream.metadataValues().get(t)));
        EXPECT_EQ(tags, oracle.streamTags[i]);

        if (stream.type() == kStreamVideo) {
            if (!sawVideo) {
                EXPECT_EQ(info->videoWidth(), stream.width());
                EXPECT_EQ(info->videoHeight(), stream.height());
            }
            sawVideo = true;
            EXPECT_EQ(stream.width(), std::stoi(expected.at("width")));
            EXPECT_EQ(stream.height(), std::stoi(expected.at("height")));
            EXPECT_EQ(text(stream.pixelFormat()), expected.at("pix_fmt"));
            EXPECT_EQ(stream.hasBFrames(), std::stoi(expected.at("has_b_frames")) != 0);
            if (valueOr(expected, "sample_aspect_ratio", "N/A") != "N/A") {
                EXPECT_TRUE(stream.aspectKnown());
                EXPECT_EQ(text(stream.sampleAspect()), expected.at("sample_aspect_ratio"));
                EXPECT_EQ(text(stream.displayAspect()), expected.at("display_aspect_ratio"));
            }
        } else if (stream.type() == kStreamAudio) {
            sawAudio = true;
            EXPECT_EQ(stream.sampleRate(), std::stoi(expected.at("sample_rate")));
            EXPECT_EQ(stream.channels(), std::stoi(expected.at("channels")));
            EXPECT_EQ(stream.sampleFormat(), sampleFormatOf(expected.at("sample_fmt")));
        }
    }
    EXPECT_EQ(info->hasVideo(), sawVideo);
    EXPECT_EQ(info->hasAudio(), sawAudio);
    if (!sawVideo) {
        EXPECT_EQ(info->videoWidth(), 0);
        EXPECT_EQ(info->videoHeight(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ProbeAgreesWithFfprobe, testing::ValuesIn(s::test::allFixtures()),
                         [](const testing::TestParamInfo<Fixture>& param) {
                             std::string name = s::test::fixtureName(param.param);
                             for (char& c : name) {
                                 if (c == '-')
                                     c = '_';
                             }
                             return name;
                         });

TEST_F(ProbeTest, ReportOfAKnownFileLineByLine) {
    const std::string path = s::test::fixturePath(Fixture::WavPcm16);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    const std::string name = path.substr(path.rfind('/') + 1);
    // 44-byte header + 1 s of 16-bit stereo at 44.1 kHz; no metadata.
    const std::vector<std::string> expected = {
        "File Name: " + name,
        "File Size (Bytes): 176,444",
        " ",
        "[Format]",
        "Format (Short Name): wav",
        "Format (Long Name): WAV / WAVE (Waveform Audio)",
        "Duration: 00:00:01.00",
        "Duration (Microseconds): 1,000,000",
        "Bit Rate (bits/sec): 1,411,552",
        "Number of Streams: 1",
        " ",
        "[Stream #0]",
        "Type: Audio",
        "Codec (Short Name): pcm_s16le",
        "Long (Short Name): PCM signed 16-bit little-endian",
        "Codec Tag: 0x00000001",
        "Codec Tag (String): [1][0][0][0]",
        "Codec Time Base: 1/44100",
        "Time Base: 1/44100",
        "Real Base Frame Rate: 0/0",
        "Average Frame Rate: 0/0",
        "Duration: 00:00:01.00",
        "Duration (Microseconds): 1,000,000",
        "Bit Rate (bits/sec): 1,411,200",
        "Number of Frames: N/A",
        " ",
        "Channels: 2",
        "Sample Rate (Hz): 44,100",
        "Sample Data Format: 16 bits (Integer) ",
    };
    const std::string report = reportOf(*info);
    EXPECT_EQ(linesOf(report), expected) << report;
    EXPECT_EQ(report.back(), '\n');
}

TEST_F(ProbeTest, VideoSectionOfAnH264FileWithBFrames) {
    const std::string path = s::test::fixturePath(Fixture::Mp4H264Aac);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    ASSERT_EQ(info->streamCount(), 2u);
    const StreamInfo& video = *info->stream(0);
    EXPECT_TRUE(video.hasBFrames());
    EXPECT_EQ(video.realFrameRate(), (Rational64{25, 1}));
    // H.264 counts two ticks per frame.
    EXPECT_EQ(video.codecTimeBase(), (Rational64{1, 50}));
    EXPECT_EQ(info->stream(1)->codecTimeBase(), (Rational64{1, 48000}));
    const std::string report = reportOf(*info);
    EXPECT_NE(report.find("[Stream #0]\nType: Video\nCodec (Short Name): h264\n"
                          "Long (Short Name): H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10\n"
                          "Codec Tag: 0x31637661\nCodec Tag (String): avc1\nCodec Time Base: 1/50\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\n \nWidth: 320\nHeight: 240\nPixel Aspect Ratio: 1:1\nDisplay Aspect Ratio: 4:3\n"
                          "Pixel Formal: yuv420p\nHas B Frames: Yes\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("\n \n[Metadata]\nmajor_brand: isom\n"), std::string::npos) << report;
    EXPECT_NE(report.find("\ntitle: Probe fixture\n"), std::string::npos) << report;
}

TEST_F(ProbeTest, NonSquarePixelsGiveAReducedDisplayAspect) {
    const std::string path = s::test::fixturePath(Fixture::Anamorphic);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    ASSERT_GE(info->streamCount(), 1u);
    EXPECT_TRUE(info->stream(0)->aspectKnown());
    EXPECT_EQ(info->stream(0)->sampleAspect(), (Ratio32{4, 3}));
    EXPECT_EQ(info->stream(0)->displayAspect(), (Ratio32{16, 9}));
}

TEST_F(ProbeTest, ATimecodeTrackIsAStreamOfUnknownType) {
    const std::string path = s::test::fixturePath(Fixture::MovTimecode);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    ASSERT_EQ(info->streamCount(), 2u);
    const StreamInfo& data = *info->stream(1);
    EXPECT_EQ(data.type(), kStreamUnknown);
    EXPECT_EQ(text(data.codecName()), "Unknown");
    EXPECT_EQ(text(data.codecLongName()), "Unknown");
    EXPECT_EQ(text(data.codecTagString()), "tmcd");
    const std::string report = reportOf(*info);
    EXPECT_NE(
        report.find("[Stream #1]\nType: Unknown\nCodec (Short Name): Unknown\nLong (Short Name): Unknown\n"),
        std::string::npos)
        << report;
    // No video or audio section for it.
    EXPECT_EQ(report.find("Width:", report.find("[Stream #1]")), std::string::npos);
}

TEST_F(ProbeTest, SubtitlesAreTypeFourAndMatroskaRatesAreFilledIn) {
    const std::string path = s::test::fixturePath(Fixture::MkvSubtitles);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    ASSERT_EQ(info->streamCount(), 3u);
    EXPECT_EQ(info->stream(2)->type(), kStreamSubtitle);
    EXPECT_EQ(text(info->stream(2)->codecName()), "subrip");
    EXPECT_NE(reportOf(*info).find("[Stream #2]\nType: Sub Title\n"), std::string::npos);
    // Matroska declares no video rate: the video stream gets the overall rate
    // less what the other streams declare.
    const StreamInfo& video = *info->stream(0);
    const StreamInfo& audio = *info->stream(1);
    const i64 others = std::max<i64>(audio.bitRate(), 0) + std::max<i64>(info->stream(2)->bitRate(), 0);
    EXPECT_GT(video.bitRate(), 0);
    EXPECT_EQ(video.bitRate(), info->bitRate() - others);
}

TEST_F(ProbeTest, TheFirstOfTwoVideoStreamsGivesTheVideoSize) {
    const std::string path = s::test::fixturePath(Fixture::TwoVideoStreams);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    ASSERT_EQ(info->streamCount(), 2u);
    EXPECT_EQ(info->stream(1)->width(), 160);
    EXPECT_EQ(info->videoWidth(), 320);
    EXPECT_EQ(info->videoHeight(), 240);
}

TEST_F(ProbeTest, AnNtscRateKeepsItsExactFraction) {
    const std::string path = s::test::fixturePath(Fixture::Ntsc60);
    ASSERT_FALSE(path.empty());
    Pooled<VideoInfo> info = probeFile(path);
    ASSERT_EQ(info->streamCount(), 1u);
    EXPECT_EQ(info->stream(0)->realFrameRate(), (Rational64{60000, 1001}));
    EXPECT_EQ(info->stream(0)->codecTimeBase(), (Rational64{1001, 120000}));
}

} // namespace
