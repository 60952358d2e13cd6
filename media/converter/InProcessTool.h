#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/str/StrBuffer.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

// The converter run inside the program, for cuts and frame grabs when no
// external tool is installed.
namespace s::video::tool {

/// Receives progress: `current` is the output time in whole seconds,
/// `total` the expected length in whole seconds (never 0), then the
/// caller's status text and target as given.
using ProgressFn = void (*)(i64 current, i64 total, const str::strbuffer::StrBuffer* statusText,
                            event::INamedEventTarget* target);

/// What the converter and the libraries logged during one run, on the run's
/// thread, at warning level and above.
struct ToolLog {
    /// The lines as the converter writes them ("[mp4 @ 0x...] text"), each
    /// ending in a line feed; at most 64 KiB of them.
    str::strbuffer::StrBuffer lines;
    /// The text of the first error-level line (without the "[name @ ...]"
    /// part); empty when none was logged.
    str::strbuffer::StrBuffer firstError;
};

/// Runs a converter command line in this process and waits for it.
///
/// `command` starts with the program name ("ffmpeg"); it is split at every
/// space (runs of spaces make no empty pieces) and leading and trailing
/// double quotes are taken off each piece, so a path with spaces cannot be
/// given: the program hands over alias paths without them. The run happens
/// with `workDir` as the process's current folder (unless it is empty); the
/// previous folder is restored afterwards.
///
/// `durationMs` is the expected output length: progress is reported against
/// durationMs / 1000 seconds (at least 1), at most every half second and
/// once at the end, through `progressFn` when given. `stop` is polled at
/// every turn of the conversion loop: when it is set the run ends at once,
/// without finishing the output, and the run is stopped.
///
/// The run's log lines of level warning and above that are logged on the
/// calling thread go into `log` when given (replacing what it held), instead
/// of standard error; lines of other threads keep the default output.
///
/// Ok when the conversion ran to its end; stopped when `stop` was set and it
/// did not; otherwise failed (bad command, unreadable input, unwritable
/// output, conversion error) with a reason: the first error logged when
/// `log` is given, else the converter's own. Nothing of a run survives it. One run at a time in the process:
/// a second caller waits (the program's callers serialise through the frame grabber's lock as well, because
/// the current folder is the process's). Blocking; call it on a worker thread.
base::Result runToolInProcess(const str::strbuffer::StrBuffer& command,
                              const str::strbuffer::StrBuffer& workDir, i64 durationMs, ProgressFn progressFn,
                              event::INamedEventTarget* target, const str::strbuffer::StrBuffer* statusText,
                              const std::atomic<bool>& stop, ToolLog* log = nullptr);

/// Runs `work` on the calling thread with the libraries' log lines of level
/// warning and above that it causes on this thread going into `log`, as
/// `runToolInProcess` collects them (replacing what `log` held).
void runWithToolLog(const std::function<void()>& work, ToolLog& log);

/// The argument vector of a command as `runToolInProcess` sees it (UTF-8).
[[nodiscard]] std::vector<std::string> splitToolCommand(const str::strbuffer::StrBuffer& command);

} // namespace s::video::tool
