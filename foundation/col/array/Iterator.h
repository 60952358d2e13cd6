#pragma once

#include "foundation/col/Collection.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {

class ArrayBase;

/// An iterator over the elements of an array; `next()` returns a pointer to
/// the element.
class Iterator : public IteratorBase {
    S_POOLED_CLASS(Iterator)

public:
    /// Attaches to `array` with `index` at `index`.
    void open(ArrayBase* array, i32 index);
    const char16_t* getClassName() const override { return u"s_col_array_Iterator"; }

protected:
    u32 count() const override;
    void* pointerAt(u32 i) const override;
};

} // namespace s::col::_array
