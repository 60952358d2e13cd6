#pragma once

#include "foundation/base/Types.h"

namespace s::app::win {

/// The desktop program: start-up, the cutter window, shutdown.
///
/// Start: the user-interface thread (no display ends the start with a
/// message on standard error and status 1), the application base, the
/// display scale from the primary monitor, the main window's stored state,
/// the silent-installation check (only without arguments) and the
/// single-instance rule (a later start brings the running window forward and
/// ends with status 0), the cutter dialog bound to the window, the media
/// libraries, the window built and shown; then the calling thread waits
/// until the window closes. Shutdown stops the dialog's workers, unloads the
/// media libraries, releases the window on the user-interface thread, saves
/// the settings and stops the user-interface thread.
///
/// SIGINT, SIGTERM and SIGHUP (logout, a closed terminal) close the window
/// as its close button does, so a running cut is stopped and its partial
/// files removed before the normal shutdown; the exit status is then 128 +
/// the signal's number. SIGXFSZ is ignored: a write over the file-size limit
/// fails and the cut reports it.
///
/// Files named on the command line (plain arguments; relative paths are
/// taken from the current folder, "file://" addresses become paths) open
/// once the window shows, as a drop of them would: the first is loaded. A
/// later start with files hands their absolute paths to the running window,
/// which comes to the front and opens them the same way; the later start
/// ends at once with status 0. Any argument skips the silent-installation
/// check.
///
/// When the environment variable SNIPFORGE_DUMP_LAYOUT names a file, the
/// window-relative rectangles of the main controls are written there while
/// the window shows, one "name x y width height enabled" line each (enabled
/// 1 or 0), and rewritten whenever they change (for driving the program
/// from outside). Its "painted" line gives the client size the window last
/// painted at, so that after a resize a reader can tell whether the window
/// already shows its new layout. When SNIPFORGE_MESSAGE_LOG names a file,
/// the text of every message box is appended to it as the box shows (see
/// MessageBoxW).
class App final {
public:
    /// Runs the program on the calling thread (the process's main thread);
    /// the process's exit status.
    [[nodiscard]] int run(int argc, const char* const* argv);
};

} // namespace s::app::win
