#pragma once

#include "foundation/base/IObject.h"

namespace s::image {

/// Every picture: its size in pixels.
class IImage : public base::IObject {
public:
    virtual i32 getWidth() const = 0;
    virtual i32 getHeight() const = 0;
};

} // namespace s::image
