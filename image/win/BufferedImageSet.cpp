#include "image/win/BufferedImageSet.h"

#include "image/win/BufferedImage.h"

#include <cstdlib>

namespace s::image::win {

namespace {
constexpr i32 kBeyondList = 1000;

i64 areaOf(const BufferedImage* image) {
    return static_cast<i64>(image->getWidth()) * image->getHeight();
}
} // namespace

BufferedImageSet::~BufferedImageSet() {
    clear();
}

void BufferedImageSet::reset() {
    clear();
    m_images.dispose();
    m_bitsPerPixel.dispose();
    m_delayMs.dispose();
    m_blendMode.dispose();
    m_animated = false;
    m_loopCount = 1;
}

void BufferedImageSet::add(BufferedImage* image, i32 bitsPerPixel, i32 delayMs, i32 blendMode) {
    if (!image)
        return;
    m_images.append(static_cast<void*>(image));
    m_bitsPerPixel.append(bitsPerPixel);
    m_delayMs.append(delayMs);
    m_blendMode.append(blendMode);
    i64 area = areaOf(image);
    i64 primaryArea = static_cast<i64>(m_primaryWidth) * m_primaryHeight;
    if (m_primaryIndex < 0 || area > primaryArea ||
        (area == primaryArea && bitsPerPixel > m_primaryBitsPerPixel)) {
        m_primaryIndex = static_cast<i32>(m_images.size() - 1);
        m_primaryWidth = image->getWidth();
        m_primaryHeight = image->getHeight();
        m_primaryBitsPerPixel = bitsPerPixel;
    }
}

BufferedImage* BufferedImageSet::getImage(u32 index) const {
    return index < m_images.size() ? m_images.getAs<BufferedImage>(index) : nullptr;
}

i32 BufferedImageSet::getBitsPerPixel(u32 index) const {
    return index < m_bitsPerPixel.size() ? m_bitsPerPixel.get(index) : 0;
}

i32 BufferedImageSet::getDelay(u32 index) const {
    return index < m_delayMs.size() ? m_delayMs.get(index) : kBeyondList;
}

i32 BufferedImageSet::getBlendMode(u32 index) const {
    return index < m_blendMode.size() ? m_blendMode.get(index) : kBeyondList;
}

BufferedImage* BufferedImageSet::getPrimaryImage() const {
    return m_primaryIndex >= 0 ? getImage(static_cast<u32>(m_primaryIndex)) : nullptr;
}

i32 BufferedImageSet::findExact(i32 width, i32 height, i32 bitsPerPixel) const {
    for (u32 i = 0; i < m_images.size(); ++i) {
        const BufferedImage* image = getImage(i);
        if (image->getWidth() == width && image->getHeight() == height && getBitsPerPixel(i) == bitsPerPixel)
            return static_cast<i32>(i);
    }
    return -1;
}

i32 BufferedImageSet::findNearest(i32 width, i32 height, i32 bitsPerPixel, bool depthFirst) const {
    i64 wantedArea = static_cast<i64>(width) * height;
    i32 best = -1;
    i64 bestFirst = 0;
    i64 bestSecond = 0;
    for (u32 i = 0; i < m_images.size(); ++i) {
        i64 depthDiff = std::llabs(static_cast<i64>(getBitsPerPixel(i)) - bitsPerPixel);
        i64 areaDiff = std::llabs(areaOf(getImage(i)) - wantedArea);
        i64 first = depthFirst ? depthDiff : areaDiff;
        i64 second = depthFirst ? areaDiff : depthDiff;
        // Strictly better only, so the earliest candidate wins a full tie.
        if (best < 0 || first < bestFirst || (first == bestFirst && second < bestSecond)) {
            best = static_cast<i32>(i);
            bestFirst = first;
            bestSecond = second;
        }
    }
    return best;
}

i32 BufferedImageSet::findNearestByDepth(i32 width, i32 height, i32 bitsPerPixel) const {
    return findNearest(width, height, bitsPerPixel, true);
}

i32 BufferedImageSet::findNearestByArea(i32 width, i32 height, i32 bitsPerPixel) const {
    return findNearest(width, height, bitsPerPixel, false);
}

BufferedImageSet* BufferedImageSet::combineFrames() const {
    BufferedImageSet* out = BufferedImageSet::create();
    out->m_animated = m_animated;
    out->m_loopCount = m_loopCount;
    BufferedImage* previous = nullptr;
    for (u32 i = 0; i < m_images.size(); ++i) {
        BufferedImage* image = getImage(i);
        i32 blend = getBlendMode(i);
        BufferedImage* frame = nullptr;
        if (i > 0 && blend == 1 && previous) {
            frame = previous->copy(nullptr);
            if (frame) {
                frame->drawImage(0, 0, image->getWidth(), image->getHeight(), image, 0, 0, false);
                blend = 2;
            }
        } else {
            frame = image->copy(nullptr);
        }
        if (!frame) // out of memory: the set ends here rather than holding a gap
            break;
        out->add(frame, getBitsPerPixel(i), getDelay(i), blend);
        previous = frame;
    }
    return out;
}

void BufferedImageSet::clear() {
    for (u32 i = 0; i < m_images.size(); ++i) {
        if (BufferedImage* image = m_images.getAs<BufferedImage>(i))
            image->release();
    }
    m_images.clear();
    m_bitsPerPixel.clear();
    m_delayMs.clear();
    m_blendMode.clear();
    m_primaryWidth = 0;
    m_primaryHeight = 0;
    m_primaryBitsPerPixel = 0;
    m_primaryIndex = -1;
}

void BufferedImageSet::clearAndResetLoop() {
    clear();
    m_loopCount = 1;
}

} // namespace s::image::win
