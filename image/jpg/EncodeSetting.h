#pragma once

#include "foundation/thread/Pool.h"
#include "image/IEncodeSetting.h"

namespace s::image::jpg {

/// JPEG choices: quality (0-100, the codec clamps to 1-100) and the colour
/// that transparent pixels are blended onto.
class EncodeSetting : public IEncodeSetting {
    S_POOLED_CLASS(EncodeSetting)

public:
    static constexpr i32 kDefaultQuality = 75;

    /// A setting from the pool, bound to `path` in `store` (may be null) and loaded.
    [[nodiscard]] static EncodeSetting* newBound(const char16_t* path, map::IMappedData* store);

    const char16_t* getClassName() const override { return u"s_image_jpg_EncodeSetting"; }
    /// Unbound; every field at its default.
    void reset() override;

    [[nodiscard]] IEncodedImage* encode(win::BufferedImage* image) override;
    void load() override;
    bool save() override;

    i32 quality = kDefaultQuality;
    int bgRed = 255, bgGreen = 255, bgBlue = 255;

protected:
    const char16_t* getClassDirectory() const override { return u"JpgEncodeSetting"; }
};

} // namespace s::image::jpg
