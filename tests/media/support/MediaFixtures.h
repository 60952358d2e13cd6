#pragma once

// Media files for the media tests, made with the ffmpeg tool on first use,
// and ffprobe as the independent oracle for what they contain.

#include <map>
#include <string>
#include <vector>

namespace s::test {

/// The generated files. All are small (320x240, 1-2 s).
enum class Fixture {
    Mp4H264Aac,      // H.264 with B-frames + AAC stereo, container metadata
    MkvSubtitles,    // H.264 + Vorbis + SubRip subtitles in Matroska
    WebmVp9Opus,     // VP9 + Opus
    AviMpeg4Mp3,     // MPEG-4 part 2 + MP3
    MovTimecode,     // MPEG-4 part 2 + a timecode (data) track
    TsStartOffset,   // MPEG-TS whose timestamps start at 10 s
    WavPcm16,        // 16-bit stereo PCM at 44.1 kHz, 1 s, no metadata
    AudioOnly,       // AAC in M4A
    TwoVideoStreams, // 320x240 then 160x120 video
    Ntsc60,          // H.264 at 60000/1001 frames per second
    Anamorphic,      // 320x240 with 4:3 pixels
    FastStartMp4,    // H.264 + AAC with the index at the front
};

/// All fixtures, for parameterised tests.
const std::vector<Fixture>& allFixtures();
const char* fixtureName(Fixture fixture);

/// The path of `fixture`, made on first use. Files are kept in the build
/// tree between runs (keyed by how they are made), so the one process per
/// test case that ctest starts does not re-encode them. Empty when the ffmpeg
/// tool failed (a test failure has been recorded).
std::string fixturePath(Fixture fixture);

/// A file made once with the ffmpeg tool from `args` (everything before the
/// output name; "{dir}" in an argument becomes the fixture folder) into the
/// fixture folder, named after `name` and a digest of `args`, and kept
/// between runs. The file appears whole or not at all (made under a
/// temporary name); empty when the tool failed (a test failure has been
/// recorded).
std::string generatedMedia(const std::string& name, const std::vector<std::string>& args);

/// Moves a fixture written under the private name `temporary` to `path`,
/// unless another test process got there first (then its copy stays and
/// `temporary` is dropped). A test may already be reading that copy, and a
/// container such as Matroska writes new ids each time it is made, so it is
/// never replaced. False when neither copy is there.
bool publishFixture(const std::string& temporary, const std::string& path);

/// A short, stable digest of `text` (FNV-1a, 16 hex digits).
std::string textDigest(const std::string& text);

/// A fresh, empty folder of this process, removed when the process ends.
std::string makeTempDir();

/// Writes `bytes` to `path`; false on failure.
bool writeFile(const std::string& path, const std::string& bytes);
/// The file's bytes; empty when it cannot be read.
std::string readFile(const std::string& path);

/// Result of a finished child process.
struct ToolRun {
    int exitStatus = -1; // -1 when it could not be run or did not exit normally
    int signal = 0;      // the signal that ended it, if one did
    std::string out;
    std::string err;
};

/// How a child is run beyond its arguments.
struct ToolSetting {
    std::vector<std::pair<std::string, std::string>> environment; ///< set in the child
    unsigned timeLimitSeconds = 0; ///< SIGALRM after this long; 0 = none
};

/// Runs `argv` (argv[0] found through PATH) in `cwd` (the current folder
/// when empty) with standard input from /dev/null, and waits for it.
ToolRun runTool(const std::vector<std::string>& argv, const std::string& cwd = {},
                const ToolSetting& setting = {});

/// What ffprobe -show_streams -show_format says about a file: one key/value
/// map per [STREAM] section in order, and the [FORMAT] section. Tags keep
/// their "TAG:" prefix; `streamTags`/`formatTags` list them in order.
struct FfprobeReport {
    bool ok = false;
    std::vector<std::map<std::string, std::string>> streams;
    std::vector<std::vector<std::pair<std::string, std::string>>> streamTags;
    std::map<std::string, std::string> format;
    std::vector<std::pair<std::string, std::string>> formatTags;
};

FfprobeReport runFfprobe(const std::string& path);

/// A value of one section of the report; empty when it is missing.
std::string fieldText(const std::map<std::string, std::string>& section, const std::string& key);
/// A number of one section of the report; NaN when missing or "N/A".
double fieldNumber(const std::map<std::string, std::string>& section, const std::string& key);

} // namespace s::test
