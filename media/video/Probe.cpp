#include "media/video/Probe.h"

#include "media/video/LocalInput.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/dict.h>
#include <libavutil/pixdesc.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace s::video {

using str::strbuffer::StrBuffer;

namespace {

void setFailure(StrBuffer* failure, std::string_view text) {
    if (failure)
        failure->setUtf8(text);
}

void setFailure(StrBuffer* failure, std::string_view what, int averror) {
    if (!failure)
        return;
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(averror, reason, sizeof reason);
    failure->setUtf8(what).appendUtf8(": ").appendUtf8(reason);
}

/// The opened input and its decoders, closed when it goes out of scope.
class Input {
public:
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input() {
        for (AVCodecContext*& decoder : m_decoders)
            avcodec_free_context(&decoder);
        avformat_close_input(&m_context);
    }

    AVFormatContext* context() const { return m_context; }
    /// The opened decoder of stream `i`, or null.
    AVCodecContext* decoder(u32 i) const { return i < m_decoders.size() ? m_decoders[i] : nullptr; }

    /// Opens `path` (absolute, UTF-8) through the local file protocol only and
    /// reads its stream information.
    bool open(const std::string& path, StrBuffer* failure) {
        const std::string url = "file:" + path;
        const AVInputFormat* format = nullptr;
        if (!detectFormat(url, &format, failure))
            return false;
        if (isRefusedInputFormat(format)) {
            setFailure(failure, std::string("refusing the \"") + format->name +
                                    "\" format: it would open other files or addresses");
            return false;
        }
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        // The image reader would otherwise expand "%d" and wildcards in the
        // name into a sequence of other files.
        av_dict_set(&options, "pattern_type", "none", 0);
        // Read every program of a transport stream, as the ffmpeg tools do.
        av_dict_set(&options, "scan_all_pmts", "1", 0);
        int result = avformat_open_input(&m_context, url.c_str(), format, &options);
        av_dict_free(&options);
        if (result < 0) {
            setFailure(failure, "cannot open", result);
            return false;
        }
        result = avformat_find_stream_info(m_context, nullptr);
        if (result < 0) {
            setFailure(failure, "cannot read the stream information", result);
            return false;
        }
        return true;
    }

    /// Opens a decoder for every stream that has one; a stream without a
    /// usable decoder keeps a null entry and does not stop the probe.
    void openDecoders() {
        m_decoders.assign(m_context->nb_streams, nullptr);
        for (u32 i = 0; i < m_context->nb_streams; ++i) {
            const AVStream* stream = m_context->streams[i];
            if (stream->codecpar->codec_id == AV_CODEC_ID_PROBE)
                continue;
            const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
            if (!codec)
                continue;
            AVCodecContext* decoder = avcodec_alloc_context3(codec);
            if (!decoder)
                continue;
            decoder->pkt_timebase = stream->time_base;
            if (avcodec_parameters_to_context(decoder, stream->codecpar) < 0 ||
                avcodec_open2(decoder, codec, nullptr) < 0) {
                av_log(nullptr, AV_LOG_ERROR, "Error while opening codec for input stream %u\n", i);
                avcodec_free_context(&decoder);
                continue;
            }
            m_decoders[i] = decoder;
        }
    }

private:
    /// Finds the container format from the file's first bytes and its name,
    /// the way opening would, so that refused formats are never started.
    static bool detectFormat(const std::string& url, const AVInputFormat** format, StrBuffer* failure) {
        AVDictionary* options = nullptr;
        av_dict_set(&options, "protocol_whitelist", "file", 0);
        AVIOContext* io = nullptr;
        int result = avio_open2(&io, url.c_str(), AVIO_FLAG_READ, nullptr, &options);
        av_dict_free(&options);
        if (result < 0) {
            setFailure(failure, "cannot open", result);
            return false;
        }
        result = av_probe_input_buffer2(io, format, url.c_str(), nullptr, 0, 0);
        avio_closep(&io);
        if (result < 0 || !*format) {
            setFailure(failure, "unknown format", result < 0 ? result : AVERROR_INVALIDDATA);
            return false;
        }
        return true;
    }

