#include "image/win/BufferedImage.h"

#include "foundation/col/array/Arrays.h"
#include "image/bmp/win/Bitmap.h"
#include "image/detail/FileIo.h"
#include "image/filters/IFilter.h"
#include "image/filters/scale/BilinearFilter.h"
#include "image/gif/win/Gif.h"
#include "image/jpg/win/Jpeg.h"
#include "image/png/win/Png.h"

#include <algorithm>
#include <cairo.h>
#include <cstring>

namespace s::image::win {

BufferedImage::~BufferedImage() {
    reset();
}

void BufferedImage::reset() {
    releaseBitmap();
    dropCaches();
    clearFilters();
    m_filters.dispose();
    m_hasAlpha = false;
}

void BufferedImage::releaseBitmap() {
    if (m_bitmap)
        m_bitmap->release();
    m_bitmap = nullptr;
    m_bits = nullptr;
    m_capacityWidth = m_capacityHeight = 0;
    m_capacityPixels = m_capacityBytes = 0;
    m_capacityRowBytes = 0;
    setSize(0, 0);
}

void BufferedImage::setSize(i32 width, i32 height) {
    m_width = std::clamp(width, 0, m_capacityWidth);
    m_height = std::clamp(height, 0, m_capacityHeight);
    m_pixelCount = static_cast<i64>(m_width) * m_height;
    m_byteCount = m_pixelCount * 4;
    m_rowBytes = m_width * 4;
}

bool BufferedImage::allocate(i32 width, i32 height) {
    releaseBitmap();
    if (width < 0 || height < 0)
        return false;
    bmp::win::Bitmap* bitmap = bmp::win::Bitmap::create();
    if (!bitmap->create(width, height, 32)) {
        bitmap->release();
        return false;
    }
    m_bitmap = bitmap;
    m_bits = bitmap->getPixels();
    m_capacityWidth = width;
    m_capacityHeight = height;
    m_capacityPixels = static_cast<i64>(width) * height;
    m_capacityBytes = m_capacityPixels * 4;
    m_capacityRowBytes = width * 4;
    setSize(width, height);
    return true;
}

bool BufferedImage::reserve(i32 width, i32 height) {
    if (width <= m_capacityWidth && height <= m_capacityHeight)
        return true;
    // Never narrower than now in either direction: the logical rows must fit.
    width = std::max(width, m_capacityWidth);
    height = std::max(height, m_capacityHeight);

    bmp::win::Bitmap* oldBitmap = m_bitmap;
    u8* oldBits = m_bits;
    i32 oldWidth = m_width, oldHeight = m_height, oldRowBytes = m_rowBytes;
    i32 oldCapacityWidth = m_capacityWidth, oldCapacityHeight = m_capacityHeight;
    i32 oldCapacityRowBytes = m_capacityRowBytes;
    m_bitmap = nullptr; // keep the old pixels aside while allocating
    if (!allocate(width, height)) {
        m_bitmap = oldBitmap;
        m_bits = oldBits;
        m_capacityWidth = oldCapacityWidth;
        m_capacityHeight = oldCapacityHeight;
        m_capacityPixels = static_cast<i64>(oldCapacityWidth) * oldCapacityHeight;
        m_capacityBytes = m_capacityPixels * 4;
        m_capacityRowBytes = oldCapacityRowBytes;
        setSize(oldWidth, oldHeight);
        return false;
    }
    for (i32 y = 0; y < oldHeight; ++y)
        std::memcpy(getRow(y), oldBits + static_cast<i64>(oldCapacityHeight - 1 - y) * oldCapacityRowBytes,
                    static_cast<size_t>(oldRowBytes));
    if (oldBitmap)
        oldBitmap->release();
    setSize(oldWidth, oldHeight);
    return true;
}

bool BufferedImage::ensureCapacity(i32 width, i32 height) {
    if (width <= m_capacityWidth && height <= m_capacityHeight)
        return true;
    if (static_cast<i64>(width) * height > kMaxPixels)
        return false;
    auto grow = [](i32 current, i32 wanted) {
        if (current >= wanted)
            return current;
        float c = static_cast<float>(current > 0 ? current : wanted);
        while (c < static_cast<float>(wanted))
            c *= 1.2f;
        return static_cast<i32>(c);
    };
    if (reserve(grow(m_capacityWidth, width), grow(m_capacityHeight, height)))
        return true;
    // The headroom may be what does not fit; the exact request may still.
    return reserve(width, height);
}

BufferedImage* BufferedImage::newImage(i32 width, i32 height) const {
    BufferedImage* image = BufferedImage::create();
    if (!image->allocate(width, height)) {
        image->release();
        return nullptr;
    }
    return image;
}

void BufferedImage::dropCaches() {
    setScaledCache(nullptr);
    dropFilteredCache();
}

bool BufferedImage::prepare(i32 width, i32 height) {
    dropCaches();
    m_hasAlpha = false;
    setSize(0, 0);
    if (width < 0 || height < 0 || !ensureCapacity(width, height))
        return false;
    setSize(width, height);
    return true;
}

void BufferedImage::setScaledCache(BufferedImage* cache) {
    if (cache == m_scaledCache)
        return;
    if (m_scaledCache)
        m_scaledCache->release();
    m_scaledCache = cache;
}

// -- pixel operations --

namespace {
template <class F> void forEachPixel(const BufferedImage* image, F f) {
    for (i32 y = 0; y < image->getHeight(); ++y) {
        Pixel* row = image->getRow(y);
        for (i32 x = 0; x < image->getWidth(); ++x)
            f(row[x]);
    }
}
} // namespace

void BufferedImage::fill(int a, int r, int g, int b) {
    Pixel p = packPixel(static_cast<u32>(a), static_cast<u32>(r), static_cast<u32>(g), static_cast<u32>(b));
    for (i32 y = 0; y < m_height; ++y)
        std::fill_n(getRow(y), m_width, p);
    m_hasAlpha = alphaOf(p) != 255;
}

void BufferedImage::makeOpaque() {
    forEachPixel(this, [](Pixel& p) { p |= 0xFF000000u; });
    m_hasAlpha = false;
}

bool BufferedImage::isAllOpaque() const {
    for (i32 y = 0; y < m_height; ++y) {
        const Pixel* row = getRow(y);
        for (i32 x = 0; x < m_width; ++x)
            if (alphaOf(row[x]) != 255)
                return false;
    }
    return true;
}

void BufferedImage::applyColourKey(int r, int g, int b) {
    u32 key = packColour(r, g, b);
    bool any = false;
    forEachPixel(this, [&](Pixel& p) {
        if (colourOf(p) == key) {
            p = colourOf(p);
            any = true;
        } else {
            p |= 0xFF000000u;
        }
    });
    if (any)
        m_hasAlpha = true;
}

void BufferedImage::tintTransparent(int r, int g, int b) {
    if (!m_hasAlpha)
        return;
    u32 colour = packColour(r, g, b);
    forEachPixel(this, [&](Pixel& p) {
        if (alphaOf(p) == 0)
            p = colour;
    });
}

void BufferedImage::thresholdAlpha(int limit) {
    bool any = false;
    forEachPixel(this, [&](Pixel& p) {
        if (static_cast<int>(alphaOf(p)) < limit) {
            p = colourOf(p);
            any = true;
        } else {
            p |= 0xFF000000u;
        }
    });
    m_hasAlpha = any;
}

void BufferedImage::maskEqualTo(const BufferedImage* other) {
    if (!other)
        return;
    i32 width = std::min(m_width, other->m_width);
    i32 height = std::min(m_height, other->m_height);
    bool any = false;
    for (i32 y = 0; y < height; ++y) {
        Pixel* row = getRow(y);
        const Pixel* otherRow = other->getRow(y);
        for (i32 x = 0; x < width; ++x) {
            if (colourOf(row[x]) == colourOf(otherRow[x])) {
                row[x] = colourOf(row[x]);
                any = true;
            }
        }
    }
    if (any)
        m_hasAlpha = true;
}

void BufferedImage::flattenOnWhite() {
    if (!m_hasAlpha)
        return;
    forEachPixel(this, [](Pixel& p) {
        u32 a = alphaOf(p);
        if (a == 0) {
            p = 0xFFFFFFFFu;
        } else if (a < 255) {
            auto blend = [a](u32 c) { return (c * (a + 1) + 255 * (256 - a)) >> 8; };
            p = packPixel(255, blend(redOf(p)), blend(greenOf(p)), blend(blueOf(p)));
        }
    });
    m_hasAlpha = false;
}

void BufferedImage::updateAlphaFlag() {
    bool any = false;
    for (i32 y = 0; y < m_height && !any; ++y) {
        const Pixel* row = getRow(y);
        for (i32 x = 0; x < m_width; ++x) {
            if (alphaOf(row[x]) < 255) {
                any = true;
                break;
            }
        }
    }
    m_hasAlpha = any;
}

// -- drawing --

void BufferedImage::drawTo(cairo_t* cr, i32 x, i32 y, i32 width, i32 height, bool scale) {
    if (!cr)
        return;
    BufferedImage* picture = scale ? scaledCopy(width, height, false) : this;
    i32 w = std::min(width, picture->m_width);
    i32 h = std::min(height, picture->m_height);
    if (w <= 0 || h <= 0 || !picture->m_bits)
        return;
    // The memory is bottom-up: the surface starts at the top row and walks
    // backwards. RGB24 ignores the alpha byte, as the platform's blit does.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(picture->getRow(0)), CAIRO_FORMAT_RGB24, picture->m_width,
        picture->m_height, -picture->m_capacityRowBytes);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr, surface, x, y);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
        cairo_restore(cr);
    }
    cairo_surface_destroy(surface);
}

