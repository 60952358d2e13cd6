#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/str/StrBuffer.h"

#include <atomic>
#include <string>
#include <vector>

// The optional external converter: "optional_tools/ffmpeg" in the program's
// folder (see file/win/ProgramFolder.h), run as a child process for cuts and
// frame grabs when it is installed.
namespace s::video::tool {

/// The tool's path below the program's folder, as command lines name it.
inline constexpr const char* kExternalToolRelative = "optional_tools/ffmpeg";

/// Whether the external tool is installed: an executable regular file (or a
/// link to one) at "optional_tools/ffmpeg" in the program's folder. Looked
/// at anew at every call. Any thread.
[[nodiscard]] bool externalToolAvailable();

/// The full path of the external tool (kernel bytes); empty when the
/// program's folder is unknown. It need not exist.
[[nodiscard]] std::string externalToolPath();

/// Where a cut's run reports to. Every member may be null.
struct ToolRunContext {
    /// Receives "ProcessStatusUpdate" for every progress report.
    event::INamedEventTarget* target = nullptr;
    /// Its `processProgress` is called just before each such event.
    event::IProcessHooks* hooks = nullptr;
    /// The tool's diagnostic output is appended here, then "\n\n".
    str::strbuffer::StrBuffer* errorReport = nullptr;
};

/// Runs a cut command with the external tool and waits for it.
///
/// `command` is the whole command line; its first word names the program: a
/// relative name (such as "optional_tools/ffmpeg") is taken below the
/// program's folder whatever the current folder is, an absolute one as it
/// is; the search path is never used. The line is split into arguments at
/// spaces and tabs; double quotes group and are removed, backslashes are
/// ordinary characters. The tool runs in `workDir` (the current folder when
/// empty), with standard input from /dev/null and its standard output and
/// error read here: progress against `durationMs` goes to the context's
/// hooks and target with `statusText` as the event's payload, everything
/// else to the error report.
///
/// `stop` is polled at least every 20 ms, also while the tool writes
/// nothing; when it is set the tool (with any process it started) is killed
/// at once. Every child is waited for before the call returns.
///
/// Ok when the tool exited with status 0; stopped when the stop flag was set
/// and it did not; otherwise failed, saying whether the tool could not be
/// started, exited with another status or was killed. Blocking; call it on a
/// worker thread. Several runs may go on at once on different threads.
base::Result runExternalTool(const str::strbuffer::StrBuffer& command,
                             const str::strbuffer::StrBuffer& statusText,
                             const str::strbuffer::StrBuffer& workDir, i64 durationMs,
                             const std::atomic<bool>& stop, const ToolRunContext& context);

/// Runs a command as above with its output discarded and no progress (frame
/// grabs). `stop` is watched the same way.
base::Result runExternalToolSimple(const str::strbuffer::StrBuffer& command,
                                   const str::strbuffer::StrBuffer& workDir, const std::atomic<bool>& stop);

/// The arguments of a command line (kernel bytes): split at spaces and tabs
/// outside double quotes; the quotes are removed, and a pair of them alone
/// makes an empty argument.
[[nodiscard]] std::vector<std::string> splitCommandLine(const str::strbuffer::StrBuffer& command);

/// Makes a write into a pipe whose reader is gone fail with an error instead
/// of killing the process. Call once at start-up, before threads start; the
/// runners call it too. Leaves a handler the program installed alone.
void ignoreSigpipe();

} // namespace s::video::tool
