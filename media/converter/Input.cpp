#include "media/converter/Input.h"

#include "media/converter/LibAv.h"
#include "media/video/LocalInput.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace s::video::tool {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
/// How far a seek that landed behind the key frame is moved back first;
/// every further try doubles it.
constexpr i64 kFirstBackoffUs = 1000000;
constexpr int kMaxBackoffs = 9;
/// Read-ahead limits of one try: beyond them the seek is taken as it is.
constexpr size_t kMaxAheadPackets = 20000;
constexpr i64 kMaxAheadBytes = 96 << 20;

} // namespace

InputFile::~InputFile() {
    clearAhead();
    avformat_close_input(&m_context);
}

void InputFile::clearAhead() {
    for (AVPacket*& packet : m_ahead)
        av_packet_free(&packet);
    m_ahead.clear();
}

base::Result InputFile::open(const InputOptions& options, const std::atomic<bool>& stop) {
    const std::string absolute = absolutePath(options.path);
    if (absolute.empty()) {
        return base::Result::failed(options.path + ": cannot resolve the name");
    }
    const std::string url = "file:" + absolute;

    const AVInputFormat* format = nullptr;
    if (!options.format.empty()) {
        format = av_find_input_format(options.format.c_str());
        if (!format) {
            return base::Result::failed("Unknown input format: '" + options.format + "'");
        }
    } else {
        // Detect the format the way opening would, so that refused formats
        // are never started.
        AVDictionary* ioOptions = nullptr;
        av_dict_set(&ioOptions, "protocol_whitelist", "file", 0);
        AVIOContext* io = nullptr;
        int result = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, nullptr, &ioOptions);
        av_dict_free(&ioOptions);
        if (result < 0) {
            return base::Result::failed(options.path + ": " + errorText(result));
        }
        result = av_probe_input_buffer2(io, &format, url.c_str(), nullptr, 0, 0);
        avio_closep(&io);
        if (result < 0 || !format) {
            return base::Result::failed(options.path + ": " +
                                        errorText(result < 0 ? result : AVERROR_INVALIDDATA));
        }
    }
    if (isRefusedInputFormat(format)) {
        return base::Result::failed(options.path + ": refusing the \"" + format->name + "\" format");
    }

    m_context = avformat_alloc_context();
    if (!m_context) {
        return base::Result::failed("out of memory");
    }
    m_context->interrupt_callback.callback = [](void* flag) {
        return static_cast<const std::atomic<bool>*>(flag)->load(std::memory_order_relaxed) ? 1 : 0;
    };
    m_context->interrupt_callback.opaque = const_cast<std::atomic<bool>*>(&stop);
    AVDictionary* openOptions = nullptr;
    av_dict_set(&openOptions, "protocol_whitelist", "file", 0);
    av_dict_set(&openOptions, "pattern_type", "none", 0);
    av_dict_set(&openOptions, "scan_all_pmts", "1", 0);
    if (!options.probeSize.empty())
        av_dict_set(&openOptions, "probesize", options.probeSize.c_str(), 0);
    if (!options.analyzeDuration.empty())
        av_dict_set(&openOptions, "analyzeduration", options.analyzeDuration.c_str(), 0);
    int result = avformat_open_input(&m_context, url.c_str(), format, &openOptions);
    av_dict_free(&openOptions);
    // The interrupt callback ends the open and the probe for a stop.
    if (result == AVERROR_EXIT)
        return base::Result::stopped();
    if (result < 0)
        return base::Result::failed(options.path + ": " + errorText(result));
    result = avformat_find_stream_info(m_context, nullptr);
    if (result == AVERROR_EXIT)
        return base::Result::stopped();
    if (result < 0)
        return base::Result::failed(options.path + ": could not find codec parameters: " + errorText(result));

    if (options.seekUs != kNoTime)
        seekTo(options.seekUs, options.path);
    else
        m_offsetUs = m_context->start_time != AV_NOPTS_VALUE ? -m_context->start_time : 0;
    return base::Result::ok();
}

void InputFile::seekTo(i64 positionUs, const std::string& name) {
    const i64 start = m_context->start_time != AV_NOPTS_VALUE ? m_context->start_time : 0;
    m_offsetUs = -start - positionUs;
    m_seeked = true;
    m_startKeyUs = kNoTime;
    m_fromStart = true;
    clearAhead();
    const i64 wanted = positionUs + start;
    i64 target = wanted;
    // Containers that seek by decoding time land after the wanted
    // presentation time when frames are reordered: aim a little earlier
    // (about three frames), as the converter always has.
    if (!(m_context->iformat->flags & AVFMT_SEEK_TO_PTS)) {
        for (unsigned i = 0; i < m_context->nb_streams; ++i) {
            if (m_context->streams[i]->codecpar->video_delay > 0) {
                target -= 3 * AV_TIME_BASE / 23;
                break;
            }
        }
    }
    seek(wanted, target, name);
}

