#include "media/frame/FrameReader.h"

#include "media/converter/Decode.h"
#include "media/converter/Encode.h"
#include "media/converter/Filters.h"
#include "media/converter/Input.h"
#include "media/video/LocalInput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

namespace s::video::frame {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};
constexpr i64 kMinTime = std::numeric_limits<i64>::min();
/// Without the index: a position at most this far beyond the newest decoded
/// frame is reached by decoding on, anything further by a seek.
constexpr i64 kBlindForwardUs = 2000000;
/// With the index: a key frame before the position that lies at most this
/// far beyond the newest decoded frame is decoded through, not sought.
constexpr i64 kKeyNearUs = 1000000;
/// The frame command opens its input this far before the position.
constexpr i64 kCommandLeadUs = 2000000;

/// The position the frame command compares frame times with: it writes the
/// input seek and the output seek as texts in whole milliseconds (rounded
/// half away from zero), and a frame qualifies when its time is at or after
/// their sum.
i64 commandThresholdUs(i64 positionUs) {
    const i64 first = positionUs < kCommandLeadUs ? 0 : positionUs - kCommandLeadUs;
    const i64 second = positionUs < kCommandLeadUs ? positionUs : kCommandLeadUs;
    const auto ms = [](i64 us) {
        return static_cast<i64>(std::llround(static_cast<double>(us) / 1000.0)) * 1000;
    };
    return ms(first) + ms(second);
}

u64 frameBytes(const AVFrame* frame) {
    u64 bytes = 0;
    for (const AVBufferRef* buffer : frame->buf) {
        if (buffer)
            bytes += buffer->size;
    }
    return bytes;
}

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

/// A decoded frame of the current run and its time from the file's start.
struct Cached {
    FramePtr frame;
    i64 timeUs = 0;
    u64 bytes = 0;
};

/// One video packet as the index records it: times from the file's start.
struct IndexEntry {
    i64 ptsUs = 0;
    bool key = false;
};

/// The packet index, written by the index thread, read by the reader.
struct PacketIndex {
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    std::vector<IndexEntry> entries; // in file order; guarded by lock
    i64 reachedDtsUs = kMinTime;     // the latest decoding time seen; guarded by lock
    bool complete = false;           // the end of the file was reached; guarded by lock
    bool allTimed = true;            // every packet had a presentation time; guarded by lock

    /// Whether every packet shown before `timeUs` has been recorded: video
    /// packets come in decoding order and none is shown before it is
    /// decoded. Caller holds lock.
    bool knowsBefore(i64 timeUs) const { return complete || reachedDtsUs >= timeUs; }
};

} // namespace

struct FrameReader::State {
    explicit State(const std::atomic<bool>& stopFlag) : stop(stopFlag) {}

    const std::atomic<bool>& stop;
    std::string path;
    std::unique_ptr<tool::InputFile> input;
    const AVStream* stream = nullptr;
    int video = -1;
    i64 startUs = 0; // the file's start time
    AVPacket* packet = nullptr;

    std::unique_ptr<tool::Decoder> decoder;
    bool decoderFresh = false; // nothing fed to `decoder` yet
    tool::VideoFilter filter;
    int width = 0, height = 0, rotation = 0;
    AVRational sar{0, 1};

    // The current run: what has been decoded since the last seek.
    bool runActive = false;
    bool inputEnded = false;
    bool drained = false; // the decoder has given its last frames
    i64 firstKeyPts = AV_NOPTS_VALUE;
    bool pastLeading = false;
    i64 coverFromUs = kMinTime; // for positions from here on, the cache is complete
    i64 latestKeyUs = kMinTime; // of the latest key frame fed in this run
    std::deque<Cached> cache;   // in decoding (showing) order
    u64 cacheBytes = 0;
    u64 cacheLimit = kDefaultCacheBytes;
    u64 peakBytes = 0;
    FramePtr lastFrame; // the latest by time in this run
    i64 lastFrameUs = kMinTime;
    bool unsupported = false;
    // Some decoders do not start cleanly on the key frame a seek lands on
    // (MPEG-4 with packed B-frames in AVI loses it, and the times after it
    // shift). The first frame of a run is checked against its key frame;
    // when they disagree, the file is read from then on as the frame command
    // reads it: from a key frame at least the command's lead before the
    // position, where those first frames lie well before what is shown.
    bool leadMode = false;
    bool checkFirst = false; // the next frame is the run's first
    bool firstWrong = false; // it did not show its key frame
    i64 runKeyUs = kMinTime; // the run's key frame time from the file's start

