#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"

namespace s::col {

class IteratorBase;

/// A sized collection of elements.
class ICollection : public base::IObject {
public:
    virtual u32 size() const = 0;
};

/// Gives iterators over its elements. Iterators come from their class's pool;
/// the caller hands them back with `release()`.
class IEnumerable {
public:
    virtual ~IEnumerable() = default;
    /// Before the first element.
    [[nodiscard]] virtual IteratorBase* iterator() = 0;
    /// After the last element.
    [[nodiscard]] virtual IteratorBase* reverseIterator() = 0;
    /// So that `next()` returns element `i`.
    [[nodiscard]] virtual IteratorBase* iteratorAt(u32 i) = 0;
    /// So that `previous()` returns element `i`.
    [[nodiscard]] virtual IteratorBase* reverseIteratorAt(u32 i) = 0;
    virtual void* elementPointer(u32 i) = 0;
};

/// A cursor over a collection: `index` is -1 before the first element.
class IteratorBase : public base::IObject, public thread::IPoolable {
public:
    i32 index() const { return m_index; }
    void setIndex(i32 i);
    /// `index` < size - 1.
    bool hasNext() const;
    /// `index` > 0.
    bool hasPrevious() const { return m_index > 0; }
    void skip(i32 n) { setIndex(m_index + n); }
    void back(i32 n) { setIndex(m_index - n); }
    /// Advances and returns a pointer to the element now at `index`, or null
    /// past the end.
    void* next();
    /// Steps back and returns a pointer to that element, or null before the
    /// start.
    void* previous();
    void reset() override;

protected:
    /// Elements in the collection.
    virtual u32 count() const = 0;
    virtual void* pointerAt(u32 i) const = 0;

    i32 m_index = -1;
    void* m_collection = nullptr;
    void* m_cursor = nullptr; // the element next() returns
};

} // namespace s::col
