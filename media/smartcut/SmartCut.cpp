#include "media/smartcut/SmartCut.h"

#include "media/converter/Decode.h"
#include "media/converter/Input.h"
#include "media/converter/LibAv.h"
#include "media/smartcut/Common.h"
#include "media/smartcut/EdgeAudio.h"
#include "media/smartcut/EdgeVideo.h"
#include "media/smartcut/Handles.h"
#include "media/smartcut/ScenePlan.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <cstdio>
#include <limits>

namespace s::video::smartcut {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
/// The re-encoded edges and the copied pictures of one file must look
/// alike; below this their joins show.
constexpr double kMinEdgePsnr = 35.0;

SmartCutResult status(SmartCutStatus code, std::string reason = {}) {
    return smartResult(code, std::move(reason));
}

std::string formatDb(double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", db);
    return text;
}

/// Progress over the whole cut: each phase has a share by its expected cost.
class Progress {
public:
    Progress(const SmartCutRequest& request, const ScenePlan& plan, i64 checkedFrames) : m_request(request) {
        // Costs in frame decodes: an encoded frame costs about four, a
        // copied packet next to nothing, the check decodes the frames of its
        // span and reads past the rest.
        m_weights[0] = static_cast<double>(plan.headFrames) * 4 + 1;
        m_weights[1] = static_cast<double>(plan.tailFrames) * 4 + 1;
        m_weights[2] = static_cast<double>(plan.scenePts.size()) * 0.05 + 1;
        m_weights[3] = static_cast<double>(plan.copiedFrames) * 0.05 + 1;
        m_weights[4] =
            static_cast<double>(checkedFrames) + static_cast<double>(plan.scenePts.size()) * 0.01 + 1;
        for (double w : m_weights)
            m_total += w;
    }
    /// `done` of `count` units of `phase` are done.
    void report(SmartCutPhase phase, double done, double count) {
        if (!m_request.progress)
            return;
        const auto index = static_cast<size_t>(phase);
        double before = 0;
        for (size_t i = 0; i < index; ++i)
            before += m_weights[i];
        const double part = count > 0 ? std::clamp(done / count, 0.0, 1.0) : 1.0;
        m_request.progress((before + part * m_weights[index]) / m_total, phase);
    }

private:
    const SmartCutRequest& m_request;
    double m_weights[5] = {};
    double m_total = 0;
};

/// The smallest id in 0..31 that none of the source's parameter sets uses
/// and that is not `taken`.
i32 freeParameterSetId(const ParameterSets& source, i32 taken) {
    for (i32 id = 0; id < 32; ++id)
        if (id != taken && !source.usesId(id))
            return id;
    return -1;
}

/// The frames of one edge, decoded and encoded; also keeps the first and
/// the last source picture it saw, for the check.
struct Edge {
    EdgeEncoder encoder;
    bool opened = false;
    i64 frames = 0;
    FramePtr firstSource;
    FramePtr lastSource;
};

SmartCutResult encodeEdge(const SmartCutRequest& request, const ScenePlan& plan, const AVStream* sourceStream,
                          size_t from, size_t to, i64 lo, i64 hi, i32 id, Edge& edge, Progress& progress,
                          SmartCutPhase phase, i64 expected) {
    std::string error;
    SmartCutResult decoded =
        decodeSpan(request, plan, from, to, lo, hi, [&](const AVFrame* frame, const AVCodecContext* decoder) {
            if (!edge.opened) {
                if (const base::Result opened = edge.encoder.open(decoder, sourceStream, id);
                    !opened.isOk()) {
                    error = opened.reason();
                    return false;
                }
                edge.opened = true;
            }
            if (!edge.firstSource)
                edge.firstSource = cloneFrame(frame);
            edge.lastSource = cloneFrame(frame);
            if (const base::Result encoded = edge.encoder.encode(frame); !encoded.isOk()) {
                error = encoded.reason();
                return false;
            }
            ++edge.frames;
            progress.report(phase, static_cast<double>(edge.frames), static_cast<double>(expected));
            return true;
        });
    if (!error.empty())
        return status(SmartCutStatus::kFailed, error);
    if (decoded.status != SmartCutStatus::kDone)
        return decoded;
    if (edge.frames != expected)
        return status(SmartCutStatus::kFailed, "the source gave " + std::to_string(edge.frames) + " of the " +
                                                   std::to_string(expected) + " frames of an edge");
    if (const base::Result drained = edge.encoder.encode(nullptr); !drained.isOk())
        return status(SmartCutStatus::kFailed, drained.reason());
    if (edge.encoder.packets().size() != static_cast<size_t>(expected))
        return status(SmartCutStatus::kFailed, "the encoder gave a different number of pictures");
    return status(SmartCutStatus::kDone);
}

/// One picture of the source: the frame shown at `pts`, decoded from the
/// key frame `from`.
SmartCutResult sourcePicture(const SmartCutRequest& request, const ScenePlan& plan, size_t from, size_t to,
                             i64 pts, FramePtr& out) {
    SmartCutResult result =
        decodeSpan(request, plan, from, to, pts, pts + 1, [&](const AVFrame* frame, auto*) {
            out = cloneFrame(frame);
            return false;
        });
    if (result.status != SmartCutStatus::kDone)
        return result;
    return out ? result : status(SmartCutStatus::kFailed, "a source picture could not be decoded");
}

/// A video packet of the output in decoding order: where it comes from.
struct OutputPacket {
    enum class From { kHead, kCopy, kTail } from;
    size_t index; // into the edge's packets or the plan's
    i64 pts;      // source time base
};

/// Decoding times for packets whose presentation times are `pts` (in
/// decoding order): the sorted presentation times moved back by one delay,
/// the least that keeps every packet's decoding time at or before its
/// presentation time. They rise strictly, and their steps are the frames'
/// durations, so the track lasts as long as its pictures are shown.
std::vector<i64> decodingTimes(const std::vector<i64>& pts) {
    std::vector<i64> sorted = pts;
    std::sort(sorted.begin(), sorted.end());
    i64 delay = 0;
    for (size_t i = 0; i < pts.size(); ++i)
        delay = std::max(delay, sorted[i] - pts[i]);
    std::vector<i64> dts(pts.size());
    for (size_t i = 0; i < pts.size(); ++i)
        dts[i] = sorted[i] - delay;
    return dts;
}

class Muxer {
public:
    ~Muxer() {
        if (m_context) {
            if (m_context->pb)
                avio_closep(&m_context->pb);
            avformat_free_context(m_context);
        }
    }

