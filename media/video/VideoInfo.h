#pragma once

#include "foundation/base/IObject.h"
#include "foundation/col/array/ArrayP.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "media/video/StreamInfo.h"

namespace s::video {

/// What the probe found out about one media file: the container's values and
/// one `StreamInfo` per stream, in stream index order.
///
/// Made by `probe()`; the caller owns it and hands it back with `release()`.
/// It owns its streams and metadata strings. Not locked: it is filled on one
/// thread and read afterwards, possibly on another.
class VideoInfo : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(VideoInfo)

public:
    VideoInfo();
    VideoInfo(const VideoInfo&) = delete;
    VideoInfo& operator=(const VideoInfo&) = delete;
    ~VideoInfo() override;

    /// The file existed when the probe began.
    bool exists() const { return m_exists; }
    void setExists(bool value) { m_exists = value; }
    /// Name and extension of the path.
    const str::strbuffer::StrBuffer& fileName() const { return m_fileName; }
    str::strbuffer::StrBuffer& fileName() { return m_fileName; }
    /// The path as given to the probe.
    const str::strbuffer::StrBuffer& path() const { return m_path; }
    str::strbuffer::StrBuffer& path() { return m_path; }
    /// The container was opened and its streams analysed.
    bool opened() const { return m_opened; }
    void setOpened(bool value) { m_opened = value; }
    /// The demuxer's comma-separated names, e.g. "matroska,webm".
    const str::strbuffer::StrBuffer& formatName() const { return m_formatName; }
    str::strbuffer::StrBuffer& formatName() { return m_formatName; }
    /// Empty when the demuxer has no descriptive name.
    const str::strbuffer::StrBuffer& formatLongName() const { return m_formatLongName; }
    str::strbuffer::StrBuffer& formatLongName() { return m_formatLongName; }
    /// Size of the first video stream; 0 when there is none.
    i32 videoWidth() const { return m_videoWidth; }
    void setVideoWidth(i32 value) { m_videoWidth = value; }
    i32 videoHeight() const { return m_videoHeight; }
    void setVideoHeight(i32 value) { m_videoHeight = value; }
    bool hasVideo() const { return m_hasVideo; }
    void setHasVideo(bool value) { m_hasVideo = value; }
    bool hasAudio() const { return m_hasAudio; }
    void setHasAudio(bool value) { m_hasAudio = value; }
    /// Microseconds; negative when unknown.
    i64 durationUs() const { return m_durationUs; }
    void setDurationUs(i64 value) { m_durationUs = value; }
    /// Bytes as the container's I/O layer reports them; -1 without one.
    i64 fileSize() const { return m_fileSize; }
    void setFileSize(i64 value) { m_fileSize = value; }
    /// Overall bits per second.
    i64 bitRate() const { return m_bitRate; }
    void setBitRate(i64 value) { m_bitRate = value; }
    const str::strarray::StrArray& metadataKeys() const { return m_metadataKeys; }
    str::strarray::StrArray& metadataKeys() { return m_metadataKeys; }
    const str::strarray::StrArray& metadataValues() const { return m_metadataValues; }
    str::strarray::StrArray& metadataValues() { return m_metadataValues; }

    u32 streamCount() const { return m_streams.size(); }
    StreamInfo* stream(u32 i) const { return m_streams.getAs<StreamInfo>(i); }
    /// Appends a new stream from the pool; this object owns it.
    StreamInfo* addStream();
    /// The first stream of `type`, or null.
    StreamInfo* firstStreamOfType(i32 type) const;

    /// Derives the bit rates that the container leaves open, once the
    /// container and stream values are in: the overall rate from the file
    /// size and duration when the duration is known, then the first video
    /// stream's and the first audio stream's rate (when not positive) as
    /// what the overall rate leaves after the known stream rates, never
    /// below 0. The video stream is filled in first and counts for audio.
    void fillBitRates();

    /// The information report: a new string from the pool that the caller
    /// releases. It never holds an empty line (a blank line is a single
    /// space), so splitting it into lines and joining them keeps its shape.
    [[nodiscard]] str::strbuffer::StrBuffer* report() const;

    const char16_t* getClassName() const override { return u"s_video_VideoInfo"; }
    /// Empties every string and list (streams go back to their pool); every
    /// number and flag becomes 0.
    void reset() override;

private:
    bool m_exists = false;
    str::strbuffer::StrBuffer m_fileName;
    str::strbuffer::StrBuffer m_path;
    bool m_opened = false;
    str::strbuffer::StrBuffer m_formatName;
    str::strbuffer::StrBuffer m_formatLongName;
    i32 m_videoWidth = 0;
    i32 m_videoHeight = 0;
    bool m_hasVideo = false;
    bool m_hasAudio = false;
    i64 m_durationUs = 0;
    i64 m_fileSize = 0;
    i64 m_bitRate = 0;
    str::strarray::StrArray m_metadataKeys;
    str::strarray::StrArray m_metadataValues;
    col::_array::ArrayP m_streams; // owns its StreamInfo objects
};

/// Appends `value` in decimal with a comma between groups of three digits
/// from the right ("1,200,000"; "0"; negative values as "-1,234").
void appendCount(str::strbuffer::StrBuffer& out, i64 value);

} // namespace s::video