void InputFile::seek(i64 wantedUs, i64 targetUs, const std::string& name) {
    const i64 start = m_context->start_time != AV_NOPTS_VALUE ? m_context->start_time : 0;
    const int video = mainVideoStream(m_context);
    i64 backoff = 0;
    for (int tries = 0;; ++tries) {
        bool exhausted = tries >= kMaxBackoffs;
        const bool fromStart = targetUs - backoff <= start;
        // A position at the file's start needs no seek at all: the input is
        // still there after reading its stream information.
        const SeekFrom from = !fromStart                  ? SeekFrom::kTime
                              : tries == 0 && m_untouched ? SeekFrom::kNowhere
                                                          : SeekFrom::kStart;
        exhausted = exhausted || fromStart;
        if (seekAndScan(from, targetUs - backoff, wantedUs, video, exhausted) || exhausted)
            break;
        backoff = backoff == 0 ? kFirstBackoffUs : backoff * 2;
    }
    if (video < 0)
        return;
    // Start with the last key frame at or before the position (the first
    // one when there is none).
    const AVStream* stream = m_context->streams[video];
    size_t key = m_ahead.size();
    for (size_t i = 0; i < m_ahead.size(); ++i) {
        const AVPacket* packet = m_ahead[i];
        if (packet->stream_index != video || !(packet->flags & AV_PKT_FLAG_KEY))
            continue;
        const i64 time = packetTimeUs(packet, stream);
        if (key == m_ahead.size() || (time != kNoTime && time <= wantedUs))
            key = i;
        if (time != kNoTime && time > wantedUs)
            break;
    }
    if (key == m_ahead.size()) {
        if (!m_ahead.empty())
            av_log(nullptr, AV_LOG_WARNING, "%s: no video key frame near position %.3f\n", name.c_str(),
                   static_cast<double>(wantedUs - start) / AV_TIME_BASE);
        return;
    }
    m_startKeyUs = packetTimeUs(m_ahead[key], stream);
    // The video's earlier pictures go; what other streams have before the
    // key frame is for the stages to judge (a copy leaves it out).
    std::deque<AVPacket*> kept;
    for (size_t i = 0; i < m_ahead.size(); ++i) {
        AVPacket* packet = m_ahead[i];
        if (packet->stream_index == video && i < key)
            av_packet_free(&packet);
        else
            kept.push_back(packet);
    }
    m_ahead.swap(kept);
}

bool InputFile::seekAndScan(SeekFrom from, i64 targetUs, i64 wantedUs, int video, bool& exhausted) {
    clearAhead();
    int result = 0;
    if (from == SeekFrom::kStart) {
        // Transport and program streams go back to their first byte: a
        // search by time for the start can land behind the first key frame
        // when the streams begin at different times. Containers with an
        // index seek by time (AVI keeps counting its frames from where it
        // was when moved by bytes).
        const bool byBytes =
            (m_context->iformat->flags & AVFMT_TS_DISCONT) && !(m_context->iformat->flags & AVFMT_NO_BYTE_SEEK);
        result = byBytes ? av_seek_frame(m_context, -1, 0, AVSEEK_FLAG_BYTE)
                         : avformat_seek_file(m_context, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0);
        if (result < 0 && byBytes)
            result = avformat_seek_file(m_context, -1, INT64_MIN, INT64_MIN, INT64_MIN, 0);
    } else if (from == SeekFrom::kTime) {
        result = avformat_seek_file(m_context, -1, INT64_MIN, targetUs, targetUs, 0);
    }
    m_fromStart = from != SeekFrom::kTime && result >= 0;
    if (result < 0) {
        av_log(nullptr, AV_LOG_WARNING, "could not seek to position %.3f: reading from the start\n",
               static_cast<double>(targetUs) / AV_TIME_BASE);
        // A stream that cannot seek (no index, no times) is read from its
        // start, where the times of its frames can still be counted; trying
        // further back gains nothing.
        if (!(m_context->iformat->flags & AVFMT_NO_BYTE_SEEK) && av_seek_frame(m_context, -1, 0, AVSEEK_FLAG_BYTE) >= 0)
            m_fromStart = true;
        exhausted = true;
    }
    if (video < 0)
        return true;
    const AVStream* stream = m_context->streams[video];
    i64 bytes = 0;
    i64 firstKeyUs = kNoTime;
    bool sawKey = false;
    for (;;) {
        AVPacket* packet = av_packet_alloc();
        if (!packet) {
            exhausted = true;
            return sawKey;
        }
        const int read = readFromFile(packet);
        if (read < 0) {
            av_packet_free(&packet);
            // The end of the file after the last key frame: try further back.
            return sawKey && (firstKeyUs == kNoTime || firstKeyUs <= wantedUs);
        }
        m_ahead.push_back(packet);
        bytes += packet->size;
        if (packet->stream_index == video) {
            const i64 time = packetTimeUs(packet, stream);
            if (!sawKey && (packet->flags & AV_PKT_FLAG_KEY)) {
                sawKey = true;
                firstKeyUs = time;
                if (time == kNoTime) {
                    // No times to judge by: take the seek as it is.
                    exhausted = true;
                    return true;
                }
                if (time > wantedUs)
                    return false;
            }
            // Once the decoding time passes the position no later key frame
            // can be at or before it.
            const i64 decodeUs = packet->dts != AV_NOPTS_VALUE
                                     ? av_rescale_q(packet->dts, stream->time_base, kMicroseconds)
                                     : time;
            if (sawKey && decodeUs != kNoTime && decodeUs > wantedUs)
                return true;
        }
        if (m_ahead.size() >= kMaxAheadPackets || bytes >= kMaxAheadBytes) {
            exhausted = true;
            return sawKey;
        }
    }
}

int InputFile::read(AVPacket* packet) {
    if (!m_ahead.empty()) {
        AVPacket* next = m_ahead.front();
        m_ahead.pop_front();
        av_packet_move_ref(packet, next);
        av_packet_free(&next);
        return 0;
    }
    return readFromFile(packet);
}

int InputFile::readFromFile(AVPacket* packet) {
    m_untouched = false;
    for (;;) {
        const int result = av_read_frame(m_context, packet);
        if (result != AVERROR(EAGAIN))
            return result;
        ::usleep(1000);
    }
}

} // namespace s::video::tool