void BufferedImage::drawImage(i32 x, i32 y, i32 width, i32 height, BufferedImage* source, i32 srcX, i32 srcY,
                              bool scale) {
    if (!source)
        return;
    if (scale)
        source = source->scaledCopy(width, height, false);
    if (!m_bits || !source->m_bits)
        return;
    // Clip in 64 bits: offsets near the int limits must not wrap.
    i64 dx = x, dy = y, sx = srcX, sy = srcY;
    if (sx < 0) {
        dx -= sx;
        sx = 0;
    }
    if (sy < 0) {
        dy -= sy;
        sy = 0;
    }
    if (dx < 0) {
        sx -= dx;
        dx = 0;
    }
    if (dy < 0) {
        sy -= dy;
        dy = 0;
    }
    i64 columns = std::min<i64>(source->m_width - sx, m_width - dx);
    i64 rows = std::min<i64>(source->m_height - sy, m_height - dy);
    if (columns <= 0 || rows <= 0)
        return;

    if (!source->m_hasAlpha) {
        for (i64 r = 0; r < rows; ++r)
            std::memmove(getRow(static_cast<i32>(dy + r)) + dx, source->getRow(static_cast<i32>(sy + r)) + sx,
                         static_cast<size_t>(columns) * 4);
        return;
    }
    for (i64 r = 0; r < rows; ++r) {
        Pixel* d = getRow(static_cast<i32>(dy + r)) + dx;
        const Pixel* s = source->getRow(static_cast<i32>(sy + r)) + sx;
        for (i64 c = 0; c < columns; ++c) {
            if (!m_hasAlpha)
                d[c] |= 0xFF000000u;
            Pixel S = s[c], D = d[c];
            int as = static_cast<int>(alphaOf(S));
            int ad = static_cast<int>(alphaOf(D));
            if (as == 0)
                continue;
            if (as == 255 || ad == 0) {
                d[c] = S;
                continue;
            }
            int A = as + ad - (((as + 1) * ad) >> 8);
            int W = (as * 256) / A;
            auto mix = [W](int sc, int dc) { return (((sc - dc) * W) >> 8) + dc; };
            d[c] = packPixel(static_cast<u32>(A), static_cast<u32>(mix(redOf(S), redOf(D))),
                             static_cast<u32>(mix(greenOf(S), greenOf(D))),
                             static_cast<u32>(mix(blueOf(S), blueOf(D))));
        }
    }
}

