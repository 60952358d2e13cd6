#pragma once

#include "foundation/thread/Pool.h"
#include "image/IEncodeSetting.h"

namespace s::image::gif {

/// GIF choices: transparency, the background colour, 4 or 8 bits. The
/// interlace choice is kept and stored but the writer never interlaces.
class EncodeSetting : public IEncodeSetting {
    S_POOLED_CLASS(EncodeSetting)

public:
    [[nodiscard]] static EncodeSetting* newBound(const char16_t* path, map::IMappedData* store);

    const char16_t* getClassName() const override { return u"s_image_gif_EncodeSetting"; }
    void reset() override;

    /// An animated set of several pictures becomes an animation.
    [[nodiscard]] IEncodedImage* encodeSet(win::BufferedImageSet* set) override;
    [[nodiscard]] IEncodedImage* encode(win::BufferedImage* image) override;
    void load() override;
    bool save() override;

    bool keepTransparency = true;
    bool withInterlace = true;
    int bgRed = 255, bgGreen = 255, bgBlue = 255;
    i32 bpp = 8;

protected:
    const char16_t* getClassDirectory() const override { return u"GifEncodeSetting"; }
};

} // namespace s::image::gif
