#pragma once

#include <cstddef>

namespace s::file {

/// Replaces the file at `utf8Path` with `size` bytes of `data` so that a crash,
/// a full disk or a failed write never leaves a half-written file behind.
///
/// The bytes go to a temporary file in the same folder, which is synced and
/// then renamed over the target; on any failure the temporary file is removed
/// and the old file (if any) stays exactly as it was. The new file keeps the
/// permission bits of the file it replaces (a new file gets 0666 minus the
/// umask). When the path is a symbolic link, the file it points to is
/// replaced and the link stays.
///
/// The folder must exist: nothing is created above the file. `data` may be
/// null when `size` is 0 (the result is an empty file). Safe to call from any
/// thread; two concurrent writers of one path leave one complete version.
[[nodiscard]] bool writeFileAtomically(const char* utf8Path, const void* data, std::size_t size);

} // namespace s::file
