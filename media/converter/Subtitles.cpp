#include "media/converter/Subtitles.h"

#include "media/converter/LibAv.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace s::video::tool {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
// Room for the encoded cue; the converter's tool has always used 1 MiB.
constexpr size_t kCueBufferSize = 1 << 20;

} // namespace

CueFit clipCue(i64& start, i64& end, i64 limit) {
    const bool endKnown = end >= start;
    if (endKnown && end <= 0)
        return CueFit::kBefore;
    if (limit >= 0 && start >= limit)
        return CueFit::kAfter;
    // With an unknown end, `end` stays below the new start.
    start = std::max<i64>(start, 0);
    if (endKnown && limit >= 0)
        end = std::min(end, limit);
    return CueFit::kKept;
}

CueFit clipSubtitlePacket(AVPacket* packet, const AVStream* stream, i64 limitUs) {
    const i64 pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (pts == AV_NOPTS_VALUE)
        return CueFit::kBefore; // an untimed cue has no place in the scene
    i64 start = pts;
    i64 end = packet->duration > 0 ? pts + packet->duration : pts - 1;
    const i64 limit = limitUs >= 0 ? av_rescale_q(limitUs, kMicroseconds, stream->time_base) : -1;
    const CueFit fit = clipCue(start, end, limit);
    if (fit != CueFit::kKept)
        return fit;
    packet->pts = start;
    packet->dts = start;
    if (end >= start)
        packet->duration = end - start;
    return fit;
}

bool isTextSubtitle(const AVStream* stream) {
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(stream->codecpar->codec_id);
    return descriptor && descriptor->type == AVMEDIA_TYPE_SUBTITLE &&
           (descriptor->props & AV_CODEC_PROP_TEXT_SUB);
}

SubtitleTranscoder::~SubtitleTranscoder() {
    avcodec_free_context(&m_decoder);
    avcodec_free_context(&m_encoder);
    av_packet_free(&m_packet);
}

base::Result SubtitleTranscoder::open(const AVStream* stream, const std::string& encoderName,
                                      bool globalHeader) {
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) {
        return base::Result::failed("no decoder for the subtitles");
    }
    m_decoder = avcodec_alloc_context3(decoder);
    if (!m_decoder || avcodec_parameters_to_context(m_decoder, stream->codecpar) < 0) {
        return base::Result::failed("out of memory");
    }
    // The cue lengths come from the packets' durations.
    m_decoder->pkt_timebase = stream->time_base;
    int result = avcodec_open2(m_decoder, decoder, nullptr);
    if (result < 0) {
        return base::Result::failed(std::string("cannot open the ") + decoder->name +
                                    " decoder: " + errorText(result));
    }

    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName.c_str());
    if (!encoder || encoder->type != AVMEDIA_TYPE_SUBTITLE) {
        return base::Result::failed("no subtitle encoder \"" + encoderName + "\"");
    }
    m_encoder = avcodec_alloc_context3(encoder);
    if (!m_encoder) {
        return base::Result::failed("out of memory");
    }
    m_encoder->time_base = kMicroseconds;
    // The text encoders read the styles from the decoder's header.
    if (m_decoder->subtitle_header && m_decoder->subtitle_header_size > 0) {
        const int size = m_decoder->subtitle_header_size;
        m_encoder->subtitle_header = static_cast<u8*>(av_mallocz(static_cast<size_t>(size) + 1));
        if (!m_encoder->subtitle_header) {
            return base::Result::failed("out of memory");
        }
        std::memcpy(m_encoder->subtitle_header, m_decoder->subtitle_header, static_cast<size_t>(size));
        m_encoder->subtitle_header_size = size;
    }
    if (globalHeader)
        m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    result = avcodec_open2(m_encoder, encoder, nullptr);
    if (result < 0) {
        return base::Result::failed(std::string("cannot open the ") + encoder->name +
                                    " encoder: " + errorText(result));
    }
    m_packet = av_packet_alloc();
    if (!m_packet) {
        return base::Result::failed("out of memory");
    }
    m_buffer.resize(kCueBufferSize);
    return base::Result::ok();
}

bool SubtitleTranscoder::transcode(AVPacket* packet, i64 offsetUs, i64 limitUs, const PacketSink& sink,
                                   bool* pastEnd) {
    AVSubtitle cue{};
    int got = 0;
    const int used = avcodec_decode_subtitle2(m_decoder, &cue, &got, packet);
    if (used < 0) {
        av_log(nullptr, AV_LOG_WARNING, "a subtitle packet could not be decoded: %s\n",
               errorText(used).c_str());
        return true;
    }
    if (!got)
        return true;
    struct Release {
        AVSubtitle* cue;
        ~Release() { avsubtitle_free(cue); }
    } release{&cue};
    if (cue.num_rects == 0)
        return true; // the empty cues that fill the gaps of MP4 text tracks
    i64 timeUs = cue.pts;
    if (timeUs == AV_NOPTS_VALUE && packet->pts != AV_NOPTS_VALUE)
        timeUs = av_rescale_q(packet->pts, m_decoder->pkt_timebase, kMicroseconds);
    if (timeUs == AV_NOPTS_VALUE)
        return true;
    timeUs += offsetUs;
    i64 start = timeUs + static_cast<i64>(cue.start_display_time) * 1000;
    i64 end = cue.end_display_time > cue.start_display_time && cue.end_display_time != UINT32_MAX
                  ? timeUs + static_cast<i64>(cue.end_display_time) * 1000
                  : start - 1;
    switch (clipCue(start, end, limitUs)) {
    case CueFit::kBefore:
        return true;
    case CueFit::kAfter:
        *pastEnd = true;
        return true;
    case CueFit::kKept:
        break;
    }
    // A cue of unknown length stays up to the end of the scene.
    if (end < start)
        end = limitUs >= 0 ? limitUs : start;

    cue.pts = start;
    cue.start_display_time = 0;
    cue.end_display_time = static_cast<uint32_t>(std::min<i64>((end - start) / 1000, UINT32_MAX - 1));
    const int size =
        avcodec_encode_subtitle(m_encoder, m_buffer.data(), static_cast<int>(m_buffer.size()), &cue);
    if (size < 0)
        return false;
    if (size == 0)
        return true;
    av_packet_unref(m_packet);
    if (av_new_packet(m_packet, size) < 0)
        return false;
    std::memcpy(m_packet->data, m_buffer.data(), static_cast<size_t>(size));
    m_packet->pts = start;
    m_packet->dts = start;
    m_packet->duration = end - start;
    m_packet->flags |= AV_PKT_FLAG_KEY;
    return sink(m_packet);
}

} // namespace s::video::tool
