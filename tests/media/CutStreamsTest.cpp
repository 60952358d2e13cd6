// What a cut keeps besides picture and sound: chapters, attached fonts,
// subtitle cues and every audio track, on files made by the ffmpeg tool, cut
// with the planned command by the in-process converter and read back with
// ffprobe.

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "media/converter/InProcessTool.h"
#include "media/system/win/MediaLibraries.h"
#include "media/video/Probe.h"
#include "media/video/VideoInfo.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using s::i32;
using s::i64;
using s::str::strbuffer::StrBuffer;
using s::test::ToolRun;
using s::thread::Pooled;

// The scene of every test: 1.5 s to 3.5 s of a 6 s file with a key frame
// every second.
constexpr i64 kStartUs = 1'500'000;
constexpr i64 kEndUs = 3'500'000;
constexpr double kFrame = 1.0 / 25;

const char kCues[] = "1\n00:00:00,200 --> 00:00:00,900\nBefore\n\n"
                     "2\n00:00:01,000 --> 00:00:02,000\nAcross the start\n\n"
                     "3\n00:00:02,200 --> 00:00:02,800\nInside\n\n"
                     "4\n00:00:03,000 --> 00:00:04,200\nAcross the end\n\n"
                     "5\n00:00:04,500 --> 00:00:05,500\nAfter\n";

const char kChapters[] = ";FFMETADATA1\n"
                         "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=2500\ntitle=Opening\n"
                         "[CHAPTER]\nTIMEBASE=1/1000\nSTART=2500\nEND=4000\ntitle=Middle\n"
                         "[CHAPTER]\nTIMEBASE=1/1000\nSTART=4000\nEND=6000\ntitle=Closing\n";

// Not a real font: the bytes only have to come through unchanged.
const std::string kFontBytes = [] {
    std::string bytes = "\x00\x01\x00\x00 fake font for the cut tests ";
    for (int i = 0; i < 200; ++i)
        bytes += static_cast<char>('a' + i % 26);
    return bytes;
}();

std::string fixtureFolder() {
    const std::string dir = SNIPFORGE_MEDIA_FIXTURE_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

/// Two picture subtitles (PGS display sets, at 1 s and 2 s) that show
/// nothing: only their kind matters.
std::string pictureSubtitles() {
    std::string bytes;
    auto segment = [&](unsigned pts, unsigned char type, const std::string& payload) {
        const unsigned char head[] = {'P',
                                      'G',
                                      static_cast<unsigned char>(pts >> 24),
                                      static_cast<unsigned char>(pts >> 16),
                                      static_cast<unsigned char>(pts >> 8),
                                      static_cast<unsigned char>(pts),
                                      0,
                                      0,
                                      0,
                                      0,
                                      type,
                                      static_cast<unsigned char>(payload.size() >> 8),
                                      static_cast<unsigned char>(payload.size())};
        bytes.append(reinterpret_cast<const char*>(head), sizeof head);
        bytes += payload;
    };
    // Composition: 320x240, number 0, epoch start, no palette, no objects.
    const std::string composition("\x01\x40\x00\xf0\x10\x00\x00\x80\x00\x00\x00", 11);
    for (unsigned seconds = 1; seconds <= 2; ++seconds) {
        segment(seconds * 90000, 0x16, composition);
        segment(seconds * 90000, 0x80, {});
    }
    return bytes;
}

/// A file made once into the fixture folder and kept between runs. "{srt}",
/// "{chapters}", "{font}" and "{sup}" in `args` stand for the cue, chapter,
/// font and picture subtitle files.
std::string media(const std::string& name, const std::vector<std::string>& args) {
    const std::string dir = fixtureFolder();
    const std::string path = dir + "/streams-" + name;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && status.st_size > 0)
        return path;
    const std::string pid = std::to_string(::getpid());
    const std::string srt = dir + "/streams-cues-" + pid + ".srt";
    const std::string chapters = dir + "/streams-chapters-" + pid + ".txt";
    const std::string font = dir + "/streams-font-" + pid + ".ttf";
    const std::string sup = dir + "/streams-pictures-" + pid + ".sup";
    if (!s::test::writeFile(srt, kCues) || !s::test::writeFile(chapters, kChapters) ||
        !s::test::writeFile(font, kFontBytes) || !s::test::writeFile(sup, pictureSubtitles())) {
        ADD_FAILURE() << "cannot write the inputs of " << name;
        return {};
    }
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    for (const std::string& arg : args)
        argv.push_back(arg == "{srt}"        ? srt
                       : arg == "{chapters}" ? chapters
                       : arg == "{font}"     ? font
                       : arg == "{sup}"      ? sup
                                             : arg);
    const std::string temporary = dir + "/.tmp-" + pid + "-" + name;
    argv.push_back(temporary);
    const ToolRun run = s::test::runTool(argv);
    std::remove(srt.c_str());
    std::remove(chapters.c_str());
    std::remove(font.c_str());
    std::remove(sup.c_str());
    if (run.exitStatus != 0 || !s::test::publishFixture(temporary, path)) {
        ADD_FAILURE() << "cannot make " << name << ": " << run.err;
        return {};
    }
    return path;
}

