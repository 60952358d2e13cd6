// snipforge-cli: Snipforge without a window, for scripts, batch use and
// end-to-end tests. Usage: snipforge-cli <command> [arguments...]

#include "foundation/base/Memory.h"
#include "foundation/thread/win/StopSignals.h"
#include "media/system/win/MediaLibraries.h"
#include "tools/snipforge-cli/Command.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace s::cli {

namespace {

const Command kCommands[] = {
    {"probe", "FILE", "print the media information report of FILE", true, runProbe},
    {"tool", "\"COMMAND\" [--workdir DIR] [--duration-ms N]",
     "run a converter command line (\"ffmpeg ...\") with the in-process converter", true, runTool},
    {"cut", "FILE --start T --end T [--precise [--full-reencode]] [--out DIR]",
     "save the scene between two positions (seconds or h:mm:ss[.mmm]) as the window does", true, runCut},
    {"frame", "FILE --at T --out IMAGE | FILE --at T1,T2,... --out DIR [--type EXT]",
     "grab the picture at T (seconds or h:mm:ss.mmm) through the frame grabber into IMAGE, whose extension "
     "names the format (bmp, jpg/jpeg, png, gif, ico/icon); several times go in order through one grabber "
     "into DIR as 0001.bmp, 0002.bmp, ... (EXT: another format), each with its time in milliseconds",
     true, runFrame},
};

void printUsage(std::FILE* out) {
    std::fprintf(out, "usage: snipforge-cli <command> [arguments...]\n\ncommands:\n");
    for (const Command& command : kCommands)
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
}

} // namespace

std::span<const Command> commands() {
    return kCommands;
}

void printError(const char* text) {
    std::fprintf(stderr, "snipforge-cli: %s\n", text);
}

} // namespace s::cli

namespace {

// Runs a sub-command with the stop signals caught: SIGINT, SIGTERM and
// SIGHUP stop the work as the Cancel button does, and the process then ends
// with status 128 + the signal's number after the usual clean-up (partial
// files removed, the runtime folder removed by the exit handlers).
int runCaught(const s::cli::Command& command, std::span<char* const> args) {
    using namespace s::cli;
    namespace sig = s::thread::win;
    // A write over the file-size limit fails (EFBIG) and is reported like
    // any other write failure instead of killing the process.
    sig::ignoreFileSizeSignal();
    (void)sig::catchStopSignals();
    int status = kExitFailure;
    if (command.needsMedia && !s::system::win::loadMediaLibraries()) {
        printError("the media libraries are not usable (see above)");
    } else {
        status = command.run(args);
        s::system::win::unloadMediaLibraries();
    }
    sig::releaseStopSignals();
    if (const int signal = sig::stopSignal()) {
        printError((std::string(command.name) + ": stopped by signal " + std::to_string(signal) + " (" +
                    ::strsignal(signal) + ")")
                       .c_str());
    }
    return sig::exitStatusAfterSignal(status);
}

} // namespace

int main(int argc, char** argv) {
    using namespace s::cli;
    s::base::keepLargeBlocksInHeap();
    if (argc < 2) {
        printUsage(stderr);
        return kExitUsage;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "-h") == 0 || std::strcmp(name, "--help") == 0 || std::strcmp(name, "help") == 0) {
        printUsage(stdout);
        return kExitSuccess;
    }
    for (const Command& command : commands()) {
        if (std::strcmp(command.name, name) != 0)
            continue;
        return runCaught(command, std::span<char* const>(argv + 2, static_cast<size_t>(argc - 2)));
    }
    printError((std::string("unknown command \"") + name + "\" (try --help)").c_str());
    return kExitUsage;
}
