#pragma once

#include "foundation/thread/Pool.h"
#include "image/IEncodeSetting.h"

#include <vector>

namespace s::image::ico {

/// Icon choices: the square sizes and the depths of the entries, whether the
/// picture keeps its proportions (centred between transparent bands) and its
/// transparency, and the background colour.
///
/// Sizes 16, 24, 32, 48, 64 and 96 are remembered (one yes/no key each);
/// 80, 128 and 256 may be chosen for one encode but are not stored. After
/// `reset()` both lists are empty: their defaults (16, 24, 32, 48 and 4, 8,
/// 32) come from `load()`.
class EncodeSetting : public IEncodeSetting {
    S_POOLED_CLASS(EncodeSetting)

public:
    [[nodiscard]] static EncodeSetting* newBound(const char16_t* path, map::IMappedData* store);

    const char16_t* getClassName() const override { return u"s_image_ico_EncodeSetting"; }
    void reset() override;

    /// With `entryPairs` for every picture of the set, one entry each at its
    /// pair's size and depth; else the primary picture as `encode` does.
    [[nodiscard]] IEncodedImage* encodeSet(win::BufferedImageSet* set) override;
    /// Null when no size or no depth is chosen: then nothing is written.
    [[nodiscard]] IEncodedImage* encode(win::BufferedImage* image) override;
    void load() override;
    bool save() override;

    bool keepTransparency = true;
    int bgRed = 255, bgGreen = 255, bgBlue = 255;
    bool keepRatio = true;
    std::vector<i32> sizes;
    std::vector<i32> depths;
    /// (size << 16 | bits) of an existing icon's entries; never stored.
    std::vector<i32> entryPairs;

protected:
    const char16_t* getClassDirectory() const override { return u"IcoEncodeSetting"; }
};

} // namespace s::image::ico
