#pragma once

#include "foundation/base/IObject.h"
#include "foundation/io/Streams.h"
#include "foundation/thread/Pool.h"

namespace s::col {

class IteratorBase;

/// Reads the bytes of a collection's elements in order through an iterator,
/// at most 64 bytes per read. It cannot seek; its position is always 0.
class CollectionInputStream : public base::IObject, public io::IInputStream {
    S_POOLED_CLASS(CollectionInputStream)

public:
    CollectionInputStream() = default;
    ~CollectionInputStream() override;

    /// Takes ownership of `iterator` (positioned before the first element);
    /// each element is `elementSize` bytes.
    void open(IteratorBase* iterator, u32 elementSize);

    bool read(void* buffer, u32 bytes, u32* bytesRead) override;
    /// Releases the iterator.
    void close() override;
    i64 getPosition() const override { return 0; }
    bool canSeek() const override { return false; }
    bool rewind() override { return false; }
    bool seekToEnd() override { return false; }
    bool seek(i64) override { return false; }
    bool seekFromEnd(i64) override { return false; }
    bool skip(i64) override { return false; }
    bool back(i64) override { return false; }
    void closeAndClear() override { close(); }
    /// Closes and hands the stream back to its pool.
    void dispose() override;
    void reset() override { close(); }

    const char16_t* getClassName() const override { return u"s_col_CollectionInputStream"; }

private:
    IteratorBase* m_iterator = nullptr;
    u32 m_elementSize = 0;
    const u8* m_element = nullptr; // the element being read
    u32 m_offset = 0;              // bytes of m_element already read
};

} // namespace s::col
