#pragma once

#include "foundation/base/IObject.h"

namespace s::cleaner {

/// Deletes the object in the slot through its virtual destructor. The slot
/// must hold an `IObject*`.
class CleanerIObject : public base::IDestructor {
public:
    void destroy(void** slot) override;
    /// The process-wide instance, made on first use.
    static CleanerIObject* get();
};

/// Frees the memory in the slot (allocated with malloc) without running a
/// destructor.
class CleanerRawObject : public base::IDestructor {
public:
    void destroy(void** slot) override;
    static CleanerRawObject* get();
};

} // namespace s::cleaner
