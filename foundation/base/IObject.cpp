#include "foundation/base/IObject.h"

#include <functional>

namespace s::base {

int IObject::compareTo(const IObject* other, const IComparator* comparator) const {
    if (comparator)
        return comparator->compare(this, other);
    if (other == this)
        return 0;
    return std::less<const void*>()(this, other) ? -1 : 1;
}

int IObject::compareToIgnoreCase(const IObject* other, const IComparator* comparator) const {
    if (comparator)
        return comparator->compareIgnoreCase(this, other);
    return compareTo(other, nullptr);
}

bool IObject::equals(const IObject* other, const IComparator* comparator) const {
    return compareTo(other, comparator) == 0;
}

bool IObject::equalsIgnoreCase(const IObject* other, const IComparator* comparator) const {
    return compareToIgnoreCase(other, comparator) == 0;
}

i32 IObject::hashCode() const {
    const char16_t* name = getClassName();
    return hashChars(name, charsLength(name), false);
}

i32 hashChars(const char16_t* chars, u32 n, bool ignoreCase) {
    u32 h = 0;
    for (u32 i = 0; i < n; ++i) {
        char16_t c = chars[i];
        if (ignoreCase && c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + (u'a' - u'A'));
        h = (h << 1) | ((h >> 30) & 1u);
        h ^= c;
    }
    return static_cast<i32>(h);
}

u32 charsLength(const char16_t* chars) {
    u32 n = 0;
    if (chars)
        while (chars[n])
            ++n;
    return n;
}

} // namespace s::base
