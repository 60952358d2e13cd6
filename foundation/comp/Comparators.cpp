#include "foundation/comp/Comparators.h"

#include <cstring>

namespace s::comp {

namespace {

template <class T>
int compareStored(const void* a, const void* b) {
    T x;
    T y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

#define S_COMPARATOR_IMPL(Name, T)                                                                           \
    int Name::compare(const void* a, const void* b) const { return compareStored<T>(a, b); }                 \
    Name* Name::get() {                                                                                      \
        static Name instance;                                                                                \
        return &instance;                                                                                    \
    }

S_COMPARATOR_IMPL(CompP, std::uintptr_t)
S_COMPARATOR_IMPL(CompU08, u8)
S_COMPARATOR_IMPL(CompS08, i8)
S_COMPARATOR_IMPL(CompU32, u32)
S_COMPARATOR_IMPL(CompS32, i32)
S_COMPARATOR_IMPL(CompS64, i64)

} // namespace s::comp
