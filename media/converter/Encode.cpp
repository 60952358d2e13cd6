#include "media/converter/Encode.h"

#include "media/video/StreamInfo.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/opt.h>
}

namespace s::video::tool {

namespace {

base::Result allocate(const std::string& name, AVCodecContext** context, AVPacket** packet) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec) {
        return base::Result::failed("Unknown encoder '" + name + "'");
    }
    *context = avcodec_alloc_context3(codec);
    *packet = av_packet_alloc();
    if (!*context || !*packet) {
        return base::Result::failed("out of memory");
    }
    return base::Result::ok();
}

base::Result finishOpen(AVCodecContext* context, AVDictionary** options) {
    // A failed open takes the codec off the context: keep its name first.
    const AVCodec* codec = context->codec;
    const int result = avcodec_open2(context, codec, options);
    av_dict_free(options);
    if (result < 0) {
        char text[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(result, text, sizeof text);
        return base::Result::failed(std::string("Error while opening encoder ") + codec->name + ": " + text);
    }
    return base::Result::ok();
}

} // namespace

Encoder::~Encoder() {
    av_packet_free(&m_packet);
    avcodec_free_context(&m_context);
}

base::Result Encoder::openVideo(const std::string& name, const OutputOptions& options, int width, int height,
                                AVRational sampleAspect, AVRational rate, int fieldOrder, bool globalHeader) {
    if (base::Result allocated = allocate(name, &m_context, &m_packet); !allocated.isOk())
        return allocated;
    const AVCodec* codec = m_context->codec;
    if (codec->type != AVMEDIA_TYPE_VIDEO) {
        return base::Result::failed("Encoder '" + name + "' is not a video encoder");
    }
    m_context->width = width;
    m_context->height = height;
    m_context->pix_fmt = AV_PIX_FMT_YUV420P;
    if (codec->pix_fmts) {
        bool has420 = false;
        for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
            has420 = has420 || *f == AV_PIX_FMT_YUV420P;
        if (!has420)
            m_context->pix_fmt = codec->pix_fmts[0];
    }
    m_context->sample_aspect_ratio = sampleAspect;
    m_context->time_base = av_inv_q(rate);
    m_context->framerate = rate;
    if (globalHeader)
        m_context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    if (options.threads >= 0)
        m_context->thread_count = options.threads;
    if (options.gopSize >= 0)
        m_context->gop_size = options.gopSize;
    if (options.maxBFrames >= 0)
        m_context->max_b_frames = options.maxBFrames;
    if (options.videoBitRate >= video::leastVideoBitRate(width, height)) {
        m_context->bit_rate = options.videoBitRate;
    } else if (options.videoBitRate > 0) {
        av_log(nullptr, AV_LOG_WARNING,
               "video bit rate %lld is too low for %dx%d pictures: encoding at constant quality\n",
               static_cast<long long>(options.videoBitRate), width, height);
    }
    const AVFieldOrder order = static_cast<AVFieldOrder>(fieldOrder);
    if (order == AV_FIELD_TT || order == AV_FIELD_BB || order == AV_FIELD_TB || order == AV_FIELD_BT) {
        m_context->flags |= AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME;
        m_context->field_order = order;
    }
    if (!options.preset.empty())
        av_dict_set(&settings, "preset", options.preset.c_str(), 0);
    return finishOpen(m_context, &settings);
}

base::Result Encoder::openImage(const std::string& name, int width, int height, AVRational sampleAspect) {
    if (base::Result allocated = allocate(name, &m_context, &m_packet); !allocated.isOk())
        return allocated;
    const AVCodec* codec = m_context->codec;
    if (codec->type != AVMEDIA_TYPE_VIDEO || !codec->pix_fmts) {
        return base::Result::failed("Encoder '" + name + "' cannot write pictures");
    }
    m_context->width = width;
    m_context->height = height;
    m_context->pix_fmt = codec->pix_fmts[0];
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
        if (*f == AV_PIX_FMT_BGR24 || *f == AV_PIX_FMT_RGB24) {
            m_context->pix_fmt = *f;
            break;
        }
    }
    m_context->sample_aspect_ratio = sampleAspect;
    m_context->time_base = AVRational{1, 25};
    AVDictionary* settings = nullptr;
    return finishOpen(m_context, &settings);
}

base::Result Encoder::openAudio(const std::string& name, const OutputOptions& options, int sampleRate,
                                const AVChannelLayout& layout, bool globalHeader) {
    if (base::Result allocated = allocate(name, &m_context, &m_packet); !allocated.isOk())
        return allocated;
    const AVCodec* codec = m_context->codec;
    if (codec->type != AVMEDIA_TYPE_AUDIO) {
        return base::Result::failed("Encoder '" + name + "' is not an audio encoder");
    }
    m_context->sample_rate = sampleRate;
    if (av_channel_layout_copy(&m_context->ch_layout, &layout) < 0) {
        return base::Result::failed("out of memory");
    }
    m_context->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    m_context->time_base = AVRational{1, sampleRate};
    if (options.audioBitRate > 0)
        m_context->bit_rate = options.audioBitRate;
    m_context->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
    if (globalHeader)
        m_context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* settings = nullptr;
    return finishOpen(m_context, &settings);
}

int Encoder::inputFormat() const {
    return m_context->codec->type == AVMEDIA_TYPE_AUDIO ? static_cast<int>(m_context->sample_fmt)
                                                        : static_cast<int>(m_context->pix_fmt);
}

int Encoder::frameSize() const {
    if (m_context->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)
        return 0;
    return m_context->frame_size;
}

bool Encoder::encode(const AVFrame* frame, const PacketSink& sink) {
    int result = avcodec_send_frame(m_context, frame);
    if (result < 0 && result != AVERROR_EOF) {
        av_log(nullptr, AV_LOG_ERROR, "Error while encoding with %s\n", m_context->codec->name);
        return false;
    }
    for (;;) {
        result = avcodec_receive_packet(m_context, m_packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return true;
        if (result < 0)
            return false;
        const bool go = sink(m_packet);
        av_packet_unref(m_packet);
        if (!go)
            return false;
    }
}

} // namespace s::video::tool
