#pragma once

#include "foundation/thread/IPoolable.h"
#include "image/IImage.h"
#include "image/Pixel.h"

typedef struct _cairo cairo_t;

namespace s::io {
class IOutputStream;
}
namespace s::col::_array {
class ArrayP;
}
namespace s::image::bmp::win {
class Bitmap;
}
namespace s::image::filters {
class IFilter;
}

namespace s::image {

namespace win {
class BufferedImage;
}

/// The memory side of an image buffer: geometry and pixel access.
///
/// Rows are addressed top-down (row 0 is the top line) although the memory
/// behind them is bottom-up: row y starts at
/// `getBits() + (getCapacityHeight() - 1 - y) * getCapacityRowBytes()`.
class IImageBuffer : public IImage, public thread::IPoolable {
public:
    /// The bitmap that holds the pixel memory (for blitting and drawing).
    virtual bmp::win::Bitmap* getBitmapHandle() const = 0;
    /// Changes the logical size only; no memory is touched. Sizes beyond the
    /// capacity are clamped to it.
    virtual void setSize(i32 width, i32 height) = 0;
    /// Grows the capacity to at least width x height, keeping the logical
    /// size and the pixels of the logical area. False (nothing changed) when
    /// the memory cannot be had.
    virtual bool reserve(i32 width, i32 height) = 0;
    /// Replaces the memory by exactly width x height pixels (zeroed), which
    /// become the capacity and the logical size. False (0 x 0) on failure.
    virtual bool allocate(i32 width, i32 height) = 0;
    /// A buffer from the pool allocated to width x height; null when the
    /// memory cannot be had. The caller owns it.
    [[nodiscard]] virtual win::BufferedImage* newImage(i32 width, i32 height) const = 0;
    virtual i32 getRowBytes() const = 0;
    virtual i32 getCapacityWidth() const = 0;
    virtual i32 getCapacityHeight() const = 0;
    virtual i32 getCapacityRowBytes() const = 0;
    virtual Pixel* getRow(i32 y) const = 0;
    /// Start of the (bottom-up) pixel memory; null while nothing is allocated.
    virtual u8* getBits() const = 0;
    /// True when some pixel may be less than opaque.
    virtual bool hasAlpha() const = 0;
    virtual void setHasAlpha(bool hasAlpha) = 0;
};

/// The image buffer of every picture in memory. Operations that produce a
/// buffer hand the caller a pooled object to release, unless they say the
/// result stays owned by this buffer.
class IBufferedImage : public IImageBuffer {
public:
    virtual win::BufferedImage* getScaledCache() const = 0;
    /// Takes ownership of `cache` (may be null) and releases the previous one.
    virtual void setScaledCache(win::BufferedImage* cache) = 0;

    /// Paints the picture (or, with `scale`, its scaled copy of w x h) at
    /// (x, y), at most w x h pixels of it, as an opaque copy: the alpha bytes
    /// are ignored, as the platform's blit does.
    virtual void drawTo(cairo_t* cr, i32 x, i32 y, i32 width, i32 height, bool scale) = 0;
    virtual void drawTo(cairo_t* cr, i32 width, i32 height, bool scale) = 0;

    /// Composites `source` onto this buffer at (x, y), starting at (srcX, srcY)
    /// of the source; with `scale` the source's scaled copy of w x h is used.
    virtual void drawImage(i32 x, i32 y, i32 width, i32 height, win::BufferedImage* source, i32 srcX,
                           i32 srcY, bool scale) = 0;
    /// This buffer at another size (bilinear), cached: the result is owned by
    /// this buffer (or is this buffer itself) and stays valid until the next
    /// `scaledCopy` of another size or `setScaledCache`.
    virtual win::BufferedImage* scaledCopy(i32 width, i32 height, bool keepRatio) = 0;

