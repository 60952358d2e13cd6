#pragma once

#include "foundation/base/Types.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// The precise cut that re-encodes only the edges of a scene.
//
// A precise cut must start and end on any frame, so it re-encodes. An H.264
// scene, though, is mostly made of whole groups of pictures that need no
// re-encoding: from the first IDR picture at or after the start to the last
// key frame inside the scene the packets are copied as they are, and only
// the head before it and the tail after it are decoded and encoded again,
// with parameter sets of their own beside the source's in the MP4 sample
// description. Audio is re-encoded whole to AAC (exact to the sample).
//
// The output is checked before it counts: read again whole, with its frame
// count, decode times, frame durations and audio length measured; the
// re-encoded edges and the pictures across both joins are decoded (the
// copied packets in between are the source's own, counted and timed but not
// decoded again), the first and last frames compared with the source's and
// the first copied picture with the source's bit for bit. A source this cut cannot take,
// and an output that fails a check, are answered as such; the caller then
// re-encodes the whole scene the usual way.
namespace s::video::smartcut {

enum class SmartCutStatus : i32 {
    kDone,        ///< the output is written and passed every check
    kIneligible,  ///< the source or scene is not one this cut takes; nothing useful written
    kCheckFailed, ///< written, but a check failed: the output must not be kept
    kFailed,      ///< reading, encoding or writing failed
    kStopped,     ///< the stop flag was set
};

/// The kind of a reason, for callers that word the common ones in the
/// user's language; kOther leaves `reason` to speak for itself.
enum class SmartCutReason : i32 {
    kOther,
    kNotH264,      ///< another codec (its name in `reason`)
    kNot8Bit420,   ///< another pixel format
    kInterlaced,   ///< interlaced pictures
    kSubtitles,    ///< the source has subtitle streams
    kNoWholeGroup, ///< no group of pictures of the scene can be copied whole
};

struct SmartCutResult {
    SmartCutStatus status = SmartCutStatus::kFailed;
    /// Why it was not done, in a few English words ("the video is not
    /// H.264", "the first frame differs from the source (31.2 dB)").
    std::string reason;
    SmartCutReason reasonKind = SmartCutReason::kOther;
    /// With kNotH264 and kNot8Bit420: the codec's or pixel format's name.
    std::string reasonName;
    /// What was done, for reports and benchmarks.
    i64 headFrames = 0;
    i64 copiedFrames = 0;
    i64 tailFrames = 0;
    /// PSNR in dB of the first and last output frames against the source's
    /// (99 for identical pictures).
    double firstFramePsnr = 0;
    double lastFramePsnr = 0;
};

/// One audio track of the output: the source stream it comes from and the
/// AAC it becomes.
struct AudioTarget {
    int streamIndex = -1;
    i32 sampleRate = 48000;
    i32 channels = 2;
    i64 bitRate = 128000;
};

/// The phases of a smart cut, for progress.
enum class SmartCutPhase : i32 { kHead, kTail, kAudio, kCopy, kCheck };

struct SmartCutRequest {
    /// The source file and the file to write (replaced; UTF-8 paths).
    std::string inputPath;
    std::string outputPath;
    /// The scene: frames whose time from the file's start is at or after
    /// `startUs` and before `endUs`.
    i64 startUs = 0;
    i64 endUs = 0;
    /// The audio tracks to re-encode, in output order (may be empty).
    std::vector<AudioTarget> audio;
    /// Polled between packets; a set flag ends the cut with kStopped.
    const std::atomic<bool>* stop = nullptr;
    /// Progress as a fraction 0..1 of the whole work, with its phase; may be
    /// empty. Called on the cutting thread.
    std::function<void(double fraction, SmartCutPhase phase)> progress;
    /// Called once the output is written and closed, before it is checked;
    /// may be empty. Tests damage the output here to see the check fail.
    std::function<void()> beforeCheck;
};

/// Whether the file and scene can be cut this way, looking only at the
/// stream headers and the packets around the scene (no decoding): kDone
/// when they can, else kIneligible with the reason (or kFailed when the file
/// cannot be read).
[[nodiscard]] SmartCutResult checkSmartCut(const SmartCutRequest& request);

/// The whole cut: plan, head, tail, audio, copy, check. Blocking; call it on
/// a worker thread. The libraries' warnings go to the log of the calling
/// thread as in any conversion.
[[nodiscard]] SmartCutResult runSmartCut(const SmartCutRequest& request);

} // namespace s::video::smartcut
