#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"

#include <functional>
#include <string>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace s::video::tool {

/// The decoding stage for one input stream.
class Decoder {
public:
    /// Receives every decoded frame; returns false to stop the run (an error
    /// or the stop flag further down the pipeline).
    using FrameSink = std::function<bool(AVFrame* frame)>;

    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder();

    /// Opens the stream's decoder; failed, with the reason, when there is
    /// none or it does not open.
    base::Result open(const AVStream* stream);
    AVCodecContext* context() const { return m_context; }

    /// Decodes `packet` (null flushes) and passes the frames to `sink`.
    /// A packet the decoder rejects as corrupt is counted and skipped; false
    /// when the sink asked to stop, or when too many packets were corrupt.
    [[nodiscard]] bool decode(const AVPacket* packet, const FrameSink& sink);

    /// Forgets every packet and frame in flight (after a seek), as a fresh
    /// decoder would start, but keeps the decoder's picture buffers.
    void flush();

    u32 framesDecoded() const { return m_frames; }
    u32 corruptPackets() const { return m_corrupt; }

private:
    AVCodecContext* m_context = nullptr;
    AVFrame* m_frame = nullptr;
    u32 m_frames = 0;
    u32 m_corrupt = 0;
};

} // namespace s::video::tool
