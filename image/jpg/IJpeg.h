#pragma once

#include "image/IEncodedImage.h"

namespace s::image::jpg {

/// A JPEG picture: 24-bit colour, no transparency.
class IJpeg : public IEncodedImage {
public:
    /// A new zeroed picture of width x height. False (empty) when the size is
    /// negative, too large or the memory cannot be had.
    virtual bool create(i32 width, i32 height) = 0;
    /// The quality of the next `writeTo`, 0-100 (the codec clamps it to 1-100).
    virtual void setQuality(i32 quality) = 0;
    virtual i32 getQuality() const = 0;
    /// Replaces this picture by `image`; transparent and translucent pixels
    /// are blended onto the colour (r, g, b). The image is not changed.
    virtual bool convertFrom(image::win::BufferedImage* image, i32 quality, int r, int g, int b) = 0;
};

} // namespace s::image::jpg
