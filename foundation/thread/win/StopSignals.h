#pragma once

#include <functional>

// The signals that ask the process to stop: an interrupt from the terminal
// (SIGINT), a termination request (SIGTERM, sent at logout) and a hang-up
// (SIGHUP, the terminal or session went away). They are taken as the Cancel
// button: running work stops as if stopped by the user, cleans up, and the
// program ends through its normal exit path.
//
// The signal handler only writes the signal's number to a pipe; a watcher
// thread reads it and calls the program's stop function there, on a normal
// thread.
namespace s::thread::win {

/// Makes writes beyond the file-size limit (RLIMIT_FSIZE) fail with EFBIG
/// instead of ending the process with SIGXFSZ. Call at start-up.
void ignoreFileSizeSignal();

/// Catches SIGINT, SIGTERM and SIGHUP from now on (the first call only; false
/// when the pipe or the watcher thread could not be made). The first of them
/// is recorded (`stopSignal()`) and the current stop function, if any, is
/// called on the watcher thread; later ones change nothing. Call at start-up,
/// before other threads exist, from the main thread.
bool catchStopSignals();

/// Installs the function to call when a stop signal arrives (empty removes
/// it). When a signal has arrived already, `onStop` is called at once on the
/// calling thread. Calls of the function never overlap with each other or
/// with this call; it must not call `setStopFunction`. Any thread.
void setStopFunction(std::function<void(int signal)> onStop);

/// The first stop signal that arrived, 0 when none.
[[nodiscard]] int stopSignal();

/// The process's exit status after a stop signal: 128 + its number, as
/// shells report a process that a signal ended; `normal` when none arrived.
[[nodiscard]] int exitStatusAfterSignal(int normal);

/// Ends the watcher thread and returns the three signals to their default
/// actions (a signal arriving afterwards ends the process at once). Call
/// before leaving main.
void releaseStopSignals();

} // namespace s::thread::win
