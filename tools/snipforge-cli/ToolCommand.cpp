// snipforge-cli tool "<command>" [--workdir DIR] [--duration-ms N]: runs a
// converter command line with the in-process converter, as cuts and frame
// grabs do when no external tool is installed. For tests and benchmarks.

#include "foundation/str/StrBuffer.h"
#include "foundation/thread/win/StopSignals.h"
#include "media/converter/InProcessTool.h"
#include "tools/snipforge-cli/Command.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace s::cli {

namespace {

void printProgress(i64 current, i64 total, const str::strbuffer::StrBuffer*, event::INamedEventTarget*) {
    std::fprintf(stdout, "progress %lld/%lld\n", static_cast<long long>(current), static_cast<long long>(total));
    std::fflush(stdout);
}

} // namespace

int runTool(std::span<char* const> args) {
    if (args.empty()) {
        printError("tool: give the command line as one argument");
        return kExitUsage;
    }
    std::string workDir;
    i64 durationMs = 1;
    for (size_t i = 1; i < args.size(); ++i) {
        if (std::strcmp(args[i], "--workdir") == 0 && i + 1 < args.size()) {
            workDir = args[++i];
        } else if (std::strcmp(args[i], "--duration-ms") == 0 && i + 1 < args.size()) {
            durationMs = std::strtoll(args[++i], nullptr, 10);
        } else {
            printError((std::string("tool: unknown argument ") + args[i]).c_str());
            return kExitUsage;
        }
    }
    str::strbuffer::StrBuffer command;
    command.setUtf8(args[0]);
    str::strbuffer::StrBuffer folder;
    folder.setUtf8(workDir);
    std::atomic<bool> stop{false};
    thread::win::setStopFunction([&stop](int) { stop.store(true); });
    video::tool::ToolLog log;
    const base::Result result = video::tool::runToolInProcess(
        command, folder, durationMs, durationMs > 1 ? printProgress : nullptr, nullptr, nullptr, stop, &log);
    thread::win::setStopFunction({});
    // The converter's own account of the run (warnings and errors).
    const std::string lines = log.lines.toStdString();
    std::fwrite(lines.data(), 1, lines.size(), stderr);
    return result.isOk() ? kExitSuccess : kExitFailure; // a stopped run has not converted either
}

} // namespace s::cli
