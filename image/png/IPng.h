#pragma once

#include "image/IEncodedImage.h"

namespace s::image::png {

/// A PNG picture: 32-bit colour with alpha.
class IPng : public IEncodedImage {
public:
    /// A new zeroed (transparent) picture of width x height. False (empty)
    /// when the size is negative, too large or the memory cannot be had.
    virtual bool create(i32 width, i32 height) = 0;
    /// Whether the next `writeTo` writes Adam7-interlaced rows.
    virtual void setInterlace(bool interlace) = 0;
    virtual bool isInterlace() const = 0;
    /// Replaces this picture by `image`: its alpha is kept with
    /// `keepTransparency`, else it is blended onto the colour (r, g, b) and
    /// every pixel written opaque. The image is not changed.
    virtual bool convertFrom(image::win::BufferedImage* image, bool interlace, bool keepTransparency, int r,
                             int g, int b) = 0;
};

} // namespace s::image::png
