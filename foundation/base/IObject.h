#pragma once

#include "foundation/base/Types.h"

namespace s::base {

class IObject;

/// An external ordering over two objects or two elements given by pointers.
class IComparator {
public:
    virtual ~IComparator() = default;
    /// Negative, 0 or positive.
    virtual int compare(const void* a, const void* b) const = 0;
    virtual int compareIgnoreCase(const void* a, const void* b) const { return compare(a, b); }
};

/// The first seven of the nine operations every library object has.
class IComparable {
public:
    virtual ~IComparable() = default;
    virtual int compareTo(const IObject* other, const IComparator* comparator = nullptr) const = 0;
    virtual int compareToIgnoreCase(const IObject* other, const IComparator* comparator = nullptr) const = 0;
    virtual bool equals(const IObject* other, const IComparator* comparator = nullptr) const = 0;
    virtual bool equalsIgnoreCase(const IObject* other, const IComparator* comparator = nullptr) const = 0;
    virtual i32 hashCode() const = 0;
    virtual i32 hashCodeIgnoreCase() const = 0;
};

/// Root of the library's classes.
///
/// Without a comparator, objects are ordered by address; value classes
/// override the comparison and hash operations. `getClassName()` is the full
/// class name with "::" replaced by "_".
class IObject : public IComparable {
public:
    int compareTo(const IObject* other, const IComparator* comparator = nullptr) const override;
    int compareToIgnoreCase(const IObject* other, const IComparator* comparator = nullptr) const override;
    bool equals(const IObject* other, const IComparator* comparator = nullptr) const override;
    bool equalsIgnoreCase(const IObject* other, const IComparator* comparator = nullptr) const override;
    /// Depends only on the class: a hash of `getClassName()`.
    i32 hashCode() const override;
    i32 hashCodeIgnoreCase() const override { return hashCode(); }
    virtual const char16_t* getClassName() const = 0;
    /// A new object of the same class, from the class's pool when it has one.
    /// The caller owns it (hand it back with `release()` when pooled).
    virtual IObject* newInstance() const = 0;
};

/// Makes new or reused objects for pools and containers.
class IGenerator {
public:
    virtual ~IGenerator() = default;
    virtual void* generate() = 0;
};

/// Disposes of the object `*slot` points to (when not null) and nulls the slot.
class IDestructor {
public:
    virtual ~IDestructor() = default;
    virtual void destroy(void** slot) = 0;
};

/// The library's hash over UTF-16 units: rotate left by one through bit 30,
/// then XOR the unit.
i32 hashChars(const char16_t* chars, u32 n, bool ignoreCase);

/// Length of a zero-terminated UTF-16 string.
u32 charsLength(const char16_t* chars);

} // namespace s::base