    base::Result open(const std::string& path, const AVStream* source, const std::vector<u8>& record,
                      std::vector<EncodedAudio>& audio, const AVFormatContext* input) {
        int result = avformat_alloc_output_context2(&m_context, nullptr, "mp4", path.c_str());
        if (result < 0 || !m_context) {
            return base::Result::failed("the MP4 writer is missing");
        }
        AVStream* video = avformat_new_stream(m_context, nullptr);
        if (!video || avcodec_parameters_copy(video->codecpar, source->codecpar) < 0) {
            return base::Result::failed("out of memory");
        }
        AVCodecParameters* par = video->codecpar;
        par->codec_tag = 0;
        par->field_order = AV_FIELD_PROGRESSIVE;
        av_freep(&par->extradata);
        par->extradata = static_cast<u8*>(av_mallocz(record.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!par->extradata) {
            return base::Result::failed("out of memory");
        }
        std::copy(record.begin(), record.end(), par->extradata);
        par->extradata_size = static_cast<int>(record.size());
        video->time_base = source->time_base;
        video->sample_aspect_ratio = source->sample_aspect_ratio;
        tool::copySideData(source, video);
        copyLanguage(source, video);
        for (EncodedAudio& track : audio) {
            AVStream* stream = avformat_new_stream(m_context, nullptr);
            if (!stream || avcodec_parameters_from_context(stream->codecpar, track.encoder.get()) < 0) {
                return base::Result::failed("out of memory");
            }
            stream->time_base = track.encoder->time_base;
            copyLanguage(input->streams[track.target.streamIndex], stream);
        }
        result = avio_open(&m_context->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (result < 0) {
            return base::Result::failed(path + ": " + tool::errorText(result));
        }
        result = avformat_write_header(m_context, nullptr);
        if (result < 0) {
            return base::Result::failed("writing the MP4 header failed: " + tool::errorText(result));
        }
        return base::Result::ok();
    }

    /// Writes `packet` (times in `timeBase`) to output stream `stream`.
    base::Result write(AVPacket* packet, int stream, AVRational timeBase) {
        packet->stream_index = stream;
        av_packet_rescale_ts(packet, timeBase, m_context->streams[stream]->time_base);
        const int result = av_interleaved_write_frame(m_context, packet);
        if (result < 0) {
            return base::Result::failed("writing the scene failed: " + tool::errorText(result));
        }
        return base::Result::ok();
    }

    base::Result finish() {
        int result = av_write_trailer(m_context);
        if (result < 0) {
            return base::Result::failed("finishing the MP4 file failed: " + tool::errorText(result));
        }
        result = avio_closep(&m_context->pb);
        if (result < 0) {
            return base::Result::failed("closing the scene's file failed: " + tool::errorText(result));
        }
        return base::Result::ok();
    }

private:
    static void copyLanguage(const AVStream* from, AVStream* to) {
        if (const AVDictionaryEntry* language = av_dict_get(from->metadata, "language", nullptr, 0))
            av_dict_set(&to->metadata, "language", language->value, 0);
    }

    AVFormatContext* m_context = nullptr;
};

/// What the output's decoding shows, for the check.
struct OutputFacts {
    std::vector<i64> videoPtsUs;
    /// Times of the copied packets read but not decoded.
    std::vector<i64> skippedPtsUs;
    FramePtr first;
    FramePtr last;
    FramePtr copyFirst;
    bool dtsRise = true;
    u32 corrupt = 0;
    bool interlaced = false;
    std::vector<i64> audioSamples;
    std::vector<i64> audioStartUs;
    std::vector<int> audioRates;
};

/// Which video packets of the output (in decoding order) the check decodes:
/// the head, the first pictures of the copy (the join into it) and the
/// tail; and, when there is no tail, the copy's last group from its IDR
/// picture, so that its last frame can be compared. The copy between is the
/// source's own bytes from one IDR picture on; its packets are counted and
/// their times checked without decoding.
struct CheckSpan {
    size_t decodeUntil = 0; // packets before this index are decoded
    size_t resumeAt = 0;    // and those from this index on
};

CheckSpan checkSpanOf(const ScenePlan& plan) {
    // Enough pictures past the IDR to see every reordered one of the join.
    constexpr size_t kJoinPackets = 8;
    const auto head = static_cast<size_t>(plan.headFrames);
    const size_t copied = plan.copyEnd - plan.copyBegin;
    CheckSpan span;
    span.decodeUntil = head + std::min(copied, kJoinPackets);
    span.resumeAt = head + copied;
    if (plan.tailFrames == 0) {
        for (size_t k = plan.copyEnd; k-- > plan.copyBegin;)
            if (plan.packets[k].idr) {
                span.resumeAt = head + (k - plan.copyBegin);
                break;
            }
    }
    span.resumeAt = std::max(span.resumeAt, span.decodeUntil);
    return span;
}

SmartCutResult readOutput(const SmartCutRequest& request, const CheckSpan& span, i64 copyFirstUs,
                          Progress& progress, i64 frames, OutputFacts& facts) {
    const std::atomic<bool>& stop = stopFlagOf(request);
    tool::InputFile input;
    if (SmartCutResult opened = openMedia(request, request.outputPath, 0, input);
        opened.status != SmartCutStatus::kDone)
        return opened.status == SmartCutStatus::kStopped
                   ? opened
                   : status(SmartCutStatus::kCheckFailed,
                            "the written scene cannot be read: " + opened.reason);
    AVFormatContext* context = input.context();
    const int video = tool::mainVideoStream(context);
    if (video < 0)
        return status(SmartCutStatus::kCheckFailed, "the written scene has no video");
    std::vector<std::unique_ptr<tool::Decoder>> decoders(context->nb_streams);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVMediaType type = context->streams[i]->codecpar->codec_type;
        if (static_cast<int>(i) != video && type != AVMEDIA_TYPE_AUDIO)
            continue;
        decoders[i] = std::make_unique<tool::Decoder>();
        if (const base::Result opened = decoders[i]->open(context->streams[i]); !opened.isOk())
            return status(SmartCutStatus::kCheckFailed, opened.reason());
    }
    std::vector<int> audioOrder;
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (decoders[i] && static_cast<int>(i) != video)
            audioOrder.push_back(static_cast<int>(i));
    facts.audioSamples.assign(audioOrder.size(), 0);
    facts.audioStartUs.assign(audioOrder.size(), std::numeric_limits<i64>::min());
    facts.audioRates.assign(audioOrder.size(), 0);

    const AVStream* videoStream = context->streams[video];
    i64 lastDts = std::numeric_limits<i64>::min();
    size_t videoPackets = 0;
    const auto sinkFor = [&](int stream) -> tool::Decoder::FrameSink {
        if (stream == video)
            return [&](AVFrame* frame) {
                const i64 pts = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
                const i64 us = av_rescale_q(pts, videoStream->time_base, kMicroseconds);
                facts.videoPtsUs.push_back(us);
                facts.corrupt += frame->decode_error_flags != 0 ? 1 : 0;
                facts.interlaced = facts.interlaced || frame->interlaced_frame;
                if (!facts.first)
                    facts.first = cloneFrame(frame);
                facts.last = cloneFrame(frame);
                if (us == copyFirstUs)
                    facts.copyFirst = cloneFrame(frame);
                progress.report(SmartCutPhase::kCheck, static_cast<double>(facts.videoPtsUs.size()),
                                static_cast<double>(frames));
                return true;
            };
        const size_t slot =
            static_cast<size_t>(std::find(audioOrder.begin(), audioOrder.end(), stream) - audioOrder.begin());
        const AVStream* audio = context->streams[stream];
        return [&, slot, audio](AVFrame* frame) {
            if (facts.audioStartUs[slot] == std::numeric_limits<i64>::min() && frame->pts != AV_NOPTS_VALUE)
                facts.audioStartUs[slot] = av_rescale_q(frame->pts, audio->time_base, kMicroseconds);
            facts.audioSamples[slot] += frame->nb_samples;
            facts.audioRates[slot] = frame->sample_rate;
            return true;
        };
    };
    std::vector<tool::Decoder::FrameSink> sinks(context->nb_streams);
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (decoders[i])
            sinks[i] = sinkFor(static_cast<int>(i));

    PacketPtr packet = newPacket();
    for (;;) {
        std::string readError;
        const ReadStep step = readPacket(input, -1, packet.get(), stop, readError);
        if (step == ReadStep::kStopped)
            return status(SmartCutStatus::kStopped, "stopped");
        if (step == ReadStep::kFailed)
            return status(SmartCutStatus::kCheckFailed, "the written scene cannot be read: " + readError);
        if (step == ReadStep::kEnd)
            break;
        const int index = packet->stream_index;
        bool decode = index >= 0 && static_cast<unsigned>(index) < decoders.size() && decoders[index];
        if (index == video) {
            if (packet->dts == AV_NOPTS_VALUE || packet->dts <= lastDts)
                facts.dtsRise = false;
            lastDts = packet->dts;
            if (videoPackets >= span.decodeUntil && videoPackets < span.resumeAt) {
                decode = false;
                facts.skippedPtsUs.push_back(
                    av_rescale_q(packet->pts, videoStream->time_base, kMicroseconds));
            }
            ++videoPackets;
        }
        if (decode)
            (void)decoders[index]->decode(packet.get(), sinks[index]); // corrupt packets are counted below
        av_packet_unref(packet.get());
    }
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (!decoders[i])
            continue;
        (void)decoders[i]->decode(nullptr, sinks[i]); // as above
        facts.corrupt += decoders[i]->corruptPackets();
    }
    return status(SmartCutStatus::kDone);
}

/// Every check of the written scene; kDone or kCheckFailed with the first
/// failure.
SmartCutResult checkOutput(const ScenePlan& plan, const std::vector<EncodedAudio>& audio,
                           const OutputFacts& facts, const AVFrame* sourceFirst, const AVFrame* sourceLast,
                           const AVFrame* sourceCopyFirst, SmartCutResult& figures) {
    if (facts.corrupt > 0)
        return status(SmartCutStatus::kCheckFailed, "the written scene has " + std::to_string(facts.corrupt) +
                                                        " pictures that decode with errors");
    if (facts.interlaced)
        return status(SmartCutStatus::kCheckFailed, "the written scene holds interlaced pictures");
    std::vector<i64> shown = facts.videoPtsUs;
    shown.insert(shown.end(), facts.skippedPtsUs.begin(), facts.skippedPtsUs.end());
    std::sort(shown.begin(), shown.end());
    if (shown.size() != plan.scenePts.size())
        return status(SmartCutStatus::kCheckFailed, "the written scene has " + std::to_string(shown.size()) +
                                                        " frames instead of " +
                                                        std::to_string(plan.scenePts.size()));
    if (!facts.dtsRise)
        return status(SmartCutStatus::kCheckFailed, "the written scene's decoding times do not rise");
    // Frame times (and so durations) as the source's, to the rounding
    // between time bases.
    const i64 originUs = av_rescale_q(plan.firstPts(), plan.source.timeBase, kMicroseconds);
    for (size_t i = 0; i < plan.scenePts.size(); ++i) {
        const i64 expected = av_rescale_q(plan.scenePts[i], plan.source.timeBase, kMicroseconds) - originUs;
        if (std::llabs(shown[i] - expected) > 2)
            return status(SmartCutStatus::kCheckFailed, "frame " + std::to_string(i + 1) +
                                                            " of the written scene is shown at another time");
    }
    figures.firstFramePsnr = picturePsnr(facts.first.get(), sourceFirst);
    figures.lastFramePsnr = picturePsnr(facts.last.get(), sourceLast);
    if (figures.firstFramePsnr < kMinEdgePsnr)
        return status(SmartCutStatus::kCheckFailed,
                      "the first frame differs from the source's (" + formatDb(figures.firstFramePsnr) + ")");
    if (figures.lastFramePsnr < kMinEdgePsnr)
        return status(SmartCutStatus::kCheckFailed,
                      "the last frame differs from the source's (" + formatDb(figures.lastFramePsnr) + ")");
    if (picturePsnr(facts.copyFirst.get(), sourceCopyFirst) < 99.0)
        return status(SmartCutStatus::kCheckFailed, "the copied pictures differ from the source's");

    // Sound: starts with the picture and lasts as long, to one AAC frame.
    const i64 videoUs = av_rescale_q(plan.endPts - plan.firstPts(), plan.source.timeBase, kMicroseconds);
    if (facts.audioSamples.size() != audio.size())
        return status(SmartCutStatus::kCheckFailed, "the written scene lacks a sound track");
    for (size_t i = 0; i < audio.size(); ++i) {
        const int rate = facts.audioRates[i] > 0 ? facts.audioRates[i] : audio[i].target.sampleRate;
        const i64 frameUs = av_rescale(1024, 1000000, rate);
        const i64 lengthUs = av_rescale(facts.audioSamples[i], 1000000, rate);
        if (std::llabs(facts.audioStartUs[i]) > frameUs)
            return status(SmartCutStatus::kCheckFailed, "the sound does not start with the picture");
        const i64 wantedUs = audio[i].sourceEnded ? av_rescale(audio[i].samples, 1000000, rate) : videoUs;
        if (std::llabs(lengthUs - wantedUs) > frameUs)
            return status(SmartCutStatus::kCheckFailed, "the sound does not last as long as the picture");
    }
    return status(SmartCutStatus::kDone);
}

} // namespace

