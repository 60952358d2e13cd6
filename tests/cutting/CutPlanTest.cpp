// The cut plan: time texts, output names, the tool-usability test, the
// temporary name and the command lines of both modes, tools and attempts.

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/PathWin.h"
#include "media/video/StreamInfo.h"
#include "media/video/VideoInfo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using namespace s::video::cut;
using s::i32;
using s::i64;
using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;
using s::test::TempDir;
using s::test::utf16;
using s::test::utf8;
using s::test::writeFile;
using s::thread::adopt;
using s::thread::makePooled;
using s::thread::Pooled;
using s::video::Rational64;
using s::video::StreamInfo;
using s::video::VideoInfo;

namespace {

std::string text(const StrBuffer& b) {
    return utf8(b.view());
}

std::string suffix(i64 startUs, i64 endUs, i32 mode) {
    auto b = makePooled<StrBuffer>();
    return text(cutSuffix(*b, startUs, endUs, mode));
}

std::string pathText(PathWin* path) {
    Pooled<PathWin> p = adopt(path);
    return utf8(std::u16string_view(p->fullPathText()));
}

Pooled<PathWin> pathOf(const std::string& utf8Path) {
    return adopt(s::file::win::newPath(utf16(utf8Path).c_str()));
}

// A probed input as the probe would describe it.
struct Media {
    Pooled<VideoInfo> info = makePooled<VideoInfo>();

    explicit Media(const char16_t* formatName) { info->formatName().set(formatName); }

    StreamInfo* video(i32 w, i32 h, i64 num, i64 den, i64 bitRate) {
        StreamInfo* v = info->addStream();
        v->setType(s::video::kStreamVideo);
        v->setWidth(w);
        v->setHeight(h);
        v->setRealFrameRate(Rational64{num, den});
        v->setBitRate(bitRate);
        if (!info->hasVideo()) {
            info->setHasVideo(true);
            info->setVideoWidth(w);
            info->setVideoHeight(h);
        }
        return v;
    }
    StreamInfo* audio(i32 rate, i32 channels, i64 bitRate) {
        StreamInfo* a = info->addStream();
        a->setType(s::video::kStreamAudio);
        a->setSampleRate(rate);
        a->setChannels(channels);
        a->setBitRate(bitRate);
        info->setHasAudio(true);
        return a;
    }
    StreamInfo* other(i32 type) {
        StreamInfo* stream = info->addStream();
        stream->setType(type);
        return stream;
    }
    void subtitle(const char16_t* codec) { other(s::video::kStreamSubtitle)->codecName().set(codec); }
    void attachment() { other(s::video::kStreamUnknown)->setAttachment(true); }
};

std::string command(const Media& media, const char* inputPath, i64 startUs, i64 endUs, i32 mode,
                    bool external, i32 attempt, const char16_t* in = u"IN", const char16_t* out = u"OUT") {
    Pooled<PathWin> input = pathOf(inputPath);
    CutCommandInput c;
    c.startUs = startUs;
    c.endUs = endUs;
    c.mode = mode;
    c.external = external;
    c.attempt = attempt;
    c.info = media.info.get();
    c.inputPath = input.get();
    c.inputShortPath = in;
    c.outputShortPath = out;
    auto b = makePooled<StrBuffer>();
    return text(buildCutCommand(*b, c));
}

// The precise-mode pieces that depend on the video stream.
std::string preciseVideoPart(i32 w, i32 h, i64 num, i64 den) {
    Media m(u"mov,mp4,m4a,3gp,3g2,mj2");
    m.video(w, h, num, den, 90'000'000);
    const std::string c = command(m, "/v/a.mp4", 0, 1'000'000, kPrecise, false, 1);
    const size_t from = c.find(" -b:v 90000000");
    const size_t to = c.find(" -max_muxing_queue_size");
    return c.substr(from + 14, to - from - 14);
}

} // namespace

