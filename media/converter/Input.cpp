#include "media/converter/Input.h"

#include "media/video/LocalInput.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace s::video::tool {

namespace {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

} // namespace

InputFile::~InputFile() {
    avformat_close_input(&m_context);
}

bool InputFile::open(const InputOptions& options, const std::atomic<bool>& stop, std::string& error) {
    const std::string absolute = absolutePath(options.path);
    if (absolute.empty()) {
        error = options.path + ": cannot resolve the name";
        return false;
    }
    const std::string url = "file:" + absolute;

    const AVInputFormat* format = nullptr;
    if (!options.format.empty()) {
        format = av_find_input_format(options.format.c_str());
        if (!format) {
            error = "Unknown input format: '" + options.format + "'";
            return false;
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
            error = options.path + ": " + errorText(result);
            return false;
        }
        result = av_probe_input_buffer2(io, &format, url.c_str(), nullptr, 0, 0);
        avio_closep(&io);
        if (result < 0 || !format) {
            error = options.path + ": " + errorText(result < 0 ? result : AVERROR_INVALIDDATA);
            return false;
        }
    }
    if (isRefusedInputFormat(format)) {
        error = options.path + ": refusing the \"" + format->name + "\" format";
        return false;
    }

    m_context = avformat_alloc_context();
    if (!m_context) {
        error = "out of memory";
        return false;
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
    if (result < 0) {
        error = options.path + ": " + errorText(result);
        return false;
    }
    result = avformat_find_stream_info(m_context, nullptr);
    if (result < 0) {
        error = options.path + ": could not find codec parameters: " + errorText(result);
        return false;
    }

    const i64 start = m_context->start_time != AV_NOPTS_VALUE ? m_context->start_time : 0;
    m_offsetUs = -start;
    if (options.seekUs != kNoTime) {
        m_seeked = true;
        m_offsetUs -= options.seekUs;
        i64 target = options.seekUs + start;
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
        // Any key frame at or before the position; the frames up to the
        // position are decoded and dropped later.
        result = avformat_seek_file(m_context, -1, INT64_MIN, target, target, 0);
        if (result < 0)
            av_log(nullptr, AV_LOG_WARNING, "%s: could not seek to position %.3f\n", options.path.c_str(),
                   static_cast<double>(target) / AV_TIME_BASE);
    }
    return true;
}

int InputFile::read(AVPacket* packet) {
    for (;;) {
        const int result = av_read_frame(m_context, packet);
        if (result != AVERROR(EAGAIN))
            return result;
        ::usleep(1000);
    }
}

} // namespace s::video::tool
