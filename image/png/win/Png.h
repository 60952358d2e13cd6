#pragma once

#include "foundation/thread/Pool.h"
#include "image/bmp/win/Bitmap.h"
#include "image/png/IPng.h"

namespace s::image::png::win {

/// The PNG codec over the system's libpng, holding the picture as a 32-bit
/// bottom-up Bitmap (bytes B, G, R, A).
///
/// Every file written is 8-bit RGBA (colour type 6), with the library's
/// default compression and filters and no chunk beyond the image data. A
/// codec error or a failed stream write makes `writeTo` answer false; the
/// caller then throws away what was written. Reading takes every colour type
/// and depth (16 bits are cut to 8, palettes and grey expanded, tRNS made
/// alpha); a damaged or truncated file leaves the picture empty and answers
/// false, and pictures beyond `kMaxPixels` are refused. One thread at a time.
class Png : public IPng {
    S_POOLED_CLASS(Png)

public:
    Png();
    Png(const Png&) = delete;
    Png& operator=(const Png&) = delete;
    ~Png() override;

    const char16_t* getClassName() const override { return u"s_image_png_win_Png"; }
    /// Empty picture, not interlaced.
    void reset() override;

    // -- IImage / IEncodedImage --
    i32 getWidth() const override { return m_bitmap->getWidth(); }
    i32 getHeight() const override { return m_bitmap->getHeight(); }
    const char16_t* getExtension() const override { return u".png"; }
    /// Alpha kept; the alpha flag is set when some pixel is not opaque.
    [[nodiscard]] image::win::BufferedImage*
    toBufferedImage(image::win::BufferedImage* reuse = nullptr) const override;
    [[nodiscard]] image::win::BufferedImageSet* toBufferedImageSet() const override;
    [[nodiscard]] bool writeTo(io::IOutputStream* stream) const override;
    [[nodiscard]] bool readFrom(io::IInputStream* stream) override;
    using IEncodedImage::encodeLike;
    /// Transparency kept, interlaced, white background.
    [[nodiscard]] IEncodedImage* encodeLike(image::win::BufferedImage* image) const override;

    // -- IPng --
    bool create(i32 width, i32 height) override;
    void setInterlace(bool interlace) override { m_interlace = interlace; }
    bool isInterlace() const override { return m_interlace; }
    bool convertFrom(image::win::BufferedImage* image, bool interlace, bool keepTransparency, int r, int g,
                     int b) override;

    /// The 32-bit picture (owned by this object).
    bmp::win::Bitmap* getBitmap() const { return m_bitmap; }

private:
    bool m_interlace = false;
    bmp::win::Bitmap* m_bitmap;
};

} // namespace s::image::png::win
