#include "media/converter/Decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace s::video::tool {

namespace {

// Corrupt packets are skipped; a stream that gives little else than errors
// is not worth continuing with.
constexpr u32 kMaxCorruptPackets = 100;

} // namespace

Decoder::~Decoder() {
    av_frame_free(&m_frame);
    avcodec_free_context(&m_context);
}

bool Decoder::open(const AVStream* stream, std::string& error) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        error = std::string("no decoder for stream #0:") + std::to_string(stream->index) + " (" +
                avcodec_get_name(stream->codecpar->codec_id) + ")";
        return false;
    }
    m_context = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    if (!m_context || !m_frame) {
        error = "out of memory";
        return false;
    }
    if (avcodec_parameters_to_context(m_context, stream->codecpar) < 0) {
        error = "bad codec parameters";
        return false;
    }
    m_context->pkt_timebase = stream->time_base;
    m_context->thread_count = 0; // as many as there are cores
    AVDictionary* options = nullptr;
    av_dict_set(&options, "threads", "auto", 0);
    const int result = avcodec_open2(m_context, codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        error = std::string("Error while opening decoder for input stream #0:") + std::to_string(stream->index);
        return false;
    }
    return true;
}

bool Decoder::decode(const AVPacket* packet, const FrameSink& sink) {
    int result = avcodec_send_packet(m_context, packet);
    if (result < 0 && result != AVERROR_EOF && result != AVERROR(EAGAIN)) {
        // A damaged packet: skip it, as the tool does, up to a limit.
        if (++m_corrupt > kMaxCorruptPackets && m_corrupt > m_frames) {
            av_log(nullptr, AV_LOG_ERROR, "too many corrupt packets\n");
            return false;
        }
        return true;
    }
    for (;;) {
        result = avcodec_receive_frame(m_context, m_frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0) {
            if (++m_corrupt > kMaxCorruptPackets && m_corrupt > m_frames)
                return false;
            continue;
        }
        ++m_frames;
        const bool go = sink(m_frame);
        av_frame_unref(m_frame);
        if (!go)
            return false;
    }
}

} // namespace s::video::tool
