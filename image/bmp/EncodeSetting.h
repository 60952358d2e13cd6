#pragma once

#include "foundation/thread/Pool.h"
#include "image/IEncodeSetting.h"

namespace s::image::bmp {

/// BMP choices: 4, 8, 24 or 32 bits; 32 bits can keep alpha, every other
/// depth blends onto the background colour.
class EncodeSetting : public IEncodeSetting {
    S_POOLED_CLASS(EncodeSetting)

public:
    [[nodiscard]] static EncodeSetting* newBound(const char16_t* path, map::IMappedData* store);

    const char16_t* getClassName() const override { return u"s_image_bmp_EncodeSetting"; }
    void reset() override;

    [[nodiscard]] IEncodedImage* encode(win::BufferedImage* image) override;
    void load() override;
    bool save() override;

    bool keepTransparency = true;
    int bgRed = 255, bgGreen = 255, bgBlue = 255;
    i32 bpp = 24;

protected:
    const char16_t* getClassDirectory() const override { return u"BmpEncodeSetting"; }
};

} // namespace s::image::bmp