BufferedImage* BufferedImage::scaledCopy(i32 width, i32 height, bool keepRatio) {
    if (keepRatio && m_width > 0 && m_height > 0) {
        double horizontal = static_cast<double>(width) / m_width;
        double vertical = static_cast<double>(height) / m_height;
        if (horizontal != vertical) {
            if (horizontal < vertical)
                height = static_cast<i32>(m_height * horizontal);
            else
                width = static_cast<i32>(m_width * vertical);
        }
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height)
        return this;
    if (m_scaledCache && m_scaledCache->m_width == width && m_scaledCache->m_height == height)
        return m_scaledCache;
    if (!m_scaledCache)
        m_scaledCache = BufferedImage::create();
    filters::scale::BilinearFilter::shared()->scale(m_width, m_height, this, width, height, m_scaledCache);
    return m_scaledCache;
}

// -- encoding --

bool BufferedImage::writeBmp(io::IOutputStream* stream, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                             int b) {
    if (!stream)
        return false;
    thread::Pooled<bmp::win::Bitmap> bitmap = thread::makePooled<bmp::win::Bitmap>();
    if (!bitmap->convertFrom(this, bitsPerPixel, keepTransparency, r, g, b))
        return false;
    return bitmap->writeTo(stream);
}

bool BufferedImage::saveBmp(const char* utf8Path, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                            int b) {
    thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
    if (!writeBmp(bytes.get(), bitsPerPixel, keepTransparency, r, g, b))
        return false;
    return detail::replaceFile(utf8Path, bytes->data(), bytes->size());
}

