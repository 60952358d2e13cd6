#pragma once

#include "foundation/base/Types.h"
#include "foundation/thread/IPoolable.h"

namespace s::io {

/// A byte source. Positions are 64-bit byte offsets.
///
/// `read` returns false at the end or on failure, with `*bytesRead` 0.
/// `dispose()` closes the stream and hands it back to its pool (for value
/// classes that are also streams, such as strings and arrays, it frees their
/// storage instead).
class IInputStream : public virtual thread::IPoolable {
public:
    [[nodiscard]] virtual bool read(void* buffer, u32 bytes, u32* bytesRead) = 0;
    virtual void close() = 0;
    virtual i64 getPosition() const = 0;
    virtual bool canSeek() const = 0;
    virtual bool rewind() = 0;
    virtual bool seekToEnd() = 0;
    virtual bool seek(i64 position) = 0;
    /// Position = end - back.
    virtual bool seekFromEnd(i64 back) = 0;
    virtual bool skip(i64 n) = 0;
    virtual bool back(i64 n) = 0;
    virtual void closeAndClear() = 0;
    virtual void dispose() = 0;
};

/// A byte sink. `flush()` succeeds and `truncate()` does nothing unless a
/// stream has something to do there.
class IOutputStream : public virtual thread::IPoolable {
public:
    [[nodiscard]] virtual bool write(const void* data, u32 bytes, u32* bytesWritten) = 0;
    [[nodiscard]] virtual bool flush() { return true; }
    /// Ends the data at the current position.
    virtual bool truncate() { return true; }
    virtual void close() = 0;
    virtual i64 getPosition() const = 0;
    virtual bool canSeek() const = 0;
    virtual bool rewind() = 0;
    virtual bool seekToEnd() = 0;
    virtual bool seek(i64 position) = 0;
    virtual bool seekFromEnd(i64 back) = 0;
    virtual bool skip(i64 n) = 0;
    virtual bool back(i64 n) = 0;
    virtual void closeAndClear() = 0;
    virtual void dispose() = 0;
};

/// Something that can be read as a byte stream. The caller owns the stream.
class IInputStreamable {
public:
    virtual ~IInputStreamable() = default;
    [[nodiscard]] virtual IInputStream* openInputStream() = 0;
};

} // namespace s::io
