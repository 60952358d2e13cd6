#pragma once

#include "foundation/thread/IPoolable.h"
#include "image/IImage.h"

namespace s::image {

namespace win {
class BufferedImage;
class BufferedImageSet;
} // namespace win

/// Several pictures of one source (the sizes of an icon, the frames of an
/// animation), each with its depth, delay and blend mode. The set owns its
/// pictures. Its size is that of the primary picture: the largest by area,
/// among equal areas the deeper one.
class IBufferedImageSet : public IImage, public thread::IPoolable {
public:
    /// Appends `image` (the set takes ownership).
    virtual void add(win::BufferedImage* image, i32 bitsPerPixel, i32 delayMs, i32 blendMode) = 0;
    virtual u32 getImageCount() const = 0;
    virtual win::BufferedImage* getImage(u32 index) const = 0;
    virtual i32 getBitsPerPixel(u32 index) const = 0;
    /// 1000 for an index beyond the list.
    virtual i32 getDelay(u32 index) const = 0;
    /// 1000 for an index beyond the list.
    virtual i32 getBlendMode(u32 index) const = 0;
    virtual win::BufferedImage* getPrimaryImage() const = 0;
    /// -1 while the set is empty.
    virtual i32 getPrimaryIndex() const = 0;
    virtual i32 getPrimaryBitsPerPixel() const = 0;
    /// Index of the picture of exactly that size and depth, or -1.
    virtual i32 findExact(i32 width, i32 height, i32 bitsPerPixel) const = 0;
    /// Nearest by depth difference, ties by area difference; -1 when empty.
    virtual i32 findNearestByDepth(i32 width, i32 height, i32 bitsPerPixel) const = 0;
    /// Nearest by area difference, ties by depth difference; -1 when empty.
    virtual i32 findNearestByArea(i32 width, i32 height, i32 bitsPerPixel) const = 0;
    /// A new set (the caller owns it) in which each picture after the first
    /// with blend mode 1 is the previous result with that picture composited
    /// on top (blend mode 2); the others are copies.
    [[nodiscard]] virtual win::BufferedImageSet* combineFrames() const = 0;
    /// Releases every picture.
    virtual void clear() = 0;
    /// Releases every picture and sets the loop count to 1.
    virtual void clearAndResetLoop() = 0;
    virtual bool isAnimated() const = 0;
    virtual void setAnimated(bool animated) = 0;
    virtual u16 getLoopCount() const = 0;
    virtual void setLoopCount(u16 loopCount) = 0;
};

} // namespace s::image
