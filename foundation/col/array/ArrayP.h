#pragma once

#include "foundation/col/array/ArrayBase.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {

/// An array of pointers, owning its elements when it has an element
/// destructor: removing, clearing or disposing of elements then passes each
/// one to `destroy` of the destructor. Popping and taking hand elements out
/// without disposing of them. Elements that are objects are stored as
/// `IObject*` (the element text of `toString` reads their class names).
class ArrayP : public ArrayBase {
    S_POOLED_CLASS(ArrayP)

public:
    ArrayP() : ArrayBase(3) {}
    /// Disposes of the elements when owning.
    ~ArrayP() override;

    const char16_t* getClassName() const override { return u"s_col__array_ArrayP"; }

    void** data() { return reinterpret_cast<void**>(m_items); }
    void* const* data() const { return reinterpret_cast<void* const*>(m_items); }
    void* get(u32 i) const { return data()[i]; }
    template <class T>
    T* getAs(u32 i) const {
        return static_cast<T*>(data()[i]);
    }
    void set(u32 i, void* p) { data()[i] = p; }
    void append(void* p) {
        if (m_size == m_capacity)
            makeRoom(m_size + 1);
        data()[m_size++] = p;
    }
    using ArrayBase::append;
    /// Removes and returns the last element without disposing of it.
    void* popLast() { return data()[--m_size]; }
    using ArrayBase::popLast;

    /// The owning policy, or null for a non-owning array.
    void setElementDestructor(base::IDestructor* destructor) { m_elementDestructor = destructor; }
    base::IDestructor* elementDestructor() const { return m_elementDestructor; }

    /// Zero-fills new slots, so that an owning array never disposes of garbage.
    void setSize(u32 n) override;

    void appendElementText(str::strbuffer::StrBuffer* out, const void* element) const override;
    void appendElementXml(str::strbuffer::StrBuffer* out, const void* element) const override;
    const base::IComparator* defaultComparator() const override;

    /// Disposes of the elements (when owning), frees the storage and forgets
    /// the element destructor.
    void reset() override;

protected:
    void disposeElements(u32 index, u32 n) override;

private:
    base::IDestructor* m_elementDestructor = nullptr;
};

} // namespace s::col::_array
