#pragma once

#include "foundation/base/Types.h"
#include "media/smartcut/H264Stream.h"
#include "media/smartcut/SmartCut.h"

extern "C" {
#include <libavutil/rational.h>
}

#include <string>
#include <vector>

struct AVFormatContext;

// Which packets of a scene are copied and which frames are re-encoded,
// worked out from the packets' time stamps and key flags alone.
namespace s::video::smartcut {

/// One video packet of the source, in decoding order. Times in the stream's
/// time base.
struct ScenePacket {
    i64 pts = 0;
    i64 duration = 0;
    bool key = false;
    bool idr = false;
};

/// The stream facts the later stages need.
struct SourceVideo {
    int streamIndex = -1;
    AVRational timeBase{0, 1};
    /// The file's start, in microseconds, which positions count from.
    i64 fileStartUs = 0;
    StreamFraming framing;
    /// Stream indexes of the audio tracks the source has.
    std::vector<int> audioStreams;
};

struct ScenePlan {
    SourceVideo source;
    /// Video packets from the key frame at or before the start to a little
    /// past the first key frame after the end (or the end of the file).
    std::vector<ScenePacket> packets;
    /// The scene's frames: their presentation times, sorted.
    std::vector<i64> scenePts;
    /// Where the scene's last frame ends: the next frame's time, or the last
    /// frame's time plus its duration at the end of the file.
    i64 endPts = 0;

    /// Indexes into `packets`: the key frame the head is decoded from, the
    /// IDR picture the copy starts with, the first packet not copied (may be
    /// packets.size()) and the key frame the tail is decoded from.
    size_t headKey = 0;
    size_t copyBegin = 0;
    size_t copyEnd = 0;
    size_t tailKey = 0;
    /// The first presentation time after the copied ones (the tail's first
    /// frame), or INT64_MAX when the copy runs to the scene's end.
    i64 tailFromPts = 0;

    i64 headFrames = 0;
    i64 copiedFrames = 0;
    i64 tailFrames = 0;

    /// Microseconds from the file's start of a time of the video stream.
    [[nodiscard]] i64 timeUs(i64 pts) const;
    [[nodiscard]] i64 firstPts() const { return scenePts.front(); }
    [[nodiscard]] i64 lastPts() const { return scenePts.back(); }
    [[nodiscard]] i64 copyFirstPts() const { return packets[copyBegin].pts; }
    /// The presentation time that follows `pts` in the scene (endPts after
    /// the last frame).
    [[nodiscard]] i64 nextPts(i64 pts) const;
};

/// Opens the source, checks that it is a kind this cut takes, reads the
/// packets around the scene and divides it into head, copy and tail.
/// kDone, or kIneligible / kFailed / kStopped with the reason.
[[nodiscard]] SmartCutResult planScene(const SmartCutRequest& request, ScenePlan& plan);

/// Whether the stream facts of an opened file allow this cut: kDone, or
/// kIneligible with the reason, its kind and, for another codec or pixel
/// format, its name.
[[nodiscard]] SmartCutResult eligibility(const AVFormatContext* context, int video);

} // namespace s::video::smartcut
