#pragma once

#include "foundation/col/array/ArrayP.h"
#include "foundation/col/array/Arrays.h"
#include "foundation/thread/Pool.h"
#include "image/IBufferedImageSet.h"

namespace s::image::win {

/// The list of pictures behind IBufferedImageSet. One thread at a time.
class BufferedImageSet : public IBufferedImageSet {
    S_POOLED_CLASS(BufferedImageSet)

public:
    BufferedImageSet() = default;
    BufferedImageSet(const BufferedImageSet&) = delete;
    BufferedImageSet& operator=(const BufferedImageSet&) = delete;
    ~BufferedImageSet() override;

    const char16_t* getClassName() const override { return u"s_image_win_BufferedImageSet"; }
    /// Empty, not animated, loop count 1.
    void reset() override;

    i32 getWidth() const override { return m_primaryWidth; }
    i32 getHeight() const override { return m_primaryHeight; }

    void add(BufferedImage* image, i32 bitsPerPixel, i32 delayMs, i32 blendMode) override;
    u32 getImageCount() const override { return m_images.size(); }
    BufferedImage* getImage(u32 index) const override;
    i32 getBitsPerPixel(u32 index) const override;
    i32 getDelay(u32 index) const override;
    i32 getBlendMode(u32 index) const override;
    BufferedImage* getPrimaryImage() const override;
    i32 getPrimaryIndex() const override { return m_primaryIndex; }
    i32 getPrimaryBitsPerPixel() const override { return m_primaryBitsPerPixel; }
    i32 findExact(i32 width, i32 height, i32 bitsPerPixel) const override;
    i32 findNearestByDepth(i32 width, i32 height, i32 bitsPerPixel) const override;
    i32 findNearestByArea(i32 width, i32 height, i32 bitsPerPixel) const override;
    [[nodiscard]] BufferedImageSet* combineFrames() const override;
    void clear() override;
    void clearAndResetLoop() override;
    bool isAnimated() const override { return m_animated; }
    void setAnimated(bool animated) override { m_animated = animated; }
    u16 getLoopCount() const override { return m_loopCount; }
    void setLoopCount(u16 loopCount) override { m_loopCount = loopCount; }

private:
    i32 findNearest(i32 width, i32 height, i32 bitsPerPixel, bool depthFirst) const;

    col::_array::ArrayP m_images; // of BufferedImage*, owned (released in clear)
    col::_array::ArrayS32 m_bitsPerPixel;
    col::_array::ArrayS32 m_delayMs;
    col::_array::ArrayS32 m_blendMode;
    bool m_animated = false;
    u16 m_loopCount = 1;
    i32 m_primaryWidth = 0;
    i32 m_primaryHeight = 0;
    i32 m_primaryBitsPerPixel = 0;
    i32 m_primaryIndex = -1;
};

} // namespace s::image::win
