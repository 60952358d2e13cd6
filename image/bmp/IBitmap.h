#pragma once

#include "image/IEncodedImage.h"
#include "image/Pixel.h"

namespace s::image::bmp {

namespace win {
class Bitmap;
}

/// A device-independent bitmap of 1, 4, 8, 16, 24 or 32 bits per pixel, and
/// the BMP file format around it.
///
/// Rows are addressed top-down (`getRow(0)` is the top line); the memory
/// behind them is bottom-up, in the order of the file.
class IBitmap : public IEncodedImage {
public:
    /// A new zeroed picture with the header of a new BMP of that size and
    /// depth. False (and an empty picture) for an unsupported depth, a
    /// negative or too large size, or when the memory cannot be had.
    virtual bool create(i32 width, i32 height, i32 bitsPerPixel) = 0;
    /// A copy of `source`'s header, colour table and pixels.
    virtual bool copyFromBitmapHandle(const win::Bitmap* source) = 0;
    /// Draws this picture into `target` at (0, 0), clipped to its size and
    /// converted to its depth (palette targets take the nearest colour).
    virtual bool blitTo(win::Bitmap* target) const = 0;
    virtual i32 getBitCount() const = 0;
    virtual i32 getStride() const = 0;
    /// 32 bits without channel masks: the fourth byte may be alpha.
    virtual bool isPlain32() const = 0;
    virtual bool hasColourTable() const = 0;
    virtual i32 getColourCount() const = 0;
    virtual i32 getColourTableBytes() const = 0;
    /// 256 entries, bytes B, G, R, 0 (as 0x00RRGGBB words).
    virtual u32* getColourTable() = 0;
    virtual const u32* getColourTable() const = 0;
    virtual u8* getRow(i32 y) const = 0;
    virtual u8* getPixels() const = 0;
    virtual bool hasTransparentColour() const = 0;
    /// A colour key: `toBufferedImage` makes pixels of this colour
    /// transparent (pictures other than plain 32 bits).
    virtual void setTransparentColour(int r, int g, int b) = 0;
    /// Everything after the file header.
    [[nodiscard]] virtual bool writeDib(io::IOutputStream* stream) const = 0;
    /// A picture without file header; the pixels follow the colour table.
    [[nodiscard]] virtual bool readDib(io::IInputStream* stream) = 0;
    /// Replaces this picture by `image` at 4, 8, 24 or 32 bits. Transparent
    /// pixels are kept (32 bits with `keepTransparency`; their colour becomes
    /// (r, g, b)) or composited onto (r, g, b). 4 and 8 bits use the octree
    /// quantizer.
    virtual bool convertFrom(image::win::BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r,
                             int g, int b) = 0;
};

} // namespace s::image::bmp
