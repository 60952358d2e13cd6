#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {
class ArrayP;
}

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::str::strarray {

/// An ordered list of strings that owns them: removed or disposed elements go
/// back to the `StrBuffer` pool.
class StrArray : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(StrArray)

public:
    StrArray();
    StrArray(const StrArray&) = delete;
    StrArray& operator=(const StrArray&) = delete;
    /// Deletes every element, then the array.
    ~StrArray() override;

    u32 size() const;
    strbuffer::StrBuffer* get(u32 i) const;
    /// Takes ownership of `str` (a pooled string).
    void append(strbuffer::StrBuffer* str);
    /// Appends a pooled copy of `text`.
    void append(const char16_t* text, i32 n = -1);
    /// Removes (and hands back) element `i`.
    void remove(u32 i);
    /// Hands back every element.
    void clear();
    /// Whether an element equals `text` (optionally ignoring case); its index
    /// through `out` when not null.
    bool contains(const char16_t* text, bool ignoreCase, u32* out = nullptr) const;
    col::_array::ArrayP* array() const { return m_array; }

    const char16_t* getClassName() const override { return u"s_str_strarray_StrArray"; }
    /// Disposes of all elements and frees the storage.
    void reset() override;

private:
    col::_array::ArrayP* m_array;
};

} // namespace s::str::strarray
