#pragma once

#include "media/smartcut/SmartCut.h"

#include <atomic>
#include <string>

struct AVPacket;

namespace s::video::tool {
class InputFile;
}

// What every stage of the smart cut shares: its results, its stop flag and
// the opening of the source.
namespace s::video::smartcut {

[[nodiscard]] SmartCutResult smartResult(SmartCutStatus code, std::string reason = {});

/// The request's stop flag, or one that is never set.
[[nodiscard]] const std::atomic<bool>& stopFlagOf(const SmartCutRequest& request);

/// Opens `path` as the cuts' command lines do (100 MB probed), reading from
/// the key frame at or before `atUs` from the file's start (from the start
/// when `atUs` is 0 or less). kDone, or kStopped / kFailed with the reason.
[[nodiscard]] SmartCutResult openMedia(const SmartCutRequest& request, const std::string& path, i64 atUs,
                                       tool::InputFile& input);

enum class ReadStep { kPacket, kEnd, kStopped, kFailed };

/// The next packet of stream `stream` (of any stream when -1) into
/// `packet`, passing over the others; checks the stop flag first. kFailed
/// leaves the libraries' reason in `error`.
[[nodiscard]] ReadStep readPacket(tool::InputFile& input, int stream, AVPacket* packet,
                                  const std::atomic<bool>& stop, std::string& error);

} // namespace s::video::smartcut
