#pragma once

#include "foundation/thread/Pool.h"
#include "image/bmp/IBitmap.h"

namespace s::image::bmp::win {

/// BI_RGB and BI_BITFIELDS, the compressions read and written here.
inline constexpr u32 kCompressionRgb = 0;
inline constexpr u32 kCompressionBitfields = 3;

/// The 14-byte BMP file header.
struct FileHeader {
    u16 bfType = 0x4D42; // "BM"
    u32 bfSize = 54;
    u32 bfReserved = 0;
    u32 bfOffBits = 54;
};

/// The 40-byte BITMAPINFOHEADER. A picture in memory is always bottom-up
/// (positive height) with a 40-byte header; larger headers and top-down
/// files are normalised when read.
struct InfoHeader {
    u32 biSize = 40;
    i32 biWidth = 0;
    i32 biHeight = 0;
    u16 biPlanes = 1;
    u16 biBitCount = 32;
    u32 biCompression = kCompressionRgb;
    u32 biSizeImage = 0;
    i32 biXPelsPerMeter = 0;
    i32 biYPelsPerMeter = 0;
    u32 biClrUsed = 0;
    u32 biClrImportant = 0;
};

/// The BMP codec and the plain device-independent bitmap of the buffers.
///
/// Reading never trusts the headers: unsupported or inconsistent headers and
/// sizes beyond `kMaxPixels` are refused (the picture is left empty), and the
/// pixel memory grows with the data that actually arrives. A stream that
/// ends early keeps the picture with the missing rows zero (the read answers
/// false) when at least half of the pixel data came or the pixel data is at
/// most 4 MiB; otherwise the picture is refused, so that memory never exceeds
/// twice what the stream held (or 4 MiB). One thread at a time.
class Bitmap : public IBitmap {
    S_POOLED_CLASS(Bitmap)

public:
    Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() override;

    const char16_t* getClassName() const override { return u"s_image_bmp_win_Bitmap"; }
    void reset() override;

    // -- IImage / IEncodedImage --
    i32 getWidth() const override { return m_info.biWidth; }
    i32 getHeight() const override { return m_info.biHeight; }
    const char16_t* getExtension() const override { return u".bmp"; }
    [[nodiscard]] image::win::BufferedImage*
    toBufferedImage(image::win::BufferedImage* reuse = nullptr) const override;
    [[nodiscard]] image::win::BufferedImageSet* toBufferedImageSet() const override;
    [[nodiscard]] bool writeTo(io::IOutputStream* stream) const override;
    [[nodiscard]] bool readFrom(io::IInputStream* stream) override;
    using IEncodedImage::encodeLike;
    /// This picture's depth (16 becomes 24, 1 becomes 4), transparency kept,
    /// white background.
    [[nodiscard]] IEncodedImage* encodeLike(image::win::BufferedImage* image) const override;

    // -- IBitmap --
    bool create(i32 width, i32 height, i32 bitsPerPixel) override;
    bool copyFromBitmapHandle(const Bitmap* source) override;
    bool blitTo(Bitmap* target) const override;
    i32 getBitCount() const override { return m_info.biBitCount; }
    i32 getStride() const override { return m_stride; }
    bool isPlain32() const override {
        return m_info.biBitCount == 32 && m_info.biCompression != kCompressionBitfields;
    }
    bool hasColourTable() const override { return m_colourCount > 0; }
    i32 getColourCount() const override { return m_colourCount; }
    i32 getColourTableBytes() const override { return m_colourTableBytes; }
    u32* getColourTable() override { return m_colourTable; }
    const u32* getColourTable() const override { return m_colourTable; }
    u8* getRow(i32 y) const override {
        return m_pixels + static_cast<i64>(m_info.biHeight - 1 - y) * m_stride;
    }
    u8* getPixels() const override { return m_pixels; }
    bool hasTransparentColour() const override { return m_transparentColour >= 0; }
    void setTransparentColour(int r, int g, int b) override {
        m_transparentColour = static_cast<i32>(packColour(r, g, b));
    }
    [[nodiscard]] bool writeDib(io::IOutputStream* stream) const override;
    [[nodiscard]] bool readDib(io::IInputStream* stream) override;
    bool convertFrom(image::win::BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                     int b) override;

    // -- beyond the interface --
    /// 0xRRGGBB, or -1 for none.
    i32 getTransparentColour() const { return m_transparentColour; }
    void clearTransparentColour() { m_transparentColour = -1; }
    const FileHeader& getFileHeader() const { return m_fileHeader; }
    const InfoHeader& getInfoHeader() const { return m_info; }
    /// The red, green and blue masks of a BI_BITFIELDS picture.
    const u32* getMasks() const { return m_masks; }
    /// Bytes of pixel memory: stride x height.
    i64 getPixelBytes() const { return static_cast<i64>(m_stride) * m_info.biHeight; }

    /// Bytes per row: ((bits x planes x width + 31) >> 3) & ~3.
    static i64 strideFor(i32 bitsPerPixel, i32 planes, i32 width);

private:
    bool readAfterFileHeader(io::IInputStream* in, i64 start, i64 consumed, bool haveOffBits, u32 offBits);
    /// Frees the pixel memory and returns every field to the reset state.
    void clearAll();
    bool allocatePixels(i64 bytes);
    /// Reads `total` bytes of pixels into new memory; false (no memory kept)
    /// when the stream held none of them or too few for the picture's size.
    bool readPixelData(io::IInputStream* in, i64 total, i64* got);
    void updateFileHeader();
    /// The colours of row y as 0xAARRGGBB; alpha is the stored byte of plain
    /// 32-bit pictures and 0 for every other depth.
    void decodeRow(i32 y, Pixel* out) const;
    /// Stores `n` colours into row y, converting to this depth.
    void encodeRow(i32 y, const Pixel* in, i32 n);
    u32 nearestIndex(Pixel colour) const;

    u8* m_pixels = nullptr;
    FileHeader m_fileHeader;
    InfoHeader m_info;
    u32 m_colourTable[256] = {};
    u32 m_masks[3] = {};
    i32 m_stride = 0;
    i32 m_colourCount = 0;
    i32 m_colourTableBytes = 0;
    i32 m_transparentColour = -1;
};

} // namespace s::image::bmp::win