    AVFormatContext* m_context = nullptr;
    std::vector<AVCodecContext*> m_decoders;
};

Rational64 toRational(AVRational value) {
    return {value.num, value.den};
}

i64 toMicroseconds(i64 value, AVRational timeBase) {
    if (value == AV_NOPTS_VALUE)
        return -1;
    return av_rescale_q(value, timeBase, AV_TIME_BASE_Q);
}

void copyMetadata(const AVDictionary* metadata, str::strarray::StrArray& keys,
                  str::strarray::StrArray& values) {
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX))) {
        StrBuffer* key = StrBuffer::create();
        key->setUtf8(entry->key);
        keys.append(key);
        StrBuffer* value = StrBuffer::create();
        value->setUtf8(entry->value ? entry->value : "");
        values.append(value);
    }
}

i32 sampleFormatCode(int format) {
    switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(format))) {
    case AV_SAMPLE_FMT_U8:
        return kSampleU8;
    case AV_SAMPLE_FMT_S16:
        return kSampleS16;
    case AV_SAMPLE_FMT_S32:
        return kSampleS32;
    case AV_SAMPLE_FMT_FLT:
        return kSampleFloat;
    case AV_SAMPLE_FMT_DBL:
        return kSampleDouble;
    default:
        return kSampleOther;
    }
}

/// The codec's own clock. Current libraries keep no codec time base for a
/// demuxed stream, so a video codec's is one tick of its frame rate (a frame
/// lasts `ticks_per_frame` ticks, two for field-based codecs such as H.264)
/// and an audio codec's is one sample.
Rational64 codecTimeBaseOf(const AVStream* stream, const AVCodecContext* decoder) {
    if (decoder && decoder->time_base.num > 0 && decoder->time_base.den > 0)
        return toRational(decoder->time_base);
    const AVCodecParameters* par = stream->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        AVRational rate = stream->r_frame_rate.num > 0 ? stream->r_frame_rate : stream->avg_frame_rate;
        if (rate.num > 0 && rate.den > 0) {
            const int ticks = decoder && decoder->ticks_per_frame > 0 ? decoder->ticks_per_frame : 1;
            int num = 0;
            int den = 0;
            av_reduce(&num, &den, rate.den, static_cast<i64>(rate.num) * ticks, INT32_MAX);
            return {num, den};
        }
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
        return {1, par->sample_rate};
    }
    return {0, 1};
}

void fillCodecNames(StreamInfo& info, const AVCodecContext* decoder) {
    // The codec's registered names, as the decoder that opened it knows it.
    // A decoder may be a variant with a name of its own ("mp3float" for
    // "mp3"); the report names the codec, not the variant.
    if (!decoder || !decoder->codec) {
        info.codecName().set(u"Unknown");
        info.codecLongName().set(u"Unknown");
        return;
    }
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(decoder->codec_id);
    const char* name = descriptor ? descriptor->name : decoder->codec->name;
    const char* longName =
        descriptor && descriptor->long_name ? descriptor->long_name : decoder->codec->long_name;
    info.codecName().setUtf8(name ? name : "Unknown");
    info.codecLongName().setUtf8(longName && *longName ? longName : "Unknown");
}

void fillVideo(VideoInfo& info, StreamInfo& stream, AVFormatContext* context, AVStream* avStream) {
    const AVCodecParameters* par = avStream->codecpar;
    stream.setType(kStreamVideo);
    if (!info.hasVideo()) {
        info.setHasVideo(true);
        info.setVideoWidth(par->width);
        info.setVideoHeight(par->height);
    }
    stream.setWidth(par->width);
    stream.setHeight(par->height);
    stream.setHasBFrames(par->video_delay != 0);
    stream.setRotation(displayRotation(avStream));
    const AVRational sar = av_guess_sample_aspect_ratio(context, avStream, nullptr);
    if (sar.den != 0) {
        stream.setAspectKnown(true);
        stream.setSampleAspect({sar.num, sar.den});
        constexpr i64 kMaxTerm = 1024 * 1024;
        int num = 0;
        int den = 0;
        av_reduce(&num, &den, static_cast<i64>(par->width) * sar.num, static_cast<i64>(par->height) * sar.den,
                  kMaxTerm);
        stream.setDisplayAspect({num, den});
    }
    const char* pixelFormat =
        par->format >= 0 ? av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format)) : nullptr;
    stream.pixelFormat().setUtf8(pixelFormat ? pixelFormat : "Unknown");
}

