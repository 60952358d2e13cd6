#include "foundation/col/Collection.h"

namespace s::col {

void IteratorBase::setIndex(i32 i) {
    m_index = i;
    i32 following = i + 1;
    m_cursor = (m_collection && following >= 0 && static_cast<u32>(following) < count())
                   ? pointerAt(static_cast<u32>(following))
                   : nullptr;
}

bool IteratorBase::hasNext() const {
    return m_collection && static_cast<i64>(m_index) < static_cast<i64>(count()) - 1;
}

void* IteratorBase::next() {
    if (!m_collection || static_cast<i64>(m_index) + 1 >= static_cast<i64>(count())) {
        setIndex(static_cast<i32>(m_collection ? count() : 0));
        return nullptr;
    }
    setIndex(m_index + 1);
    return pointerAt(static_cast<u32>(m_index));
}

void* IteratorBase::previous() {
    if (!m_collection || m_index <= 0) {
        setIndex(-1);
        return nullptr;
    }
    setIndex(m_index - 1);
    return pointerAt(static_cast<u32>(m_index));
}

void IteratorBase::reset() {
    m_index = -1;
    m_collection = nullptr;
    m_cursor = nullptr;
}

} // namespace s::col
