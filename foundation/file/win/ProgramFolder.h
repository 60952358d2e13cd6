#pragma once

#include <string>

namespace s::file::win {

// The program's folder: the folder that holds the running executable. The
// optional tools and the file settings store are found relative to it.

/// The program's folder as kernel bytes, without a trailing "/" (the folder
/// of /proc/self/exe, or the override below). Empty when it cannot be found.
/// Any thread.
[[nodiscard]] std::string programFolderOs();

/// Makes `programFolderOs()` return `folder` (kernel bytes; a trailing "/"
/// is dropped; a relative folder is taken against the current folder of the
/// call) instead of the executable's folder, for tests and for a program
/// installed with its tools elsewhere. Null or "" returns to the
/// executable's folder. Any thread.
void setProgramFolderOverride(const char* folder);

} // namespace s::file::win
