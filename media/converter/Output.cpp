#include "media/converter/Output.h"

#include "media/converter/Input.h"
#include "media/converter/LibAv.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace s::video::tool {

OutputFile::~OutputFile() {
    if (!m_finished)
        abandon();
    avformat_free_context(m_context);
}

base::Result OutputFile::prepare(const std::string& path, const std::string& format, bool overwrite) {
    m_path = absolutePath(path);
    if (m_path.empty()) {
        return base::Result::failed(path + ": cannot resolve the name");
    }
    const std::string url = "file:" + m_path;
    const int result = avformat_alloc_output_context2(&m_context, nullptr, format.empty() ? nullptr : format.c_str(),
                                                      url.c_str());
    if (result < 0 || !m_context) {
        return base::Result::failed(
            format.empty() ? "Unable to find a suitable output format for '" + path + "'"
                           : "Requested output format '" + format + "' is not a suitable output format");
    }
    // The muxing delay the converter has always given its muxers (the
    // transport stream writer starts its clock by this much).
    m_context->max_delay = 700000;
    m_image = std::strcmp(m_context->oformat->name, "image2") == 0;
    if ((m_context->oformat->flags & AVFMT_NOFILE) && !m_image) {
        return base::Result::failed(std::string("refusing the \"") + m_context->oformat->name +
                                    "\" output format");
    }
    struct stat status {};
    m_existed = ::stat(m_path.c_str(), &status) == 0;
    if (m_existed && !overwrite) {
        m_existed = true;
        return base::Result::failed("File '" + path + "' already exists");
    }
    if (m_existed && S_ISDIR(status.st_mode)) {
        return base::Result::failed(path + ": is a folder");
    }
    return base::Result::ok();
}

const AVOutputFormat* OutputFile::format() const {
    return m_context->oformat;
}

bool OutputFile::needsGlobalHeader() const {
    return (m_context->oformat->flags & AVFMT_GLOBALHEADER) != 0;
}

AVStream* OutputFile::addStream() {
    return avformat_new_stream(m_context, nullptr);
}

bool OutputFile::takesAttachments() const {
    return std::strcmp(m_context->oformat->name, "matroska") == 0;
}

bool OutputFile::copyChapters(const AVFormatContext* input, i64 offsetUs, i64 limitUs) {
    m_chapterSource = input;
    m_chapterOffsetUs = offsetUs;
    m_chapterLimitUs = limitUs;
    // The Matroska writer moves every timestamp by the lead of the first
    // packet before 0, but not the chapters; it also takes chapters at the
    // end, when that lead is known.
    m_chaptersLate = input->nb_chapters > 0 && (std::strcmp(m_context->oformat->name, "matroska") == 0 ||
                                                std::strcmp(m_context->oformat->name, "webm") == 0);
    return m_chaptersLate || addChapters(0);
}

bool OutputFile::addChapters(i64 shiftUs) {
    constexpr AVRational kMicroseconds{1, 1000000};
    const AVFormatContext* input = m_chapterSource;
    for (unsigned i = 0; input && i < input->nb_chapters; ++i) {
        const AVChapter* from = input->chapters[i];
        i64 start = av_rescale_q(from->start, from->time_base, kMicroseconds) + m_chapterOffsetUs;
        i64 end = av_rescale_q(from->end, from->time_base, kMicroseconds) + m_chapterOffsetUs;
        if (end <= 0 || end < start || (m_chapterLimitUs >= 0 && start >= m_chapterLimitUs))
            continue;
        start = std::max<i64>(start, 0);
        if (m_chapterLimitUs >= 0)
            end = std::min(end, m_chapterLimitUs);
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return false;
        chapter->id = from->id;
        chapter->time_base = kMicroseconds;
        chapter->start = start + shiftUs;
        chapter->end = end + shiftUs;
        auto** list = static_cast<AVChapter**>(
            av_realloc_array(m_context->chapters, m_context->nb_chapters + 1, sizeof(AVChapter*)));
        if (!list || av_dict_copy(&chapter->metadata, from->metadata, 0) < 0) {
            if (list)
                m_context->chapters = list;
            av_dict_free(&chapter->metadata);
            av_free(chapter);
            return false;
        }
        m_context->chapters = list;
        m_context->chapters[m_context->nb_chapters++] = chapter;
    }
    return true;
}

