#pragma once

#include "foundation/base/IObject.h"

namespace s::comp {

/// Comparators of two elements given by pointers, by the value stored there;
/// each yields -1, 0 or 1 and exists once per process (`get()`).
#define S_COMPARATOR(Name)                                                                                   \
    class Name : public base::IObject, public base::IComparator {                                            \
    public:                                                                                                  \
        int compare(const void* a, const void* b) const override;                                            \
        const char16_t* getClassName() const override { return u"s_comp_" #Name; }                          \
        base::IObject* newInstance() const override { return get(); }                                        \
        static Name* get();                                                                                  \
    };

/// Pointer identity: the stored pointers as unsigned values.
S_COMPARATOR(CompP)
S_COMPARATOR(CompU08)
S_COMPARATOR(CompS08)
S_COMPARATOR(CompU32)
S_COMPARATOR(CompS32)
S_COMPARATOR(CompS64)

#undef S_COMPARATOR

} // namespace s::comp
