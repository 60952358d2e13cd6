#pragma once

#include "foundation/base/Types.h"

#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

struct AVAudioFifo;
struct AVFrame;
struct SwrContext;
struct SwsContext;

namespace s::video::tool {

/// The video filtering stage: scaling and pixel format conversion through
/// libswscale, and the constant output frame rate, kept by timestamps
/// (frames dropped or repeated).
class VideoFilter {
public:
    VideoFilter() = default;
    VideoFilter(const VideoFilter&) = delete;
    VideoFilter& operator=(const VideoFilter&) = delete;
    ~VideoFilter();

    /// `rate` {0, 0} passes frames through without a rate (one picture out).
    [[nodiscard]] bool configure(int width, int height, AVPixelFormat format, AVRational rate);

    /// Converts `in` into a new picture of the configured size and format,
    /// with the sample aspect ratio adjusted so that the shape on screen is
    /// kept. Null on failure. The result is owned by the filter and valid
    /// until the next call.
    AVFrame* convert(const AVFrame* in);

    /// Turns every converted picture by 90, 180 or 270 degrees clockwise
    /// (the configured size is the size before turning). Only packed pixel
    /// formats (the picture writers') can be turned; false otherwise.
    [[nodiscard]] bool setRotation(int degrees);

    /// For the constant rate: how many times the picture at `timeUs` (on the
    /// output clock) is to be sent, from frame number `*first` on. 0 drops it.
    i64 repeatsFor(i64 timeUs, i64* first);

private:
    AVFrame* turn(const AVFrame* in);

    SwsContext* m_sws = nullptr;
    AVFrame* m_out = nullptr;
    AVFrame* m_turned = nullptr;
    int m_rotation = 0;
    int m_width = 0, m_height = 0;
    AVPixelFormat m_format = AV_PIX_FMT_NONE;
    AVRational m_rate{0, 0};
    i64 m_next = 0; // the next output frame number
    // What the scaler was made for.
    int m_inWidth = 0, m_inHeight = 0;
    int m_inFormat = -1;
};

/// The audio filtering stage: resampling and channel layout through
/// libswresample, trimming to the output start, the start alignment of
/// "-async", the output length limit, and a FIFO that hands the encoder
/// frames of exactly its frame size.
class AudioFilter {
public:
    AudioFilter() = default;
    AudioFilter(const AudioFilter&) = delete;
    AudioFilter& operator=(const AudioFilter&) = delete;
    ~AudioFilter();

    /// `limitUs` < 0: no limit. `alignStart`: the first sample lands at time
    /// 0 (silence in front or samples dropped), later samples follow without
    /// stretching.
    [[nodiscard]] bool configure(int sampleRate, const AVChannelLayout& layout, AVSampleFormat format,
                                 i64 limitUs, bool alignStart);

    /// Adds a decoded frame whose first sample is at `timeUs` on the output
    /// clock. Samples before 0 and after the limit are dropped.
    [[nodiscard]] bool push(const AVFrame* in, i64 timeUs);
    /// Drains the resampler at the end of the input.
    [[nodiscard]] bool flush();

    /// Takes `frameSize` samples into a frame (fewer only with `final`).
    /// Null when there are not enough. The frame is owned by the filter.
    AVFrame* pull(int frameSize, bool final);

    /// Whether the limit has been reached (no more input is wanted).
    bool full() const { return m_limit >= 0 && m_queued >= m_limit; }

private:
    [[nodiscard]] bool setupResampler(const AVFrame* in);
    [[nodiscard]] bool write(u8** data, int offset, int count);

    SwrContext* m_swr = nullptr;
    AVAudioFifo* m_fifo = nullptr;
    AVFrame* m_convert = nullptr;
    AVFrame* m_out = nullptr;
    int m_rate = 0;
    AVChannelLayout m_layout{};
    AVSampleFormat m_format = AV_SAMPLE_FMT_NONE;
    i64 m_limit = -1;       // in output samples
    bool m_align = false;
    bool m_started = false;
    i64 m_queued = 0;       // samples written into the FIFO so far, silence included
    i64 m_pts = 0;          // of the next frame pulled
    // What the resampler was made for.
    int m_inRate = 0;
    int m_inFormat = -1;
    AVChannelLayout m_inLayout{};
};

} // namespace s::video::tool