namespace {
/// Encodes into memory first and replaces the file only with a complete
/// picture: a failed encoding leaves the old file as it was.
template <class Write> bool saveThrough(const char* utf8Path, Write write) {
    thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
    if (!write(bytes.get()))
        return false;
    return detail::replaceFile(utf8Path, bytes->data(), bytes->size());
}
} // namespace

bool BufferedImage::writeGif(io::IOutputStream* stream, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                             int b) {
    if (!stream)
        return false;
    thread::Pooled<gif::win::Gif> gif = thread::makePooled<gif::win::Gif>();
    if (!gif->convertFrom(this, bitsPerPixel, keepTransparency, r, g, b, gif::win::kAlphaLimit))
        return false;
    return gif->writeTo(stream);
}

bool BufferedImage::saveGif(const char* utf8Path, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                            int b) {
    return saveThrough(utf8Path, [&](io::IOutputStream* out) {
        return writeGif(out, bitsPerPixel, keepTransparency, r, g, b);
    });
}

bool BufferedImage::writeJpeg(io::IOutputStream* stream, i32 quality, int r, int g, int b) {
    if (!stream)
        return false;
    thread::Pooled<jpg::win::Jpeg> jpeg = thread::makePooled<jpg::win::Jpeg>();
    if (!jpeg->convertFrom(this, quality, r, g, b))
        return false;
    return jpeg->writeTo(stream);
}

bool BufferedImage::saveJpeg(const char* utf8Path, i32 quality, int r, int g, int b) {
    return saveThrough(utf8Path, [&](io::IOutputStream* out) { return writeJpeg(out, quality, r, g, b); });
}

bool BufferedImage::writePng(io::IOutputStream* stream, bool interlace, bool keepTransparency, int r, int g,
                             int b) {
    if (!stream)
        return false;
    thread::Pooled<png::win::Png> png = thread::makePooled<png::win::Png>();
    if (!png->convertFrom(this, interlace, keepTransparency, r, g, b))
        return false;
    return png->writeTo(stream);
}

bool BufferedImage::savePng(const char* utf8Path, bool interlace, bool keepTransparency, int r, int g,
                            int b) {
    return saveThrough(utf8Path, [&](io::IOutputStream* out) {
        return writePng(out, interlace, keepTransparency, r, g, b);
    });
}

// -- transforms --

void BufferedImage::swapContents(BufferedImage* other) {
    std::swap(m_bitmap, other->m_bitmap);
    std::swap(m_bits, other->m_bits);
    std::swap(m_width, other->m_width);
    std::swap(m_height, other->m_height);
    std::swap(m_pixelCount, other->m_pixelCount);
    std::swap(m_byteCount, other->m_byteCount);
    std::swap(m_rowBytes, other->m_rowBytes);
    std::swap(m_capacityWidth, other->m_capacityWidth);
    std::swap(m_capacityHeight, other->m_capacityHeight);
    std::swap(m_capacityPixels, other->m_capacityPixels);
    std::swap(m_capacityBytes, other->m_capacityBytes);
    std::swap(m_capacityRowBytes, other->m_capacityRowBytes);
    std::swap(m_hasAlpha, other->m_hasAlpha);
    dropCaches();
}

template <class Map> BufferedImage* BufferedImage::transform(BufferedImage* dst, bool swapAxes, Map map) {
    i32 width = swapAxes ? m_height : m_width;
    i32 height = swapAxes ? m_width : m_height;
    if (dst == this) {
        // Into itself: render aside, then take the result's memory.
        BufferedImage* temp = transform(nullptr, swapAxes, map);
        if (!temp)
            return nullptr;
        swapContents(temp);
        temp->release();
        return this;
    }
    BufferedImage* out = dst;
    if (out) {
        if (!out->prepare(width, height))
            return nullptr;
    } else if (!(out = newImage(width, height))) {
        return nullptr;
    }
    for (i32 y = 0; y < height; ++y)
        map(out->getRow(y), y, width);
    out->m_hasAlpha = m_hasAlpha;
    return out;
}

