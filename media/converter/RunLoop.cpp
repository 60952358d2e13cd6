#include "media/converter/RunLoop.h"

#include "media/converter/Decode.h"
#include "media/converter/Encode.h"
#include "media/converter/Filters.h"
#include "media/converter/Input.h"
#include "media/converter/LibAv.h"
#include "media/converter/Options.h"
#include "media/converter/Output.h"
#include "media/converter/Subtitles.h"
#include "media/video/LocalInput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

namespace s::video::tool {

namespace {

constexpr AVRational kMicroseconds{1, 1000000};

enum class Kind { kCopy, kVideo, kAudio, kImage, kSubtitle };

struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

/// One stream of the output and everything that feeds it.
struct OutStream {
    Kind kind = Kind::kCopy;
    AVStream* in = nullptr;
    AVStream* out = nullptr;
    std::unique_ptr<Decoder> decoder;
    std::unique_ptr<VideoFilter> videoFilter;
    std::unique_ptr<AudioFilter> audioFilter;
    std::unique_ptr<Encoder> encoder;
    std::unique_ptr<SubtitleTranscoder> subtitles;
    bool done = false;
    bool started = false;   // copy: the first packet (a key frame for video) has gone out
    i64 packets = 0;        // written
    i64 scenePackets = 0;   // copy: written packets that show within the scene (not only before its start)
    i64 frames = 0;         // video frames sent to the encoder
    i64 frameLimit = -1;    // video frames allowed, -1 = no limit
    i64 lastTimeUs = -1;    // the last time on the output clock, for progress
    i64 lastInputUs = kNoTime; // the last frame time seen, for frames without one
    i64 nextDts = AV_NOPTS_VALUE; // copy: the expected time of the next packet (input time base)
    i64 firstKeyPts = AV_NOPTS_VALUE; // video: of the first key frame taken (input time base)
    bool pastLeading = false;         // video: a second key frame has come, nothing more to leave out
    i64 maxPts = AV_NOPTS_VALUE;      // copy: the latest presentation time written (input time base)
    AVRational rate{0, 0};
    /// Picture: the latest frame decoded before the position, with its
    /// time; written when the input ends before a frame at the position
    /// came (a position at or past the last frame shows the last frame).
    std::unique_ptr<AVFrame, FrameFree> lastBefore;
    i64 lastBeforeUs = 0;
    bool isVideo() const { return in->codecpar->codec_type == AVMEDIA_TYPE_VIDEO; }
};

} // namespace

/// Everything one run owns; destroyed at its end, whatever the outcome.
namespace {
struct RunState {
    Options options;
    InputFile input;
    OutputFile output;
    std::vector<std::unique_ptr<OutStream>> streams;
    std::vector<std::vector<OutStream*>> byInput; // input stream index -> its output streams
    AVPacket* packet = nullptr;
    bool stopped = false;
    bool writeFailed = false;
    i64 startUs = 0;       // output start ("-ss" after "-i"), 0 when none
    bool startGiven = false;
    i64 durationUs = -1;   // "-t", -1 when none

    ~RunState() { av_packet_free(&packet); }
};
} // namespace

ConversionRun::ConversionRun(const std::atomic<bool>& stop, Progress progress)
    : m_stop(stop), m_progress(std::move(progress)) {}

ConversionRun::~ConversionRun() = default;

namespace {

/// The steps of one run over its state. Kept apart from the public class so
/// that the header shows no library types.
class Pipeline {
public:
    Pipeline(ConversionRun::Progress& progress, const std::atomic<bool>& stop)
        : m_progress(progress), m_stop(stop) {}

    base::Result run(const std::vector<std::string>& args);

private:
    bool fail(std::string text) {
        if (m_failure.empty())
            m_failure = std::move(text);
        return false;
    }
    base::Result failedRun() {
        fail("Conversion failed"); // a reason only when no step gave one
        return base::Result::failed(m_failure);
    }
    bool stopRequested() {
        if (m_stop.load(std::memory_order_relaxed))
            m_stopped = true;
        return m_stopped;
    }

    bool setUp(const std::vector<std::string>& args);
    bool selectStreams(std::vector<int>& chosen);
    bool addStream(int index);
    bool setUpCopy(OutStream& stream);
    bool setUpVideo(OutStream& stream, const std::string& encoderName);
    bool setUpAudio(OutStream& stream, const std::string& encoderName);
    std::unique_ptr<SubtitleTranscoder> openSubtitles(const AVStream* in, std::string encoderName);
    bool setUpSubtitle(OutStream& stream);
    bool loop();
    bool handlePacket(OutStream& stream, AVPacket* packet);
    bool isLeadingPicture(OutStream& stream, const AVPacket* packet);
    bool copyPacket(OutStream& stream, AVPacket* packet);
    bool copySubtitle(OutStream& stream, AVPacket* packet);
    bool subtitlePacket(OutStream& stream, AVPacket* packet);
    bool videoFrame(OutStream& stream, AVFrame* frame);
    bool audioFrame(OutStream& stream, AVFrame* frame);
    bool drainAudio(OutStream& stream, bool final);
    bool writePacket(OutStream& stream, AVPacket* packet, AVRational timeBase);
    bool flush();
    /// Keeps `frame` as the picture's latest frame before the position.
    void keepLastBefore(OutStream& stream, const AVFrame* frame, i64 timeUs);
    /// Converts, encodes and writes one picture.
    bool writePicture(OutStream& stream, AVFrame* frame, i64 timeUs);
    bool allDone() const;
    void reportProgress(bool final);
    i64 frameTimeUs(OutStream& stream, const AVFrame* frame);

