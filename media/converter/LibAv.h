#pragma once

#include "foundation/base/Types.h"

#include <string>

struct AVFormatContext;
struct AVPacket;
struct AVStream;

// Small helpers over the media libraries shared by the converter's stages
// and the other in-process media work.
namespace s::video::tool {

/// The libraries' text for an error code ("Invalid data found when
/// processing input").
[[nodiscard]] std::string errorText(int code);

/// The stream a file's start and positions are judged by: the first real
/// video stream (not a cover picture); -1 when there is none.
[[nodiscard]] int mainVideoStream(const AVFormatContext* context);

/// The packet's presentation time (its decoding time when it has none) in
/// microseconds of the stream's clock, or kNoTime.
[[nodiscard]] i64 packetTimeUs(const AVPacket* packet, const AVStream* stream);

/// Copies the stream-level side data (a display matrix, say) of `from` to `to`.
void copySideData(const AVStream* from, AVStream* to);

} // namespace s::video::tool
