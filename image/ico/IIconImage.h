#pragma once

#include "image/IEncodedImage.h"

namespace s::image::ico {

/// One picture of an icon: a colour bitmap with its transparency mask (bit
/// set = transparent), or a PNG for pictures above 255 pixels.
class IIconImage : public IEncodedImage {
public:
    /// A zeroed picture of w x h at 1, 4, 8, 24 or 32 bits with a clear mask.
    virtual bool create(i32 width, i32 height, i32 bitsPerPixel) = 0;
    /// Replaces this picture by `image` at 4, 8 or 32 bits. With
    /// `keepTransparency` 32 bits keep the alpha and 4 and 8 bits make alpha
    /// below 32 transparent (the last palette index, a zero entry); the mask
    /// marks every pixel of alpha 0. Without it everything is composited onto
    /// (r, g, b) and the mask is clear. The image is not changed.
    virtual bool convertFrom(image::win::BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r,
                             int g, int b) = 0;
    virtual i32 getBitCount() const = 0;
    virtual i32 getStride() const = 0;
    virtual i32 getColourCount() const = 0;
    /// 256 entries 0x00RRGGBB.
    virtual const u32* getColourTable() const = 0;
    /// Row y of the colour bitmap, top-based.
    virtual u8* getRow(i32 y) const = 0;
    virtual i32 getMaskStride() const = 0;
    /// Row y of the mask, top-based; the leftmost pixel is bit 7 of byte 0.
    virtual u8* getMaskRow(i32 y) const = 0;
};

} // namespace s::image::ico
