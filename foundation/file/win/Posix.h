#pragma once

// Small POSIX helpers shared by the file layer. Internal: not for callers
// outside foundation/file.

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace s::file::win::posix {

/// Writes all `size` bytes, retrying after interruptions and short writes.
/// On failure `*done` (when given) holds the bytes that reached the file.
bool writeAll(int fd, const void* data, std::size_t size, std::size_t* done = nullptr);

/// The process's file-creation mask, read without changing it.
mode_t currentUmask();

/// Removes `path` and, for a folder, everything below it. Symbolic links are
/// removed themselves and never followed. Folders without write or search
/// permission for the owner get it first. True when nothing is left.
bool removeTree(const std::string& path);

/// The folder part of a kernel path ("." for a bare name, "/" for "/x").
std::string folderOf(const std::string& path);

/// The last component of a kernel path.
std::string nameOf(const std::string& path);

/// `path` made absolute against the current folder (no symbolic links
/// resolved, "." and ".." kept).
std::string absolute(const std::string& path);

/// The canonical form of `path`: the real path of its longest existing
/// leading part, followed by the rest as written. Empty on failure.
std::string canonicalLenient(const std::string& path);

/// Makes `path` and its missing parents with `mode` (less the umask).
bool makeFolders(const std::string& path, mode_t mode);

} // namespace s::file::win::posix
