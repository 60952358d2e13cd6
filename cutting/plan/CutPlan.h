#pragma once

#include "foundation/base/Types.h"
#include "foundation/str/StrBuffer.h"

namespace s::file::win {
class PathWin;
}
namespace s::video {
class VideoInfo;
}

// The pure planning of a cut: the output's name, the time texts, whether a
// path can go into a tool command as it is, the temporary output name, and
// the whole command line for either cut mode, either tool and either attempt.
// Nothing here runs a tool; everything but the numbering of names (which
// looks at the disk) depends on its arguments only.
//
// Positions and lengths are microseconds. Any thread.
namespace s::video::cut {

/// Cut modes.
enum CutMode : i32 {
    kLossless = 0, ///< streams are copied; the output keeps the input's container
    kPrecise = 1,  ///< H.264 and AAC re-encoded into MP4
};

/// The relative name by which command lines call the external tool; the
/// runner resolves it under the program's folder.
inline constexpr const char16_t* kExternalToolCommand = u"optional_tools/ffmpeg";
/// The name by which command lines call the tool inside the program.
inline constexpr const char16_t* kInProcessToolCommand = u"ffmpeg";

/// The part inserted before the output's extension: ".CUT.MM'SS-MM'SS"
/// (lossless) or ".CUT.MM'SS.mmm-MM'SS.mmm" (precise), each with an hour
/// field "H'" in front of both times when the end lies at or beyond one
/// hour. Replaces the text of `out`; returns it.
str::strbuffer::StrBuffer& cutSuffix(str::strbuffer::StrBuffer& out, i64 startUs, i64 endUs, i32 mode);

/// The output file for a scene of `inputPath`: in `outputFolder`, the
/// input's name with the cut suffix before its extension; ".mp4" as the
/// extension in precise mode. With `number`, an existing entry of that name
/// makes it "name (1).ext", then "name (2).ext" and so on, until the name is
/// free. A new path the caller releases.
[[nodiscard]] file::win::PathWin* outputPathFor(const file::win::PathWin& outputFolder,
                                                const file::win::PathWin& inputPath, i64 startUs, i64 endUs,
                                                i32 mode, bool number = true);

/// Whether a short path can go into a tool command as it is: no space, and
/// a name part (after the last "/") of at most 12 characters, each below
/// 256. A text without "/" is judged by the space rule only.
[[nodiscard]] bool isToolUsable(const char16_t* shortPath, i32 n = -1);
[[nodiscard]] inline bool isToolUsable(const str::strbuffer::StrBuffer& shortPath) {
    return isToolUsable(shortPath.chars() ? shortPath.chars() : u"", static_cast<i32>(shortPath.length()));
}

/// The temporary output beside `outputPath`: "_TMP" + its extension in its
/// folder, or the first free "_TMP1", "_TMP2", ... when that exists. A new
/// path the caller releases.
[[nodiscard]] file::win::PathWin* tempOutputFor(const file::win::PathWin& outputPath);

/// The tool's output argument when the short form of the output cannot be
/// used: the short form up to and including its last "/", followed by the
/// name of `tempPath`. Without a "/" in `shortForm`, the short form itself.
/// Replaces the text of `out`; returns it.
str::strbuffer::StrBuffer& tempOutputArgument(str::strbuffer::StrBuffer& out,
                                              const str::strbuffer::StrBuffer& shortForm,
                                              const file::win::PathWin& tempPath);

/// The "-ar" value for a source sample rate: the smallest standard rate not
/// below it, 64000 above 48000.
[[nodiscard]] i32 toolSampleRate(i32 sourceRate);
/// The "-ab" value for a source audio bit rate (64000 for unknown rates).
[[nodiscard]] i64 toolAudioBitRate(i64 sourceBitRate);
/// The source frame rate in thousandths of a frame per second, with the
/// three NTSC rates given exactly (23976, 29970, 59940); 0 or less when
/// unknown.
[[nodiscard]] i64 frameRateMilli(i64 num, i64 den);

/// Everything a cut command depends on.
struct CutCommandInput {
    i64 startUs = 0;
    i64 endUs = 0;
    i32 mode = kLossless;
    /// The external tool runs the command (quoted paths, its own name).
    bool external = false;
    /// 1, or 2 for the retry of a failed lossless cut (seeking after the
    /// input, all streams in one mapping when none is of unknown type).
    i32 attempt = 1;
    /// The probed input; must not be null.
    const VideoInfo* info = nullptr;
    /// The input file (its extension picks the lossless container).
    const file::win::PathWin* inputPath = nullptr;
    /// The input and output as the tool gets them.
    const char16_t* inputShortPath = u"";
    const char16_t* outputShortPath = u"";
};

/// The whole command line of a cut. Replaces the text of `out`; returns it.
str::strbuffer::StrBuffer& buildCutCommand(str::strbuffer::StrBuffer& out, const CutCommandInput& input);

} // namespace s::video::cut
