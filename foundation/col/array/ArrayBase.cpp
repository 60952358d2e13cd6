#include "foundation/col/array/ArrayBase.h"

#include "foundation/col/CollectionInputStream.h"
#include "foundation/col/Growth.h"
#include "foundation/col/array/Iterator.h"
#include "foundation/str/StrBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace s::col::_array {

using str::strbuffer::StrBuffer;

ArrayBase::~ArrayBase() { std::free(m_items); }

void ArrayBase::growTo(u32 capacity) {
    // Copy, then free: never realloc, so a failed allocation leaves the old
    // storage intact.
    u8* items = static_cast<u8*>(std::malloc(std::max<u64>(1, static_cast<u64>(capacity) << m_elementShift)));
    if (!items)
        std::abort();
    if (m_items) {
        std::memcpy(items, m_items, static_cast<u64>(m_size) << m_elementShift);
        std::free(m_items);
    }
    m_items = items;
    m_capacity = capacity;
}

void ArrayBase::makeRoom(u32 needed) {
    if (needed > m_capacity)
        growTo(grownCapacity(m_capacity, needed));
}

void ArrayBase::reserve(u32 n) {
    if (n > m_capacity)
        growTo(n);
}

void ArrayBase::ensureCapacity(u32 n) { makeRoom(n); }

void ArrayBase::setSize(u32 n) {
    if (n < m_size)
        disposeElements(n, m_size - n);
    reserve(n);
    m_size = n;
}

u64 ArrayBase::byteSize(i32 count) const {
    u64 n = count < 0 ? m_size : static_cast<u32>(count);
    return n << m_elementShift;
}

void ArrayBase::copyTo(ArrayBase* dst, u32 dstIndex, u32 srcIndex, i32 count) const {
    u32 n = count < 0 ? m_size - srcIndex : static_cast<u32>(count);
    dst->write(elementPointer(srcIndex), n, 0, dstIndex);
}

void ArrayBase::copyFrom(const ArrayBase* src, u32 srcIndex, u32 dstIndex, i32 count) {
    u32 n = count < 0 ? src->m_size - srcIndex : static_cast<u32>(count);
    write(src->elementPointer(srcIndex), n, 0, dstIndex);
}

void ArrayBase::copyToBuffer(void* dst, u32 dstIndex, u32 srcIndex, i32 count) const {
    u32 n = count < 0 ? m_size - srcIndex : static_cast<u32>(count);
    if (n == 0)
        return;
    std::memcpy(static_cast<u8*>(dst) + (static_cast<u64>(dstIndex) << m_elementShift), elementPointer(srcIndex),
                static_cast<u64>(n) << m_elementShift);
}

void ArrayBase::write(const void* src, u32 count, u32 srcIndex, u32 dstIndex) {
    u32 end = dstIndex + count;
    const u8* from = static_cast<const u8*>(src) + (static_cast<u64>(srcIndex) << m_elementShift);
    if (end > m_capacity && m_items && from >= m_items &&
        from < m_items + (static_cast<u64>(m_capacity) << m_elementShift)) {
        // The source lives inside this array: rebase it onto the new storage.
        u64 offset = static_cast<u64>(from - m_items);
        reserve(end);
        from = m_items + offset;
    } else {
        reserve(end);
    }
    if (count)
        std::memmove(elementPointer(dstIndex), from, static_cast<u64>(count) << m_elementShift);
    if (end > m_size)
        m_size = end;
}

void ArrayBase::append(const void* src, u32 count, u32 srcIndex) { insert(m_size, src, count, srcIndex); }

void ArrayBase::prepend(const void* src, u32 count, u32 srcIndex) { insert(0, src, count, srcIndex); }

