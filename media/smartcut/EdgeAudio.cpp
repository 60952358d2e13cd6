#include "media/smartcut/EdgeAudio.h"

#include "media/converter/Decode.h"
#include "media/converter/Input.h"
#include "media/converter/LibAv.h"
#include "media/smartcut/Common.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <vector>

namespace s::video::smartcut {

namespace {

SmartCutResult status(SmartCutStatus code, std::string reason = {}) {
    return smartResult(code, std::move(reason));
}

/// The resampler, the queue of converted samples and the encoder of one
/// track, fed frame by frame.
class AudioPipe {
public:
    AudioPipe(EncodedAudio& out, i64 wanted) : m_out(out), m_wanted(wanted) {}

    base::Result open() {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
        m_out.encoder.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        m_packet = newPacket();
        if (!m_out.encoder || !m_packet) {
            return base::Result::failed("the AAC encoder is missing");
        }
        AVCodecContext* c = m_out.encoder.get();
        c->sample_fmt = AV_SAMPLE_FMT_FLTP;
        c->sample_rate = m_out.target.sampleRate;
        av_channel_layout_default(&c->ch_layout, std::clamp(m_out.target.channels, 1, 8));
        c->bit_rate = m_out.target.bitRate;
        c->time_base = AVRational{1, c->sample_rate};
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        const int result = avcodec_open2(c, codec, nullptr);
        if (result < 0) {
            return base::Result::failed("the AAC encoder refused the format: " + tool::errorText(result));
        }
        m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, c->ch_layout.nb_channels,
                                         std::max(c->frame_size, 1024) * 4));
        if (!m_fifo) {
            return base::Result::failed("out of memory");
        }
        return base::Result::ok();
    }

    /// Queues `count` samples of silence.
    base::Result addSilence(i64 count) {
        std::vector<float> zeros(4096, 0.0f);
        std::vector<void*> planes(static_cast<size_t>(m_out.encoder->ch_layout.nb_channels), zeros.data());
        while (count > 0) {
            const int n = static_cast<int>(std::min<i64>(count, static_cast<i64>(zeros.size())));
            if (av_audio_fifo_write(m_fifo.get(), planes.data(), n) < n) {
                return base::Result::failed("out of memory");
            }
            count -= n;
        }
        return encodeQueued(false);
    }

    /// Converts `count` samples of `frame` from sample `skip` on.
    base::Result add(const AVFrame* frame, int skip) {
        if (!m_resampler) {
            if (base::Result opened = openResampler(frame); !opened.isOk())
                return opened;
        }
        const int count = frame->nb_samples - skip;
        const auto format = static_cast<AVSampleFormat>(frame->format);
        const int bytes = av_get_bytes_per_sample(format);
        const int channels = frame->ch_layout.nb_channels;
        std::vector<const u8*> in(static_cast<size_t>(std::max(channels, 1)));
        if (av_sample_fmt_is_planar(format)) {
            for (int ch = 0; ch < channels; ++ch)
                in[static_cast<size_t>(ch)] = frame->extended_data[ch] + static_cast<ptrdiff_t>(skip) * bytes;
        } else {
            in[0] = frame->extended_data[0] + static_cast<ptrdiff_t>(skip) * bytes * channels;
        }
        return convert(in.data(), count);
    }

    /// Flushes the resampler and encodes what is queued, up to the length
    /// wanted, then drains the encoder.
    base::Result finish() {
        if (m_resampler) {
            if (base::Result flushed = convert(nullptr, 0); !flushed.isOk())
                return flushed;
        }
        if (base::Result encoded = encodeQueued(true); !encoded.isOk())
            return encoded;
        m_out.sourceEnded = m_out.samples < m_wanted;
        return send(nullptr);
    }

    [[nodiscard]] bool full() const { return m_out.samples >= m_wanted; }

private:
    base::Result openResampler(const AVFrame* frame) {
        SwrContext* swr = nullptr;
        const AVCodecContext* c = m_out.encoder.get();
        // The library's declaration lacks the const it keeps.
        if (swr_alloc_set_opts2(&swr, const_cast<AVChannelLayout*>(&c->ch_layout), AV_SAMPLE_FMT_FLTP,
                                c->sample_rate, const_cast<AVChannelLayout*>(&frame->ch_layout),
                                static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                                nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            return base::Result::failed("the sound cannot be converted");
        }
        m_resampler.reset(swr);
        return base::Result::ok();
    }

    base::Result convert(const u8** in, int count) {
        const int room = swr_get_out_samples(m_resampler.get(), count);
        if (room < 0) {
            return base::Result::failed("the sound cannot be converted");
        }
        if (room == 0)
            return base::Result::ok();
        const auto channels = static_cast<size_t>(m_out.encoder->ch_layout.nb_channels);
        m_buffer.resize(channels * static_cast<size_t>(room));
        std::vector<u8*> out(channels);
        for (size_t ch = 0; ch < channels; ++ch)
            out[ch] = reinterpret_cast<u8*>(m_buffer.data() + ch * static_cast<size_t>(room));
        const int made = swr_convert(m_resampler.get(), out.data(), room, in, count);
        if (made < 0) {
            return base::Result::failed("the sound cannot be converted");
        }
        if (made > 0 &&
            av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(out.data()), made) < made) {
            return base::Result::failed("out of memory");
        }
        return encodeQueued(false);
    }