SmartCutResult checkSmartCut(const SmartCutRequest& request) {
    ScenePlan plan;
    return planScene(request, plan);
}

SmartCutResult runSmartCut(const SmartCutRequest& request) {
    const std::atomic<bool>& stop = stopFlagOf(request);
    ScenePlan plan;
    SmartCutResult planned = planScene(request, plan);
    if (planned.status != SmartCutStatus::kDone)
        return planned;
    const CheckSpan span = checkSpanOf(plan);
    const auto checkedFrames = static_cast<i64>(span.decodeUntil + (plan.scenePts.size() - span.resumeAt));
    Progress progress(request, plan, checkedFrames);

    // The copy's reader: opened first, since its stream describes the output.
    tool::InputFile copy;
    if (SmartCutResult opened = openMedia(request, request.inputPath, plan.timeUs(plan.copyFirstPts()), copy);
        opened.status != SmartCutStatus::kDone)
        return opened;
    const AVStream* sourceStream = copy.context()->streams[plan.source.streamIndex];

    // The edges, with parameter set ids the source does not use.
    const i32 headId = freeParameterSetId(plan.source.framing.sets, -1);
    const i32 tailId = freeParameterSetId(plan.source.framing.sets, headId);
    if (headId < 0 || tailId < 0)
        return status(SmartCutStatus::kIneligible, "the source uses every parameter set id");
    Edge head, tail;
    if (plan.headFrames > 0) {
        SmartCutResult r =
            encodeEdge(request, plan, sourceStream, plan.headKey, plan.copyBegin, plan.firstPts(),
                       plan.copyFirstPts(), headId, head, progress, SmartCutPhase::kHead, plan.headFrames);
        if (r.status != SmartCutStatus::kDone)
            return r;
    }
    if (plan.tailFrames > 0) {
        SmartCutResult r =
            encodeEdge(request, plan, sourceStream, plan.tailKey, plan.packets.size(), plan.tailFromPts,
                       plan.endPts, tailId, tail, progress, SmartCutPhase::kTail, plan.tailFrames);
        if (r.status != SmartCutStatus::kDone)
            return r;
    }

    // The source pictures the check compares with.
    FramePtr sourceCopyFirst;
    SmartCutResult r = sourcePicture(request, plan, plan.copyBegin, plan.copyBegin + 1, plan.copyFirstPts(),
                                     sourceCopyFirst);
    if (r.status != SmartCutStatus::kDone)
        return r;
    FramePtr sourceLast;
    if (plan.tailFrames > 0) {
        sourceLast = std::move(tail.lastSource);
    } else {
        size_t key = plan.copyBegin;
        for (size_t k = plan.copyEnd; k-- > plan.copyBegin;)
            if (plan.packets[k].key) {
                key = k;
                break;
            }
        r = sourcePicture(request, plan, key, plan.copyEnd, plan.lastPts(), sourceLast);
        if (r.status != SmartCutStatus::kDone)
            return r;
    }
    const AVFrame* sourceFirst = plan.headFrames > 0 ? head.firstSource.get() : sourceCopyFirst.get();

    // Sound, whole, from the first frame to the end of the last.
    std::vector<EncodedAudio> audio;
    const i64 fromUs = plan.timeUs(plan.firstPts());
    const i64 toUs = plan.timeUs(plan.endPts);
    for (size_t i = 0; i < request.audio.size(); ++i) {
        EncodedAudio track;
        r = encodeAudio(request, plan, request.audio[i], fromUs, toUs, track);
        if (r.status != SmartCutStatus::kDone)
            return r;
        progress.report(SmartCutPhase::kAudio, static_cast<double>(i + 1),
                        static_cast<double>(request.audio.size()));
        // A track with no sound in the scene is left out, as a re-encode
        // leaves it empty.
        if (!track.packets.empty())
            audio.push_back(std::move(track));
    }

    // The sample description: the source's parameter sets and the edges'.
    ParameterSets sets = plan.source.framing.sets;
    if (head.opened)
        sets.addAll(head.encoder.sets());
    if (tail.opened)
        sets.addAll(tail.encoder.sets());
    const std::vector<u8> record = buildConfigurationRecord(sets);
    if (record.empty())
        return status(SmartCutStatus::kIneligible, "the parameter sets do not fit one sample description");

    // Decoding order of the output and its time stamps.
    std::vector<OutputPacket> order;
    for (size_t i = 0; i < head.encoder.packets().size(); ++i)
        order.push_back({OutputPacket::From::kHead, i, head.encoder.packets()[i]->pts});
    for (size_t i = plan.copyBegin; i < plan.copyEnd; ++i)
        order.push_back({OutputPacket::From::kCopy, i, plan.packets[i].pts});
    for (size_t i = 0; i < tail.encoder.packets().size(); ++i)
        order.push_back({OutputPacket::From::kTail, i, tail.encoder.packets()[i]->pts});
    std::vector<i64> pts;
    for (const OutputPacket& p : order)
        pts.push_back(p.pts);
    const std::vector<i64> dts = decodingTimes(pts);

    Muxer muxer;
    if (const base::Result opened =
            muxer.open(request.outputPath, sourceStream, record, audio, copy.context());
        !opened.isOk())
        return status(SmartCutStatus::kFailed, opened.reason());

    // Sound is written as the picture's decoding time passes it.
    std::vector<size_t> audioNext(audio.size(), 0);
    const i64 origin = plan.firstPts();
    const AVRational videoBase = plan.source.timeBase;
    auto writeAudioUpTo = [&](i64 us) -> base::Result {
        for (size_t t = 0; t < audio.size(); ++t) {
            const AVRational base = audio[t].encoder->time_base;
            while (audioNext[t] < audio[t].packets.size()) {
                AVPacket* packet = audio[t].packets[audioNext[t]].get();
                if (us != std::numeric_limits<i64>::max() &&
                    av_rescale_q(packet->dts, base, kMicroseconds) > us)
                    break;
                if (base::Result written = muxer.write(packet, static_cast<int>(t + 1), base);
                    !written.isOk())
                    return written;
                ++audioNext[t];
            }
        }
        return base::Result::ok();
    };

    PacketPtr packet = newPacket();
    const i32 lengthSize = plan.source.framing.lengthSize;
    bool copyStarted = false;
    size_t copied = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (stop.load())
            return status(SmartCutStatus::kStopped, "stopped");
        const OutputPacket& entry = order[i];
        av_packet_unref(packet.get());
        if (entry.from == OutputPacket::From::kCopy) {
            // The next video packet of the source, which must be the one
            // planned.
            PacketPtr read = newPacket();
            for (;;) {
                std::string readError;
                const ReadStep step = readPacket(copy, plan.source.streamIndex, read.get(), stop, readError);
                if (step == ReadStep::kStopped)
                    return status(SmartCutStatus::kStopped, "stopped");
                if (step != ReadStep::kPacket)
                    return status(SmartCutStatus::kFailed,
                                  "reading the source failed: " +
                                      (readError.empty() ? "it ended early" : readError));
                if (copyStarted || read->pts == entry.pts)
                    break;
                av_packet_unref(read.get());
            }
            copyStarted = true;
            if (read->pts != entry.pts)
                return status(SmartCutStatus::kFailed, "the source reads differently the second time");
            if (lengthSize == 4) {
                av_packet_move_ref(packet.get(), read.get());
                av_packet_free_side_data(packet.get());
            } else {
                std::vector<u8> data;
                appendLengthPrefixed(
                    data, splitNalUnits({read->data, static_cast<size_t>(read->size)}, lengthSize));
                if (av_new_packet(packet.get(), static_cast<int>(data.size())) < 0)
                    return status(SmartCutStatus::kFailed, "out of memory");
                std::copy(data.begin(), data.end(), packet->data);
                packet->flags = read->flags;
            }
            progress.report(SmartCutPhase::kCopy, static_cast<double>(++copied),
                            static_cast<double>(plan.copiedFrames));
        } else {
            Packets& from =
                entry.from == OutputPacket::From::kHead ? head.encoder.packets() : tail.encoder.packets();
            av_packet_move_ref(packet.get(), from[entry.index].get());
        }
        packet->pts = entry.pts - origin;
        packet->dts = dts[i] - origin;
        // MP4 keeps only decoding steps: the last packet's must take the
        // track to the end of the last frame shown.
        packet->duration =
            i + 1 < order.size() ? plan.nextPts(entry.pts) - entry.pts : plan.endPts - plan.lastPts();
        packet->pos = -1;
        if (const base::Result written = writeAudioUpTo(av_rescale_q(packet->dts, videoBase, kMicroseconds));
            !written.isOk())
            return status(SmartCutStatus::kFailed, written.reason());
        if (const base::Result written = muxer.write(packet.get(), 0, videoBase); !written.isOk())
            return status(SmartCutStatus::kFailed, written.reason());
    }
    if (const base::Result written = writeAudioUpTo(std::numeric_limits<i64>::max()); !written.isOk())
        return status(SmartCutStatus::kFailed, written.reason());
    if (const base::Result finished = muxer.finish(); !finished.isOk())
        return status(SmartCutStatus::kFailed, finished.reason());

    // The check.
    if (request.beforeCheck)
        request.beforeCheck();
    OutputFacts facts;
    const i64 copyFirstUs = av_rescale_q(plan.copyFirstPts() - origin, videoBase, kMicroseconds);
    r = readOutput(request, span, copyFirstUs, progress, checkedFrames, facts);
    if (r.status != SmartCutStatus::kDone)
        return r;
    SmartCutResult result;
    result.headFrames = plan.headFrames;
    result.copiedFrames = plan.copiedFrames;
    result.tailFrames = plan.tailFrames;
    SmartCutResult checked =
        checkOutput(plan, audio, facts, sourceFirst, sourceLast.get(), sourceCopyFirst.get(), result);
    result.status = checked.status;
    result.reason = checked.reason;
    return result;
}

} // namespace s::video::smartcut