    u32 seeks = 0;
    u64 decoded = 0;

    PacketIndex index;
    std::atomic<bool> indexStop{false};
    std::thread indexThread;
    bool indexStarted = false;

    enum class Plan { kCached, kForward, kSeek };

    ~State() { av_packet_free(&packet); }

    i64 newestUs() const { return cache.empty() ? coverFromUs : cache.back().timeUs; }
    bool atEnd() const { return drained; }

    /// Whether no frame is shown in [fromUs, toUs), as far as the index can
    /// tell.
    bool indexShowsNothing(i64 fromUs, i64 toUs) const {
        std::lock_guard<std::mutex> guard(index.lock);
        if (!index.allTimed || !index.knowsBefore(toUs))
            return false;
        for (const IndexEntry& entry : index.entries) {
            if (entry.ptsUs >= fromUs && entry.ptsUs < toUs)
                return false;
        }
        return true;
    }

    /// Whether the cache answers for `thresholdUs` (the run covers it).
    bool covers(i64 thresholdUs) const {
        return runActive && !cache.empty() &&
               (thresholdUs >= coverFromUs || indexShowsNothing(thresholdUs, coverFromUs));
    }

    /// The cached frame for `thresholdUs`, when the run covers it and has
    /// decoded that far.
    const Cached* lookup(i64 thresholdUs) const {
        if (!covers(thresholdUs))
            return nullptr;
        for (const Cached& entry : cache) {
            if (entry.timeUs >= thresholdUs)
                return &entry;
        }
        return nullptr;
    }

    Plan plan(i64 thresholdUs) const {
        if (!runActive || !covers(thresholdUs))
            return Plan::kSeek;
        if (lookup(thresholdUs) || atEnd())
            return Plan::kCached;
        const i64 newest = newestUs();
        {
            std::lock_guard<std::mutex> guard(index.lock);
            if (index.knowsBefore(thresholdUs + 1)) {
                i64 key = kMinTime;
                for (const IndexEntry& entry : index.entries) {
                    if (entry.key && entry.ptsUs <= thresholdUs)
                        key = std::max(key, entry.ptsUs);
                }
                if (key == kMinTime || key <= latestKeyUs || key - newest <= kKeyNearUs)
                    return Plan::kForward;
                return Plan::kSeek;
            }
        }
        return thresholdUs - newest <= kBlindForwardUs ? Plan::kForward : Plan::kSeek;
    }

    void clearRun() {
        cache.clear();
        cacheBytes = 0;
        lastFrame.reset();
        lastFrameUs = kMinTime;
        runActive = false;
    }

    bool startRun(i64 thresholdUs) {
        clearRun();
        // The cache gave its frames back above; a flushed decoder reuses
        // their buffers, where a new one would fault in fresh memory for
        // every frame. Decoders that do not start cleanly after a flush are
        // caught by the first-frame check and read in lead mode, afresh.
        if (!decoderFresh && !leadMode) {
            decoder->flush();
        } else if (!decoderFresh) {
            auto fresh = std::make_unique<tool::Decoder>();
            if (!fresh->open(stream).isOk()) // it opened for this stream before: the reason is no news
                return false;
            decoder = std::move(fresh);
        }
        decoderFresh = false;
        // In lead mode, the input seek of the frame command itself.
        const i64 seekUs = !leadMode                       ? thresholdUs
                           : thresholdUs >= kCommandLeadUs ? thresholdUs - kCommandLeadUs
                                                           : 0;
        input->seekTo(seekUs, path);
        ++seeks;
        inputEnded = false;
        drained = false;
        firstKeyPts = AV_NOPTS_VALUE;
        pastLeading = false;
        latestKeyUs = kMinTime;
        const i64 key = input->startKeyUs();
        runKeyUs = key == tool::kNoTime ? kMinTime : key - startUs;
        firstWrong = false;
        checkFirst = false;
        if (input->readsFromStart()) {
            coverFromUs = kMinTime;
        } else if (key == tool::kNoTime) {
            coverFromUs = thresholdUs;
        } else if (leadMode) {
            coverFromUs = std::min(thresholdUs, runKeyUs + kCommandLeadUs);
        } else {
            coverFromUs = std::min(thresholdUs, runKeyUs);
            checkFirst = true;
        }
        runActive = true;
        return true;
    }