    /// Encodes whole frames from the queue (and, at the end, the rest),
    /// never beyond the wanted length.
    base::Result encodeQueued(bool atEnd) {
        AVCodecContext* c = m_out.encoder.get();
        const int frameSize = c->frame_size > 0 ? c->frame_size : 1024;
        for (;;) {
            const i64 left = m_wanted - m_out.samples;
            const int queued = av_audio_fifo_size(m_fifo.get());
            int n = static_cast<int>(std::min<i64>({frameSize, left, queued}));
            if (n <= 0 || (n < frameSize && !atEnd && n < left))
                return base::Result::ok();
            FramePtr frame = newFrame();
            frame->nb_samples = n;
            frame->format = AV_SAMPLE_FMT_FLTP;
            frame->sample_rate = c->sample_rate;
            if (!frame || av_channel_layout_copy(&frame->ch_layout, &c->ch_layout) < 0 ||
                av_frame_get_buffer(frame.get(), 0) < 0) {
                return base::Result::failed("out of memory");
            }
            if (av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->data), n) < n) {
                return base::Result::failed("the sound queue failed");
            }
            frame->pts = m_out.samples;
            m_out.samples += n;
            if (base::Result sent = send(frame.get()); !sent.isOk())
                return sent;
        }
    }

    base::Result send(const AVFrame* frame) {
        int result = avcodec_send_frame(m_out.encoder.get(), frame);
        if (result < 0) {
            return base::Result::failed("encoding the sound failed: " + tool::errorText(result));
        }
        for (;;) {
            result = avcodec_receive_packet(m_out.encoder.get(), m_packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return base::Result::ok();
            if (result < 0) {
                return base::Result::failed("encoding the sound failed: " + tool::errorText(result));
            }
            PacketPtr kept = newPacket();
            if (!kept) {
                return base::Result::failed("out of memory");
            }
            av_packet_move_ref(kept.get(), m_packet.get());
            m_out.packets.push_back(std::move(kept));
        }
    }

    EncodedAudio& m_out;
    const i64 m_wanted;
    PacketPtr m_packet;
    ResamplerPtr m_resampler;
    FifoPtr m_fifo;
    std::vector<float> m_buffer; // converted samples, one plane after the other
};

} // namespace

SmartCutResult encodeAudio(const SmartCutRequest& request, const ScenePlan& plan, const AudioTarget& target,
                           i64 fromUs, i64 toUs, EncodedAudio& out) {
    const std::atomic<bool>& stop = stopFlagOf(request);
    out = {};
    out.target = target;
    tool::InputFile input;
    if (SmartCutResult opened = openMedia(request, request.inputPath, fromUs, input);
        opened.status != SmartCutStatus::kDone)
        return opened;
    // Why the frame sink gave up: it can only answer true or false.
    std::string error;
    AVFormatContext* context = input.context();
    if (target.streamIndex < 0 || target.streamIndex >= static_cast<int>(context->nb_streams))
        return status(SmartCutStatus::kFailed, "no such audio track");
    const AVStream* stream = context->streams[target.streamIndex];
    tool::Decoder decoder;
    if (const base::Result opened = decoder.open(stream); !opened.isOk())
        return status(SmartCutStatus::kFailed, opened.reason());

    const i64 wanted = av_rescale(toUs - fromUs, target.sampleRate, 1000000);
    AudioPipe pipe(out, wanted);
    if (const base::Result opened = pipe.open(); !opened.isOk())
        return status(SmartCutStatus::kFailed, opened.reason());

    bool first = true;
    bool past = false;
    i64 nextUs = fromUs;
    const tool::Decoder::FrameSink take = [&](AVFrame* frame) {
        const i64 pts = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
        const i64 t = pts != AV_NOPTS_VALUE ? av_rescale_q(pts, stream->time_base, AVRational{1, 1000000}) -
                                                  plan.source.fileStartUs
                                            : nextUs;
        if (frame->sample_rate <= 0 || frame->nb_samples <= 0)
            return true;
        nextUs = t + av_rescale(frame->nb_samples, 1000000, frame->sample_rate);
        if (t >= toUs) {
            past = true;
            return false;
        }
        if (nextUs <= fromUs)
            return true;
        if (first) {
            first = false;
            // A track that begins after the picture starts with silence, so
            // that both stay together.
            if (t > fromUs) {
                const base::Result added =
                    pipe.addSilence(av_rescale(t - fromUs, target.sampleRate, 1000000));
                if (!added.isOk()) {
                    error = added.reason();
                    return false;
                }
            }
        }
        const int skip =
            t < fromUs ? static_cast<int>(av_rescale(fromUs - t, frame->sample_rate, 1000000)) : 0;
        if (skip >= frame->nb_samples)
            return true;
        if (const base::Result added = pipe.add(frame, skip); !added.isOk()) {
            error = added.reason();
            return false;
        }
        return !pipe.full();
    };

    PacketPtr packet = newPacket();
    for (;;) {
        std::string readError;
        const ReadStep step = readPacket(input, target.streamIndex, packet.get(), stop, readError);
        if (step == ReadStep::kStopped)
            return status(SmartCutStatus::kStopped, "stopped");
        if (step == ReadStep::kFailed)
            return status(SmartCutStatus::kFailed, "reading the source failed: " + readError);
        if (step == ReadStep::kEnd)
            break;
        const bool go = decoder.decode(packet.get(), take);
        av_packet_unref(packet.get());
        if (!go) {
            if (!error.empty())
                return status(SmartCutStatus::kFailed, error);
            if (past || pipe.full())
                break;
            return status(SmartCutStatus::kFailed, "the sound cannot be decoded");
        }
    }
    if (!past && !pipe.full() && !decoder.decode(nullptr, take) && !error.empty())
        return status(SmartCutStatus::kFailed, error);
    if (const base::Result finished = pipe.finish(); !finished.isOk())
        return status(SmartCutStatus::kFailed, finished.reason());
    return status(SmartCutStatus::kDone);
}

} // namespace s::video::smartcut
