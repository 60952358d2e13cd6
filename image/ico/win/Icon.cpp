#include "image/ico/win/Icon.h"

#include "image/archive/icon/Archive.h"
#include "image/ico/win/IconImage.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"

#include <cstdlib>

namespace s::image::ico::win {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

Icon::~Icon() {
    reset();
}

void Icon::reset() {
    for (IconImage* image : m_images)
        image->release();
    m_images.clear();
}

i32 Icon::getWidth() const {
    return m_images.empty() ? 0 : m_images[0]->getWidth();
}

i32 Icon::getHeight() const {
    return m_images.empty() ? 0 : m_images[0]->getHeight();
}

void Icon::add(IconImage* image) {
    if (image)
        m_images.push_back(image);
}

IconImage* Icon::getImage(u32 index) const {
    return index < m_images.size() ? m_images[index] : nullptr;
}

i32 Icon::findExact(i32 width, i32 height, i32 bitsPerPixel) const {
    for (size_t i = 0; i < m_images.size(); ++i) {
        const IconImage* e = m_images[i];
        if (e->getWidth() == width && e->getHeight() == height && e->getBitCount() == bitsPerPixel)
            return static_cast<i32>(i);
    }
    return -1;
}

i32 Icon::findNearest(i32 width, i32 height, i32 bitsPerPixel, bool depthFirst) const {
    i32 best = -1;
    i64 bestFirst = 0, bestSecond = 0;
    for (size_t i = 0; i < m_images.size(); ++i) {
        const IconImage* e = m_images[i];
        const i64 depth = std::abs(e->getBitCount() - bitsPerPixel);
        const i64 area =
            std::llabs(static_cast<i64>(e->getWidth()) * e->getHeight() - static_cast<i64>(width) * height);
        const i64 first = depthFirst ? depth : area, second = depthFirst ? area : depth;
        if (best < 0 || first < bestFirst || (first == bestFirst && second < bestSecond)) {
            best = static_cast<i32>(i);
            bestFirst = first;
            bestSecond = second;
        }
    }
    return best;
}

i32 Icon::findNearestByDepth(i32 width, i32 height, i32 bitsPerPixel) const {
    return findNearest(width, height, bitsPerPixel, true);
}

i32 Icon::findNearestByArea(i32 width, i32 height, i32 bitsPerPixel) const {
    return findNearest(width, height, bitsPerPixel, false);
}

BufferedImage* Icon::toBufferedImage(BufferedImage* reuse) const {
    return toBufferedImage(0, reuse);
}

BufferedImage* Icon::toBufferedImage(u32 index, BufferedImage* reuse) const {
    if (const IconImage* image = getImage(index))
        return image->toBufferedImage(reuse);
    if (reuse)
        reuse->prepare(0, 0);
    return nullptr;
}

BufferedImageSet* Icon::toBufferedImageSet() const {
    BufferedImageSet* set = BufferedImageSet::create();
    for (const IconImage* image : m_images)
        if (BufferedImage* buffer = image->toBufferedImage(nullptr))
            set->add(buffer, image->getBitCount(), 0, 0);
    return set;
}

bool Icon::writeTo(io::IOutputStream* stream) const {
    if (!stream)
        return false;
    thread::Pooled<archive::icon::Archive> archive = thread::makePooled<archive::icon::Archive>();
    for (const IconImage* image : m_images) {
        u8 directory[12] = {};
        const i32 bits = image->getBitCount();
        directory[0] = static_cast<u8>(image->getWidth() >= 256 ? 0 : image->getWidth());
        directory[1] = static_cast<u8>(image->getHeight() >= 256 ? 0 : image->getHeight());
        directory[2] = static_cast<u8>(bits < 8 ? 1 << bits : 0);
        directory[4] = 1; // planes
        directory[6] = static_cast<u8>(bits);
        std::vector<u8> data;
        if (!image->buildResource(data))
            return false;
        archive->addEntry(directory, std::move(data));
    }
    return archive->write(stream);
}

bool Icon::readFrom(io::IInputStream* stream) {
    reset();
    thread::Pooled<archive::icon::Archive> archive = thread::makePooled<archive::icon::Archive>();
    bool complete = archive->open(stream);
    const i32 best = archive->findBest(32, 32);
    auto load = [&](u32 index) {
        bool ok = archive->loadEntry(index);
        const archive::icon::Entry* entry = archive->getEntry(index);
        IconImage* image = IconImage::create();
        if (entry && !entry->data.empty() && image->readBytes(entry->data.data(), entry->data.size()) && ok) {
            m_images.push_back(image);
            return true;
        }
        // A picture that came partly is kept; one that did not come is not.
        if (image->getWidth() > 0)
            m_images.push_back(image);
        else
            image->release();
        return false;
    };
    if (best >= 0)
        complete &= load(static_cast<u32>(best));
    for (u32 i = 0; i < archive->getEntryCount(); ++i)
        if (static_cast<i32>(i) != best)
            complete &= load(i);
    return complete && !m_images.empty();
}

bool Icon::addScaled(BufferedImage* source, i32 size, const std::vector<i32>& depths, bool keepRatio,
                     bool keepTransparency, int r, int g, int b) {
    BufferedImage* scaled = source->scaledCopy(size, size, keepRatio); // owned by the source
    if (!scaled || scaled->getWidth() <= 0 || scaled->getHeight() <= 0)
        return false;
    thread::Pooled<BufferedImage> square;
    BufferedImage* picture = scaled;
    if (scaled->getWidth() != size || scaled->getHeight() != size) {
        // The proportions were kept: centre the picture between transparent bands.
        square.reset(scaled->newImage(size, size));
        if (!square)
            return false;
        square->fill(0, 0, 0, 0);
        square->drawImage((size - scaled->getWidth()) / 2, (size - scaled->getHeight()) / 2,
                          scaled->getWidth(), scaled->getHeight(), scaled, 0, 0, false);
        picture = square.get();
    }
    static const std::vector<i32> kLarge = {32}; // 256 x 256 entries are 32-bit PNGs
    for (i32 bits : size > 255 ? kLarge : depths) {
        IconImage* entry = IconImage::create();
        if (!entry->convertFrom(picture, bits, keepTransparency, r, g, b)) {
            entry->release();
            return false;
        }
        m_images.push_back(entry);
    }
    return true;
}

bool Icon::buildFrom(BufferedImage* image, const std::vector<i32>& sizes, const std::vector<i32>& depths,
                     bool keepRatio, bool keepTransparency, int r, int g, int b) {
    reset();
    if (!image || sizes.empty() || depths.empty() || image->getWidth() <= 0 || image->getHeight() <= 0)
        return false;
    BufferedImage* source = image->hasFilters() ? image->getFiltered() : image;
    for (i32 size : sizes) {
        if (size <= 0 || size > 256 ||
            !addScaled(source, size, depths, keepRatio, keepTransparency, r, g, b)) {
            reset();
            return false;
        }
    }
    return true;
}

bool Icon::buildFromPairs(BufferedImageSet* set, const std::vector<i32>& pairs, bool keepRatio,
                          bool keepTransparency, int r, int g, int b) {
    reset();
    if (!set || pairs.empty() || pairs.size() != set->getImageCount())
        return false;
    for (u32 i = 0; i < set->getImageCount(); ++i) {
        const i32 size = pairs[i] >> 16, bits = pairs[i] & 0xFFFF;
        if (size <= 0 || size > 256 ||
            !addScaled(set->getImage(i), size, {bits}, keepRatio, keepTransparency, r, g, b)) {
            reset();
            return false;
        }
    }
    return true;
}

IEncodedImage* Icon::encodeLike(BufferedImage* image) const {
    Icon* icon = Icon::create();
    if (!icon->buildFrom(image, {16, 24, 32, 48}, {4, 8, 32}, true, true, 255, 255, 255)) {
        icon->release();
        return nullptr;
    }
    return icon;
}

} // namespace s::image::ico::win
