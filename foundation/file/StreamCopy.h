#pragma once

#include "foundation/base/Types.h"
#include "foundation/io/Streams.h"

namespace s::file {

/// Writes all `n` bytes, repeating `write` for the remainder. True at once
/// when `n` is 0; false when a write fails.
[[nodiscard]] bool writeFully(io::IOutputStream* out, const void* data, u32 n);

/// Copies everything from the input's position to its end. False at the
/// first failed write; true when the input ends (or fails to read). Any
/// thread; copies on several threads run side by side.
[[nodiscard]] bool copyStream(io::IInputStream* in, io::IOutputStream* out);

} // namespace s::file