    ConversionRun::Progress& m_progress;
    const std::atomic<bool>& m_stop;
    std::string m_failure; // the first reason; later ones follow from it
    std::unique_ptr<RunState> m_state = std::make_unique<RunState>();
    bool m_stopped = false;
    std::chrono::steady_clock::time_point m_lastReport{};
};

base::Result Pipeline::run(const std::vector<std::string>& args) {
    if (!setUp(args)) {
        if (m_stopped)
            return base::Result::stopped(); // the input's opening was stopped
        av_log(nullptr, AV_LOG_ERROR, "%s\n", m_failure.c_str());
        return failedRun();
    }
    m_lastReport = std::chrono::steady_clock::now();
    const bool looped = loop();
    if (m_stopped) {
        m_state->output.abandon();
        return base::Result::stopped();
    }
    if (!looped || !flush()) {
        m_state->output.abandon();
        fail("Conversion failed");
        av_log(nullptr, AV_LOG_ERROR, "%s\n", m_failure.c_str());
        return failedRun();
    }
    // A mapped video stream that got nothing makes an unusable file (a copy
    // that starts after the last key frame, a grab past the end), and so
    // does a copy whose frames all lie before the scene (a scene after the
    // end of the video: its last key frame came before the start).
    for (const auto& stream : m_state->streams) {
        // A cover picture is one still for the whole file: it has no time
        // in the scene to be judged by.
        const bool cover = stream->in->disposition & AV_DISPOSITION_ATTACHED_PIC;
        const bool nothing =
            stream->packets == 0 || (stream->kind == Kind::kCopy && !cover && stream->scenePackets == 0);
        if (stream->isVideo() && nothing) {
            m_state->output.abandon();
            fail("No video frame was written for input stream #0:" + std::to_string(stream->in->index));
            av_log(nullptr, AV_LOG_ERROR, "%s\n", m_failure.c_str());
            return failedRun();
        }
    }
    if (!m_state->output.finish()) {
        fail("Could not finish the output file");
        return failedRun();
    }
    reportProgress(true);
    return base::Result::ok();
}

bool Pipeline::setUp(const std::vector<std::string>& args) {
    RunState& state = *m_state;
    if (const base::Result parsed = parseOptions(args, state.options); !parsed.isOk())
        return fail("Error splitting the argument list: " + parsed.reason());
    if (state.options.inputs.size() != 1 || state.options.outputs.size() != 1)
        return fail("Error opening files: one input and one output are supported");
    const OutputOptions& out = state.options.outputs.front();
    if (const base::Result opened = state.input.open(state.options.inputs.front(), m_stop); !opened.isOk()) {
        m_stopped = opened.isStopped();
        return fail("Error opening input files: " + opened.reason());
    }
    const bool overwrite = state.options.overwrite && !state.options.noOverwrite;
    if (const base::Result prepared = state.output.prepare(out.path, out.format, overwrite); !prepared.isOk())
        return fail("Error opening output files: " + prepared.reason());
    state.startGiven = out.startUs != kNoTime;
    state.startUs = state.startGiven ? out.startUs : 0;
    state.durationUs = out.durationUs != kNoTime ? out.durationUs : -1;
    state.packet = av_packet_alloc();
    if (!state.packet)
        return fail("out of memory");

    std::vector<int> chosen;
    if (!selectStreams(chosen))
        return false;
    AVFormatContext* in = state.input.context();
    state.byInput.assign(in->nb_streams, {});
    for (int index : chosen) {
        if (!addStream(index))
            return false;
    }
    if (state.streams.empty())
        return fail("Error opening output files: the output would have no streams");
    if (!state.output.isImage()) {
        av_dict_copy(&state.output.context()->metadata, in->metadata, 0);
        if (!state.output.copyChapters(in, state.input.timeOffsetUs() - state.startUs, state.durationUs))
            return fail("out of memory");
        if (const base::Result begun = state.output.begin(); !begun.isOk())
            return fail("Error opening output files: " + begun.reason());
    }
    return true;
}

bool Pipeline::selectStreams(std::vector<int>& chosen) {
    RunState& state = *m_state;
    const OutputOptions& out = state.options.outputs.front();
    AVFormatContext* in = state.input.context();
    const int count = static_cast<int>(in->nb_streams);
    if (!out.maps.empty()) {
        for (const StreamMap& map : out.maps) {
            if (map.input != 0)
                return fail("Invalid input file index: " + std::to_string(map.input));
            if (map.stream >= count)
                return fail("Stream map '0:" + std::to_string(map.stream) + "' matches no streams");
            for (int i = 0; i < count; ++i) {
                if (map.stream < 0 || map.stream == i)
                    chosen.push_back(i);
            }
        }
    } else {
        // The default choice: the best video and the best audio stream.
        if (!out.noVideo) {
            const int video = av_find_best_stream(in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
            if (video >= 0)
                chosen.push_back(video);
        }
        if (!out.noAudio && !state.output.isImage()) {
            const int audio = av_find_best_stream(in, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
            if (audio >= 0)
                chosen.push_back(audio);
        }
    }
    // "-an", "-vn" and "-sn" also take mapped streams away.
    std::erase_if(chosen, [&](int i) {
        const AVMediaType type = in->streams[i]->codecpar->codec_type;
        return (out.noAudio && type == AVMEDIA_TYPE_AUDIO) || (out.noVideo && type == AVMEDIA_TYPE_VIDEO) ||
               (out.noSubtitle && type == AVMEDIA_TYPE_SUBTITLE);
    });
    return true;
}

bool Pipeline::addStream(int index) {
    RunState& state = *m_state;
    const OutputOptions& out = state.options.outputs.front();
    AVStream* in = state.input.context()->streams[index];
    const AVMediaType type = in->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_ATTACHMENT && !state.output.takesAttachments()) {
        av_log(nullptr, AV_LOG_WARNING,
               "stream #0:%d (attached file) is left out: the %s container cannot hold it\n", index,
               state.output.format()->name);
        return true;
    }
    const CodecChoice* choice = type == AVMEDIA_TYPE_VIDEO      ? &out.videoCodec
                                : type == AVMEDIA_TYPE_AUDIO    ? &out.audioCodec
                                : type == AVMEDIA_TYPE_SUBTITLE ? &out.subtitleCodec
                                                                : nullptr;
    // Data and attachment streams only ever go through as copies.
    const bool anyCopy = out.videoCodec.isCopy() || out.audioCodec.isCopy() || out.subtitleCodec.isCopy();
    const bool copy = choice ? choice->isCopy() : anyCopy;
    std::string encoderName = choice && choice->set ? choice->name : std::string();

    auto stream = std::make_unique<OutStream>();
    stream->in = in;
    if (copy) {
        stream->kind = Kind::kCopy;
    } else if (type == AVMEDIA_TYPE_VIDEO) {
        stream->kind = state.output.isImage() ? Kind::kImage : Kind::kVideo;
        if (encoderName.empty()) {
            const AVCodecID id = av_guess_codec(state.output.format(), nullptr, out.path.c_str(), nullptr,
                                                AVMEDIA_TYPE_VIDEO);
            const AVCodec* codec = avcodec_find_encoder(id);
            if (!codec)
                return fail("Error opening output files: no video encoder for the output");
            encoderName = codec->name;
        }
    } else if (type == AVMEDIA_TYPE_AUDIO) {
        stream->kind = Kind::kAudio;
        if (encoderName.empty()) {
            const AVCodec* codec = avcodec_find_encoder(state.output.format()->audio_codec);
            if (!codec)
                return fail("Error opening output files: no audio encoder for the output");
            encoderName = codec->name;
        }
    } else if (type == AVMEDIA_TYPE_SUBTITLE && !state.output.isImage()) {
        stream->subtitles = openSubtitles(in, encoderName);
        if (!stream->subtitles)
            return true; // left out, with a warning
        stream->kind = Kind::kSubtitle;
    } else {
        // Other conversions are not offered; such streams are left out.
        av_log(nullptr, AV_LOG_WARNING, "stream #0:%d is left out (only copied streams of this kind)\n", index);
        return true;
    }
    if (state.output.isImage() && stream->kind != Kind::kImage)
        return fail("Error opening output files: a picture output takes one video stream");

    stream->out = state.output.addStream();
    if (!stream->out)
        return fail("out of memory");
    bool ok = false;
    switch (stream->kind) {
    case Kind::kCopy: ok = setUpCopy(*stream); break;
    case Kind::kVideo:
    case Kind::kImage: ok = setUpVideo(*stream, encoderName); break;
    case Kind::kAudio: ok = setUpAudio(*stream, encoderName); break;
    case Kind::kSubtitle: ok = setUpSubtitle(*stream); break;
    }
    if (!ok)
        return false;
    if (type == AVMEDIA_TYPE_VIDEO && out.maxVideoFrames >= 0) {
        stream->frameLimit = out.maxVideoFrames;
        if (out.maxVideoFrames == 0)
            stream->done = true;
    }
    if (type == AVMEDIA_TYPE_ATTACHMENT)
        stream->done = true; // no packets: the file goes into the header
    av_dict_copy(&stream->out->metadata, in->metadata, 0);
    stream->out->disposition = in->disposition;
    state.byInput[index].push_back(stream.get());
    state.streams.push_back(std::move(stream));
    return true;
}

bool Pipeline::setUpCopy(OutStream& stream) {
    AVStream* in = stream.in;
    AVStream* out = stream.out;
    if (avcodec_parameters_copy(out->codecpar, in->codecpar) < 0)
        return fail("out of memory");
    // Keep the codec tag only where the output's table agrees with it.
    const AVOutputFormat* format = m_state->output.format();
    const unsigned tag = in->codecpar->codec_tag;
    if (tag && format->codec_tag && av_codec_get_id(format->codec_tag, tag) != in->codecpar->codec_id) {
        unsigned known = 0;
        if (av_codec_get_tag2(format->codec_tag, in->codecpar->codec_id, &known))
            out->codecpar->codec_tag = 0;
    }
    // A block size that only repeats the frame size would make the AVI
    // writer treat variable-size frames as fixed blocks and misstate the
    // length.
    const AVCodecID id = in->codecpar->codec_id;
    const int block = in->codecpar->block_align;
    if ((id == AV_CODEC_ID_MP3 && (block == 1 || block == 576 || block == 1152)) || id == AV_CODEC_ID_AC3)
        out->codecpar->block_align = 0;
    out->time_base = in->time_base;
    out->avg_frame_rate = in->avg_frame_rate;
    out->r_frame_rate = in->r_frame_rate;
    out->sample_aspect_ratio = in->sample_aspect_ratio;
    copySideData(in, out);
    return true;
}

bool Pipeline::setUpVideo(OutStream& stream, const std::string& encoderName) {
    RunState& state = *m_state;
    const OutputOptions& options = state.options.outputs.front();
    stream.decoder = std::make_unique<Decoder>();
    if (const base::Result opened = stream.decoder->open(stream.in); !opened.isOk())
        return fail("Error opening input files: " + opened.reason());
    const AVCodecContext* decoded = stream.decoder->context();
    int width = options.width > 0 ? options.width : decoded->width;
    int height = options.height > 0 ? options.height : decoded->height;
    if (width <= 0 || height <= 0)
        return fail("Error opening output files: the video size is unknown");
    AVRational sar = av_guess_sample_aspect_ratio(state.input.context(), stream.in, nullptr);
    if (sar.num <= 0 || sar.den <= 0)
        sar = AVRational{0, 1};
    const bool image = stream.kind == Kind::kImage;
    if (!image) {
        // H.264 in 4:2:0 needs even sizes.
        width += width & 1;
        height += height & 1;
    }
    if (sar.num > 0 && (width != decoded->width || height != decoded->height))
        av_reduce(&sar.num, &sar.den, static_cast<i64>(sar.num) * height * decoded->width,
                  static_cast<i64>(sar.den) * width * decoded->height, INT32_MAX);
    stream.encoder = std::make_unique<Encoder>();
    // A picture is written the way a player shows it: turned upright.
    const int rotation = image ? displayRotation(stream.in) : 0;
    if (image) {
        const bool sideways = rotation % 180 != 0;
        const AVRational shownSar = sideways && sar.num > 0 ? av_inv_q(sar) : sar;
        const base::Result opened = stream.encoder->openImage(encoderName, sideways ? height : width,
                                                              sideways ? width : height, shownSar);
        if (!opened.isOk())
            return fail("Error opening output files: " + opened.reason());
    } else {
        AVRational rate{options.rateNum, options.rateDen};
        if (rate.num <= 0)
            rate = av_guess_frame_rate(state.input.context(), stream.in, nullptr);
        if (rate.num <= 0 || rate.den <= 0)
            rate = AVRational{25, 1};
        stream.rate = rate;
        const base::Result opened =
            stream.encoder->openVideo(encoderName, options, width, height, sar, rate, decoded->field_order,
                                      state.output.needsGlobalHeader());
        if (!opened.isOk())
            return fail("Error opening output files: " + opened.reason());
        if (state.durationUs >= 0)
            stream.frameLimit = av_rescale_q_rnd(state.durationUs, kMicroseconds, av_inv_q(rate), AV_ROUND_UP);
    }
    stream.videoFilter = std::make_unique<VideoFilter>();
    if (!stream.videoFilter->configure(width, height,
                                       static_cast<AVPixelFormat>(stream.encoder->inputFormat()),
                                       image ? AVRational{0, 0} : stream.rate) ||
        !stream.videoFilter->setRotation(rotation))
        return fail("out of memory");
    AVCodecContext* encoder = stream.encoder->context();
    if (avcodec_parameters_from_context(stream.out->codecpar, encoder) < 0)
        return fail("out of memory");
    stream.out->time_base = encoder->time_base;
    stream.out->avg_frame_rate = encoder->framerate;
    stream.out->sample_aspect_ratio = sar;
    // A rotation stays metadata; the pixels are not turned.
    if (const u8* matrix = av_stream_get_side_data(stream.in, AV_PKT_DATA_DISPLAYMATRIX, nullptr)) {
        if (u8* copy = av_stream_new_side_data(stream.out, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)))
            std::memcpy(copy, matrix, 9 * sizeof(int32_t));
    }
    return true;
}

bool Pipeline::setUpAudio(OutStream& stream, const std::string& encoderName) {
    RunState& state = *m_state;
    const OutputOptions& options = state.options.outputs.front();
    stream.decoder = std::make_unique<Decoder>();
    if (const base::Result opened = stream.decoder->open(stream.in); !opened.isOk())
        return fail("Error opening input files: " + opened.reason());
    const AVCodecContext* decoded = stream.decoder->context();
    const int rate = options.sampleRate > 0 ? options.sampleRate : decoded->sample_rate;
    AVChannelLayout layout{};
    int channels = options.channels > 0 ? options.channels : decoded->ch_layout.nb_channels;
    // "-ac" is made for the first audio track: a later track with fewer
    // channels keeps its own rather than being spread over more.
    if (options.channels > 0 && decoded->ch_layout.nb_channels > 0)
        channels = std::min(channels, decoded->ch_layout.nb_channels);
    if (options.channels <= 0 && decoded->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
        av_channel_layout_copy(&layout, &decoded->ch_layout);
    else
        av_channel_layout_default(&layout, channels > 0 ? channels : 2);
    if (rate <= 0)
        return fail("Error opening output files: the sample rate is unknown");
    stream.encoder = std::make_unique<Encoder>();
    const base::Result opened =
        stream.encoder->openAudio(encoderName, options, rate, layout, state.output.needsGlobalHeader());
    av_channel_layout_uninit(&layout);
    if (!opened.isOk())
        return fail("Error opening output files: " + opened.reason());
    AVCodecContext* encoder = stream.encoder->context();
    stream.audioFilter = std::make_unique<AudioFilter>();
    if (!stream.audioFilter->configure(rate, encoder->ch_layout, encoder->sample_fmt, state.durationUs,
                                       state.options.audioSync > 0))
        return fail("out of memory");
    if (avcodec_parameters_from_context(stream.out->codecpar, encoder) < 0)
        return fail("out of memory");
    stream.out->time_base = encoder->time_base;
    return true;
}

std::unique_ptr<SubtitleTranscoder> Pipeline::openSubtitles(const AVStream* in, std::string encoderName) {
    const RunState& state = *m_state;
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(in->codecpar->codec_id);
    const char* codecName = descriptor ? descriptor->name : "unknown";
    if (encoderName.empty()) {
        const AVCodec* codec = avcodec_find_encoder(state.output.format()->subtitle_codec);
        if (!codec) {
            av_log(nullptr, AV_LOG_WARNING,
                   "stream #0:%d (%s subtitles) is left out: the %s container takes no subtitles\n", in->index,
                   codecName, state.output.format()->name);
            return nullptr;
        }
        encoderName = codec->name;
    }
    if (!isTextSubtitle(in)) {
        av_log(nullptr, AV_LOG_WARNING,
               "stream #0:%d (%s subtitles) is left out: picture subtitles cannot be converted into %s\n",
               in->index, codecName, encoderName.c_str());
        return nullptr;
    }
    auto subtitles = std::make_unique<SubtitleTranscoder>();
    if (const base::Result opened = subtitles->open(in, encoderName, state.output.needsGlobalHeader());
        !opened.isOk()) {
        av_log(nullptr, AV_LOG_WARNING, "stream #0:%d (%s subtitles) is left out: %s\n", in->index, codecName,
               opened.reason().c_str());
        return nullptr;
    }
    return subtitles;
}

bool Pipeline::setUpSubtitle(OutStream& stream) {
    if (avcodec_parameters_from_context(stream.out->codecpar, stream.subtitles->encoder()) < 0)
        return fail("out of memory");
    stream.out->time_base = AVRational{1, 1000};
    return true;
}

bool Pipeline::allDone() const {
    for (const auto& stream : m_state->streams) {
        if (!stream->done)
            return false;
    }
    return true;
}

bool Pipeline::loop() {
    RunState& state = *m_state;
    AVPacket* packet = state.packet;
    while (!allDone()) {
        if (stopRequested())
            return false;
        const int result = state.input.read(packet);
        if (result == AVERROR_EOF)
            break;
        if (result < 0) {
            if (stopRequested())
                return false;
            // A damaged or cut-off file: what was read so far is kept.
            av_log(nullptr, AV_LOG_WARNING, "input ends early: %s\n", errorText(result).c_str());
            break;
        }
        if (packet->stream_index >= 0 && static_cast<size_t>(packet->stream_index) < state.byInput.size()) {
            for (OutStream* stream : state.byInput[packet->stream_index]) {
                if (!handlePacket(*stream, packet)) {
                    av_packet_unref(packet);
                    return false;
                }
            }
        }
        av_packet_unref(packet);
        reportProgress(false);
    }
    return true;
}

bool Pipeline::isLeadingPicture(OutStream& stream, const AVPacket* packet) {
    if (!stream.isVideo() || stream.pastLeading || stream.firstKeyPts == AV_NOPTS_VALUE)
        return false;
    if (packet->flags & AV_PKT_FLAG_KEY) {
        stream.pastLeading = true;
        return false;
    }
    // With an open group of pictures the frames shown before the first key
    // frame refer to the group before it, which is not there: they cannot be
    // decoded, so they are left out rather than passed on broken.
    return packet->pts != AV_NOPTS_VALUE && packet->pts < stream.firstKeyPts;
}

bool Pipeline::handlePacket(OutStream& stream, AVPacket* packet) {
    if (stream.done)
        return true;
    if (stream.kind == Kind::kSubtitle)
        return subtitlePacket(stream, packet);
    if (stream.kind == Kind::kCopy && stream.in->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE)
        return copySubtitle(stream, packet);
    if (stream.kind == Kind::kCopy)
        return copyPacket(stream, packet);
    if (stream.isVideo()) {
        if (stream.firstKeyPts == AV_NOPTS_VALUE && (packet->flags & AV_PKT_FLAG_KEY) && m_state->input.seeked())
            stream.firstKeyPts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        else if (isLeadingPicture(stream, packet))
            return true;
    }
    const auto sink = [&](AVFrame* frame) {
        if (stopRequested())
            return false;
        if (stream.done)
            return true;
        return stream.kind == Kind::kAudio ? audioFrame(stream, frame) : videoFrame(stream, frame);
    };
    return stream.decoder->decode(packet, sink);
}

bool Pipeline::copyPacket(OutStream& stream, AVPacket* packet) {
    const RunState& state = *m_state;
    const AVRational base = stream.in->time_base;
    if (packet->dts == AV_NOPTS_VALUE && packet->pts == AV_NOPTS_VALUE && stream.nextDts != AV_NOPTS_VALUE) {
        // Laced or otherwise untimed packets follow on from the previous one.
        packet->dts = stream.nextDts;
        if (!stream.isVideo())
            packet->pts = stream.nextDts;
    }
    {
        i64 duration = packet->duration;
        if (duration <= 0 && stream.in->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            const int samples = av_get_audio_frame_duration2(stream.in->codecpar, packet->size);
            if (samples > 0 && stream.in->codecpar->sample_rate > 0)
                duration = av_rescale_q(samples, AVRational{1, stream.in->codecpar->sample_rate}, base);
        }
        const i64 known = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
        stream.nextDts = known != AV_NOPTS_VALUE && duration > 0 ? known + duration : AV_NOPTS_VALUE;
    }
    const i64 dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    const i64 pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    const i64 offsetUs = state.input.timeOffsetUs() - state.startUs;
    if (!stream.started) {
        // With a start after the input, packets before it are left out.
        if (state.startGiven && pts != AV_NOPTS_VALUE &&
            av_rescale_q(pts, base, kMicroseconds) + state.input.timeOffsetUs() < state.startUs)
            return true;
        // After an input seek the copy starts with the video's key frame at
        // or before the position; what ends before that key frame is left
        // out, so that every stream starts together.
        const i64 startKeyUs = state.input.startKeyUs();
        if (!stream.isVideo() && startKeyUs != kNoTime && pts != AV_NOPTS_VALUE) {
            const i64 endUs = av_rescale_q(pts + std::max<i64>(packet->duration, 0), base, kMicroseconds);
            if (endUs <= startKeyUs)
                return true;
        }
        // A copied video stream begins with a key frame.
        if (stream.isVideo() && !(packet->flags & AV_PKT_FLAG_KEY))
            return true;
        stream.started = true;
        if (stream.isVideo()) {
            stream.firstKeyPts = pts;
            stream.pastLeading = false;
        }
    } else if (isLeadingPicture(stream, packet)) {
        return true;
    }
    if (dts != AV_NOPTS_VALUE && state.durationUs >= 0 &&
        av_rescale_q(dts, base, kMicroseconds) + offsetUs >= state.durationUs) {
        // The end is judged by decoding time, but with reordered pictures
        // some that are shown before the last one copied come after it:
        // they are taken too, so the copy ends without a hole.
        const bool fillsIn = stream.isVideo() && !(packet->flags & AV_PKT_FLAG_KEY) && pts != AV_NOPTS_VALUE &&
                             stream.maxPts != AV_NOPTS_VALUE && pts < stream.maxPts;
        if (!fillsIn) {
            stream.done = true;
            return true;
        }
    }
    if (stream.frameLimit >= 0 && stream.packets >= stream.frameLimit) {
        stream.done = true;
        return true;
    }
    const i64 shift = av_rescale_q(offsetUs, kMicroseconds, base);
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += shift;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += shift;
    packet->pos = -1;
    if (pts != AV_NOPTS_VALUE)
        stream.maxPts = stream.maxPts == AV_NOPTS_VALUE ? pts : std::max(stream.maxPts, pts);
    if (pts != AV_NOPTS_VALUE && pts + shift + std::max<i64>(packet->duration, 1) > 0)
        ++stream.scenePackets;
    return writePacket(stream, packet, base);
}

bool Pipeline::copySubtitle(OutStream& stream, AVPacket* packet) {
    const RunState& state = *m_state;
    const AVRational base = stream.in->time_base;
    // Cues keep their place against the picture and are clipped to the
    // scene: one that began before it starts at 0, none outlasts it.
    const i64 shift = av_rescale_q(state.input.timeOffsetUs() - state.startUs, kMicroseconds, base);
    if (packet->pts != AV_NOPTS_VALUE)
        packet->pts += shift;
    if (packet->dts != AV_NOPTS_VALUE)
        packet->dts += shift;
    switch (clipSubtitlePacket(packet, stream.in, state.durationUs)) {
    case CueFit::kBefore:
        return true;
    case CueFit::kAfter:
        stream.done = true;
        return true;
    case CueFit::kKept:
        break;
    }
    packet->pos = -1;
    return writePacket(stream, packet, base);
}

bool Pipeline::subtitlePacket(OutStream& stream, AVPacket* packet) {
    const RunState& state = *m_state;
    bool pastEnd = false;
    const auto sink = [&](AVPacket* cue) { return writePacket(stream, cue, kMicroseconds); };
    const i64 offsetUs = state.input.timeOffsetUs() - state.startUs;
    if (!stream.subtitles->transcode(packet, offsetUs, state.durationUs, sink, &pastEnd))
        return fail("Error while converting subtitles");
    if (pastEnd)
        stream.done = true;
    return true;
}

i64 Pipeline::frameTimeUs(OutStream& stream, const AVFrame* frame) {
    const RunState& state = *m_state;
    const i64 ts = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp : frame->pts;
    // Untimed frames (raw streams) read from the file's start begin at its
    // time 0; after a seek that found no times, at the seek position.
    i64 timeUs = state.input.readsFromStart() ? state.input.timeOffsetUs() : 0;
    if (ts != AV_NOPTS_VALUE) {
        timeUs = av_rescale_q(ts, stream.in->time_base, kMicroseconds) + state.input.timeOffsetUs();
    } else if (stream.lastInputUs != kNoTime) {
        // No time on the frame: follow on from the previous one.
        AVRational rate = stream.rate;
        if (rate.num <= 0 || rate.den <= 0)
            rate = av_guess_frame_rate(state.input.context(), stream.in, nullptr);
        if (rate.num <= 0 || rate.den <= 0)
            rate = AVRational{25, 1};
        timeUs = stream.lastInputUs + (stream.kind == Kind::kAudio && frame->sample_rate > 0
                                           ? av_rescale(frame->nb_samples, 1000000, frame->sample_rate)
                                           : av_rescale_q(1, av_inv_q(rate), kMicroseconds));
    }
    stream.lastInputUs = timeUs;
    return timeUs;
}

void Pipeline::keepLastBefore(OutStream& stream, const AVFrame* frame, i64 timeUs) {
    if (stream.lastBefore && timeUs < stream.lastBeforeUs)
        return; // frames come in showing order; an earlier one is not the latest
    AVFrame* copy = av_frame_clone(frame);
    if (!copy)
        return; // without memory the position simply shows nothing
    stream.lastBefore.reset(copy);
    stream.lastBeforeUs = timeUs;
}

bool Pipeline::writePicture(OutStream& stream, AVFrame* frame, i64 timeUs) {
    const RunState& state = *m_state;
    const AVRational sar = av_guess_sample_aspect_ratio(state.input.context(), stream.in, frame);
    if (sar.num > 0)
        frame->sample_aspect_ratio = sar;
    AVFrame* picture = stream.videoFilter->convert(frame);
    if (!picture)
        return fail("Error converting the picture");
    picture->pts = 0;
    bool written = false;
    const auto sink = [&](AVPacket* packet) {
        written = m_state->output.writeImage(packet->data, static_cast<size_t>(packet->size), m_stop);
        return written;
    };
    if (!stream.encoder->encode(picture, sink) || !stream.encoder->encode(nullptr, sink) || !written)
        return fail("Error writing the picture");
    ++stream.packets;
    ++stream.frames;
    stream.lastTimeUs = timeUs;
    if (stream.frameLimit < 0 || stream.frames >= stream.frameLimit)
        stream.done = true;
    return true;
}

bool Pipeline::videoFrame(OutStream& stream, AVFrame* frame) {
    const RunState& state = *m_state;
    i64 timeUs = frameTimeUs(stream, frame);
    // An input seek lands on a key frame before the position: the frames up
    // to the position are decoded only to be dropped (a picture keeps the
    // latest of them in case none follows).
    if ((state.input.seeked() && timeUs < 0) || (state.startGiven && timeUs < state.startUs)) {
        if (stream.kind == Kind::kImage)
            keepLastBefore(stream, frame, timeUs);
        return true;
    }
    if (state.startGiven)
        timeUs -= state.startUs;
    if (state.durationUs >= 0 && timeUs >= state.durationUs) {
        stream.done = true;
        return true;
    }
    const AVRational sar = av_guess_sample_aspect_ratio(state.input.context(), stream.in, frame);
    if (sar.num > 0)
        frame->sample_aspect_ratio = sar;

    if (stream.kind == Kind::kImage)
        return writePicture(stream, frame, timeUs);

    i64 first = 0;
    const i64 repeats = stream.videoFilter->repeatsFor(timeUs, &first);
    if (repeats <= 0)
        return true;
    AVFrame* picture = stream.videoFilter->convert(frame);
    if (!picture)
        return fail("Error converting the picture");
    for (i64 k = 0; k < repeats; ++k) {
        if (stream.frameLimit >= 0 && first + k >= stream.frameLimit) {
            stream.done = true;
            return true;
        }
        picture->pts = first + k;
        picture->pict_type = AV_PICTURE_TYPE_NONE;
        const AVRational base = stream.encoder->context()->time_base;
        if (!stream.encoder->encode(picture, [&](AVPacket* packet) { return writePacket(stream, packet, base); }))
            return fail("Error while encoding video");
        ++stream.frames;
        if (stopRequested())
            return false;
    }
    return true;
}

bool Pipeline::audioFrame(OutStream& stream, AVFrame* frame) {
    const RunState& state = *m_state;
    i64 timeUs = frameTimeUs(stream, frame);
    if (state.startGiven)
        timeUs -= state.startUs;
    if (!stream.audioFilter->push(frame, timeUs))
        return fail("Error while resampling audio");
    if (!drainAudio(stream, false))
        return false;
    if (stream.audioFilter->full()) {
        if (!drainAudio(stream, true) || !stream.encoder->encode(nullptr, [&](AVPacket* packet) {
                return writePacket(stream, packet, stream.encoder->context()->time_base);
            }))
            return fail("Error while encoding audio");
        stream.done = true;
    }
    return true;
}

bool Pipeline::drainAudio(OutStream& stream, bool final) {
    const AVRational base = stream.encoder->context()->time_base;
    while (AVFrame* chunk = stream.audioFilter->pull(stream.encoder->frameSize(), final)) {
        if (!stream.encoder->encode(chunk, [&](AVPacket* packet) { return writePacket(stream, packet, base); }))
            return fail("Error while encoding audio");
    }
    return true;
}

bool Pipeline::writePacket(OutStream& stream, AVPacket* packet, AVRational timeBase) {
    av_packet_rescale_ts(packet, timeBase, stream.out->time_base);
    packet->stream_index = stream.out->index;
    i64 end = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (end != AV_NOPTS_VALUE && packet->duration > 0)
        end += packet->duration;
    if (end != AV_NOPTS_VALUE)
        stream.lastTimeUs = std::max(stream.lastTimeUs, av_rescale_q(end, stream.out->time_base, kMicroseconds));
    if (!m_state->output.write(packet))
        return fail("Error writing to the output file");
    ++stream.packets;
    return true;
}

bool Pipeline::flush() {
    for (const auto& owned : m_state->streams) {
        OutStream& stream = *owned;
        if (stream.kind == Kind::kCopy || stream.kind == Kind::kSubtitle)
            continue;
        if (stream.kind == Kind::kImage) {
            // The decoder still holds the input's last frames: the picture
            // asked for may be one of them.
            const auto frames = [&](AVFrame* frame) {
                if (stopRequested())
                    return false;
                return stream.done || videoFrame(stream, frame);
            };
            if (!stream.done && !stream.decoder->decode(nullptr, frames))
                return false;
            // The input ended before the position: its last frame is the
            // one on show there.
            if (!stream.done && stream.frames == 0 && stream.lastBefore) {
                std::unique_ptr<AVFrame, FrameFree> last = std::move(stream.lastBefore);
                if (!writePicture(stream, last.get(), 0))
                    return false;
            }
            continue;
        }
        const AVRational base = stream.encoder->context()->time_base;
        const auto sink = [&](AVPacket* packet) { return writePacket(stream, packet, base); };
        if (stream.done && stream.kind == Kind::kAudio)
            continue; // already drained when it filled up
        if (!stream.done) {
            const auto frames = [&](AVFrame* frame) {
                if (stopRequested())
                    return false;
                if (stream.done)
                    return true;
                return stream.kind == Kind::kAudio ? audioFrame(stream, frame) : videoFrame(stream, frame);
            };
            if (!stream.decoder->decode(nullptr, frames))
                return false;
        }
        if (stream.kind == Kind::kAudio && !stream.done) {
            if (!stream.audioFilter->flush() || !drainAudio(stream, true))
                return fail("Error while resampling audio");
        }
        if (stream.kind == Kind::kAudio && stream.done)
            continue;
        if (!stream.encoder->encode(nullptr, sink))
            return fail("Error while encoding");
        stream.done = true;
    }
    return !stopRequested();
}

void Pipeline::reportProgress(bool final) {
    if (!m_progress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!final && now - m_lastReport < std::chrono::milliseconds(500))
        return;
    m_lastReport = now;
    i64 lastUs = 0;
    for (const auto& stream : m_state->streams)
        lastUs = std::max(lastUs, stream->lastTimeUs);
    m_progress(lastUs / 1000000);
}

} // namespace

base::Result ConversionRun::execute(const std::vector<std::string>& args) {
    Pipeline pipeline(m_progress, m_stop);
    return pipeline.run(args);
}

} // namespace s::video::tool
