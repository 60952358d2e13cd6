#include "foundation/col/CollectionInputStream.h"

#include "foundation/col/Collection.h"

#include <algorithm>
#include <cstring>

namespace s::col {

namespace {
constexpr u32 kMaxReadBytes = 64;
}

CollectionInputStream::~CollectionInputStream() { close(); }

void CollectionInputStream::open(IteratorBase* iterator, u32 elementSize) {
    close();
    m_iterator = iterator;
    m_elementSize = elementSize;
}

bool CollectionInputStream::read(void* buffer, u32 bytes, u32* bytesRead) {
    u32 done = 0;
    u32 want = std::min(bytes, kMaxReadBytes);
    auto* out = static_cast<u8*>(buffer);
    while (m_iterator && done < want) {
        if (!m_element || m_offset == m_elementSize) {
            m_element = static_cast<const u8*>(m_iterator->next());
            m_offset = 0;
            if (!m_element)
                break;
        }
        u32 n = std::min(want - done, m_elementSize - m_offset);
        std::memcpy(out + done, m_element + m_offset, n);
        m_offset += n;
        done += n;
    }
    if (bytesRead)
        *bytesRead = done;
    return done > 0;
}

void CollectionInputStream::close() {
    if (m_iterator)
        m_iterator->release();
    m_iterator = nullptr;
    m_element = nullptr;
    m_offset = 0;
    m_elementSize = 0;
}

void CollectionInputStream::dispose() {
    close();
    release();
}

} // namespace s::col