    /// Takes one decoded frame into the cache.
    bool keep(const AVFrame* frame) {
        const i64 ts =
            frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
        i64 timeUs = 0;
        if (ts != AV_NOPTS_VALUE) {
            timeUs = av_rescale_q(ts, stream->time_base, kMicroseconds) - startUs;
        } else if (!cache.empty()) {
            // An untimed frame follows on from the one before, one frame
            // length later, as the frame command counts it (a decoder may
            // give its last frame without a time).
            AVRational rate = av_guess_frame_rate(input->context(), const_cast<AVStream*>(stream), nullptr);
            if (rate.num <= 0 || rate.den <= 0)
                rate = AVRational{25, 1};
            timeUs = cache.back().timeUs + av_rescale_q(1, av_inv_q(rate), kMicroseconds);
        } else {
            unsupported = true; // where an untimed run begins depends on where the command began
            return true;
        }
        if (!cache.empty() && timeUs < cache.back().timeUs) {
            unsupported =
                true; // times that run backwards: "first at or after" depends on where decoding began
            return true;
        }
        ++decoded;
        if (checkFirst) {
            checkFirst = false;
            if (!frame->key_frame || timeUs != runKeyUs) {
                firstWrong = true;
                return true;
            }
        }
        Cached entry;
        entry.frame.reset(av_frame_clone(frame));
        if (!entry.frame)
            return false;
        entry.timeUs = timeUs;
        entry.bytes = frameBytes(frame);
        if (timeUs >= lastFrameUs) {
            lastFrame.reset(av_frame_clone(frame));
            lastFrameUs = timeUs;
        }
        cacheBytes += entry.bytes;
        cache.push_back(std::move(entry));
        trim();
        peakBytes = std::max(peakBytes, cacheBytes);
        return true;
    }

    /// Drops the oldest frames beyond the limit; the newest always stays.
    void trim() {
        while (cacheBytes > cacheLimit && cache.size() > 1) {
            // Positions up to the dropped frame's time now need decoding again.
            coverFromUs = std::max(coverFromUs, cache.front().timeUs + 1);
            cacheBytes -= cache.front().bytes;
            cache.pop_front();
        }
    }

    bool isLeadingPicture(const AVPacket* p) {
        if (pastLeading || firstKeyPts == AV_NOPTS_VALUE)
            return false;
        if (p->flags & AV_PKT_FLAG_KEY) {
            pastLeading = true;
            return false;
        }
        // With an open group of pictures, the frames shown before the first
        // key frame refer to a group that was not read: left out, as the
        // frame command leaves them out.
        return p->pts != AV_NOPTS_VALUE && p->pts < firstKeyPts;
    }

    enum class Fed { kOk, kStopped, kFailed };

    /// Reads and decodes one packet (or drains the decoder at the end).
    Fed feed() {
        const auto sink = [this](AVFrame* frame) { return keep(frame); };
        if (inputEnded) {
            if (!drained) {
                drained = true;
                if (!decoder->decode(nullptr, sink))
                    return stop.load() ? Fed::kStopped : Fed::kFailed;
            }
            return Fed::kOk;
        }
        const int result = input->read(packet);
        if (result < 0) {
            if (stop.load())
                return Fed::kStopped;
            inputEnded = true; // the end, or damage: what was read is kept, as the command keeps it
            return Fed::kOk;
        }
        if (packet->stream_index != video) {
            av_packet_unref(packet);
            return Fed::kOk;
        }
        if (firstKeyPts == AV_NOPTS_VALUE && (packet->flags & AV_PKT_FLAG_KEY)) {
            firstKeyPts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        } else if (isLeadingPicture(packet)) {
            av_packet_unref(packet);
            return Fed::kOk;
        }
        if ((packet->flags & AV_PKT_FLAG_KEY) && packet->pts != AV_NOPTS_VALUE)
            latestKeyUs =
                std::max(latestKeyUs, av_rescale_q(packet->pts, stream->time_base, kMicroseconds) - startUs);
        const bool ok = decoder->decode(packet, sink);
        av_packet_unref(packet);
        if (!ok)
            return stop.load() ? Fed::kStopped : Fed::kFailed;
        return Fed::kOk;
    }

