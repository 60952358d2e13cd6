#pragma once

#include <functional>
#include <string>

namespace s::gui::win {

/// Shows the file at `path` (kernel bytes, absolute) in the desktop's file
/// manager, on a thread of its own, so that the caller never waits for a
/// file manager that is slow to start or missing.
///
/// In order: the file manager's "ShowItems" call on the session bus
/// (org.freedesktop.FileManager1, which selects the file), when a session
/// bus is there; else, or when nobody answers it, `xdg-open` on the file's
/// folder; else the desktop's default handler for the folder. `done` is
/// called on that thread with true once one of them took the request, with
/// false when none did.
void showInFileManager(const std::string& path, std::function<void(bool shown)> done);

/// Whether this session has a bus to talk to: an address in the
/// environment, or the bus socket in the runtime folder. Without one GIO
/// would start a bus of its own (autolaunch), which no caller wants.
bool sessionBusExpected();

} // namespace s::gui::win