void ArrayBase::insert(u32 index, const void* src, u32 count, u32 srcIndex) {
    if (count == 0)
        return;
    const u8* from = static_cast<const u8*>(src) + (static_cast<u64>(srcIndex) << m_elementShift);
    u64 bytes = static_cast<u64>(count) << m_elementShift;
    // The source may live inside this array; keep it alive across a regrowth.
    u8* copy = nullptr;
    if (m_items && from >= m_items && from < m_items + (static_cast<u64>(m_capacity) << m_elementShift)) {
        copy = static_cast<u8*>(std::malloc(bytes));
        std::memcpy(copy, from, bytes);
        from = copy;
    }
    makeRoom(m_size + count);
    std::memmove(elementPointer(index + count), elementPointer(index),
                 static_cast<u64>(m_size - index) << m_elementShift);
    std::memcpy(elementPointer(index), from, bytes);
    m_size += count;
    std::free(copy);
}

void ArrayBase::removeLast(u32 n) {
    n = std::min(n, m_size);
    disposeElements(m_size - n, n);
    m_size -= n;
}

void ArrayBase::removeFirst(u32 n) { remove(0, n); }

void ArrayBase::remove(u32 index, u32 n) {
    n = std::min(n, m_size - index);
    if (n == 0)
        return;
    disposeElements(index, n);
    std::memmove(elementPointer(index), elementPointer(index + n),
                 static_cast<u64>(m_size - index - n) << m_elementShift);
    m_size -= n;
}

void ArrayBase::popLast(void* dst, u32 n, u32 dstIndex) {
    n = std::min(n, m_size);
    take(m_size - n, dst, n, dstIndex);
}

void ArrayBase::popFirst(void* dst, u32 n, u32 dstIndex) { take(0, dst, n, dstIndex); }

void ArrayBase::take(u32 index, void* dst, u32 n, u32 dstIndex) {
    n = std::min(n, m_size - index);
    if (n == 0)
        return;
    copyToBuffer(dst, dstIndex, index, static_cast<i32>(n));
    std::memmove(elementPointer(index), elementPointer(index + n),
                 static_cast<u64>(m_size - index - n) << m_elementShift);
    m_size -= n;
}

int ArrayBase::compareRange(u32 index, const void* data, u32 dataCount, u32 dataIndex, i32 n) const {
    u64 mine = n < 0 ? m_size - index : std::min<u64>(static_cast<u32>(n), m_size - index);
    u64 theirs = dataCount;
    u64 common = std::min(mine, theirs) << m_elementShift;
    const u8* a = static_cast<const u8*>(elementPointer(index));
    const u8* b = static_cast<const u8*>(data) + (static_cast<u64>(dataIndex) << m_elementShift);
    int r = common ? std::memcmp(a, b, common) : 0;
    if (r != 0)
        return r < 0 ? -1 : 1;
    return mine < theirs ? -1 : (mine > theirs ? 1 : 0);
}

void ArrayBase::clear() {
    disposeElements(0, m_size);
    m_size = 0;
    m_position = 0;
}

void ArrayBase::dispose() {
    disposeElements(0, m_size);
    std::free(m_items);
    m_items = nullptr;
    m_size = 0;
    m_capacity = 0;
    m_position = 0;
}

void ArrayBase::reset() { dispose(); }

void ArrayBase::swap(u32 i, u32 j) {
    u8 temp[8];
    swap(i, j, temp);
}

void ArrayBase::swap(u32 i, u32 j, void* temp) {
    if (i == j)
        return;
    u32 n = elementSize();
    std::memcpy(temp, elementPointer(i), n);
    std::memcpy(elementPointer(i), elementPointer(j), n);
    std::memcpy(elementPointer(j), temp, n);
}

void ArrayBase::reverse() {
    if (m_size < 2)
        return;
    u8 temp[8];
    for (u32 i = 0, j = m_size - 1; i < j; ++i, --j)
        swap(i, j, temp);
}

StrBuffer* ArrayBase::toString(StrBuffer* out, bool append) const {
    if (!out)
        out = StrBuffer::create();
    else if (!append)
        out->clear();
    out->append(getClassName()).append(u" [");
    for (u32 i = 0; i < m_size; ++i) {
        if (i)
            out->append(u' ');
        appendElementText(out, elementPointer(i));
    }
    out->append(u']');
    return out;
}

