#pragma once

#include "image/IEncodedImage.h"

#include <vector>

namespace s::image::ico {

namespace win {
class IconImage;
}

/// An icon file: an ordered list of pictures of several sizes and depths.
class IIcon : public IEncodedImage {
public:
    /// Appends `image`; the icon owns it from now on.
    virtual void add(win::IconImage* image) = 0;
    virtual win::IconImage* getImage(u32 index) const = 0;
    /// Index of the entry of exactly that size and depth, or -1.
    virtual i32 findExact(i32 width, i32 height, i32 bitsPerPixel) const = 0;
    /// Nearest in depth, then in area; the earlier entry on a tie. -1 when empty.
    virtual i32 findNearestByDepth(i32 width, i32 height, i32 bitsPerPixel) const = 0;
    /// Nearest in area, then in depth.
    virtual i32 findNearestByArea(i32 width, i32 height, i32 bitsPerPixel) const = 0;
    [[nodiscard]] virtual image::win::BufferedImage*
    toBufferedImage(u32 index, image::win::BufferedImage* reuse) const = 0;
    using IEncodedImage::toBufferedImage;
};

} // namespace s::image::ico
