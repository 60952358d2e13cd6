#pragma once

#include "foundation/thread/Pool.h"
#include "image/bmp/win/Bitmap.h"
#include "image/ico/IIconImage.h"

#include <vector>

namespace s::image::ico::win {

/// One icon entry. Its file bytes (`writeTo`, `readFrom`) are the entry's
/// data inside an icon file, not a whole file: a BITMAPINFOHEADER of twice
/// the height, the colour table, the colour rows and the mask rows, bottom
/// row first; or a whole PNG file when the picture is wider or taller than
/// 255 pixels. One thread at a time.
class IconImage : public IIconImage {
    S_POOLED_CLASS(IconImage)

public:
    IconImage() = default;
    IconImage(const IconImage&) = delete;
    IconImage& operator=(const IconImage&) = delete;
    ~IconImage() override;

    const char16_t* getClassName() const override { return u"s_image_ico_win_IconImage"; }
    void reset() override;

    // -- IImage / IEncodedImage --
    i32 getWidth() const override { return m_info.biWidth; }
    i32 getHeight() const override { return m_info.biHeight; }
    const char16_t* getExtension() const override { return u".ico"; }
    /// 32 bits: the entry's alpha. Other depths: alpha 0 where the mask is set.
    [[nodiscard]] image::win::BufferedImage*
    toBufferedImage(image::win::BufferedImage* reuse = nullptr) const override;
    [[nodiscard]] image::win::BufferedImageSet* toBufferedImageSet() const override;
    [[nodiscard]] bool writeTo(io::IOutputStream* stream) const override;
    /// Reads the rest of the stream as one entry's data.
    [[nodiscard]] bool readFrom(io::IInputStream* stream) override;
    using IEncodedImage::encodeLike;
    /// 32 bits, transparency kept, white background.
    [[nodiscard]] IEncodedImage* encodeLike(image::win::BufferedImage* image) const override;

    // -- IIconImage --
    bool create(i32 width, i32 height, i32 bitsPerPixel) override;
    bool convertFrom(image::win::BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                     int b) override;
    i32 getBitCount() const override { return m_info.biBitCount; }
    i32 getStride() const override { return m_stride; }
    i32 getColourCount() const override { return m_colourCount; }
    const u32* getColourTable() const override { return m_colourTable; }
    u8* getRow(i32 y) const override {
        return const_cast<u8*>(m_pixels.data()) + static_cast<i64>(m_info.biHeight - 1 - y) * m_stride;
    }
    i32 getMaskStride() const override { return m_maskStride; }
    u8* getMaskRow(i32 y) const override {
        return const_cast<u8*>(m_mask.data()) + static_cast<i64>(m_info.biHeight - 1 - y) * m_maskStride;
    }

    /// Reads entry data held in memory (PNG or bitmap with mask).
    bool readBytes(const u8* data, size_t size);
    /// The entry data as written into an icon file.
    [[nodiscard]] bool buildResource(std::vector<u8>& out) const;

private:
    /// The colour of pixel x of row y as 0x00RRGGBB (32 bits: with alpha).
    Pixel colourAt(const u8* row, i32 x) const;

    bmp::win::InfoHeader m_info;
    u32 m_colourTable[256] = {};
    i32 m_colourCount = 0;
    i32 m_colourTableBytes = 0;
    i32 m_stride = 0;
    i32 m_maskStride = 0;
    std::vector<u8> m_pixels; // bottom-up, m_stride x height
    std::vector<u8> m_mask;   // bottom-up, m_maskStride x height
};

} // namespace s::image::ico::win
