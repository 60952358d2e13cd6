#pragma once

// The few whole-file operations the document and settings layers need, on
// kernel (UTF-8) paths. Writing goes through s::file::writeFileAtomically.

#include "foundation/base/Types.h"

#include <string>

namespace s::col::_array {
class ArrayU08;
}

namespace s::xml::files {

enum class ReadResult { Ok, Missing, Failed };

/// Reads the whole file into `out` (cleared first). `Missing` when there is
/// no such file, `Failed` on any other error (including a folder at `path`).
[[nodiscard]] ReadResult readWholeFile(const std::string& path, col::_array::ArrayU08& out);

/// Makes the folder holding `path` and its missing parents (0777 less the
/// umask). True when the folder exists afterwards.
[[nodiscard]] bool makeParentFolders(const std::string& path);

/// Replaces the file at `path` with `size` bytes, atomically, after making
/// its parent folders.
[[nodiscard]] bool replaceFile(const std::string& path, const void* data, u64 size);

} // namespace s::xml::files
