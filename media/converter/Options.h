#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"

#include <limits>
#include <string>
#include <vector>

// The converter's command-line options: the subset the program's cut and
// frame commands use, with the meanings of the classic (1.x) converter.
namespace s::video::tool {

/// "No value given" for times in microseconds.
inline constexpr i64 kNoTime = std::numeric_limits<i64>::min();

/// What an input file was given with (options before its "-i").
struct InputOptions {
    std::string path;            ///< as written; relative names are in the current folder
    std::string format;          ///< "-f" before "-i": forced demuxer, empty = probe
    i64 seekUs = kNoTime;        ///< "-ss" before "-i": seek the input
    std::string probeSize;       ///< "-probesize", as written (suffixes allowed)
    std::string analyzeDuration; ///< "-analyzeduration", as written
};

/// Which encoder a stream kind gets: unset (the format's or the tool's
/// choice), "copy", or an encoder name.
struct CodecChoice {
    bool set = false;
    std::string name;
    bool isCopy() const { return set && name == "copy"; }
};

/// One "-map": a whole input (`stream` < 0) or one of its streams.
struct StreamMap {
    i32 input = 0;
    i32 stream = -1;
};

/// What an output file was given with (options between the last input or
/// output and its name).
struct OutputOptions {
    std::string path;
    std::string format;          ///< "-f"; empty = from the name
    i64 startUs = kNoTime;       ///< "-ss" after "-i": decode and drop until here
    i64 durationUs = kNoTime;    ///< "-t": length of the output
    std::vector<StreamMap> maps; ///< empty = the default choice (best video, best audio)
    CodecChoice videoCodec, audioCodec, subtitleCodec;
    bool noAudio = false;   ///< "-an"
    bool noVideo = false;   ///< "-vn"
    bool noSubtitle = false; ///< "-sn"
    i32 threads = -1;       ///< "-threads"; 0 = automatic
    std::string preset;     ///< "-preset"
    i32 gopSize = -1;       ///< "-g"
    i32 maxBFrames = -1;    ///< "-bf"
    i64 videoBitRate = -1;  ///< "-b:v"; 0 = the encoder's constant-quality default
    i32 rateNum = 0, rateDen = 0; ///< "-r"; 0 = none
    i32 width = 0, height = 0;    ///< "-s"
    i32 sampleRate = 0;     ///< "-ar"
    i32 channels = 0;       ///< "-ac"
    i64 audioBitRate = -1;  ///< "-ab" / "-b:a"
    i64 maxVideoFrames = -1; ///< "-vframes" / "-frames:v"
};

/// The parsed command.
struct Options {
    std::vector<InputOptions> inputs;
    std::vector<OutputOptions> outputs;
    bool overwrite = false; ///< "-y"
    bool noOverwrite = false; ///< "-n"
    i32 audioSync = 0;      ///< "-async": > 0 aligns the start of audio with video
};

/// Parses `args` (args[0] is the program name). Failed, with a one-line
/// reason, for an unknown option, a missing or bad value, or an option in a
/// place where it has no meaning.
base::Result parseOptions(const std::vector<std::string>& args, Options& options);

} // namespace s::video::tool
