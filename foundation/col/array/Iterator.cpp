#include "foundation/col/array/Iterator.h"

#include "foundation/col/array/ArrayBase.h"

namespace s::col::_array {

void Iterator::open(ArrayBase* array, i32 index) {
    m_collection = array;
    setIndex(index);
}

u32 Iterator::count() const { return static_cast<const ArrayBase*>(m_collection)->size(); }

void* Iterator::pointerAt(u32 i) const { return static_cast<ArrayBase*>(m_collection)->elementPointer(i); }

} // namespace s::col::_array
