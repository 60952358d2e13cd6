#include "media/converter/InProcessTool.h"

#include "media/converter/RunLoop.h"

#include <unistd.h>

#include <cerrno>
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

i32 runToolInProcess(const str::strbuffer::StrBuffer& command, const str::strbuffer::StrBuffer& workDir,
                     i64 durationMs, ProgressFn progressFn, event::INamedEventTarget* target,
                     const str::strbuffer::StrBuffer* statusText, const std::atomic<bool>& stop) {
    std::lock_guard guard(g_runLock);

    const std::string previous = currentFolder();
    const std::string folder = workDir.toStdString();
    if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "ffmpeg: cannot work in %s: %s\n", folder.c_str(), std::strerror(errno));
        return 1;
    }

    const std::vector<std::string> args = splitToolCommand(command);
    const i64 totalSeconds = durationMs / 1000 > 0 ? durationMs / 1000 : 1;
    ConversionRun::Progress progress;
    if (progressFn) {
        progress = [=](i64 seconds) { progressFn(seconds, totalSeconds, statusText, target); };
    }
    i32 result = 1;
    if (!args.empty()) {
        ConversionRun run(stop, std::move(progress));
        result = run.execute(args) == RunResult::kSuccess ? 0 : 1;
    }

    if (!folder.empty() && !previous.empty() && ::chdir(previous.c_str()) != 0)
        std::fprintf(stderr, "ffmpeg: cannot return to %s: %s\n", previous.c_str(), std::strerror(errno));
    return result;
}

} // namespace s::video::tool
