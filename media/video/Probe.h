#pragma once

#include "foundation/str/StrBuffer.h"
#include "media/video/VideoInfo.h"

namespace s::video {

/// Probes the media file at `path`: opens its container, analyses the
/// streams and returns what was found in a new `VideoInfo` (never null; the
/// caller releases it).
///
/// Only a local regular file is opened, by its absolute name (so "a:b.mp4"
/// and "-x.mp4" are plain names), and containers that would make the
/// libraries open further files or addresses (playlists, concatenation
/// scripts, stream descriptions) are refused. A missing file yields
/// exists() false; a file that cannot be opened or analysed yields opened()
/// false and no streams. In both cases `failure`, when given, receives a
/// one-line reason (it is cleared otherwise).
///
/// Blocking; keeps no process-wide state, so probes on different threads do
/// not disturb each other. Needs `loadMediaLibraries()` to have succeeded.
[[nodiscard]] VideoInfo* probe(const str::strbuffer::StrBuffer& path,
                               str::strbuffer::StrBuffer* failure = nullptr);

} // namespace s::video
