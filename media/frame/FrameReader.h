#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace s::video::frame {

/// How one request to the reader ended.
enum class GrabResult {
    kPicture,     ///< the BMP of the picture is in the caller's buffer
    kAbandoned,   ///< the caller's abandon test said yes between two packets
    kStopped,     ///< the stop flag was seen
    kFailed,      ///< reading or decoding failed for this request
    kUnsupported, ///< this file cannot be served exactly: use the frame command
};

/// The pictures of one video file, with its demuxer and decoder kept open
/// between requests, for stepping through it at the speed of one decode.
///
/// Each picture is the one the frame command of the preview writes for the
/// same position, byte for byte: the first frame whose time from the file's
/// start is at or after the position (taken in whole milliseconds, as the
/// command's time texts are), or the last frame when none is, turned upright
/// and written as a 24-bit BMP of the stream's size. It is the same whatever
/// path served it:
///
/// - the cache: every frame decoded since the last seek is kept (decoded,
///   not converted) while it fits into the memory limit (oldest dropped
///   first), so a step back within what was decoded costs one conversion;
/// - a forward decode: a position ahead within the group of pictures being
///   decoded (or not far beyond, before the packet index is known) decodes
///   only the frames in between;
/// - a seek: anything else moves the input to the key frame at or before
///   the position, as the frame command does, and decodes from there.
///
/// After the first picture a packet index of the video stream (times and
/// key frames) is built on a thread of its own with a second demuxer; it
/// decides between a forward decode and a seek, and tells whether a
/// position just before the cached frames has a frame of its own.
///
/// Files whose frames carry no times, or whose times run backwards, are
/// reported kUnsupported: the caller then uses the frame command instead.
///
/// Threads: one caller at a time (the preview's runner); `close` and the
/// destructor end the index thread within a second in every state.
class FrameReader {
public:
    /// Decoded frames kept for stepping back: 512 MiB, about 170 frames of
    /// 4:2:0 1080p (3.1 MB each), 16 000 frames at 320x240.
    static constexpr u64 kDefaultCacheBytes = 512ull << 20;

    /// Says, between two packets of a decode, whether the request should be
    /// given up (a newer one came that this decode does not lead to).
    using AbandonTest = std::function<bool()>;

    /// `stop` is polled by every blocking step and must outlive the reader.
    explicit FrameReader(const std::atomic<bool>& stop);
    ~FrameReader();
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    /// Opens `path` (kernel bytes, absolute). Failed, with the reason, when
    /// the file cannot be read or cannot be served exactly (no video, no
    /// times); the frame command is then the way. Stopped when the reader's
    /// stop flag ended the opening.
    base::Result open(const std::string& path);

    /// The BMP of the picture at `positionUs` (microseconds from the file's
    /// start; negative counts as 0) into `bmp` (replaced). `abandon` may be
    /// empty.
    [[nodiscard]] GrabResult grab(i64 positionUs, std::vector<u8>& bmp, const AbandonTest& abandon = {});

    /// Whether a request for `positionUs` would be served by going on with
    /// the decode in progress for `currentUs` (it lies further ahead and no
    /// seek is needed), so the current request is worth finishing first.
    [[nodiscard]] bool continuesTo(i64 currentUs, i64 positionUs) const;

    /// Limits the decoded frames kept (at least one is always kept).
    void setCacheLimit(u64 bytes);
    [[nodiscard]] u64 cacheLimit() const;
    [[nodiscard]] size_t cachedFrames() const;
    [[nodiscard]] u64 cachedBytes() const;
    /// The most bytes the cache held at any time since open.
    [[nodiscard]] u64 peakCachedBytes() const;
    /// Seeks made since open (the first request's included).
    [[nodiscard]] u32 seekCount() const;
    /// Frames decoded since open.
    [[nodiscard]] u64 decodedFrames() const;
    /// Whether the background index has reached the end of the file.
    [[nodiscard]] bool isIndexComplete() const;
    /// Waits up to `ms` milliseconds for the index (tests and benchmarks).
    bool waitForIndex(int ms) const;

    /// Ends the index thread and closes the file. Safe to repeat.
    void close();

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace s::video::frame