void fillAudio(VideoInfo& info, StreamInfo& stream, const AVCodecParameters* par) {
    stream.setType(kStreamAudio);
    info.setHasAudio(true);
    stream.setSampleRate(par->sample_rate);
    stream.setChannels(par->ch_layout.nb_channels);
    stream.setSampleFormat(sampleFormatCode(par->format));
    // Uncompressed audio: the rate follows from the layout. Computed in 32
    // bits as the stored field's consumers expect.
    const int bits = av_get_bits_per_sample(par->codec_id);
    if (bits > 0) {
        const u32 product = static_cast<u32>(stream.channels()) * static_cast<u32>(stream.sampleRate()) *
                            static_cast<u32>(bits);
        stream.setBitRate(static_cast<i32>(product));
    }
}

void fillStream(VideoInfo& info, StreamInfo& stream, const Input& input, u32 index) {
    AVFormatContext* context = input.context();
    AVStream* avStream = context->streams[index];
    const AVCodecParameters* par = avStream->codecpar;
    const AVCodecContext* decoder = input.decoder(index);

    fillCodecNames(stream, decoder);
    stream.setCodecTimeBase(codecTimeBaseOf(avStream, decoder));
    char tag[AV_FOURCC_MAX_STRING_SIZE] = {};
    av_fourcc_make_string(tag, par->codec_tag);
    stream.codecTagString().setUtf8(tag);
    stream.setCodecTag(par->codec_tag);
    stream.setBitRate(par->bit_rate);

    switch (par->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        fillVideo(info, stream, context, avStream);
        break;
    case AVMEDIA_TYPE_AUDIO:
        fillAudio(info, stream, par);
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        stream.setType(kStreamSubtitle);
        break;
    default:
        stream.setType(kStreamUnknown);
        stream.setAttachment(par->codec_type == AVMEDIA_TYPE_ATTACHMENT);
        break;
    }

    stream.setRealFrameRate(toRational(avStream->r_frame_rate));
    stream.setAverageFrameRate(toRational(avStream->avg_frame_rate));
    stream.setTimeBase(toRational(avStream->time_base));
    stream.setDurationUs(toMicroseconds(avStream->duration, avStream->time_base));
    stream.setFrameCount(avStream->nb_frames);
    copyMetadata(avStream->metadata, stream.metadataKeys(), stream.metadataValues());
}

void fillFormat(VideoInfo& info, const AVFormatContext* context) {
    i64 size = -1;
    if (context->pb) {
        size = avio_size(context->pb);
        if (size < 0)
            size = -1;
    }
    info.setFileSize(size);
    info.formatName().setUtf8(context->iformat->name);
    if (context->iformat->long_name)
        info.formatLongName().setUtf8(context->iformat->long_name);
    info.setDurationUs(context->duration == AV_NOPTS_VALUE ? -1 : context->duration);
    info.setBitRate(context->bit_rate);
    info.fillBitRates();
    copyMetadata(context->metadata, info.metadataKeys(), info.metadataValues());
}

} // namespace

VideoInfo* probe(const StrBuffer& path, StrBuffer* failure) {
    thread::Pooled<VideoInfo> info = thread::makePooled<VideoInfo>();
    if (failure)
        failure->clear();

    const std::string name = path.toStdString();
    struct stat status {};
    if (name.empty() || name.find('\0') != std::string::npos) {
        setFailure(failure, "no usable file name");
        return info.release();
    }
    if (::stat(name.c_str(), &status) != 0) {
        setFailure(failure, std::strerror(errno));
        return info.release();
    }
    info->setExists(true);
    info->path().set(path);
    u32 slash = 0;
    if (path.lastIndexOf(u'/', &slash))
        info->fileName().set(path.chars() + slash + 1, static_cast<i32>(path.length() - slash - 1));
    else
        info->fileName().set(path);

    // Devices and pipes could block the reader forever or never end.
    if (!S_ISREG(status.st_mode)) {
        setFailure(failure, S_ISDIR(status.st_mode) ? "a folder, not a media file" : "not a regular file");
        return info.release();
    }
    const std::string absolute = absolutePath(name);
    if (absolute.empty()) {
        setFailure(failure, "cannot resolve the path", AVERROR(errno));
        return info.release();
    }

    Input input;
    if (!input.open(absolute, failure))
        return info.release();
    info->setOpened(true);

    AVFormatContext* context = input.context();
    for (u32 i = 0; i < context->nb_streams; ++i)
        info->addStream();
    input.openDecoders();
    for (u32 i = 0; i < context->nb_streams; ++i)
        fillStream(*info, *info->stream(i), input, i);
    fillFormat(*info, context);
    return info.release();
}

} // namespace s::video
