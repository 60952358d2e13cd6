#include "media/smartcut/EdgeVideo.h"

#include "media/converter/Decode.h"
#include "media/converter/Input.h"
#include "media/converter/LibAv.h"
#include "media/smartcut/Common.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cmath>

namespace s::video::smartcut {

namespace {

/// Quality of the re-encoded edges: far above what the eye tells from the
/// copied pictures next to them.
constexpr const char* kEdgeCrf = "16";
/// Fast enough that two edges cost little beside the copy; the structure
/// options that matter are set one by one below.
constexpr const char* kEdgePreset = "superfast";

SmartCutResult status(SmartCutStatus code, std::string reason = {}) {
    return smartResult(code, std::move(reason));
}

const char* profileName(int profile) {
    switch (profile) {
    case FF_PROFILE_H264_BASELINE:
    case FF_PROFILE_H264_CONSTRAINED_BASELINE:
        return "baseline";
    case FF_PROFILE_H264_MAIN:
        return "main";
    default:
        return "high";
    }
}

bool isBaseline(int profile) {
    return profile == FF_PROFILE_H264_BASELINE || profile == FF_PROFILE_H264_CONSTRAINED_BASELINE;
}

i64 framePts(const AVFrame* frame) {
    return frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
}

} // namespace

SmartCutResult decodeSpan(const SmartCutRequest& request, const ScenePlan& plan, size_t from, size_t to,
                          i64 lo, i64 hi, const FrameSink& sink) {
    const std::atomic<bool>& stop = stopFlagOf(request);
    const std::vector<ScenePacket>& packets = plan.packets;
    tool::InputFile input;
    if (SmartCutResult opened = openMedia(request, request.inputPath, plan.timeUs(packets[from].pts), input);
        opened.status != SmartCutStatus::kDone)
        return opened;
    const AVStream* stream = input.context()->streams[plan.source.streamIndex];
    tool::Decoder decoder;
    if (const base::Result opened = decoder.open(stream); !opened.isOk())
        return status(SmartCutStatus::kFailed, opened.reason());

    SmartCutResult outcome = status(SmartCutStatus::kDone);
    bool sinkStopped = false;
    const tool::Decoder::FrameSink take = [&](AVFrame* frame) {
        if (frame->interlaced_frame) {
            outcome = status(SmartCutStatus::kIneligible, "the video is interlaced");
            outcome.reasonKind = SmartCutReason::kInterlaced;
            return false;
        }
        const i64 pts = framePts(frame);
        if (pts < lo || pts >= hi)
            return true;
        if (!sink(frame, decoder.context())) {
            sinkStopped = true;
            return false;
        }
        return true;
    };

    PacketPtr packet = newPacket();
    size_t index = from;
    bool started = false;
    while (index < to) {
        std::string readError;
        const ReadStep step = readPacket(input, plan.source.streamIndex, packet.get(), stop, readError);
        if (step == ReadStep::kStopped)
            return status(SmartCutStatus::kStopped, "stopped");
        if (step == ReadStep::kFailed)
            return status(SmartCutStatus::kFailed, "reading the source failed: " + readError);
        if (step == ReadStep::kEnd)
            break;
        if (!started) {
            // The seek may land on an earlier key frame.
            if (packet->pts != packets[from].pts) {
                av_packet_unref(packet.get());
                continue;
            }
            started = true;
        }
        if (index < packets.size() && packet->pts != packets[index].pts)
            return status(SmartCutStatus::kFailed, "the source reads differently the second time");
        // Pictures shown before the span that nothing refers to need not be
        // decoded at all: about half of those between the key frame and the
        // span's start.
        decoder.context()->skip_frame = packet->pts < lo ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        const bool go = decoder.decode(packet.get(), take);
        av_packet_unref(packet.get());
        if (!go)
            return sinkStopped || outcome.status != SmartCutStatus::kDone
                       ? outcome
                       : status(SmartCutStatus::kFailed, "the source's video cannot be decoded");
        ++index;
    }
    if (!started)
        return status(SmartCutStatus::kFailed, "the source's key frame was not found again");
    if (!decoder.decode(nullptr, take) && !sinkStopped && outcome.status == SmartCutStatus::kDone)
        return status(SmartCutStatus::kFailed, "the source's video cannot be decoded");
    return outcome;
}

base::Result EdgeEncoder::open(const AVCodecContext* decoder, const AVStream* source, i32 parameterSetId) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) {
        return base::Result::failed("the H.264 encoder is missing");
    }
    m_context.reset(avcodec_alloc_context3(codec));
    m_packet = newPacket();
    m_frame = newFrame();
    if (!m_context || !m_packet || !m_frame) {
        return base::Result::failed("out of memory");
    }
    AVCodecContext* c = m_context.get();
    c->width = decoder->width;
    c->height = decoder->height;
    c->pix_fmt = decoder->pix_fmt;
    c->sample_aspect_ratio =
        decoder->sample_aspect_ratio.num > 0 ? decoder->sample_aspect_ratio : source->sample_aspect_ratio;
    c->color_range = decoder->color_range;
    c->color_primaries = decoder->color_primaries;
    c->color_trc = decoder->color_trc;
    c->colorspace = decoder->colorspace;
    c->chroma_sample_location = decoder->chroma_sample_location;
    c->field_order = AV_FIELD_PROGRESSIVE;
    c->time_base = source->time_base;
    c->framerate = source->avg_frame_rate.num > 0 ? source->avg_frame_rate : source->r_frame_rate;
    const int profile = decoder->profile != FF_PROFILE_UNKNOWN ? decoder->profile : source->codecpar->profile;
    const int level = decoder->level > 0 ? decoder->level : source->codecpar->level;
    if (level > 0)
        c->level = level;
    if (decoder->refs > 0)
        c->refs = std::min(decoder->refs, 16);
    // B-frames where the source reorders its pictures, none where it does not.
    c->max_b_frames =
        isBaseline(profile) || (decoder->has_b_frames <= 0 && source->codecpar->video_delay <= 0) ? 0 : 3;
    // One IDR picture at the start and no further key frames to speak of.
    c->gop_size = 100000;
    c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_CLOSED_GOP;
    c->thread_count = 0;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", kEdgePreset, 0);
    av_dict_set(&options, "crf", kEdgeCrf, 0);
    av_dict_set(&options, "profile", profileName(profile), 0);
    const std::string params = "sps-id=" + std::to_string(parameterSetId);
    av_dict_set(&options, "x264-params", params.c_str(), 0);
    const int result = avcodec_open2(c, codec, &options);
    av_dict_free(&options);
    if (result < 0) {
        return base::Result::failed("the H.264 encoder refused the source's parameters: " +
                                    tool::errorText(result));
    }
    StreamFraming framing;
    if (!parseExtradata({c->extradata, static_cast<size_t>(c->extradata_size)}, framing) ||
        framing.sets.empty()) {
        return base::Result::failed("the H.264 encoder gave no parameter sets");
    }
    m_sets = std::move(framing.sets);
    return base::Result::ok();
}

