// snipforge-cli probe FILE: the information report of one media file.

#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "media/video/Probe.h"
#include "tools/snipforge-cli/Command.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace s::cli {

int runProbe(std::span<char* const> args) {
    // No options yet: anything but the help flags is the file, so names that
    // start with '-' need no escaping; "--" is still accepted before them.
    const char* file = nullptr;
    bool endOfOptions = false;
    for (const char* arg : args) {
        if (!endOfOptions && std::strcmp(arg, "--") == 0) {
            endOfOptions = true;
        } else if (!endOfOptions && (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0)) {
            std::printf("usage: snipforge-cli probe FILE\n");
            return kExitSuccess;
        } else if (!file) {
            file = arg;
        } else {
            printError("probe: only one FILE may be given");
            return kExitUsage;
        }
    }
    if (!file) {
        printError("probe: missing FILE (usage: snipforge-cli probe FILE)");
        return kExitUsage;
    }

    str::strbuffer::StrBuffer path;
    path.setUtf8(file);
    str::strbuffer::StrBuffer failure;
    thread::Pooled<video::VideoInfo> info(video::probe(path, &failure));
    if (info->exists()) {
        thread::Pooled<str::strbuffer::StrBuffer> report(info->report());
        const std::string text = report->toStdString();
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    }
    if (!info->opened()) {
        printError((std::string("probe: ") + file + ": " + failure.toStdString()).c_str());
        return kExitFailure;
    }
    return kExitSuccess;
}

} // namespace s::cli