BufferedImage* BufferedImage::copy(BufferedImage* dst) {
    if (dst == this)
        return this;
    return transform(dst, false, [this](Pixel* row, i32 y, i32 width) {
        std::memcpy(row, getRow(y), static_cast<size_t>(width) * 4);
    });
}

BufferedImage* BufferedImage::rotateRight(BufferedImage* dst) {
    return transform(dst, true, [this](Pixel* row, i32 y, i32 width) {
        for (i32 x = 0; x < width; ++x)
            row[x] = getRow(m_height - 1 - x)[y];
    });
}

BufferedImage* BufferedImage::rotate180(BufferedImage* dst) {
    return transform(dst, false, [this](Pixel* row, i32 y, i32 width) {
        const Pixel* src = getRow(m_height - 1 - y);
        for (i32 x = 0; x < width; ++x)
            row[x] = src[width - 1 - x];
    });
}

BufferedImage* BufferedImage::rotateLeft(BufferedImage* dst) {
    return transform(dst, true, [this](Pixel* row, i32 y, i32 width) {
        for (i32 x = 0; x < width; ++x)
            row[x] = getRow(x)[m_width - 1 - y];
    });
}

BufferedImage* BufferedImage::mirror(BufferedImage* dst) {
    return transform(dst, false, [this](Pixel* row, i32 y, i32 width) {
        const Pixel* src = getRow(y);
        for (i32 x = 0; x < width; ++x)
            row[x] = src[width - 1 - x];
    });
}

BufferedImage* BufferedImage::flip(BufferedImage* dst) {
    return transform(dst, false, [this](Pixel* row, i32 y, i32 width) {
        std::memcpy(row, getRow(m_height - 1 - y), static_cast<size_t>(width) * 4);
    });
}

// -- filter chain --

bool BufferedImage::hasFilters() const {
    return m_filters.size() > 0;
}

filters::IFilter* BufferedImage::findFilter(const char16_t* id, u32* index) const {
    for (u32 i = 0; i < m_filters.size(); ++i) {
        auto* filter = m_filters.getAs<filters::IFilter>(i);
        if (filter && filter->getFilterId() == id) {
            if (index)
                *index = i;
            return filter;
        }
    }
    return nullptr;
}

filters::IFilter* BufferedImage::getFilter(u32 index) const {
    return index < m_filters.size() ? m_filters.getAs<filters::IFilter>(index) : nullptr;
}

namespace {
void releaseIfAuto(filters::IFilter* filter) {
    if (filter && filter->isAutoRelease())
        filter->release();
}
} // namespace

void BufferedImage::dropFilteredCache() {
    if (m_filteredCache)
        m_filteredCache->release();
    m_filteredCache = nullptr;
}

void BufferedImage::addFilter(filters::IFilter* filter) {
    if (!filter)
        return;
    m_filters.append(static_cast<void*>(filter));
    dropFilteredCache();
}

void BufferedImage::setFilter(u32 index, filters::IFilter* filter) {
    if (index >= m_filters.size() || !filter)
        return;
    auto* old = m_filters.getAs<filters::IFilter>(index);
    m_filters.set(index, static_cast<void*>(filter));
    if (old != filter)
        releaseIfAuto(old);
    dropFilteredCache();
}

void BufferedImage::removeFilter(u32 index) {
    if (index >= m_filters.size())
        return;
    auto* old = m_filters.getAs<filters::IFilter>(index);
    m_filters.remove(index);
    releaseIfAuto(old);
    dropFilteredCache();
}

void BufferedImage::clearFilters() {
    for (u32 i = 0; i < m_filters.size(); ++i)
        releaseIfAuto(m_filters.getAs<filters::IFilter>(i));
    m_filters.clear();
    dropFilteredCache();
}

void BufferedImage::detachFilters() {
    m_filters.clear();
    dropFilteredCache();
}

BufferedImage* BufferedImage::applyFilters() {
    dropFilteredCache();
    BufferedImage* result = nullptr;
    BufferedImage* input = this;
    for (u32 i = 0; i < m_filters.size(); ++i) {
        BufferedImage* output = m_filters.getAs<filters::IFilter>(i)->apply(input, nullptr);
        if (!output)
            break;
        if (result)
            result->release();
        result = output;
        input = output;
    }
    if (!result)
        return this;
    result->updateAlphaFlag();
    m_filteredCache = result;
    return result;
}

BufferedImage* BufferedImage::getFiltered() {
    return m_filteredCache ? m_filteredCache : applyFilters();
}

} // namespace s::image::win