    /// Encodes as BMP of 4, 8, 24 or 32 bits. Transparent pixels are kept
    /// (32 bits, `keepTransparency`) or composited onto the colour (r, g, b).
    [[nodiscard]] virtual bool writeBmp(io::IOutputStream* stream, i32 bitsPerPixel, bool keepTransparency,
                                        int r, int g, int b) = 0;
    /// The same into a file, replacing it; the old file stays intact when the
    /// writing fails (so for every save operation here).
    [[nodiscard]] virtual bool saveBmp(const char* utf8Path, i32 bitsPerPixel, bool keepTransparency, int r,
                                       int g, int b) = 0;
    /// Encodes as 8-bit GIF89a of 16 (4) or 256 (8) colours, one index kept
    /// for transparency: pixels of alpha below 96 become transparent with
    /// `keepTransparency`, else everything is composited onto (r, g, b).
    [[nodiscard]] virtual bool writeGif(io::IOutputStream* stream, i32 bitsPerPixel, bool keepTransparency,
                                        int r, int g, int b) = 0;
    [[nodiscard]] virtual bool saveGif(const char* utf8Path, i32 bitsPerPixel, bool keepTransparency, int r,
                                       int g, int b) = 0;
    /// Encodes as baseline JPEG of the quality (0-100), composited onto (r, g, b).
    [[nodiscard]] virtual bool writeJpeg(io::IOutputStream* stream, i32 quality, int r, int g, int b) = 0;
    [[nodiscard]] virtual bool saveJpeg(const char* utf8Path, i32 quality, int r, int g, int b) = 0;
    /// Encodes as 8-bit RGBA PNG, Adam7-interlaced or not; alpha is kept
    /// (`keepTransparency`) or composited onto (r, g, b).
    [[nodiscard]] virtual bool writePng(io::IOutputStream* stream, bool interlace, bool keepTransparency,
                                        int r, int g, int b) = 0;
    [[nodiscard]] virtual bool savePng(const char* utf8Path, bool interlace, bool keepTransparency, int r,
                                       int g, int b) = 0;

    /// Transforms into `dst` (its size, pixels and alpha flag are replaced and
    /// its caches dropped) or, when null, into a new buffer the caller owns.
    /// Null when the memory cannot be had.
    virtual win::BufferedImage* copy(win::BufferedImage* dst) = 0;
    /// 90 degrees clockwise.
    virtual win::BufferedImage* rotateRight(win::BufferedImage* dst) = 0;
    virtual win::BufferedImage* rotate180(win::BufferedImage* dst) = 0;
    /// 90 degrees counter-clockwise.
    virtual win::BufferedImage* rotateLeft(win::BufferedImage* dst) = 0;
    /// Left and right swapped.
    virtual win::BufferedImage* mirror(win::BufferedImage* dst) = 0;
    /// Upside down.
    virtual win::BufferedImage* flip(win::BufferedImage* dst) = 0;

    /// The filter chain, applied in list order. Every change drops the
    /// filtered result.
    virtual bool hasFilters() const = 0;
    /// The first filter whose id is `id` (the same constant, by identity).
    virtual filters::IFilter* findFilter(const char16_t* id, u32* index) const = 0;
    virtual col::_array::ArrayP* getFilters() const = 0;
    virtual filters::IFilter* getFilter(u32 index) const = 0;
    virtual void addFilter(filters::IFilter* filter) = 0;
    /// Replaces filter `index` (the old one is released when it is
    /// auto-release).
    virtual void setFilter(u32 index, filters::IFilter* filter) = 0;
    /// Releases the filter when it is auto-release, else only forgets it.
    virtual void removeFilter(u32 index) = 0;
    virtual void clearFilters() = 0;
    /// Forgets every filter without releasing any.
    virtual void detachFilters() = 0;
    /// Runs the chain into a new filtered result (owned by this buffer) and
    /// returns it; returns this buffer when the chain yields nothing.
    virtual win::BufferedImage* applyFilters() = 0;
    /// The filtered result, running the chain only when there is none.
    virtual win::BufferedImage* getFiltered() = 0;
};

} // namespace s::image
