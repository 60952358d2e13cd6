#pragma once

#include <string>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::file::win {

// Short forms of paths.
//
// External tools get their file names inside command lines that are split
// at spaces, and they take narrow text. The short form of a path is an alias
// that any such line can carry: a symbolic link in the process's runtime
// folder with a name of at most 12 ASCII characters ("a7.mkv" for a file,
// keeping a short ASCII extension so tools still guess the format; "d3" for
// a folder). Opening the alias of a file opens the file; a file made inside
// the alias of a folder lands in the real folder. The runtime folder's own
// path has no space, quote or backslash and only ASCII characters, so a
// whole alias path has none either.
//
// All functions are safe to call from any thread.

/// The per-process runtime folder (kernel bytes, no trailing "/"), made with
/// mode 0700 on first use: "$XDG_RUNTIME_DIR/snipforge-<pid>", or
/// "<temp folder>/snipforge-<uid>-<pid>" when that variable is unset, not a
/// folder, or would put a space, quote, backslash or non-ASCII character
/// into the path (the temp folder falls back to /tmp for the same reasons).
/// Folders that dead processes left behind there are removed when the folder
/// is made; the folder itself is removed at process exit. It holds the path
/// aliases and the frame pipe. Empty when no folder could be made.
[[nodiscard]] std::string runtimeFolder();

/// For tests: use `folder` (made when missing; never removed by the library)
/// as the runtime folder. Null or "" returns to the default folder, which is
/// chosen anew (from the environment of that moment) at its next use; a
/// default folder made before is removed. Aliases made so far are forgotten.
void setRuntimeFolderOverride(const char* folder);

/// The short form of an existing entry, as kernel bytes; the same path
/// (after resolving links and "..") gets the same alias for the life of the
/// runtime folder. Empty when the entry does not exist or no alias could be
/// made.
[[nodiscard]] std::string shortPathOs(const std::string& osPath);

/// The short form of `path` into `out` (replacing its text unless `append`).
/// When no short form can be made, `out` gets the path itself and the result
/// is false.
bool shortPathInto(const char16_t* path, str::strbuffer::StrBuffer* out, bool append = false);

} // namespace s::file::win
