#include "media/video/VideoInfo.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using s::i64;
using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;
using namespace s::video;

std::string reportOf(const VideoInfo& info) {
    Pooled<StrBuffer> report(info.report());
    return report->toStdString();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool hasLine(const std::string& report, const std::string& line) {
    for (const std::string& l : linesOf(report)) {
        if (l == line)
            return true;
    }
    return false;
}

std::string count(i64 value) {
    StrBuffer out;
    appendCount(out, value);
    return out.toStdString();
}

TEST(VideoInfoReportTest, CountsGroupDigitsInThrees) {
    EXPECT_EQ(count(0), "0");
    EXPECT_EQ(count(999), "999");
    EXPECT_EQ(count(1000), "1,000");
    EXPECT_EQ(count(1200000), "1,200,000");
    EXPECT_EQ(count(3723456000), "3,723,456,000");
    EXPECT_EQ(count(-1), "-1");
    EXPECT_EQ(count(-1234567), "-1,234,567");
    EXPECT_EQ(count(INT64_MIN), "-9,223,372,036,854,775,808");
}

TEST(VideoInfoReportTest, ContainerDurationIsShownAsTimeAndMicroseconds) {
    Pooled<VideoInfo> info(VideoInfo::create());
    info->setDurationUs(3723456000);
    const std::string report = reportOf(*info);
    EXPECT_TRUE(hasLine(report, "Duration: 01:02:03.45")) << report;
    EXPECT_TRUE(hasLine(report, "Duration (Microseconds): 3,723,456,000")) << report;
}

TEST(VideoInfoReportTest, AnEmptyObjectReportsAnEmptyNameSizeZeroAndNoStreams) {
    Pooled<VideoInfo> info(VideoInfo::create());
    const std::vector<std::string> expected = {
        "File Name: ",
        "File Size (Bytes): 0",
        " ",
        "[Format]",
        "Format (Short Name): ",
        "Format (Long Name): ",
        "Duration: 00:00:00.00",
        "Duration (Microseconds): 0",
        "Bit Rate (bits/sec): 0",
        "Number of Streams: 0",
    };
    EXPECT_EQ(linesOf(reportOf(*info)), expected);
}

TEST(VideoInfoReportTest, UnknownStreamValuesReadNotAvailableAndUnknownAspectIsZero) {
    Pooled<VideoInfo> info(VideoInfo::create());
    StreamInfo* video = info->addStream();
    video->setType(kStreamVideo);
    video->setDurationUs(-1);
    video->setBitRate(-5);
    video->setFrameCount(0);
    video->setWidth(1366);
    video->setHeight(767);
    video->pixelFormat().set(u"Unknown");
    StreamInfo* data = info->addStream();
    data->setType(kStreamUnknown);
    data->setDurationUs(0);
    StreamInfo* subtitle = info->addStream();
    subtitle->setType(kStreamSubtitle);
    subtitle->setCodecTag(0x64636d74);
    const std::string report = reportOf(*info);
    EXPECT_TRUE(hasLine(report, "Duration: N/A"));
    EXPECT_TRUE(hasLine(report, "Duration (Microseconds): N/A"));
    EXPECT_TRUE(hasLine(report, "Bit Rate (bits/sec): N/A"));
    EXPECT_TRUE(hasLine(report, "Number of Frames: N/A"));
    EXPECT_TRUE(hasLine(report, "Width: 1,366"));
    EXPECT_TRUE(hasLine(report, "Pixel Aspect Ratio: 0:0"));
    EXPECT_TRUE(hasLine(report, "Display Aspect Ratio: 0:0"));
    EXPECT_TRUE(hasLine(report, "Pixel Formal: Unknown"));
    EXPECT_TRUE(hasLine(report, "Has B Frames: No"));
    EXPECT_TRUE(hasLine(report, "Type: Unknown"));
    EXPECT_TRUE(hasLine(report, "Duration: 00:00:00.00")); // 0 is a known duration
    EXPECT_TRUE(hasLine(report, "Type: Sub Title"));
    EXPECT_TRUE(hasLine(report, "Codec Tag: 0x64636d74"));
    EXPECT_NE(report.find("[Stream #2]\nType: Sub Title\n"), std::string::npos);
}

TEST(VideoInfoReportTest, MetadataSectionsFollowTheirOwnersInStoredOrder) {
    Pooled<VideoInfo> info(VideoInfo::create());
    info->metadataKeys().append(u"title");
    info->metadataValues().append(u"Zebra");
    info->metadataKeys().append(u"artist");
    info->metadataValues().append(u"\u00c5sa");
    StreamInfo* audio = info->addStream();
    audio->setType(kStreamAudio);
    audio->setChannels(6);
    audio->setSampleRate(48000);
    audio->setSampleFormat(kSampleOther);
    audio->metadataKeys().append(u"language");
    audio->metadataValues().append(u"eng");
    const std::string report = reportOf(*info);
    EXPECT_NE(report.find(
                  "Number of Streams: 1\n \n[Metadata]\ntitle: Zebra\nartist: \xc3\x85sa\n \n[Stream #0]\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(" \nChannels: 6\nSample Rate (Hz): 48,000\nSample Data Format:  \n \n[Metadata]\n"
                          "language: eng\n"),
              std::string::npos)
        << report;
}

TEST(VideoInfoReportTest, NeverHoldsAnEmptyLine) {
    Pooled<VideoInfo> info(VideoInfo::create());
    info->metadataKeys().append(u"k");
    info->metadataValues().append(u"v");
    for (s::i32 type : {kStreamVideo, kStreamAudio, kStreamSubtitle, kStreamUnknown}) {
        StreamInfo* stream = info->addStream();
        stream->setType(type);
        stream->metadataKeys().append(u"k");
        stream->metadataValues().append(u"v");
    }
    const std::string report = reportOf(*info);
    EXPECT_EQ(report.back(), '\n');
    for (const std::string& line : linesOf(report))
        EXPECT_FALSE(line.empty()) << report;
}

TEST(VideoInfoBitRateTest, TheOverallRateFollowsFromSizeAndDuration) {
    Pooled<VideoInfo> info(VideoInfo::create());
    info->setFileSize(10000000);
    info->setDurationUs(10000000);
    info->setBitRate(123);
    info->fillBitRates();
    EXPECT_EQ(info->bitRate(), 8000000);

    // Truncated toward zero, not rounded.
    info->setFileSize(1000);
    info->setDurationUs(3000000);
    info->fillBitRates();
    EXPECT_EQ(info->bitRate(), 2666);

    // Unknown duration: the container's rate stays.
    info->setDurationUs(-1);
    info->setBitRate(777);
    info->fillBitRates();
    EXPECT_EQ(info->bitRate(), 777);
}

TEST(VideoInfoBitRateTest, VideoGetsWhatTheKnownStreamRatesLeave) {
    Pooled<VideoInfo> info(VideoInfo::create());
    info->setBitRate(5000000);
    info->setHasVideo(true);
    info->setHasAudio(true);
    StreamInfo* video = info->addStream();
    video->setType(kStreamVideo);
    StreamInfo* audio = info->addStream();
    audio->setType(kStreamAudio);
    audio->setBitRate(128000);
    info->fillBitRates();
    EXPECT_EQ(video->bitRate(), 4872000);
    EXPECT_EQ(audio->bitRate(), 128000);

    video->setBitRate(0);
    audio->setBitRate(6000000);
    info->fillBitRates();
    EXPECT_EQ(video->bitRate(), 0);
}

TEST(VideoInfoBitRateTest, AudioIsFilledAfterVideoSoTheNewVideoRateCounts) {
    Pooled<VideoInfo> info(VideoInfo::create());
    info->setBitRate(1000000);
    info->setHasVideo(true);
    info->setHasAudio(true);
    StreamInfo* subtitle = info->addStream();
    subtitle->setType(kStreamSubtitle);
    subtitle->setBitRate(1000);
    StreamInfo* video = info->addStream();
    video->setType(kStreamVideo);
    StreamInfo* audio = info->addStream();
    audio->setType(kStreamAudio);
    StreamInfo* secondAudio = info->addStream();
    secondAudio->setType(kStreamAudio);
    secondAudio->setBitRate(-1);
    info->fillBitRates();
    EXPECT_EQ(video->bitRate(), 999000);
    EXPECT_EQ(audio->bitRate(), 0);
    EXPECT_EQ(secondAudio->bitRate(), -1); // only the first stream of a type is filled in

    // A video rate that is already known is kept, and audio gets the rest.
    video->setBitRate(600000);
    audio->setBitRate(0);
    info->fillBitRates();
    EXPECT_EQ(video->bitRate(), 600000);
    EXPECT_EQ(audio->bitRate(), 399000);
}

TEST(VideoInfoPoolTest, AHandedBackObjectComesBackEmpty) {
    VideoInfo* first = VideoInfo::create();
    first->setExists(true);
    first->fileName().set(u"clip.mp4");
    first->setDurationUs(5);
    first->metadataKeys().append(u"k");
    first->metadataValues().append(u"v");
    StreamInfo* stream = first->addStream();
    stream->setType(kStreamVideo);
    stream->codecName().set(u"h264");
    stream->metadataKeys().append(u"k");
    first->release();

    Pooled<VideoInfo> again(VideoInfo::create());
    EXPECT_FALSE(again->exists());
    EXPECT_EQ(again->fileName().length(), 0u);
    EXPECT_EQ(again->durationUs(), 0);
    EXPECT_EQ(again->metadataKeys().size(), 0u);
    EXPECT_EQ(again->streamCount(), 0u);
    // The stream went back to its pool empty as well.
    Pooled<StreamInfo> reused(StreamInfo::create());
    EXPECT_EQ(reused->type(), 0);
    EXPECT_EQ(reused->codecName().length(), 0u);
    EXPECT_EQ(reused->metadataKeys().size(), 0u);
}

} // namespace
