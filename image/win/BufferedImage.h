#pragma once

#include "foundation/col/array/ArrayP.h"
#include "foundation/thread/Pool.h"
#include "image/IBufferedImage.h"

namespace s::image::win {

/// The image buffer: a 32-bit picture (0xAARRGGBB, straight alpha) in memory
/// kept at a capacity that may exceed the logical size, so that pictures of
/// the same or a smaller size reuse the allocation.
///
/// The memory is the pixel memory of an owned 32-bit bottom-up Bitmap; rows
/// are addressed top-down through the capacity geometry (see IImageBuffer).
/// An image buffer is used by one thread at a time.
class BufferedImage : public IBufferedImage {
    S_POOLED_CLASS(BufferedImage)

public:
    BufferedImage() = default;
    BufferedImage(const BufferedImage&) = delete;
    BufferedImage& operator=(const BufferedImage&) = delete;
    ~BufferedImage() override;

    const char16_t* getClassName() const override { return u"s_image_win_BufferedImage"; }
    /// Releases the memory, both caches and the filters (auto-release ones).
    void reset() override;

    // -- IImage --
    i32 getWidth() const override { return m_width; }
    i32 getHeight() const override { return m_height; }

    // -- IImageBuffer --
    bmp::win::Bitmap* getBitmapHandle() const override { return m_bitmap; }
    void setSize(i32 width, i32 height) override;
    bool reserve(i32 width, i32 height) override;
    bool allocate(i32 width, i32 height) override;
    [[nodiscard]] BufferedImage* newImage(i32 width, i32 height) const override;
    i32 getRowBytes() const override { return m_rowBytes; }
    i32 getCapacityWidth() const override { return m_capacityWidth; }
    i32 getCapacityHeight() const override { return m_capacityHeight; }
    i32 getCapacityRowBytes() const override { return m_capacityRowBytes; }
    Pixel* getRow(i32 y) const override {
        return reinterpret_cast<Pixel*>(m_bits +
                                        static_cast<i64>(m_capacityHeight - 1 - y) * m_capacityRowBytes);
    }
    u8* getBits() const override { return m_bits; }
    bool hasAlpha() const override { return m_hasAlpha; }
    void setHasAlpha(bool hasAlpha) override { m_hasAlpha = hasAlpha; }

    // -- IBufferedImage --
    BufferedImage* getScaledCache() const override { return m_scaledCache; }
    void setScaledCache(BufferedImage* cache) override;
    void drawTo(cairo_t* cr, i32 x, i32 y, i32 width, i32 height, bool scale) override;
    void drawTo(cairo_t* cr, i32 width, i32 height, bool scale) override {
        drawTo(cr, 0, 0, width, height, scale);
    }
    void drawImage(i32 x, i32 y, i32 width, i32 height, BufferedImage* source, i32 srcX, i32 srcY,
                   bool scale) override;
    BufferedImage* scaledCopy(i32 width, i32 height, bool keepRatio) override;
    [[nodiscard]] bool writeBmp(io::IOutputStream* stream, i32 bitsPerPixel, bool keepTransparency, int r,
                                int g, int b) override;
    [[nodiscard]] bool saveBmp(const char* utf8Path, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                               int b) override;
    [[nodiscard]] bool writeGif(io::IOutputStream* stream, i32 bitsPerPixel, bool keepTransparency, int r,
                                int g, int b) override;
    [[nodiscard]] bool saveGif(const char* utf8Path, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                               int b) override;
    [[nodiscard]] bool writeJpeg(io::IOutputStream* stream, i32 quality, int r, int g, int b) override;
    [[nodiscard]] bool saveJpeg(const char* utf8Path, i32 quality, int r, int g, int b) override;
    [[nodiscard]] bool writePng(io::IOutputStream* stream, bool interlace, bool keepTransparency, int r,
                                int g, int b) override;
    [[nodiscard]] bool savePng(const char* utf8Path, bool interlace, bool keepTransparency, int r, int g,
                               int b) override;
    BufferedImage* copy(BufferedImage* dst) override;
    BufferedImage* rotateRight(BufferedImage* dst) override;
    BufferedImage* rotate180(BufferedImage* dst) override;
    BufferedImage* rotateLeft(BufferedImage* dst) override;
    BufferedImage* mirror(BufferedImage* dst) override;
    BufferedImage* flip(BufferedImage* dst) override;
    bool hasFilters() const override;
    filters::IFilter* findFilter(const char16_t* id, u32* index) const override;
    col::_array::ArrayP* getFilters() const override { return const_cast<col::_array::ArrayP*>(&m_filters); }
    filters::IFilter* getFilter(u32 index) const override;
    void addFilter(filters::IFilter* filter) override;
    void setFilter(u32 index, filters::IFilter* filter) override;
    void removeFilter(u32 index) override;
    void clearFilters() override;
    void detachFilters() override;
    BufferedImage* applyFilters() override;
    BufferedImage* getFiltered() override;

    // -- pixel operations of the writers (logical area only) --
    /// Every pixel := a<<24 | r<<16 | g<<8 | b; the alpha flag := a != 255.
    void fill(int a, int r, int g, int b);
    void makeOpaque();
    /// Whether every pixel's alpha byte is 255 (whatever the alpha flag says).
    [[nodiscard]] bool isAllOpaque() const;
    /// Pixels of colour (r, g, b) get alpha 0, all others 255; the alpha flag
    /// becomes true when some pixel got 0 and is kept otherwise.
    void applyColourKey(int r, int g, int b);
    /// With the alpha flag: pixels of alpha 0 take the colour (r, g, b).
    void tintTransparent(int r, int g, int b);
    /// Alpha below `limit` becomes 0, the rest 255.
    void thresholdAlpha(int limit);
    /// Pixels of the same colour as the same pixel of `other` get alpha 0
    /// (over the area both cover).
    void maskEqualTo(const BufferedImage* other);
    /// With the alpha flag: composites onto opaque white.
    void flattenOnWhite();
    /// The alpha flag := some pixel has alpha below 255.
    void updateAlphaFlag();
    /// Grows the capacity by factors of 1.2 per axis until it covers
    /// width x height. False when the memory cannot be had.
    bool ensureCapacity(i32 width, i32 height);
    /// Drops the scaled and the filtered result, for when the pixels change.
    void dropCaches();
    /// Makes this buffer width x height for new content: the logical size is
    /// set after growing the capacity, the caches are dropped and the alpha
    /// flag cleared. False (and 0 x 0) when the memory cannot be had.
    bool prepare(i32 width, i32 height);

    BufferedImage* getFilteredCache() const { return m_filteredCache; }

private:
    template <class Map> BufferedImage* transform(BufferedImage* dst, bool swapAxes, Map map);
    void releaseBitmap();
    void dropFilteredCache();
    void swapContents(BufferedImage* other);

    bmp::win::Bitmap* m_bitmap = nullptr;
    u8* m_bits = nullptr;
    i32 m_width = 0;
    i32 m_height = 0;
    i64 m_pixelCount = 0;
    i64 m_byteCount = 0;
    i32 m_rowBytes = 0;
    i32 m_capacityWidth = 0;
    i32 m_capacityHeight = 0;
    i64 m_capacityPixels = 0;
    i64 m_capacityBytes = 0;
    i32 m_capacityRowBytes = 0;
    BufferedImage* m_scaledCache = nullptr;
    bool m_hasAlpha = false;
    col::_array::ArrayP m_filters; // of IFilter*, not owning: auto-release is per filter
    BufferedImage* m_filteredCache = nullptr;
};

} // namespace s::image::win
