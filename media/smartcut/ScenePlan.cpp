#include "media/smartcut/ScenePlan.h"

#include "media/converter/Input.h"
#include "media/converter/LibAv.h"
#include "media/smartcut/Common.h"
#include "media/smartcut/Handles.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <algorithm>
#include <limits>

namespace s::video::smartcut {

namespace {

/// Packets read on past the first key frame after the scene: enough to see
/// the pictures displayed before it but decoded after it.
constexpr size_t kPacketsPastEnd = 40;
/// A bound on the packets of one scene (a day of 60 fps video).
constexpr size_t kMaxScenePackets = 6'000'000;

SmartCutResult ineligible(std::string reason, SmartCutReason kind = SmartCutReason::kOther) {
    SmartCutResult result = smartResult(SmartCutStatus::kIneligible, std::move(reason));
    result.reasonKind = kind;
    return result;
}

SmartCutResult failed(std::string reason) {
    return smartResult(SmartCutStatus::kFailed, std::move(reason));
}

bool holdsIdrSlice(const AVPacket* packet, i32 lengthSize) {
    for (const NalUnit& unit : splitNalUnits({packet->data, static_cast<size_t>(packet->size)}, lengthSize))
        if (unit.type() == kNalIdrSlice)
            return true;
    return false;
}

/// The smallest presentation time among the packets from `from` on that
/// can still be displayed before it (those decoded shortly after it).
i64 firstShownFrom(const std::vector<ScenePacket>& packets, size_t from) {
    i64 first = packets[from].pts;
    const size_t end = std::min(packets.size(), from + kPacketsPastEnd);
    for (size_t i = from; i < end; ++i)
        first = std::min(first, packets[i].pts);
    return first;
}

/// Whether the packets [begin, end) are exactly the frames shown from the
/// first one's time up to `until` (exclusive): none missing, none foreign.
bool isWholeRun(const std::vector<ScenePacket>& packets, size_t begin, size_t end, i64 until) {
    const i64 from = packets[begin].pts;
    for (size_t i = begin; i < end; ++i)
        if (packets[i].pts < from || packets[i].pts >= until)
            return false;
    size_t shown = 0;
    for (const ScenePacket& packet : packets)
        if (packet.pts >= from && packet.pts < until)
            ++shown;
    return shown == end - begin;
}

} // namespace

i64 ScenePlan::timeUs(i64 pts) const {
    return av_rescale_q(pts, source.timeBase, AVRational{1, 1000000}) - source.fileStartUs;
}

i64 ScenePlan::nextPts(i64 pts) const {
    auto it = std::upper_bound(scenePts.begin(), scenePts.end(), pts);
    return it == scenePts.end() ? endPts : *it;
}

SmartCutResult eligibility(const AVFormatContext* context, int video) {
    const AVCodecParameters* par = context->streams[video]->codecpar;
    SmartCutResult result = smartResult(SmartCutStatus::kDone);
    if (par->codec_id != AV_CODEC_ID_H264) {
        const AVCodecDescriptor* codec = avcodec_descriptor_get(par->codec_id);
        result = ineligible(std::string("the video is not H.264 but ") + (codec ? codec->name : "unknown"),
                            SmartCutReason::kNotH264);
        result.reasonName = codec ? codec->name : "unknown";
        return result;
    }
    const auto format = static_cast<AVPixelFormat>(par->format);
    if (format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVJ420P) {
        const char* name = av_get_pix_fmt_name(format);
        result = ineligible(std::string("the video is not 8-bit 4:2:0 but ") + (name ? name : "unknown"),
                            SmartCutReason::kNot8Bit420);
        result.reasonName = name ? name : "unknown";
        return result;
    }
    if (par->field_order != AV_FIELD_UNKNOWN && par->field_order != AV_FIELD_PROGRESSIVE)
        return ineligible("the video is interlaced", SmartCutReason::kInterlaced);
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        if (context->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
            return ineligible("the source has subtitles", SmartCutReason::kSubtitles);
    }
    return result;
}

SmartCutResult planScene(const SmartCutRequest& request, ScenePlan& plan) {
    plan = {};
    if (request.endUs <= request.startUs)
        return ineligible("the scene is empty");
    const std::atomic<bool>& stop = stopFlagOf(request);

    tool::InputFile input;
    if (SmartCutResult opened = openMedia(request, request.inputPath, request.startUs, input);
        opened.status != SmartCutStatus::kDone)
        return opened;
    AVFormatContext* context = input.context();
    const int video = tool::mainVideoStream(context);
    if (video < 0)
        return ineligible("the source has no video");
    if (SmartCutResult eligible = eligibility(context, video); eligible.status != SmartCutStatus::kDone)
        return eligible;

    SourceVideo& source = plan.source;
    source.streamIndex = video;
    const AVStream* stream = context->streams[video];
    source.timeBase = stream->time_base;
    source.fileStartUs = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    if (!parseExtradata({stream->codecpar->extradata, static_cast<size_t>(stream->codecpar->extradata_size)},
                        source.framing))
        return ineligible("the video's stream header cannot be read");
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVCodecParameters* par = context->streams[i]->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && avcodec_find_decoder(par->codec_id))
            source.audioStreams.push_back(static_cast<int>(i));
    }

    // The packets around the scene.
    PacketPtr packet = newPacket();
    bool atEnd = false;
    size_t pastEnd = 0;
    bool keyAfterEnd = false;
    for (;;) {
        std::string readError;
        const ReadStep step = readPacket(input, video, packet.get(), stop, readError);
        if (step == ReadStep::kStopped)
            return smartResult(SmartCutStatus::kStopped, "stopped");
        if (step == ReadStep::kFailed)
            return failed("reading the source failed: " + readError);
        if (step == ReadStep::kEnd) {
            atEnd = true;
            break;
        }
        if (packet->pts == AV_NOPTS_VALUE)
            return ineligible("the video packets carry no presentation times");
        ScenePacket entry;
        entry.pts = packet->pts;
        entry.duration = packet->duration;
        entry.key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
        if (entry.key) {
            entry.idr = holdsIdrSlice(packet.get(), source.framing.lengthSize);
            // Parameter sets sent along with the pictures (MPEG-TS) count as
            // the source's too: their ids are taken.
            source.framing.sets.addFrom(
                splitNalUnits({packet->data, static_cast<size_t>(packet->size)}, source.framing.lengthSize));
        }
        av_packet_unref(packet.get());
        if (plan.packets.size() >= kMaxScenePackets)
            return ineligible("the scene is too long");
        plan.packets.push_back(entry);
        if (entry.key && plan.timeUs(entry.pts) >= request.endUs)
            keyAfterEnd = true;
        if (keyAfterEnd && ++pastEnd > kPacketsPastEnd)
            break;
    }
    if (source.framing.sets.empty())
        return ineligible("the video's parameter sets are missing");

    // Pictures before the first key frame cannot be decoded from it: they
    // are no frames of the file.
    std::vector<ScenePacket>& packets = plan.packets;
    auto firstKey = std::find_if(packets.begin(), packets.end(), [](const ScenePacket& p) { return p.key; });
    packets.erase(packets.begin(), firstKey);
    if (packets.empty())
        return ineligible("the scene holds no key frame", SmartCutReason::kNoWholeGroup);

    for (const ScenePacket& p : packets) {
        const i64 t = plan.timeUs(p.pts);
        if (t >= request.startUs && t < request.endUs)
            plan.scenePts.push_back(p.pts);
    }
    std::sort(plan.scenePts.begin(), plan.scenePts.end());
    if (plan.scenePts.empty())
        return ineligible("the scene holds no frame");
    if (std::adjacent_find(plan.scenePts.begin(), plan.scenePts.end()) != plan.scenePts.end())
        return ineligible("two frames of the scene have the same time");
    plan.endPts = std::numeric_limits<i64>::max();
    for (const ScenePacket& p : packets)
        if (plan.timeUs(p.pts) >= request.endUs)
            plan.endPts = std::min(plan.endPts, p.pts);
    const bool sceneRunsToEnd = plan.endPts == std::numeric_limits<i64>::max();
    if (sceneRunsToEnd) {
        if (!atEnd)
            return failed("the source ended early");
        auto last = std::find_if(packets.begin(), packets.end(),
                                 [&](const ScenePacket& p) { return p.pts == plan.lastPts(); });
        i64 duration = last->duration;
        if (duration <= 0 && plan.scenePts.size() > 1)
            duration = plan.lastPts() - plan.scenePts[plan.scenePts.size() - 2];
        if (duration <= 0)
            return ineligible("the last frame's duration is unknown");
        plan.endPts = plan.lastPts() + duration;
    }

    // The head: decoded from the last key frame at or before the first
    // frame, up to the first IDR picture of the scene.
    const i64 first = plan.firstPts();
    bool haveHeadKey = false;
    for (size_t i = 0; i < packets.size(); ++i)
        if (packets[i].key && packets[i].pts <= first) {
            plan.headKey = i;
            haveHeadKey = true;
        }
    if (!haveHeadKey)
        return ineligible("the scene starts before its first key frame", SmartCutReason::kNoWholeGroup);
    bool haveCopy = false;
    for (size_t i = plan.headKey; i < packets.size() && !haveCopy; ++i) {
        if (packets[i].idr && packets[i].pts >= first && packets[i].pts < plan.endPts) {
            plan.copyBegin = i;
            haveCopy = true;
        }
    }
    if (!haveCopy)
        return ineligible("no IDR picture starts a group of pictures inside the scene",
                          SmartCutReason::kNoWholeGroup);
    const i64 copyFirst = plan.copyFirstPts();
    for (size_t i = 0; i < packets.size(); ++i) {
        const bool before = i < plan.copyBegin;
        if (before ? packets[i].pts >= copyFirst : packets[i].pts < copyFirst)
            return ineligible("frames on both sides of the copied part are reordered across it");
    }

    // The copy: up to the last key frame such that everything before it is
    // a whole run of frames that ends inside the scene.
    bool haveEnd = false;
    if (sceneRunsToEnd &&
        isWholeRun(packets, plan.copyBegin, packets.size(), std::numeric_limits<i64>::max())) {
        plan.copyEnd = packets.size();
        plan.tailFromPts = std::numeric_limits<i64>::max();
        haveEnd = true;
    }
    for (size_t k = packets.size(); k-- > plan.copyBegin + 1 && !haveEnd;) {
        if (!packets[k].key)
            continue;
        const i64 shownFrom = firstShownFrom(packets, k);
        if (shownFrom > plan.endPts || !isWholeRun(packets, plan.copyBegin, k, shownFrom))
            continue;
        plan.copyEnd = k;
        plan.tailFromPts = shownFrom;
        haveEnd = true;
    }
    if (!haveEnd)
        return ineligible("the scene holds no whole group of pictures to copy",
                          SmartCutReason::kNoWholeGroup);

    // The tail: decoded from the key frame the copy ends at, or from the one
    // before when pictures shown before it are decoded after it.
    plan.tailKey = plan.copyEnd;
    if (plan.copyEnd < packets.size() && plan.tailFromPts < packets[plan.copyEnd].pts) {
        for (size_t k = plan.copyEnd; k-- > plan.copyBegin;)
            if (packets[k].key) {
                plan.tailKey = k;
                break;
            }
    }

    for (i64 pts : plan.scenePts) {
        if (pts < copyFirst)
            ++plan.headFrames;
        else if (pts < plan.tailFromPts)
            ++plan.copiedFrames;
        else
            ++plan.tailFrames;
    }
    SmartCutResult done;
    done.status = SmartCutStatus::kDone;
    done.headFrames = plan.headFrames;
    done.copiedFrames = plan.copiedFrames;
    done.tailFrames = plan.tailFrames;
    return done;
}

} // namespace s::video::smartcut