    /// The BMP of `source` as the frame command writes it.
    bool picture(AVFrame* source, std::vector<u8>& bmp) {
        bmp.clear();
        const AVRational guessed =
            av_guess_sample_aspect_ratio(input->context(), const_cast<AVStream*>(stream), source);
        if (guessed.num > 0)
            source->sample_aspect_ratio = guessed;
        AVFrame* converted = filter.convert(source);
        if (!converted)
            return false;
        converted->pts = 0;
        // The image encoder drains after each picture: a fresh one each time.
        tool::Encoder encoder;
        const bool sideways = rotation % 180 != 0;
        const AVRational shownSar = sideways && sar.num > 0 ? av_inv_q(sar) : sar;
        // It opened when the reader did: a failure now is out of memory.
        if (!encoder.openImage("bmp", sideways ? height : width, sideways ? width : height, shownSar).isOk())
            return false;
        const auto sink = [&bmp](AVPacket* p) {
            bmp.insert(bmp.end(), p->data, p->data + p->size);
            return true;
        };
        return encoder.encode(converted, sink) && encoder.encode(nullptr, sink) && !bmp.empty();
    }

    void runIndex();
};

void FrameReader::State::runIndex() {
    // The index must not take the decoder's place on a busy machine; where
    // the priority cannot be lowered it merely runs at the normal one.
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 10);
    tool::InputFile file;
    tool::InputOptions options;
    options.path = path;
    bool ended = false;
    if (file.open(options, indexStop).isOk() && video < static_cast<int>(file.context()->nb_streams)) {
        const AVStream* own = file.context()->streams[video];
        const AVFormatContext* context = file.context();
        const i64 start = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
        AVPacket* p = av_packet_alloc();
        while (p && !indexStop.load(std::memory_order_relaxed)) {
            const int result = file.read(p);
            if (result < 0) {
                ended = !indexStop.load();
                break;
            }
            if (p->stream_index == video) {
                const i64 pts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
                const i64 dts = p->dts != AV_NOPTS_VALUE ? p->dts : p->pts;
                std::lock_guard<std::mutex> guard(index.lock);
                if (pts == AV_NOPTS_VALUE || p->pts == AV_NOPTS_VALUE) {
                    index.allTimed = false;
                } else {
                    index.entries.push_back({av_rescale_q(pts, own->time_base, kMicroseconds) - start,
                                             (p->flags & AV_PKT_FLAG_KEY) != 0});
                    index.reachedDtsUs = std::max(index.reachedDtsUs,
                                                  av_rescale_q(dts, own->time_base, kMicroseconds) - start);
                }
            }
            av_packet_unref(p);
        }
        av_packet_free(&p);
    }
    std::lock_guard<std::mutex> guard(index.lock);
    index.complete = ended;
    if (!ended)
        index.allTimed = false; // an index that stopped half-way proves nothing
    index.changed.notify_all();
}

FrameReader::FrameReader(const std::atomic<bool>& stop) : m(std::make_unique<State>(stop)) {}

FrameReader::~FrameReader() {
    close();
}

