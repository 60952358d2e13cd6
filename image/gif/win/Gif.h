#pragma once

#include "foundation/thread/Pool.h"
#include "image/gif/IGif.h"
#include "image/gif/win/GifLzw.h"

#include <vector>

namespace s::image::gif::win {

/// The alpha below which a pixel is written transparent when saving.
inline constexpr int kAlphaLimit = 96;

/// The GIF89a codec, written without a GIF library.
///
/// Every file written is GIF89a with a NETSCAPE loop block, and per frame a
/// graphic control block, a 256-entry local colour table and LZW data of
/// code size 8, not interlaced. Reading takes GIF87a and GIF89a, global and
/// local tables and interlaced images; each frame becomes an 8-bit picture of
/// the logical screen's size with the image placed at its position and the
/// area around it in the transparent index (index 0 when there is none).
/// Malformed LZW data ends that frame's pixels; a file that ends before its
/// trailer keeps the frames that came and the read answers false. Frames
/// beyond `kMaxPixels` in all, or of more than 65536 pixels per byte of a
/// stream that can tell its size, are refused. One thread at a time.
class Gif : public IGif {
    S_POOLED_CLASS(Gif)

public:
    Gif() = default;
    Gif(const Gif&) = delete;
    Gif& operator=(const Gif&) = delete;
    ~Gif() override;

    const char16_t* getClassName() const override { return u"s_image_gif_win_Gif"; }
    /// No frames, loop count 1.
    void reset() override;

    // -- IImage / IEncodedImage --
    /// The first frame's size; 0 without frames.
    i32 getWidth() const override;
    i32 getHeight() const override;
    const char16_t* getExtension() const override { return u".gif"; }
    /// The first frame; its transparent index becomes alpha 0.
    [[nodiscard]] image::win::BufferedImage*
    toBufferedImage(image::win::BufferedImage* reuse = nullptr) const override;
    [[nodiscard]] image::win::BufferedImageSet* toBufferedImageSet() const override;
    [[nodiscard]] bool writeTo(io::IOutputStream* stream) const override;
    [[nodiscard]] bool readFrom(io::IInputStream* stream) override;
    bool isMultiImage() const override { return m_frames.size() > 1; }
    u32 getImageCount() const override { return static_cast<u32>(m_frames.size()); }
    using IEncodedImage::encodeLike;
    /// 8 bits, transparency kept, white background.
    [[nodiscard]] IEncodedImage* encodeLike(image::win::BufferedImage* image) const override;
    i32 getDelay(u32 index) const override;
    /// The frame's disposal method.
    i32 getBlendMode(u32 index) const override;
    /// -1 for none.
    i32 getTransparentIndex(u32 index) const override;

    // -- IGif --
    bool convertFrom(image::win::BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                     int b, int alphaLimit) override;
    bool convertFromSet(image::win::BufferedImageSet* set, i32 bitsPerPixel, bool keepTransparency, int r,
                        int g, int b) override;
    bool create(i32 width, i32 height, i32 bitsPerPixel) override;
    bool copyFromBitmapHandle(const bmp::win::Bitmap* source) override;
    bool blitTo(bmp::win::Bitmap* target) const override;
    u16 getLoopCount() const override { return m_loopCount; }
    void setLoopCount(u16 loopCount) override { m_loopCount = loopCount; }

    /// Frame `index` (owned by this object), or null.
    bmp::win::Bitmap* getFrame(u32 index) const;

private:
    void clearFrames();
    /// Frame `index` as a buffer, into `reuse` or a new one.
    image::win::BufferedImage* frameToBuffer(u32 index, image::win::BufferedImage* reuse) const;

    mutable GifLzw m_lzw;                    // coder state only; writing does not change the picture
    std::vector<bmp::win::Bitmap*> m_frames; // owned, 8 bits each
    std::vector<i32> m_transparentIndex;
    std::vector<i32> m_delayMs;
    std::vector<i32> m_disposal;
    u16 m_loopCount = 1;
};

} // namespace s::image::gif::win
