#pragma once

#include "foundation/col/Collection.h"
#include "foundation/io/Streams.h"

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::col::_array {

class Iterator;

/// A growable array of fixed-size elements that is also a byte stream over
/// its elements.
///
/// Appends grow the storage by the library's growth policy; `reserve`,
/// `setSize` and `write` grow it to exactly the size asked. A `count` of -1
/// means "up to the end". Index arguments are trusted. Not locked.
class ArrayBase : public ICollection,
                  public io::IInputStreamable,
                  public virtual thread::IPoolable,
                  public IEnumerable,
                  public io::IInputStream,
                  public io::IOutputStream {
public:
    ArrayBase(const ArrayBase&) = delete;
    ArrayBase& operator=(const ArrayBase&) = delete;
    ~ArrayBase() override;

    const char16_t* getTypeName() const { return getClassName(); }
    const char16_t* getClassName() const override { return u"s_col_array_ArrayBase"; }

    u32 elementShift() const { return m_elementShift; }
    u32 elementSize() const { return 1u << m_elementShift; }
    u32 size() const override { return m_size; }
    u32 capacity() const { return m_capacity; }
    /// Capacity exactly `n` when it must grow; new elements are not
    /// initialised.
    virtual void setSize(u32 n);
    /// Bytes of `count` elements (-1: of all elements).
    u64 byteSize(i32 count = -1) const;
    /// Capacity at least `n`, exactly `n` when it grows.
    void reserve(u32 n);
    /// Capacity at least `n`, by the growth policy.
    void ensureCapacity(u32 n);
    u8* bytes() { return m_items; }
    const u8* bytes() const { return m_items; }

    /// Overwrites `dst` from `dstIndex` with `count` of this array's elements
    /// from `srcIndex`.
    void copyTo(ArrayBase* dst, u32 dstIndex, u32 srcIndex, i32 count) const;
    /// Overwrites this array from `dstIndex` with elements of `src`.
    void copyFrom(const ArrayBase* src, u32 srcIndex, u32 dstIndex, i32 count);
    /// Copies elements out into raw memory (`dstIndex` counts elements).
    void copyToBuffer(void* dst, u32 dstIndex, u32 srcIndex, i32 count) const;
    /// Overwrites from `dstIndex`, growing exactly; the size becomes at least
    /// `dstIndex` + `count`.
    void write(const void* src, u32 count, u32 srcIndex, u32 dstIndex);
    void append(const void* src, u32 count, u32 srcIndex = 0);
    void prepend(const void* src, u32 count, u32 srcIndex = 0);
    void insert(u32 index, const void* src, u32 count, u32 srcIndex = 0);
    void removeLast(u32 n = 1);
    void removeFirst(u32 n = 1);
    /// Elements after the gap move down.
    void remove(u32 index, u32 n = 1);
    /// Copy the elements out, then remove them (an owning array gives up
    /// ownership of what it hands out).
    void popLast(void* dst, u32 n, u32 dstIndex = 0);
    void popFirst(void* dst, u32 n, u32 dstIndex = 0);
    void take(u32 index, void* dst, u32 n, u32 dstIndex = 0);
    /// Bytewise (unsigned) comparison of `n` elements from `index` (-1: to the
    /// end) with `dataCount` elements of `data` from `dataIndex`; on a tie the
    /// shorter range is smaller.
    int compareRange(u32 index, const void* data, u32 dataCount, u32 dataIndex, i32 n) const;
    /// Size and position 0; the storage stays.
    virtual void clear();
    /// Frees the storage (an owning array first disposes of its elements).
    void dispose() override;
    void swap(u32 i, u32 j);
    /// `temp` is scratch space of one element.
    void swap(u32 i, u32 j, void* temp);
    void reverse();

    /// The text of one element in `toString` and in `toXml`.
    virtual void appendElementText(str::strbuffer::StrBuffer* out, const void* element) const = 0;
    virtual void appendElementXml(str::strbuffer::StrBuffer* out, const void* element) const = 0;
    /// Class name, " [", the elements' texts separated by spaces, "]". Into
    /// `out` (cleared unless `append`) or a new string when `out` is null.
    str::strbuffer::StrBuffer* toString(str::strbuffer::StrBuffer* out, bool append) const;
    /// `<ClassName length="n">` elements' XML `</ClassName>`.
    str::strbuffer::StrBuffer* toXml(str::strbuffer::StrBuffer* out, bool append) const;
    /// The elements' XML texts with nothing between them.
    str::strbuffer::StrBuffer* appendXmlBody(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const base::IComparator* defaultComparator() const = 0;

    /// With a comparator, its `compare`; otherwise the shorter array is
    /// smaller, and equal sizes compare element by element.
    int compareTo(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;

    io::IInputStream* openInputStream() override;

    IteratorBase* iterator() override;
    IteratorBase* reverseIterator() override;
    IteratorBase* iteratorAt(u32 i) override;
    IteratorBase* reverseIteratorAt(u32 i) override;
    void* elementPointer(u32 i) override { return m_items + (static_cast<u64>(i) << m_elementShift); }
    const void* elementPointer(u32 i) const { return m_items + (static_cast<u64>(i) << m_elementShift); }

    // -- stream over the elements' bytes --
    bool read(void* buffer, u32 bytes, u32* bytesRead) override;
    bool write(const void* data, u32 bytes, u32* bytesWritten) override;
    void close() override { m_position = 0; }
    i64 getPosition() const override { return m_position; }
    bool canSeek() const override { return true; }
    bool rewind() override;
    bool seekToEnd() override;
    bool seek(i64 position) override;
    bool seekFromEnd(i64 back) override;
    bool skip(i64 n) override;
    bool back(i64 n) override;
    void closeAndClear() override;

    /// Disposes of the elements (when owning) and frees the storage.
    void reset() override;

protected:
    explicit ArrayBase(u32 elementShift) : m_elementShift(elementShift) {}
    /// Called before elements [index, index + n) are dropped; an owning
    /// array disposes of them.
    virtual void disposeElements(u32 index, u32 n) { (void)index, (void)n; }
    void growTo(u32 capacity);
    void makeRoom(u32 needed);

    u32 m_elementShift;
    u8* m_items = nullptr;
    u32 m_size = 0;
    u32 m_capacity = 0;
    u32 m_position = 0; // stream position in bytes
};

} // namespace s::col::_array
