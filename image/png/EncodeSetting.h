#pragma once

#include "foundation/thread/Pool.h"
#include "image/IEncodeSetting.h"

namespace s::image::png {

/// PNG choices: whether alpha is kept (else blended onto the background
/// colour) and whether rows are Adam7-interlaced.
class EncodeSetting : public IEncodeSetting {
    S_POOLED_CLASS(EncodeSetting)

public:
    [[nodiscard]] static EncodeSetting* newBound(const char16_t* path, map::IMappedData* store);

    const char16_t* getClassName() const override { return u"s_image_png_EncodeSetting"; }
    void reset() override;

    [[nodiscard]] IEncodedImage* encode(win::BufferedImage* image) override;
    void load() override;
    bool save() override;

    bool keepTransparency = true;
    bool withInterlace = true;
    int bgRed = 255, bgGreen = 255, bgBlue = 255;

protected:
    const char16_t* getClassDirectory() const override { return u"PngEncodeSetting"; }
};

} // namespace s::image::png