TEST(CutPlanSuffix, FormDependsOnTheEndHourAfterRounding) {
    EXPECT_EQ(suffix(65'200'000, 130'700'000, kLossless), ".CUT.01'05-02'10");
    EXPECT_EQ(suffix(65'200'000, 130'700'000, kPrecise), ".CUT.01'05.200-02'10.700");
    // 59:59.6 stays below the hour (rounding is to milliseconds only) ...
    EXPECT_EQ(suffix(0, 3'599'600'000, kLossless), ".CUT.00'00-59'59");
    EXPECT_EQ(suffix(0, 3'599'600'000, kPrecise), ".CUT.00'00.000-59'59.600");
    // ... while 3 599 999 600 us rounds to the full hour.
    EXPECT_EQ(suffix(0, 3'599'999'600, kLossless), ".CUT.0'00'00-1'00'00");
    EXPECT_EQ(suffix(3'000'000'000, 3'723'004'000, kPrecise), ".CUT.0'50'00.000-1'02'03.004");
}

TEST(CutPlanOutputPath, InsertsSuffixAndNumbersExistingNames) {
    TempDir dir;
    Pooled<PathWin> folder = pathOf(dir.path());
    Pooled<PathWin> input = pathOf("/videos/trip.mkv");
    const i64 s = 65'200'000, e = 130'700'000;

    EXPECT_EQ(pathText(outputPathFor(*folder, *input, s, e, kLossless)),
              dir.file("trip.CUT.01'05-02'10.mkv"));
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, s, e, kPrecise)),
              dir.file("trip.CUT.01'05.200-02'10.700.mp4"));

    ASSERT_TRUE(writeFile(dir.file("trip.CUT.01'05-02'10.mkv"), ""));
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, s, e, kLossless, false)),
              dir.file("trip.CUT.01'05-02'10.mkv"));
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, s, e, kLossless)),
              dir.file("trip.CUT.01'05-02'10 (1).mkv"));
    ASSERT_TRUE(writeFile(dir.file("trip.CUT.01'05-02'10 (1).mkv"), ""));
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, s, e, kLossless)),
              dir.file("trip.CUT.01'05-02'10 (2).mkv"));
}

TEST(CutPlanOutputPath, NamesWithoutExtensionKeepTheWholeSuffix) {
    TempDir dir;
    Pooled<PathWin> folder = pathOf(dir.path());
    Pooled<PathWin> input = pathOf("/videos/clip");
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, 1'000'000, 5'500'000, kLossless)),
              dir.file("clip.CUT.00'01-00'05"));
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, 1'000'000, 5'500'000, kPrecise)),
              dir.file("clip.CUT.00'01.000-00'05.500.mp4"));
    ASSERT_TRUE(writeFile(dir.file("clip.CUT.00'01-00'05"), ""));
    EXPECT_EQ(pathText(outputPathFor(*folder, *input, 1'000'000, 5'500'000, kLossless)),
              dir.file("clip.CUT.00'01-00'05 (1)"));
}

TEST(CutPlanToolUsable, AcceptsOnlyShortNamesWithoutSpaces) {
    EXPECT_TRUE(isToolUsable(u"/run/user/1000/snipforge-7/OUT~1.MP4"));
    EXPECT_FALSE(isToolUsable(u"/home/u/My Clip.CUT.00'01-00'05.mp4"));
    EXPECT_FALSE(isToolUsable(u"/home/u/Clip.CUT.00'01-00'05.mp4")); // 27 characters
    EXPECT_FALSE(isToolUsable(u"/a b/x"));                           // a space anywhere
    EXPECT_TRUE(isToolUsable(u"/x/abcdefgh.mp4"));                   // 12 characters
    EXPECT_FALSE(isToolUsable(u"/x/abcdefghi.mp4"));                 // 13
    EXPECT_TRUE(isToolUsable(u"/x/caf\u00e9.mp4"));                  // below 256
    EXPECT_FALSE(isToolUsable(u"/x/\u65e5\u672c.mp4"));
    EXPECT_TRUE(isToolUsable(u"a-very-long-name-without-any-slash.mp4"));
    EXPECT_FALSE(isToolUsable(u"no slash but a space"));
    auto b = makePooled<StrBuffer>();
    b->set(u"/x/a7.mkv");
    EXPECT_TRUE(isToolUsable(*b));
}

