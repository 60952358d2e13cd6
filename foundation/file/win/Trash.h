#pragma once

#include <string>

namespace s::file::win {

/// Moves the entry at `osPath` (kernel bytes) into the user's trash as the
/// freedesktop.org trash standard describes: the home trash
/// ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash) for entries on the same
/// file system, else "<mount point>/.Trash/<uid>" (when the administrator
/// made ".Trash" sticky) or "<mount point>/.Trash-<uid>". Writes the entry's
/// ".trashinfo" record first, so a file manager can restore it. False when
/// the entry is missing or no trash can take it; then nothing changed.
[[nodiscard]] bool moveToTrash(const std::string& osPath);

} // namespace s::file::win