base::Result EdgeEncoder::encode(const AVFrame* frame) {
    int result;
    if (frame) {
        av_frame_unref(m_frame.get());
        if (av_frame_ref(m_frame.get(), frame) < 0) {
            return base::Result::failed("out of memory");
        }
        m_frame->pts = framePts(frame);
        m_frame->pict_type = AV_PICTURE_TYPE_NONE;
        result = avcodec_send_frame(m_context.get(), m_frame.get());
        av_frame_unref(m_frame.get());
    } else {
        result = avcodec_send_frame(m_context.get(), nullptr);
    }
    if (result < 0) {
        return base::Result::failed("encoding an edge failed: " + tool::errorText(result));
    }
    return drain();
}

base::Result EdgeEncoder::drain() {
    for (;;) {
        const int result = avcodec_receive_packet(m_context.get(), m_packet.get());
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
            return base::Result::ok();
        if (result < 0) {
            return base::Result::failed("encoding an edge failed: " + tool::errorText(result));
        }
        std::vector<u8> data;
        appendLengthPrefixed(data, splitNalUnits({m_packet->data, static_cast<size_t>(m_packet->size)}, 0));
        PacketPtr out = newPacket();
        if (!out || av_new_packet(out.get(), static_cast<int>(data.size())) < 0) {
            return base::Result::failed("out of memory");
        }
        std::copy(data.begin(), data.end(), out->data);
        out->pts = m_packet->pts;
        out->dts = m_packet->dts;
        out->flags = m_packet->flags;
        av_packet_unref(m_packet.get());
        m_packets.push_back(std::move(out));
    }
}

double picturePsnr(const AVFrame* a, const AVFrame* b) {
    if (!a || !b || a->width != b->width || a->height != b->height)
        return 0;
    double sum = 0;
    double count = 0;
    for (int plane = 0; plane < 3; ++plane) {
        const int w = plane ? (a->width + 1) / 2 : a->width;
        const int h = plane ? (a->height + 1) / 2 : a->height;
        for (int y = 0; y < h; ++y) {
            const u8* p = a->data[plane] + static_cast<ptrdiff_t>(y) * a->linesize[plane];
            const u8* q = b->data[plane] + static_cast<ptrdiff_t>(y) * b->linesize[plane];
            for (int x = 0; x < w; ++x) {
                const double d = static_cast<double>(p[x]) - q[x];
                sum += d * d;
            }
        }
        count += static_cast<double>(w) * h;
    }
    if (sum == 0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * count / sum);
}

} // namespace s::video::smartcut
