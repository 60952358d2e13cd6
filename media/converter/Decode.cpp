#include "media/converter/Decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/samplefmt.h>
}

#include <cmath>
#include <cstddef>

namespace s::video::tool {

namespace {

// Corrupt packets are skipped; a stream that gives little else than errors
// is not worth continuing with.
constexpr u32 kMaxCorruptPackets = 100;

// Damaged audio can decode to samples far outside the usual range (10^9
// where 1 is full scale). The AAC encoder spends practically forever on such
// samples, so floating-point samples beyond this bound, or that are not
// numbers at all, are brought back to it. It lies far above any real
// headroom (24 dB), so sound that is merely loud is left as it is.
constexpr double kMaxSampleMagnitude = 16.0;

template <typename T>
bool outOfRange(const T* samples, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!(std::fabs(samples[i]) <= kMaxSampleMagnitude)) // not a number fails too
            return true;
    return false;
}

template <typename T>
void bringIntoRange(T* samples, size_t count) {
    const T bound = static_cast<T>(kMaxSampleMagnitude);
    for (size_t i = 0; i < count; ++i) {
        if (std::isnan(samples[i]))
            samples[i] = 0;
        else if (samples[i] > bound)
            samples[i] = bound;
        else if (samples[i] < -bound)
            samples[i] = -bound;
    }
}

template <typename T>
void tameSamples(AVFrame* frame, int planes, size_t perPlane) {
    bool wild = false;
    for (int p = 0; p < planes && !wild; ++p)
        wild = outOfRange(reinterpret_cast<const T*>(frame->extended_data[p]), perPlane);
    // Decoded frames may share their buffers with the decoder: copy first.
    if (!wild || av_frame_make_writable(frame) < 0)
        return;
    for (int p = 0; p < planes; ++p)
        bringIntoRange(reinterpret_cast<T*>(frame->extended_data[p]), perPlane);
}

/// Keeps floating-point audio within kMaxSampleMagnitude.
void tameAudio(const AVCodecContext* context, AVFrame* frame) {
    if (context->codec_type != AVMEDIA_TYPE_AUDIO || frame->nb_samples <= 0 || !frame->extended_data)
        return;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    if (channels <= 0)
        return;
    const bool planar = av_sample_fmt_is_planar(format) != 0;
    const int planes = planar ? channels : 1;
    const size_t perPlane = static_cast<size_t>(frame->nb_samples) * static_cast<size_t>(planar ? 1 : channels);
    const AVSampleFormat packed = av_get_packed_sample_fmt(format);
    if (packed == AV_SAMPLE_FMT_FLT)
        tameSamples<float>(frame, planes, perPlane);
    else if (packed == AV_SAMPLE_FMT_DBL)
        tameSamples<double>(frame, planes, perPlane);
}

} // namespace

Decoder::~Decoder() {
    av_frame_free(&m_frame);
    avcodec_free_context(&m_context);
}

base::Result Decoder::open(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) {
        return base::Result::failed(std::string("no decoder for stream #0:") + std::to_string(stream->index) +
                                    " (" + avcodec_get_name(stream->codecpar->codec_id) + ")");
    }
    m_context = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    if (!m_context || !m_frame) {
        return base::Result::failed("out of memory");
    }
    if (avcodec_parameters_to_context(m_context, stream->codecpar) < 0) {
        return base::Result::failed("bad codec parameters");
    }
    m_context->pkt_timebase = stream->time_base;
    m_context->thread_count = 0; // as many as there are cores
    AVDictionary* options = nullptr;
    av_dict_set(&options, "threads", "auto", 0);
    const int result = avcodec_open2(m_context, codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        return base::Result::failed(std::string("Error while opening decoder for input stream #0:") +
                                    std::to_string(stream->index));
    }
    return base::Result::ok();
}

void Decoder::flush() {
    if (m_context)
        avcodec_flush_buffers(m_context);
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
        tameAudio(m_context, m_frame);
        const bool go = sink(m_frame);
        av_frame_unref(m_frame);
        if (!go)
            return false;
    }
}

} // namespace s::video::tool
