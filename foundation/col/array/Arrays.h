#pragma once

#include "foundation/col/array/ArrayBase.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {

/// Typed access shared by the value arrays.
template <class T, u32 Shift>
class ValueArray : public ArrayBase {
    static_assert(sizeof(T) == (1u << Shift));

public:
    T* data() { return reinterpret_cast<T*>(m_items); }
    const T* data() const { return reinterpret_cast<const T*>(m_items); }
    T get(u32 i) const { return data()[i]; }
    void set(u32 i, T v) { data()[i] = v; }
    void append(T v) {
        if (m_size == m_capacity)
            makeRoom(m_size + 1);
        data()[m_size++] = v;
    }
    using ArrayBase::append;
    T popLast() { return data()[--m_size]; }
    using ArrayBase::popLast;

protected:
    ValueArray() : ArrayBase(Shift) {}
};

#define S_VALUE_ARRAY(Name, T, Shift)                                                                        \
    class Name : public ValueArray<T, Shift> {                                                               \
        S_POOLED_CLASS(Name)                                                                                 \
                                                                                                             \
    public:                                                                                                  \
        const char16_t* getClassName() const override { return u"s_col__array_" #Name; }                    \
        void appendElementText(str::strbuffer::StrBuffer* out, const void* element) const override;          \
        void appendElementXml(str::strbuffer::StrBuffer* out, const void* element) const override;           \
        const base::IComparator* defaultComparator() const override;                                         \
    };

/// Unsigned bytes; "0a" in XML.
S_VALUE_ARRAY(ArrayU08, u8, 0)
/// Signed bytes; two hex digits in XML.
S_VALUE_ARRAY(ArrayS08, i8, 0)
/// Unsigned 32-bit values; eight hex digits in XML.
S_VALUE_ARRAY(ArrayU32, u32, 2)
/// Signed 32-bit values; eight hex digits in XML.
S_VALUE_ARRAY(ArrayS32, i32, 2)
/// Signed 64-bit values; sixteen hex digits in XML.
S_VALUE_ARRAY(ArrayS64, i64, 3)

#undef S_VALUE_ARRAY

} // namespace s::col::_array
