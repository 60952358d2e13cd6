#pragma once

#include "foundation/thread/Pool.h"
#include "image/ico/IIcon.h"

#include <vector>

namespace s::image::ico::win {

class IconImage;

/// An icon file (.ico) of several pictures, written and read through the
/// icon archive. Its size and depth are those of its first entry. One
/// thread at a time.
class Icon : public IIcon {
    S_POOLED_CLASS(Icon)

public:
    Icon() = default;
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    ~Icon() override;

    const char16_t* getClassName() const override { return u"s_image_ico_win_Icon"; }
    /// No entries.
    void reset() override;

    i32 getWidth() const override;
    i32 getHeight() const override;
    const char16_t* getExtension() const override { return u".ico"; }
    /// Entry 0.
    [[nodiscard]] image::win::BufferedImage*
    toBufferedImage(image::win::BufferedImage* reuse = nullptr) const override;
    [[nodiscard]] image::win::BufferedImage* toBufferedImage(u32 index,
                                                             image::win::BufferedImage* reuse) const override;
    [[nodiscard]] image::win::BufferedImageSet* toBufferedImageSet() const override;
    /// The whole file. An icon without entries is a 6-byte file of count 0.
    [[nodiscard]] bool writeTo(io::IOutputStream* stream) const override;
    /// The entry that best fits 32 x 32 at 32 bits becomes entry 0, the
    /// others follow in file order. Entries that do not decode are left out;
    /// the read then answers false.
    [[nodiscard]] bool readFrom(io::IInputStream* stream) override;
    bool isMultiImage() const override { return m_images.size() > 1; }
    u32 getImageCount() const override { return static_cast<u32>(m_images.size()); }
    using IEncodedImage::encodeLike;
    /// The default sizes and depths (16, 24, 32, 48 at 4, 8, 32 bits),
    /// proportions and transparency kept, white background.
    [[nodiscard]] IEncodedImage* encodeLike(image::win::BufferedImage* image) const override;

    void add(IconImage* image) override;
    IconImage* getImage(u32 index) const override;
    i32 findExact(i32 width, i32 height, i32 bitsPerPixel) const override;
    i32 findNearestByDepth(i32 width, i32 height, i32 bitsPerPixel) const override;
    i32 findNearestByArea(i32 width, i32 height, i32 bitsPerPixel) const override;

    /// Replaces the entries by `image` at every size of `sizes` (square, in
    /// list order) and, within a size, every depth of `depths`; sizes above
    /// 255 get one 32-bit entry (stored as PNG). With `keepRatio` the picture
    /// is centred between transparent bands. The buffer's filtered picture is
    /// used when it has filters. False (and no entries) when a list is empty.
    bool buildFrom(image::win::BufferedImage* image, const std::vector<i32>& sizes,
                   const std::vector<i32>& depths, bool keepRatio, bool keepTransparency, int r, int g,
                   int b);
    /// Re-encodes a set picture by picture: image i at the size and depth of
    /// `pairs[i]` (size << 16 | bits). False when the counts differ.
    bool buildFromPairs(image::win::BufferedImageSet* set, const std::vector<i32>& pairs, bool keepRatio,
                        bool keepTransparency, int r, int g, int b);

private:
    bool addScaled(image::win::BufferedImage* source, i32 size, const std::vector<i32>& depths,
                   bool keepRatio, bool keepTransparency, int r, int g, int b);
    i32 findNearest(i32 width, i32 height, i32 bitsPerPixel, bool depthFirst) const;

    std::vector<IconImage*> m_images; // owned
};

} // namespace s::image::ico::win