const std::vector<std::string> kPicture = {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=6"};
const std::vector<std::string> kH264 = {"-c:v", "libx264", "-preset",  "veryfast",
                                        "-g",   "25",      "-pix_fmt", "yuv420p"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

/// Video, Vorbis, SubRip cues, three chapters and an attached font.
std::string matroskaWithExtras() {
    return media(
        "extras.mkv",
        join({kPicture,
              {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=6", "-i", "{srt}", "-i",
               "{chapters}", "-map", "0:v", "-map", "1:a", "-map", "2:s", "-map_chapters", "3"},
              kH264,
              {"-c:a", "libvorbis", "-c:s", "srt", "-attach", "{font}", "-metadata:s:t",
               "mimetype=application/x-truetype-font", "-metadata:s:t", "filename=cut.ttf"}}));
}

/// Video, AAC, mov_text cues and the chapters in MP4.
std::string mp4WithCues() {
    return media("cues.mp4", join({kPicture,
                                   {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000:duration=6",
                                    "-i", "{srt}", "-i", "{chapters}", "-map", "0:v", "-map", "1:a", "-map",
                                    "2:s", "-map_chapters", "3"},
                                   kH264,
                                   {"-c:a", "aac", "-c:s", "mov_text"}}));
}

/// Video, three audio tracks (eng stereo, deu stereo and the default, fra
/// mono), the cues as SubRip, ASS and WebVTT, and the chapters.
std::string matroskaWithTracks() {
    const std::string tone = "sine=sample_rate=44100:duration=6:frequency=";
    return media("tracks.mkv", join({kPicture,
                                     {"-f",
                                      "lavfi",
                                      "-i",
                                      tone + "440",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      tone + "550",
                                      "-f",
                                      "lavfi",
                                      "-i",
                                      tone + "660",
                                      "-i",
                                      "{srt}",
                                      "-i",
                                      "{chapters}",
                                      "-map",
                                      "0:v",
                                      "-map",
                                      "1:a",
                                      "-map",
                                      "2:a",
                                      "-map",
                                      "3:a",
                                      "-map",
                                      "4:s",
                                      "-map",
                                      "4:s",
                                      "-map",
                                      "4:s",
                                      "-map_chapters",
                                      "5"},
                                     kH264,
                                     {"-c:a",
                                      "libvorbis",
                                      "-ac:a:0",
                                      "2",
                                      "-ac:a:1",
                                      "2",
                                      "-ac:a:2",
                                      "1",
                                      "-c:s:0",
                                      "srt",
                                      "-c:s:1",
                                      "ass",
                                      "-c:s:2",
                                      "webvtt",
                                      "-metadata:s:a:0",
                                      "language=eng",
                                      "-metadata:s:a:1",
                                      "language=deu",
                                      "-metadata:s:a:2",
                                      "language=fra",
                                      "-disposition:a:0",
                                      "0",
                                      "-disposition:a:1",
                                      "default",
                                      "-disposition:a:2",
                                      "0"}}));
}

/// Video with SubRip cues and PGS pictures.
std::string matroskaWithPictureSubtitles() {
    return media("pictures.mkv",
                 join({kPicture,
                       {"-i", "{srt}", "-i", "{sup}", "-map", "0:v", "-map", "1:s", "-map", "2:s"},
                       kH264,
                       {"-c:s:0", "srt", "-c:s:1", "copy"}}));
}

std::u16string ascii16(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

/// The command the cut job gives the in-process converter for the scene.
std::string cutCommand(const std::string& input, const std::string& output, i32 mode, i32 attempt) {
    // The probe's set-up, as the program makes it at start; the result is
    // its own test's business (a run of the whole file unloads on the way).
    (void)s::system::win::loadMediaLibraries();
    StrBuffer name;
    name.setUtf8(input);
    Pooled<s::video::VideoInfo> info(s::video::probe(name));
    Pooled<s::file::win::PathWin> path = s::thread::adopt(s::file::win::newPath(name));
    const std::u16string in = ascii16(input);
    const std::u16string out = ascii16(output);
    s::video::cut::CutCommandInput c;
    c.startUs = kStartUs;
    c.endUs = kEndUs;
    c.mode = mode;
    c.attempt = attempt;
    c.info = info.get();
    c.inputPath = path.get();
    c.inputShortPath = in.c_str();
    c.outputShortPath = out.c_str();
    StrBuffer command;
    s::video::cut::buildCutCommand(command, c);
    return command.toStdString();
}

s::base::Outcome runInProcess(const std::string& command, const std::string& workDir) {
    static const std::atomic<bool> never{false};
    StrBuffer line, folder, status;
    line.setUtf8(command);
    folder.setUtf8(workDir);
    return s::video::tool::runToolInProcess(line, folder, kEndUs / 1000 - kStartUs / 1000, nullptr, nullptr,
                                            &status, never)
        .outcome();
}

/// The [NAME] sections of an ffprobe run, as key/value maps.
std::vector<std::map<std::string, std::string>> sections(const std::vector<std::string>& args,
                                                         const std::string& name) {
    std::vector<std::string> argv = {"ffprobe", "-v", "error"};
    argv.insert(argv.end(), args.begin(), args.end());
    const ToolRun run = s::test::runTool(argv);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::vector<std::map<std::string, std::string>> found;
    std::istringstream lines(run.out);
    std::string line;
    bool inside = false;
    while (std::getline(lines, line)) {
        if (line == "[" + name + "]") {
            inside = true;
            found.emplace_back();
        } else if (line == "[/" + name + "]") {
            inside = false;
        } else if (const size_t eq = line.find('='); inside && eq != std::string::npos) {
            found.back()[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return found;
}

double number(const std::map<std::string, std::string>& map, const std::string& key) {
    const auto it = map.find(key);
    return it == map.end() || it->second == "N/A" ? NAN : std::atof(it->second.c_str());
}

std::string value(const std::map<std::string, std::string>& map, const std::string& key) {
    const auto it = map.find(key);
    return it == map.end() ? std::string() : it->second;
}

struct Span {
    double start;
    double end;
    std::string text;
};

std::vector<Span> chaptersOf(const std::string& path) {
    std::vector<Span> spans;
    for (const auto& chapter : sections({"-show_chapters", path}, "CHAPTER"))
        spans.push_back(
            {number(chapter, "start_time"), number(chapter, "end_time"), value(chapter, "TAG:title")});
    return spans;
}

/// The cues of subtitle stream `index` (of all streams) with their text,
/// decoded by the ffmpeg tool into SubRip; the empty cues MP4 puts into the
/// gaps do not show.
std::vector<Span> cuesOf(const std::string& path, int index) {
    const ToolRun run = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map",
                                          "0:" + std::to_string(index), "-c:s", "srt", "-f", "srt", "-"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    std::vector<Span> cues;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        int h1, m1, s1, ms1, h2, m2, s2, ms2;
        if (std::sscanf(line.c_str(), "%d:%d:%d,%d --> %d:%d:%d,%d", &h1, &m1, &s1, &ms1, &h2, &m2, &s2,
                        &ms2) == 8) {
            std::string text;
            std::getline(lines, text);
            cues.push_back(
                {h1 * 3600 + m1 * 60 + s1 + ms1 / 1000.0, h2 * 3600 + m2 * 60 + s2 + ms2 / 1000.0, text});
        }
    }
    return cues;
}

/// `spans` of the source as the scene should hold them: moved by the
/// scene's start, clipped to its length, wholly outside ones left out, then
/// placed at `origin` (where the scene's start lies in the output file).
std::vector<Span> inScene(const std::vector<Span>& spans, double origin) {
    const double start = kStartUs / 1e6;
    const double length = (kEndUs - kStartUs) / 1e6;
    std::vector<Span> kept;
    for (const Span& span : spans) {
        const double from = span.start - start;
        const double to = span.end - start;
        if (to <= 0 || from >= length)
            continue;
        kept.push_back({origin + std::max(from, 0.0), origin + std::min(to, length), span.text});
    }
    return kept;
}

/// Within a frame: the MP4 writer places a video track that starts before
/// 0 (a lossless cut from the key frame before the scene) to within one.
void expectSpans(const std::vector<Span>& actual, const std::vector<Span>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(actual[i].text, expected[i].text);
        EXPECT_NEAR(actual[i].start, expected[i].start, kFrame);
        EXPECT_NEAR(actual[i].end, expected[i].end, kFrame);
    }
}

/// The cues and chapters of every test's scene: one cue across the start,
/// one inside and one across the end; "Closing" (from 4 s) lies after it.
void expectSceneCues(const std::vector<Span>& cues, const std::vector<Span>& source, double origin) {
    const std::vector<Span> expected = inScene(source, origin);
    ASSERT_EQ(expected.size(), 3u);
    EXPECT_EQ(expected[0].text, "Across the start");
    EXPECT_EQ(expected[2].text, "Across the end");
    expectSpans(cues, expected);
}

void expectSceneChapters(const std::vector<Span>& chapters, const std::vector<Span>& source, double origin) {
    const std::vector<Span> expected = inScene(source, origin);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(expected[1].text, "Middle");
    expectSpans(chapters, expected);
}

struct VideoPacket {
    double pts;
    double end;
    std::string hash;
};

/// The packets of the first video stream in file order, with their bytes'
/// digest.
std::vector<VideoPacket> videoPackets(const std::string& path) {
    std::vector<VideoPacket> packets;
    for (const auto& packet :
         sections({"-select_streams", "v:0", "-show_packets", "-show_data_hash", "MD5", path}, "PACKET"))
        packets.push_back({number(packet, "pts_time"),
                           number(packet, "pts_time") + number(packet, "duration_time"),
                           value(packet, "data_hash")});
    return packets;
}

/// Where the scene's start lies in a lossless cut: its first video packet
/// is found in the source by its bytes, and the scene starts as far from it
/// as in the source.
double losslessOrigin(const std::string& out, const std::string& source) {
    const std::vector<VideoPacket> cut = videoPackets(out);
    const std::vector<VideoPacket> from = videoPackets(source);
    if (cut.empty()) {
        ADD_FAILURE() << "no video in " << out;
        return NAN;
    }
    for (const VideoPacket& packet : from) {
        if (packet.hash == cut.front().hash)
            return cut.front().pts - (packet.pts - kStartUs / 1e6);
    }
    ADD_FAILURE() << "the first video packet of " << out << " is not in the source";
    return NAN;
}

/// The file ends with its picture (no cue or other stream drags it on).
void expectTheLengthOfTheVideo(const std::string& path) {
    const s::test::FfprobeReport report = s::test::runFfprobe(path);
    ASSERT_TRUE(report.ok);
    double videoEnd = -1;
    for (const VideoPacket& packet : videoPackets(path))
        videoEnd = std::max(videoEnd, packet.end);
    const double fileEnd = number(report.format, "start_time") + number(report.format, "duration");
    EXPECT_NEAR(fileEnd, videoEnd, 2 * kFrame);
}

/// The streams without the chapter track MP4 writes as a data stream.
std::vector<std::map<std::string, std::string>> mediaStreams(const std::string& path) {
    const s::test::FfprobeReport report = s::test::runFfprobe(path);
    EXPECT_TRUE(report.ok) << path;
    std::vector<std::map<std::string, std::string>> streams;
    for (const auto& stream : report.streams) {
        if (value(stream, "codec_type") != "data")
            streams.push_back(stream);
    }
    return streams;
}

bool decodesCleanly(const std::string& path) {
    const ToolRun run = s::test::runTool(
        {"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map", "0:v", "-map", "0:a?", "-f", "null", "-"});
    return run.exitStatus == 0 && run.err.empty();
}

// ---------------------------------------------------------------------------

class LosslessCutStreams : public ::testing::TestWithParam<i32> {};

TEST_P(LosslessCutStreams, MatroskaKeepsChaptersTheFontAndTheCuesOfTheScene) {
    const std::string input = matroskaWithExtras();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string command = cutCommand(input, "out.mkv", s::video::cut::kLossless, GetParam());
    ASSERT_NE(command.find(" -map 0:3 "), std::string::npos) << command;
    ASSERT_EQ(runInProcess(command, dir), s::base::Outcome::kOk) << command;
    const std::string out = dir + "/out.mkv";

    const auto streams = mediaStreams(out);
    ASSERT_EQ(streams.size(), 4u);
    EXPECT_EQ(value(streams[2], "codec_name"), "subrip");
    EXPECT_EQ(value(streams[3], "codec_type"), "attachment");
    EXPECT_EQ(value(streams[3], "TAG:filename"), "cut.ttf");
    EXPECT_EQ(value(streams[3], "TAG:mimetype"), "application/x-truetype-font");
    // The attached bytes are the font's.
    s::test::runTool(
        {"ffmpeg", "-nostdin", "-v", "quiet", "-dump_attachment:3", dir + "/dumped.ttf", "-i", out});
    EXPECT_TRUE(s::test::readFile(dir + "/dumped.ttf") == kFontBytes);

    const double origin = losslessOrigin(out, input);
    expectSceneChapters(chaptersOf(out), chaptersOf(input), origin);
    expectSceneCues(cuesOf(out, 2), cuesOf(input, 2), origin);
    expectTheLengthOfTheVideo(out);
    EXPECT_TRUE(decodesCleanly(out));
}

TEST_P(LosslessCutStreams, Mp4TextCuesStayWithThePictureAndEndWithTheScene) {
    const std::string input = mp4WithCues();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string command = cutCommand(input, "out.mp4", s::video::cut::kLossless, GetParam());
    ASSERT_EQ(runInProcess(command, dir), s::base::Outcome::kOk) << command;
    const std::string out = dir + "/out.mp4";

    const auto streams = mediaStreams(out);
    ASSERT_EQ(streams.size(), 3u);
    EXPECT_EQ(value(streams[2], "codec_name"), "mov_text");
    const double origin = losslessOrigin(out, input);
    expectSceneCues(cuesOf(out, 2), cuesOf(input, 2), origin);
    expectSceneChapters(chaptersOf(out), chaptersOf(input), origin);
    expectTheLengthOfTheVideo(out);
    EXPECT_TRUE(decodesCleanly(out));
}

INSTANTIATE_TEST_SUITE_P(Attempts, LosslessCutStreams, ::testing::Values(1, 2),
                         [](const auto& info) { return "Attempt" + std::to_string(info.param); });

TEST(LosslessCutStreamsElsewhere, AFontGoesOnlyWhereTheContainerTakesIt) {
    const std::string input = matroskaWithExtras();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    // MP4 holds no attached files: the font is left out, the cut succeeds.
    ASSERT_EQ(
        runInProcess("ffmpeg -i " + input + " -y -t 1 -map 0:0 -map 0:3 -vcodec copy -f mp4 out.mp4", dir),
        s::base::Outcome::kOk);
    const auto mp4 = mediaStreams(dir + "/out.mp4");
    ASSERT_EQ(mp4.size(), 1u);
    EXPECT_EQ(value(mp4[0], "codec_type"), "video");
    // Neither does WebM.
    ASSERT_EQ(
        runInProcess("ffmpeg -i " + input + " -y -t 1 -map 0:1 -map 0:3 -acodec copy -f webm out.webm", dir),
        s::base::Outcome::kOk);
    const auto webm = mediaStreams(dir + "/out.webm");
    ASSERT_EQ(webm.size(), 1u);
    EXPECT_EQ(value(webm[0], "codec_type"), "audio");
}

TEST(PreciseCutStreams, EveryAudioTrackAndEveryTextSubtitleComeAlong) {
    const std::string input = matroskaWithTracks();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string command = cutCommand(input, "out.mp4", s::video::cut::kPrecise, 1);
    ASSERT_EQ(runInProcess(command, dir), s::base::Outcome::kOk) << command;
    const std::string out = dir + "/out.mp4";

    const auto streams = mediaStreams(out);
    ASSERT_EQ(streams.size(), 7u);
    EXPECT_EQ(value(streams[0], "codec_name"), "h264");
    const char* languages[] = {"eng", "deu", "fra"};
    const char* channels[] = {"2", "2", "1"}; // the mono track is not spread over two channels
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("audio " + std::to_string(i));
        const auto& audio = streams[1 + i];
        EXPECT_EQ(value(audio, "codec_name"), "aac");
        EXPECT_EQ(value(audio, "TAG:language"), languages[i]);
        EXPECT_EQ(value(audio, "DISPOSITION:default"), i == 1 ? "1" : "0");
        EXPECT_EQ(value(audio, "channels"), channels[i]);
        EXPECT_NEAR(number(audio, "duration"), (kEndUs - kStartUs) / 1e6, 0.05);
    }
    // SubRip, ASS and WebVTT all become MP4 text with the scene's cues; the
    // scene starts at 0.
    for (int i = 4; i < 7; ++i) {
        SCOPED_TRACE("subtitle " + std::to_string(i));
        EXPECT_EQ(value(streams[i], "codec_name"), "mov_text");
        expectSceneCues(cuesOf(out, i), cuesOf(input, i), 0);
    }
    expectSceneChapters(chaptersOf(out), chaptersOf(input), 0);
    expectTheLengthOfTheVideo(out);
    EXPECT_TRUE(decodesCleanly(out));
}

TEST(PreciseCutStreams, Mp4TextIsConvertedAgain) {
    const std::string input = mp4WithCues();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string command = cutCommand(input, "out.mp4", s::video::cut::kPrecise, 1);
    ASSERT_EQ(runInProcess(command, dir), s::base::Outcome::kOk) << command;
    const auto streams = mediaStreams(dir + "/out.mp4");
    ASSERT_EQ(streams.size(), 3u);
    EXPECT_EQ(value(streams[2], "codec_name"), "mov_text");
    expectSceneCues(cuesOf(dir + "/out.mp4", 2), cuesOf(input, 2), 0);
}

// (The warning goes to the libraries' log, which the program keeps quiet
// once the libraries are loaded.)
TEST(PreciseCutStreams, PictureSubtitlesAreLeftOutAndTheCutSucceeds) {
    const std::string input = matroskaWithPictureSubtitles();
    ASSERT_FALSE(input.empty());
    const std::string dir = s::test::makeTempDir();
    const std::string command = cutCommand(input, "out.mp4", s::video::cut::kPrecise, 1);
    ASSERT_NE(command.find(" -map 0:2 "), std::string::npos) << command;
    ASSERT_EQ(runInProcess(command, dir), s::base::Outcome::kOk) << command;
    const auto streams = mediaStreams(dir + "/out.mp4");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(value(streams[0], "codec_name"), "h264");
    EXPECT_EQ(value(streams[1], "codec_name"), "mov_text");
    expectSceneCues(cuesOf(dir + "/out.mp4", 1), cuesOf(input, 1), 0);
}

} // namespace
