#include "media/converter/InProcessTool.h"

#include "media/converter/RunLoop.h"

extern "C" {
#include <libavutil/log.h>
}

#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace s::video::tool {

namespace {

// The converter owns the process's current folder while it runs.
std::mutex g_runLock;

std::string currentFolder() {
    std::string folder(4096, '\0');
    while (!::getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE)
            return {};
        folder.resize(folder.size() * 2);
    }
    folder.resize(std::strlen(folder.c_str()));
    return folder;
}

// The log of the run on this thread, while one runs here.
constexpr size_t kLogLimit = 64 * 1024;

struct LogCapture {
    std::string lines;
    std::string firstError;
    std::string partial;        // the line being assembled
    std::string partialMessage; // the same without its "[name @ ...]" part
    int partialLevel = AV_LOG_QUIET;

    void endLine() {
        if (partialLevel <= AV_LOG_ERROR && firstError.empty()) {
            firstError = partialMessage;
            while (!firstError.empty() && (firstError.back() == '\n' || firstError.back() == '\r'))
                firstError.pop_back();
        }
        if (lines.size() < kLogLimit)
            lines += partial;
        partial.clear();
        partialMessage.clear();
        partialLevel = AV_LOG_QUIET;
    }
};

thread_local LogCapture* t_capture = nullptr;

void captureLine(void* context, int level, const char* format, va_list args) {
    LogCapture* capture = t_capture;
    if (!capture || level > AV_LOG_WARNING || level < AV_LOG_PANIC) {
        av_log_default_callback(context, level, format, args);
        return;
    }
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    if (capture->partial.empty()) {
        // The converter's own line start: the reporting object's name and
        // address.
        if (const AVClass* cls = context ? *static_cast<AVClass* const*>(context) : nullptr) {
            char prefix[128];
            const char* name = cls->item_name ? cls->item_name(context) : cls->class_name;
            std::snprintf(prefix, sizeof prefix, "[%s @ %p] ", name ? name : "?", context);
            capture->partial = prefix;
        }
        capture->partialLevel = level;
    } else if (level < capture->partialLevel) {
        capture->partialLevel = level;
    }
    capture->partial += text;
    capture->partialMessage += text;
    if (!capture->partial.empty() && capture->partial.back() == '\n')
        capture->endLine();
}

/// Sends the calling thread's log lines into `capture` for its lifetime.
class CaptureScope {
public:
    explicit CaptureScope(LogCapture* capture) : m_active(capture != nullptr) {
        static std::once_flag installed;
        if (!m_active)
            return;
        std::call_once(installed, [] { av_log_set_callback(captureLine); });
        t_capture = capture;
    }
    ~CaptureScope() {
        if (!m_active)
            return;
        if (!t_capture->partial.empty()) {
            t_capture->partial += '\n';
            t_capture->endLine();
        }
        t_capture = nullptr;
    }
    CaptureScope(const CaptureScope&) = delete;
    CaptureScope& operator=(const CaptureScope&) = delete;

private:
    bool m_active;
};

base::Result runCaptured(const str::strbuffer::StrBuffer& command, const str::strbuffer::StrBuffer& workDir,
                         i64 durationMs, ProgressFn progressFn, event::INamedEventTarget* target,
                         const str::strbuffer::StrBuffer* statusText, const std::atomic<bool>& stop,
                         LogCapture* capture) {
    CaptureScope scope(capture);
    const std::string previous = currentFolder();
    const std::string folder = workDir.toStdString();
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        const std::string reason = "cannot work in " + folder + ": " + std::strerror(errno);
        if (capture)
            av_log(nullptr, AV_LOG_ERROR, "%s\n", reason.c_str());
        else
            std::fprintf(stderr, "ffmpeg: %s\n", reason.c_str());
        return base::Result::failed(reason);
    }

    const std::vector<std::string> args = splitToolCommand(command);
    const i64 totalSeconds = durationMs / 1000 > 0 ? durationMs / 1000 : 1;
    ConversionRun::Progress progress;
    if (progressFn) {
        progress = [=](i64 seconds) { progressFn(seconds, totalSeconds, statusText, target); };
    }
    base::Result result = base::Result::failed("empty command line");
    if (args.empty()) {
        av_log(nullptr, AV_LOG_ERROR, "empty command line\n");
    } else {
        ConversionRun run(stop, std::move(progress));
        result = run.execute(args);
    }

    if (!folder.empty() && !previous.empty() && ::chdir(previous.c_str()) != 0)
        std::fprintf(stderr, "ffmpeg: cannot return to %s: %s\n", previous.c_str(), std::strerror(errno));
    return result;
}

} // namespace

std::vector<std::string> splitToolCommand(const str::strbuffer::StrBuffer& command) {
    const std::string text = command.toStdString();
    std::vector<std::string> args;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = std::min(text.find(' ', pos), text.size());
        if (end > pos) {
            std::string piece = text.substr(pos, end - pos);
            const size_t first = piece.find_first_not_of('"');
            if (first == std::string::npos) {
                piece.clear();
            } else {
                piece.erase(0, first);
                piece.erase(piece.find_last_not_of('"') + 1);
            }
            args.push_back(std::move(piece));
        }
        pos = end + 1;
    }
    return args;
}

base::Result runToolInProcess(const str::strbuffer::StrBuffer& command,
                              const str::strbuffer::StrBuffer& workDir, i64 durationMs, ProgressFn progressFn,
                              event::INamedEventTarget* target, const str::strbuffer::StrBuffer* statusText,
                              const std::atomic<bool>& stop, ToolLog* log) {
    std::lock_guard guard(g_runLock);
    LogCapture capture;
    base::Result result = runCaptured(command, workDir, durationMs, progressFn, target, statusText, stop,
                                      log ? &capture : nullptr);
    if (log) {
        log->lines.setUtf8(capture.lines);
        log->firstError.setUtf8(capture.firstError);
    }
    // A stop that cut a run short is a stop, whatever failed on the way out.
    if (!result.isOk() && stop.load(std::memory_order_relaxed))
        return base::Result::stopped();
    // The first error the libraries logged names the cause ("No space left
    // on device"); the run's own reason only says which step gave up.
    if (result.isFailed() && log && !capture.firstError.empty())
        return base::Result::failed(capture.firstError);
    return result;
}

void runWithToolLog(const std::function<void()>& work, ToolLog& log) {
    LogCapture capture;
    {
        CaptureScope scope(&capture);
        work();
    }
    log.lines.setUtf8(capture.lines);
    log.firstError.setUtf8(capture.firstError);
}

} // namespace s::video::tool
