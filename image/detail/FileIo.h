#pragma once

#include "foundation/base/Types.h"

#include <cstddef>

namespace s::col::_array {
class ArrayU08;
}
namespace s::io {
class IInputStream;
class IOutputStream;
} // namespace s::io

// Small file and stream helpers of the image codecs. The whole-file
// operations stay here until the foundation's file streams are in place.
namespace s::image::detail {

/// Reads until `bytes` are in or the stream ends; answers the count read.
u64 readUpTo(io::IInputStream* in, void* buffer, u64 bytes);
/// True when exactly `bytes` were read.
bool readExactly(io::IInputStream* in, void* buffer, u64 bytes);
/// Moves forward `bytes` by seeking or, on a stream that cannot seek, by
/// reading and dropping them. False when the stream ends first.
bool skipForward(io::IInputStream* in, u64 bytes);
/// The bytes left in a stream that can seek (its position unchanged), or -1
/// when it cannot tell.
i64 bytesLeft(io::IInputStream* in);
/// Whether a picture of `pixels` could come out of `available` bytes of
/// compressed data at `pixelsPerByte` at most (always true when the amount is
/// unknown, -1). Readers ask before they take memory for what a header claims.
bool couldHold(i64 available, i64 pixels, i64 pixelsPerByte);
/// Writes all `bytes` (in pieces below 4 GiB).
bool writeAll(io::IOutputStream* out, const void* data, u64 bytes);

/// Creates the file and writes `size` bytes, only when nothing exists at the
/// path (not even a dangling link). A failed write removes the new file.
bool writeNewFile(const char* utf8Path, const void* data, std::size_t size);
/// Replaces the file (or creates it) through a temporary file in the same
/// folder and a rename, so that a failure leaves the old file intact.
bool replaceFile(const char* utf8Path, const void* data, std::size_t size);
/// The first `maxBytes` bytes of a regular file, into `out` (cleared first,
/// position 0). False when the path is not a regular file or reading failed.
bool readFileBytes(const char* utf8Path, col::_array::ArrayU08* out, u64 maxBytes);

} // namespace s::image::detail
