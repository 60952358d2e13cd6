#pragma once

// Owning handles of the media libraries' objects, for the smart cut's stages.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include <memory>
#include <vector>

namespace s::video::smartcut {

struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct ResamplerFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoFree {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;
using Packets = std::vector<PacketPtr>;

inline PacketPtr newPacket() {
    return PacketPtr(av_packet_alloc());
}
inline FramePtr newFrame() {
    return FramePtr(av_frame_alloc());
}
/// A new reference to `frame`'s picture, or null.
inline FramePtr cloneFrame(const AVFrame* frame) {
    return FramePtr(av_frame_clone(frame));
}

} // namespace s::video::smartcut
