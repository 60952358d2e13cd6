#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"

namespace s::image::win {
class BufferedImage;
}

namespace s::image::filters {

/// A pixel filter that a buffer's filter chain runs. Implementations are
/// pooled.
class IFilter : public base::IObject, public thread::IPoolable {
public:
    /// One constant per filter class; compared by identity, not by text.
    virtual const char16_t* getFilterId() const = 0;
    /// When true, a buffer releases the filter when it drops it from its
    /// chain; otherwise the filter's creator releases it.
    virtual bool isAutoRelease() const = 0;
    virtual void setAutoRelease(bool autoRelease) = 0;
    /// Filters `source` (unchanged) into `target`, or into a buffer from the
    /// pool when `target` is null, and returns it (the caller owns a new one).
    /// Null when the memory cannot be had.
    virtual win::BufferedImage* apply(win::BufferedImage* source, win::BufferedImage* target) = 0;
};

} // namespace s::image::filters
