#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"
#include "media/converter/Options.h"
#include "media/video/LocalInput.h"

#include <atomic>
#include <deque>
#include <string>

struct AVFormatContext;
struct AVPacket;

namespace s::video::tool {

/// The demuxing stage: one opened input file of a run.
///
/// Only a local file is read, by its absolute name through the "file"
/// protocol alone, and containers that would open further files or
/// addresses (playlists, concatenation scripts, stream descriptions,
/// devices) are refused.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    /// Opens the input, reads its stream information and, when the options
    /// ask for it, seeks to the key frame at or before the position. False
    /// with a reason in `error`. Every blocking step of the libraries on
    /// this input gives up once `stop` is set (which outlives the input).
    ///
    /// A seek is checked by reading on to the first video key frame: where
    /// the container's seek lands behind the key frame before the position
    /// (transport and program streams search by time stamps, not by key
    /// frames), it is repeated further back. The packets read meanwhile are
    /// kept and handed out by `read()`, the video's starting with the last
    /// key frame at or before the position (`startKeyUs()`).
    /// Failed, with the reason, when the file cannot be opened or read as
    /// media; stopped when `stop` ended the opening.
    base::Result open(const InputOptions& options, const std::atomic<bool>& stop);

    AVFormatContext* context() const { return m_context; }

    /// Moves an opened input to the key frame at or before `positionUs`
    /// (microseconds from the file's start), exactly as `open` does for an
    /// input seek to that position, and forgets whatever was read ahead.
    /// Afterwards `timeOffsetUs`, `startKeyUs` and `readsFromStart` describe
    /// the new place. For readers that keep one input open across requests.
    void seekTo(i64 positionUs, const std::string& name);

    /// Microseconds to add to a stream time (converted to microseconds) to
    /// get the time on the output's clock: minus the file's start and minus
    /// the input seek.
    i64 timeOffsetUs() const { return m_offsetUs; }
    /// Whether "-ss" was given before "-i" (decoded frames before the
    /// position are dropped).
    bool seeked() const { return m_seeked; }
    /// After a seek: the stream time, in microseconds, of the video key frame
    /// the input starts with; kNoTime when there is none (no video, no time
    /// stamps, no seek).
    i64 startKeyUs() const { return m_startKeyUs; }
    /// Whether reading begins at the file's start (no seek, a seek to the
    /// start, or a seek that failed and went back there).
    bool readsFromStart() const { return m_fromStart; }

    /// Reads the next packet into `packet`. Returns 0, AVERROR_EOF at the end
    /// or another negative code on a read error.
    [[nodiscard]] int read(AVPacket* packet);

private:
    enum class SeekFrom { kNowhere, kStart, kTime };
    void seek(i64 wantedUs, i64 targetUs, const std::string& name);
    /// Seeks (to `targetUs` for kTime) and reads ahead into m_ahead. Returns
    /// whether the first video key frame read is at or before `wantedUs`;
    /// `exhausted` is set when nothing earlier can be tried (the read-ahead
    /// gave up, or the seek failed).
    bool seekAndScan(SeekFrom from, i64 targetUs, i64 wantedUs, int video, bool& exhausted);
    void clearAhead();
    [[nodiscard]] int readFromFile(AVPacket* packet);

    AVFormatContext* m_context = nullptr;
    i64 m_offsetUs = 0;
    bool m_seeked = false;
    i64 m_startKeyUs = kNoTime;
    bool m_fromStart = true;
    std::deque<AVPacket*> m_ahead; // read during the seek, handed out first
    bool m_untouched = true;       // nothing read since the stream information
};

using s::video::absolutePath;

} // namespace s::video::tool