StrBuffer* ArrayBase::toXml(StrBuffer* out, bool append) const {
    if (!out)
        out = StrBuffer::create();
    else if (!append)
        out->clear();
    out->append(u'<').append(getClassName()).append(u" length=\"").append(m_size).append(u"\">");
    appendXmlBody(out, true);
    out->append(u"</").append(getClassName()).append(u'>');
    return out;
}

StrBuffer* ArrayBase::appendXmlBody(StrBuffer* out, bool append) const {
    if (!out)
        out = StrBuffer::create();
    else if (!append)
        out->clear();
    for (u32 i = 0; i < m_size; ++i)
        appendElementXml(out, elementPointer(i));
    return out;
}

int ArrayBase::compareTo(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compare(this, other);
    auto* that = dynamic_cast<const ArrayBase*>(other);
    if (!that)
        return IObject::compareTo(other, nullptr);
    if (m_size != that->m_size)
        return m_size < that->m_size ? -1 : 1;
    const base::IComparator* elements = defaultComparator();
    for (u32 i = 0; i < m_size; ++i) {
        int r = elements->compare(elementPointer(i), that->elementPointer(i));
        if (r != 0)
            return r;
    }
    return 0;
}

io::IInputStream* ArrayBase::openInputStream() {
    auto* stream = CollectionInputStream::create();
    stream->open(iterator(), elementSize());
    return stream;
}

IteratorBase* ArrayBase::iterator() { return iteratorAt(0); }

IteratorBase* ArrayBase::reverseIterator() { return reverseIteratorAt(m_size ? m_size - 1 : 0); }

IteratorBase* ArrayBase::iteratorAt(u32 i) {
    auto* it = Iterator::create();
    it->open(this, static_cast<i32>(i) - 1);
    return it;
}

IteratorBase* ArrayBase::reverseIteratorAt(u32 i) {
    auto* it = Iterator::create();
    it->open(this, m_size ? static_cast<i32>(i) + 1 : 0);
    return it;
}

bool ArrayBase::read(void* buffer, u32 bytes, u32* bytesRead) {
    u64 used = static_cast<u64>(m_size) << m_elementShift;
    u64 available = m_position < used ? used - m_position : 0;
    u32 n = static_cast<u32>(std::min<u64>(bytes, available));
    if (bytesRead)
        *bytesRead = n;
    if (n == 0)
        return false;
    std::memcpy(buffer, m_items + m_position, n);
    m_position += n;
    return true;
}

bool ArrayBase::write(const void* data, u32 bytes, u32* bytesWritten) {
    if (bytesWritten)
        *bytesWritten = 0;
    u64 end = static_cast<u64>(m_position) + bytes;
    if (end > 0xFFFFFFFFull)
        return false;
    u64 elementsNeeded = (end + elementSize() - 1) >> m_elementShift;
    makeRoom(static_cast<u32>(elementsNeeded));
    if (bytes)
        std::memcpy(m_items + m_position, data, bytes);
    m_position = static_cast<u32>(end);
    u32 covered = static_cast<u32>(end >> m_elementShift);
    if (covered > m_size)
        m_size = covered;
    if (bytesWritten)
        *bytesWritten = bytes;
    return true;
}

bool ArrayBase::rewind() {
    m_position = 0;
    return true;
}

bool ArrayBase::seekToEnd() {
    m_position = static_cast<u32>(byteSize());
    return true;
}

bool ArrayBase::seek(i64 position) {
    if (position < 0 || position > 0xFFFFFFFFll)
        return false;
    m_position = static_cast<u32>(position);
    return true;
}

bool ArrayBase::seekFromEnd(i64 back) { return seek(static_cast<i64>(byteSize()) - back); }

bool ArrayBase::skip(i64 n) { return seek(static_cast<i64>(m_position) + n); }

bool ArrayBase::back(i64 n) { return seek(static_cast<i64>(m_position) - n); }

void ArrayBase::closeAndClear() { clear(); }

} // namespace s::col::_array
