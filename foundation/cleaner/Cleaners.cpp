#include "foundation/cleaner/Cleaners.h"

#include <cstdlib>

namespace s::cleaner {

void CleanerIObject::destroy(void** slot) {
    if (!slot || !*slot)
        return;
    delete static_cast<base::IObject*>(*slot);
    *slot = nullptr;
}

CleanerIObject* CleanerIObject::get() {
    static CleanerIObject instance;
    return &instance;
}

void CleanerRawObject::destroy(void** slot) {
    if (!slot || !*slot)
        return;
    std::free(*slot);
    *slot = nullptr;
}

CleanerRawObject* CleanerRawObject::get() {
    static CleanerRawObject instance;
    return &instance;
}

} // namespace s::cleaner
