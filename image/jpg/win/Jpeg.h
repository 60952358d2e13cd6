#pragma once

#include "foundation/thread/Pool.h"
#include "image/bmp/win/Bitmap.h"
#include "image/jpg/IJpeg.h"

namespace s::image::jpg::win {

/// The JPEG codec over the system's libjpeg, holding the picture as a 24-bit
/// bottom-up Bitmap (bytes B, G, R).
///
/// Writing is baseline JFIF with the library's defaults (2 x 2 chroma
/// sub-sampling, standard Huffman tables) at the set quality. A codec error
/// never ends the process: the write or read answers false instead, and a
/// failed stream write is such an error. Reading refuses pictures beyond
/// `kMaxPixels`, pictures that claim more than 32768 pixels per byte of a
/// stream that can tell its size, and files of more than 1000 scans (which
/// cost time without bound); a file that ends early keeps the decoded part
/// (the rest grey) and the read answers false. One thread at a time.
class Jpeg : public IJpeg {
    S_POOLED_CLASS(Jpeg)

public:
    Jpeg();
    Jpeg(const Jpeg&) = delete;
    Jpeg& operator=(const Jpeg&) = delete;
    ~Jpeg() override;

    const char16_t* getClassName() const override { return u"s_image_jpg_win_Jpeg"; }
    /// Empty picture, quality 75.
    void reset() override;

    // -- IImage / IEncodedImage --
    i32 getWidth() const override { return m_bitmap->getWidth(); }
    i32 getHeight() const override { return m_bitmap->getHeight(); }
    const char16_t* getExtension() const override { return u".jpg"; }
    /// Opaque.
    [[nodiscard]] image::win::BufferedImage*
    toBufferedImage(image::win::BufferedImage* reuse = nullptr) const override;
    [[nodiscard]] image::win::BufferedImageSet* toBufferedImageSet() const override;
    [[nodiscard]] bool writeTo(io::IOutputStream* stream) const override;
    [[nodiscard]] bool readFrom(io::IInputStream* stream) override;
    using IEncodedImage::encodeLike;
    /// Quality 75, white background.
    [[nodiscard]] IEncodedImage* encodeLike(image::win::BufferedImage* image) const override;

    // -- IJpeg --
    bool create(i32 width, i32 height) override;
    void setQuality(i32 quality) override { m_quality = quality; }
    i32 getQuality() const override { return m_quality; }
    bool convertFrom(image::win::BufferedImage* image, i32 quality, int r, int g, int b) override;

    /// The 24-bit picture (owned by this object).
    bmp::win::Bitmap* getBitmap() const { return m_bitmap; }

private:
    i32 m_quality = 75;
    bmp::win::Bitmap* m_bitmap;
};

} // namespace s::image::jpg::win