base::Result FrameReader::open(const std::string& path) {
    // Whatever fails leaves the reader closed.
    auto refuse = [this](base::Result why) {
        m->input.reset();
        return why;
    };
    close();
    m = std::make_unique<State>(m->stop);
    m->path = path;
    m->input = std::make_unique<tool::InputFile>();
    tool::InputOptions options;
    options.path = path;
    if (base::Result opened = m->input->open(options, m->stop); !opened.isOk())
        return refuse(std::move(opened));
    AVFormatContext* context = m->input->context();
    if ((context->iformat->flags & AVFMT_NOTIMESTAMPS) || context->duration == AV_NOPTS_VALUE) {
        // Raw streams: the frame command counts their frames by its own rules.
        return refuse(base::Result::failed("the container gives its frames no times"));
    }
    // The stream the frame command's picture output takes.
    m->video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (m->video < 0 || (context->streams[m->video]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
        return refuse(base::Result::failed("no video stream to step through"));
    }
    m->stream = context->streams[m->video];
    m->startUs = context->start_time != AV_NOPTS_VALUE ? context->start_time : 0;
    m->packet = av_packet_alloc();
    m->decoder = std::make_unique<tool::Decoder>();
    if (!m->packet)
        return refuse(base::Result::failed("out of memory"));
    if (base::Result opened = m->decoder->open(m->stream); !opened.isOk())
        return refuse(std::move(opened));
    m->decoderFresh = true;
    const AVCodecContext* decoded = m->decoder->context();
    m->width = decoded->width;
    m->height = decoded->height;
    if (m->width <= 0 || m->height <= 0) {
        return refuse(base::Result::failed("the video size is unknown"));
    }
    m->sar = av_guess_sample_aspect_ratio(context, const_cast<AVStream*>(m->stream), nullptr);
    if (m->sar.num <= 0 || m->sar.den <= 0)
        m->sar = AVRational{0, 1};
    m->rotation = displayRotation(m->stream);
    tool::Encoder probe;
    const bool sideways = m->rotation % 180 != 0;
    base::Result converter =
        probe.openImage("bmp", sideways ? m->height : m->width, sideways ? m->width : m->height, m->sar);
    if (!converter.isOk())
        return refuse(std::move(converter));
    if (!m->filter.configure(m->width, m->height, static_cast<AVPixelFormat>(probe.inputFormat()),
                             AVRational{0, 0}) ||
        !m->filter.setRotation(m->rotation))
        return refuse(base::Result::failed("cannot convert the pictures"));
    return base::Result::ok();
}

GrabResult FrameReader::grab(i64 positionUs, std::vector<u8>& bmp, const AbandonTest& abandon) {
    State& s = *m;
    if (!s.input)
        return GrabResult::kFailed;
    if (s.unsupported)
        return GrabResult::kUnsupported;
    const i64 threshold = commandThresholdUs(std::max<i64>(positionUs, 0));
    if (s.plan(threshold) == State::Plan::kSeek && !s.startRun(threshold))
        return GrabResult::kFailed;
    for (;;) {
        if (s.unsupported) {
            s.clearRun();
            return GrabResult::kUnsupported;
        }
        if (s.firstWrong) {
            s.leadMode = true;
            if (!s.startRun(threshold))
                return GrabResult::kFailed;
        }
        AVFrame* found = nullptr;
        if (const Cached* hit = s.lookup(threshold))
            found = hit->frame.get();
        else if (s.atEnd())
            found = s.lastFrame.get();
        if (found || s.atEnd()) {
            if (!found || !s.picture(found, bmp))
                return GrabResult::kFailed;
            if (!s.indexStarted) {
                // Only now: the first picture must not wait for the index.
                s.indexStarted = true;
                s.indexThread = std::thread([state = &s] { state->runIndex(); });
            }
            return GrabResult::kPicture;
        }
        if (s.stop.load())
            return GrabResult::kStopped;
        if (abandon && abandon())
            return GrabResult::kAbandoned;
        switch (s.feed()) {
        case State::Fed::kOk:
            break;
        case State::Fed::kStopped:
            return GrabResult::kStopped;
        case State::Fed::kFailed:
            s.clearRun(); // the next request starts afresh
            return GrabResult::kFailed;
        }
    }
}

bool FrameReader::continuesTo(i64 currentUs, i64 positionUs) const {
    if (!m->input || positionUs <= currentUs)
        return false;
    return m->plan(commandThresholdUs(positionUs)) == State::Plan::kForward;
}

void FrameReader::setCacheLimit(u64 bytes) {
    m->cacheLimit = bytes;
    m->trim();
}
u64 FrameReader::cacheLimit() const {
    return m->cacheLimit;
}
size_t FrameReader::cachedFrames() const {
    return m->cache.size();
}
u64 FrameReader::cachedBytes() const {
    return m->cacheBytes;
}
u64 FrameReader::peakCachedBytes() const {
    return m->peakBytes;
}
u32 FrameReader::seekCount() const {
    return m->seeks;
}
u64 FrameReader::decodedFrames() const {
    return m->decoded;
}

bool FrameReader::isIndexComplete() const {
    std::lock_guard<std::mutex> guard(m->index.lock);
    return m->index.complete;
}

bool FrameReader::waitForIndex(int ms) const {
    std::unique_lock<std::mutex> guard(m->index.lock);
    return m->index.changed.wait_for(guard, std::chrono::milliseconds(ms),
                                     [this] { return m->index.complete; });
}

void FrameReader::close() {
    if (!m)
        return;
    m->indexStop.store(true);
    if (m->indexThread.joinable())
        m->indexThread.join();
    m->clearRun();
    m->decoder.reset();
    m->input.reset();
}

} // namespace s::video::frame
