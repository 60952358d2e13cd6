#pragma once

#include "image/IEncodedImage.h"

namespace s::image::bmp::win {
class Bitmap;
}

namespace s::image::gif {

/// A GIF picture or animation: a list of 8-bit frames, each with its own
/// 256-colour table, transparent index, delay and disposal.
class IGif : public IEncodedImage {
public:
    /// Appends one frame made from `image` with at most 15 (4 bits) or 255
    /// (8 bits) colours; the last index is kept for transparency. With
    /// `keepTransparency` pixels of alpha below `alphaLimit` become
    /// transparent (their colour (r, g, b)); without it everything is
    /// composited onto (r, g, b). False for another depth, an empty image or
    /// when the memory cannot be had. The image is not changed.
    virtual bool convertFrom(image::win::BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r,
                             int g, int b, int alphaLimit) = 0;
    /// Frames from the pictures of an animated set: each frame after the
    /// first holds only what changed (the rest transparent) and keeps the
    /// previous picture (disposal 1). A single picture or a set that is not
    /// animated gives one frame of its primary picture.
    virtual bool convertFromSet(image::win::BufferedImageSet* set, i32 bitsPerPixel, bool keepTransparency,
                                int r, int g, int b) = 0;
    /// Replaces every frame by one zeroed frame of that size and depth.
    virtual bool create(i32 width, i32 height, i32 bitsPerPixel) = 0;
    /// Replaces every frame by a copy of `source`.
    virtual bool copyFromBitmapHandle(const bmp::win::Bitmap* source) = 0;
    /// Draws the first frame into `target`.
    virtual bool blitTo(bmp::win::Bitmap* target) const = 0;
    virtual u16 getLoopCount() const = 0;
    virtual void setLoopCount(u16 loopCount) = 0;
};

} // namespace s::image::gif