base::Result OutputFile::begin() {
    if (m_image)
        return base::Result::ok(); // written whole by writeImage
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = "file:" + m_path;
    int result = avio_open2(&m_context->pb, url.c_str(), AVIO_FLAG_WRITE, nullptr, &options);
    av_dict_free(&options);
    if (result < 0) {
        return base::Result::failed(m_path + ": " + errorText(result));
    }
    m_opened = true;
    result = avformat_write_header(m_context, nullptr);
    if (result < 0) {
        return base::Result::failed(
            "Could not write header for output file (incorrect codec parameters ?): " + errorText(result));
    }
    return base::Result::ok();
}

bool OutputFile::write(AVPacket* packet) {
    if (m_chaptersLate && packet->pts != AV_NOPTS_VALUE) {
        // The writer's lead: the pts of the first packet before 0 it gets,
        // in the interleaved (decoding time) order.
        constexpr AVRational kMicroseconds{1, 1000000};
        const AVRational base = m_context->streams[packet->stream_index]->time_base;
        const i64 ptsUs = av_rescale_q(packet->pts, base, kMicroseconds);
        const i64 dtsUs =
            packet->dts != AV_NOPTS_VALUE ? av_rescale_q(packet->dts, base, kMicroseconds) : ptsUs;
        if (ptsUs < 0 && (!m_leadKnown || dtsUs < m_leadDtsUs)) {
            m_leadKnown = true;
            m_leadDtsUs = dtsUs;
            m_leadUs = -ptsUs;
        }
    }
    const int result = av_interleaved_write_frame(m_context, packet);
    if (result < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error writing packet: %s\n", errorText(result).c_str());
        return false;
    }
    if (m_context->pb && m_context->pb->error < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error writing packet: %s\n",
               errorText(m_context->pb->error).c_str());
        return false;
    }
    return true;
}

bool OutputFile::writeImage(const u8* bytes, size_t size, const std::atomic<bool>& stop) {
    // A reader that closes its end early must not end the process with
    // SIGPIPE: keep it blocked on this thread while writing and take away
    // whatever was raised.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);

    bool ok = false;
    int fd = -1;
    // Opening a FIFO without a reader fails with ENXIO when not blocking:
    // retry until the reader is there.
    while (!stop.load(std::memory_order_relaxed)) {
        fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
        if (fd >= 0 || (errno != ENXIO && errno != EINTR))
            break;
        ::usleep(10000);
    }
    if (fd < 0) {
        if (!stop.load(std::memory_order_relaxed))
            av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", m_path.c_str(), std::strerror(errno));
    } else {
        m_opened = true;
        ok = true;
        while (size > 0) {
            if (stop.load(std::memory_order_relaxed)) {
                ok = false;
                break;
            }
            const ssize_t written = ::write(fd, bytes, size);
            if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd waiting{fd, POLLOUT, 0};
                ::poll(&waiting, 1, 10);
                continue;
            }
            if (written <= 0) {
                av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", m_path.c_str(), std::strerror(errno));
                ok = false;
                break;
            }
            bytes += written;
            size -= static_cast<size_t>(written);
        }
        if (::close(fd) != 0 && errno != EINTR)
            ok = false;
    }

    timespec none{0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &none) == SIGPIPE) {
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

bool OutputFile::finish() {
    m_finished = true;
    if (m_image)
        return m_opened;
    int failure = 0;
    if (m_chaptersLate && !addChapters(m_leadKnown ? m_leadUs : 0))
        failure = AVERROR(ENOMEM);
    const int trailer = av_write_trailer(m_context);
    if (failure >= 0)
        failure = trailer;
    if (m_context->pb) {
        avio_flush(m_context->pb);
        if (failure >= 0 && m_context->pb->error < 0)
            failure = m_context->pb->error;
        const int closed = avio_closep(&m_context->pb);
        if (failure >= 0 && closed < 0)
            failure = closed;
    }
    const bool ok = failure >= 0;
    if (!ok) {
        av_log(nullptr, AV_LOG_ERROR, "Could not finish the output file: %s\n", errorText(failure).c_str());
        m_finished = false;
        abandon();
        m_finished = true;
    }
    return ok;
}

void OutputFile::abandon() {
    if (m_context && m_context->pb)
        avio_closep(&m_context->pb);
    if (m_opened && !m_existed) {
        struct stat status {};
        if (::lstat(m_path.c_str(), &status) == 0 && S_ISREG(status.st_mode))
            ::unlink(m_path.c_str());
    }
    m_opened = false;
}

} // namespace s::video::tool