TEST(CutPlanTempOutput, TakesTheFirstFreeTmpName) {
    TempDir dir;
    Pooled<PathWin> output = pathOf(dir.file("My Clip.CUT.00'01-00'05.mkv"));
    EXPECT_EQ(pathText(tempOutputFor(*output)), dir.file("_TMP.mkv"));
    ASSERT_TRUE(writeFile(dir.file("_TMP.mkv"), ""));
    EXPECT_EQ(pathText(tempOutputFor(*output)), dir.file("_TMP1.mkv"));
    ASSERT_TRUE(writeFile(dir.file("_TMP1.mkv"), ""));
    EXPECT_EQ(pathText(tempOutputFor(*output)), dir.file("_TMP2.mkv"));

    Pooled<PathWin> temp = pathOf(dir.file("_TMP2.mkv"));
    auto shortForm = makePooled<StrBuffer>();
    auto arg = makePooled<StrBuffer>();
    shortForm->set(u"/home/u/My Clip.CUT.00'01-00'05.mkv");
    EXPECT_EQ(text(tempOutputArgument(*arg, *shortForm, *temp)), "/home/u/_TMP2.mkv");
}

TEST(CutPlanTables, SampleRateAndBitRateBoundaries) {
    const std::pair<i32, i32> rates[] = {{0, 8000},      {8000, 8000},   {8001, 11025},  {11025, 11025},
                                         {11026, 12000}, {16000, 16000}, {16001, 22050}, {22051, 24000},
                                         {24001, 32000}, {44100, 44100}, {44101, 48000}, {48000, 48000},
                                         {48001, 64000}, {96000, 64000}};
    for (auto [source, value] : rates)
        EXPECT_EQ(toolSampleRate(source), value) << source;
    const std::pair<i64, i64> bitRates[] = {{-1, 64000},      {0, 64000},       {64000, 64000},
                                            {64001, 96000},   {128000, 128000}, {128001, 160000},
                                            {192000, 192000}, {224001, 256000}, {320000, 320000},
                                            {320001, 384000}, {384000, 384000}, {384001, 512000}};
    for (auto [source, value] : bitRates)
        EXPECT_EQ(toolAudioBitRate(source), value) << source;
}

TEST(CutPlanCommand, LosslessInProcessExample) {
    Media m(u"mov,mp4,m4a,3gp,3g2,mj2");
    m.video(1280, 720, 25, 1, 2'000'000);
    m.audio(44100, 2, 128000);
    EXPECT_EQ(
        command(m, "/v/trip.mp4", 65'200'000, 130'700'000, kLossless, false, 1, u"/rt/a1.mp4", u"/rt/a2.mp4"),
        "ffmpeg -probesize 100M -analyzeduration 100M -ss 00:01:05.200 -i /rt/a1.mp4 -y -t 00:01:05.500"
        " -map 0:0  -map 0:1  -vcodec copy  -acodec copy  -scodec copy  -async 1  -f mp4 /rt/a2.mp4");
}

TEST(CutPlanCommand, PreciseExternalExample) {
    Media m(u"mov,mp4,m4a,3gp,3g2,mj2");
    m.video(1920, 1080, 30000, 1001, 5'000'000);
    m.audio(48000, 2, 192'000);
    EXPECT_EQ(
        command(m, "/v/trip.mp4", 25'000'000, 40'500'000, kPrecise, true, 1, u"/rt/a1.mp4", u"/rt/a2.mp4"),
        "optional_tools/ffmpeg -probesize 100M -analyzeduration 100M -ss 00:00:15.000 -i \"/rt/a1.mp4\""
        " -ss 00:00:10.000 -y -t 00:00:15.500 -map 0:0 -map 0:1"
        " -vcodec libx264 -threads 0 -preset medium -g 250 -bf 3"
        " -b:v 5000000 -r 30000/1001 -s 1920x1080 -max_muxing_queue_size 9999 -f mp4"
        " -acodec aac -strict experimental -ar 48000 -ac 2 -ab 192000 -async 1 \"/rt/a2.mp4\"");
}

// A slide show's few bits per second, or no known rate, asks for constant
// quality; a rate the picture can live with is kept as it is.
TEST(CutPlanCommand, PreciseVideoRateFallsBackToConstantQualityWhenTooLow) {
    const std::pair<i64, std::string> cases[] = {
        {893, " -b:v 0 "}, {0, " -b:v 0 "}, {-1, " -b:v 0 "}, {31'999, " -b:v 0 "},
        {32'000, " -b:v 32000 "}, {700'000, " -b:v 700000 "}};
    for (const auto& [rate, expected] : cases) {
        Media m(u"mov,mp4,m4a,3gp,3g2,mj2");
        m.video(320, 240, 25, 1, rate);
        const std::string c = command(m, "/v/a.mp4", 0, 1'000'000, kPrecise, false, 1);
        EXPECT_NE(c.find(expected.substr(0, expected.size() - 1) + " -r 25"), std::string::npos) << rate << ": " << c;
    }
}

TEST(CutPlanCommand, LosslessAttemptsAndStreamSelection) {
    Media m(u"matroska,webm");
    m.video(320, 240, 25, 1, 0);
    m.audio(48000, 2, 0);
    m.other(s::video::kStreamSubtitle);
    // Start 0: no seek before the input; the retry seeks after it, and with
    // no stream of unknown type copies everything in one mapping.
    EXPECT_EQ(command(m, "/v/a.mkv", 0, 5'000'000, kLossless, true, 1),
              "optional_tools/ffmpeg -probesize 100M -analyzeduration 100M -i \"IN\" -y -t 00:00:05.000"
              " -map 0:0  -map 0:1  -map 0:2  -vcodec copy  -acodec copy  -scodec copy  -async 1  -f "
              "matroska \"OUT\"");
    EXPECT_EQ(command(m, "/v/a.mkv", 0, 5'000'000, kLossless, true, 2),
              "optional_tools/ffmpeg -probesize 100M -analyzeduration 100M -i \"IN\" -ss 00:00:00.000"
              " -y -t 00:00:05.000 -c copy -map 0  -async 1  -f matroska \"OUT\"");

    // A data stream stays out of both attempts' mappings.
    m.other(s::video::kStreamUnknown);
    m.other(s::video::kStreamAudio);
    EXPECT_EQ(command(m, "/v/a.mkv", 2'000'000, 5'000'000, kLossless, false, 2),
              "ffmpeg -probesize 100M -analyzeduration 100M -i IN -ss 00:00:02.000 -y -t 00:00:03.000"
              " -map 0:0  -map 0:1  -map 0:2  -map 0:4  -vcodec copy  -acodec copy  -scodec copy  -async 1 "
              " -f matroska OUT");
}

TEST(CutPlanCommand, LosslessMatroskaMapsAttachedFiles) {
    Media m(u"matroska,webm");
    m.video(320, 240, 25, 1, 0);
    m.attachment();
    m.other(s::video::kStreamUnknown);
    // Matroska takes the font (in both attempts); the data stream stays out.
    for (i32 attempt = 1; attempt <= 2; ++attempt) {
        const std::string c = command(m, "/v/a.mkv", 2'000'000, 5'000'000, kLossless, false, attempt);
        EXPECT_NE(c.find(" -map 0:0  -map 0:1  -vcodec copy "), std::string::npos) << c;
    }
    // WebM and other containers hold no attached files.
    EXPECT_NE(command(m, "/v/a.webm", 0, 5'000'000, kLossless, false, 1).find(" -map 0:0  -vcodec copy "),
              std::string::npos);
    Media mp4(u"mov,mp4,m4a,3gp,3g2,mj2");
    mp4.video(320, 240, 25, 1, 0);
    mp4.attachment();
    EXPECT_NE(command(mp4, "/v/a.mp4", 0, 5'000'000, kLossless, false, 1).find(" -map 0:0  -vcodec copy "),
              std::string::npos);
}

TEST(CutPlanCommand, LosslessContainerFromFormatAndExtension) {
    auto container = [](const char16_t* format, const char* input) {
        Media m(format);
        m.video(320, 240, 25, 1, 0);
        const std::string c = command(m, input, 0, 1'000'000, kLossless, false, 1);
        const size_t at = c.find(" -async 1 ");
        return c.substr(at + 10, c.size() - at - 10 - 3); // without "OUT"
    };
    EXPECT_EQ(container(u"matroska,webm", "/v/A.WEBM"), " -f webm ");
    EXPECT_EQ(container(u"Matroska,WebM", "/v/a.mkv"), " -f matroska ");
    EXPECT_EQ(container(u"mov,mp4,m4a,3gp,3g2,mj2", "/v/a.MOV"), " -f mov ");
    EXPECT_EQ(container(u"mov,mp4,m4a,3gp,3g2,mj2", "/v/a.3gp"), " -f 3gp ");
    EXPECT_EQ(container(u"mov,mp4,m4a,3gp,3g2,mj2", "/v/a.3g2"), " -f 3g2 ");
    EXPECT_EQ(container(u"mov,mp4,m4a,3gp,3g2,mj2", "/v/a.m4a"), " -f mp4 ");
    EXPECT_EQ(container(u"mov,mp4,m4a,3gp,3g2,mj2", "/v/noext"), " -f mp4 ");
    EXPECT_EQ(container(u"avi", "/v/a.avi"), " -f avi ");
    EXPECT_EQ(container(u"mpegts", "/v/a.ts"), " -f mpegts ");
}

TEST(CutPlanCommand, PreciseSeekSplitsAroundTenSeconds) {
    Media m(u"mov,mp4,m4a,3gp,3g2,mj2");
    auto seeks = [&](i64 startUs) {
        const std::string c = command(m, "/v/a.mp4", startUs, startUs + 1'000'000, kPrecise, false, 1);
        const size_t y = c.find(" -y -t ");
        return c.substr(std::string("ffmpeg -probesize 100M -analyzeduration 100M").size(),
                        y - std::string("ffmpeg -probesize 100M -analyzeduration 100M").size());
    };
    EXPECT_EQ(seeks(0), " -i IN");
    EXPECT_EQ(seeks(4'000'000), " -i IN -ss 00:00:04.000");
    EXPECT_EQ(seeks(10'000'000), " -i IN -ss 00:00:10.000");
    EXPECT_EQ(seeks(25'000'000), " -ss 00:00:15.000 -i IN -ss 00:00:10.000");
}

TEST(CutPlanCommand, PreciseFrameRateAndSize) {
    EXPECT_EQ(preciseVideoPart(320, 240, 30000, 1001), " -r 30000/1001 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 60000, 1001), " -r 60000/1001 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 24000, 1001), " -r 24000/1001 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 25, 1), " -r 25 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 2997, 100), " -r 30000/1001 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 1, 2), " -r 30000/1001 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 120, 1), " -r 60 -s 320x240");
    EXPECT_EQ(preciseVideoPart(320, 240, 25, 0), " -r 25 -s 320x240");       // den below 1 counts as 1
    EXPECT_EQ(preciseVideoPart(320, 240, 24001, 1000), " -r 24 -s 320x240"); // other fractions: whole frames
    EXPECT_EQ(preciseVideoPart(320, 240, 0, 0), " -s 320x240");              // unknown rate: no -r
    EXPECT_EQ(preciseVideoPart(1366, 767, 25, 1), " -r 25 -s 1366x768");
    EXPECT_EQ(preciseVideoPart(1365, 767, 25, 1), " -r 25 -s 1366x768");
    // A rate in a fine time base must not wrap around in the multiplication.
    EXPECT_EQ(preciseVideoPart(320, 240, 3'000'000, 100'000), " -r 30 -s 320x240");
}

TEST(CutPlanCommand, PreciseAudioAndMissingStreams) {
    Media m(u"matroska,webm");
    m.video(640, 360, 25, 1, 0);
    m.audio(96000, 8, 0);
    const std::string c = command(m, "/v/a.mkv", 0, 1'000'000, kPrecise, false, 1);
    EXPECT_NE(c.find(" -b:v 0 -r 25 -s 640x360 -max_muxing_queue_size 9999 -f mp4"
                     " -acodec aac -strict experimental -ar 64000 -ac 6 -ab 64000 -async 1 OUT"),
              std::string::npos)
        << c;

    Media silent(u"avi");
    silent.video(641, 361, 30000, 1001, 800'000);
    EXPECT_EQ(command(silent, "/v/a.avi", 0, 1'000'000, kPrecise, false, 1),
              "ffmpeg -probesize 100M -analyzeduration 100M -i IN -y -t 00:00:01.000 -map 0:0"
              " -vcodec libx264 -threads 0 -preset medium -g 250 -bf 3 -b:v 800000 -r 30000/1001 -s 642x362"
              " -max_muxing_queue_size 9999 -f mp4 -async 1 OUT");

    Media audioOnly(u"mov,mp4,m4a,3gp,3g2,mj2");
    audioOnly.audio(22050, 1, 96001);
    EXPECT_EQ(
        command(audioOnly, "/v/a.m4a", 0, 1'000'000, kPrecise, false, 1),
        "ffmpeg -probesize 100M -analyzeduration 100M -i IN -y -t 00:00:01.000 -map 0:0"
        " -max_muxing_queue_size 9999 -f mp4 -acodec aac -strict experimental -ar 22050 -ac 1 -ab 128000"
        " -async 1 OUT");
}

TEST(CutPlanCommand, PreciseMapsEveryAudioTrackAndTheSubtitles) {
    Media m(u"matroska,webm");
    m.audio(48000, 2, 128000); // audio first: the video is not stream 0
    m.video(320, 240, 25, 1, 1000);
    m.video(160, 120, 25, 1, 1000); // only the first video goes in
    m.audio(44100, 1, 64000);
    m.audio(44100, 2, 64000)->codecName().set(u"Unknown"); // no decoder: left out
    m.subtitle(u"subrip");
    m.subtitle(u"hdmv_pgs_subtitle");
    m.subtitle(u"ass");
    m.attachment();
    m.subtitle(u"webvtt");
    m.subtitle(u"mov_text");
    m.subtitle(u"dvd_subtitle");
    // The in-process converter also gets the picture subtitles, to leave
    // them out with a warning; the external tool would fail on them.
    const std::string inProcess = command(m, "/v/a.mkv", 0, 1'000'000, kPrecise, false, 1);
    EXPECT_NE(inProcess.find(" -y -t 00:00:01.000 -map 0:0 -map 0:1 -map 0:3 -map 0:5 -map 0:6 -map 0:7"
                             " -map 0:9 -map 0:10 -map 0:11 -vcodec libx264 "),
              std::string::npos)
        << inProcess;
    EXPECT_NE(inProcess.find(" -ab 128000 -scodec mov_text -async 1 OUT"), std::string::npos) << inProcess;
    const std::string external = command(m, "/v/a.mkv", 0, 1'000'000, kPrecise, true, 1);
    EXPECT_NE(external.find(" -y -t 00:00:01.000 -map 0:0 -map 0:1 -map 0:3 -map 0:5 -map 0:7 -map 0:9"
                            " -map 0:10 -vcodec libx264 "),
              std::string::npos)
        << external;

    // Picture subtitles alone: no subtitle encoder is named.
    Media pictures(u"matroska,webm");
    pictures.video(320, 240, 25, 1, 1000);
    pictures.subtitle(u"dvd_subtitle");
    const std::string c = command(pictures, "/v/a.mkv", 0, 1'000'000, kPrecise, true, 1);
    EXPECT_NE(c.find(" -y -t 00:00:01.000 -map 0:0 -vcodec libx264 "), std::string::npos) << c;
    EXPECT_EQ(c.find("-scodec"), std::string::npos) << c;
}
