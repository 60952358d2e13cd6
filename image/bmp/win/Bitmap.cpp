#include "image/bmp/win/Bitmap.h"

#include "image/detail/FileIo.h"
#include "image/filters/reduction/Quantizer.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

static_assert(std::endian::native == std::endian::little, "pixel words are stored as their file bytes");

namespace s::image::bmp::win {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

constexpr u32 kFileHeaderBytes = 14;
constexpr u32 kInfoHeaderBytes = 40;
constexpr u32 kMaskBytes = 12;

u16 getU16(const u8* p) {
    return static_cast<u16>(p[0] | p[1] << 8);
}
u32 getU32(const u8* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<u32>(p[3]) << 24;
}
void putU16(u8* p, u32 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
}
void putU32(u8* p, u32 v) {
    putU16(p, v);
    putU16(p + 2, v >> 16);
}

bool isSupportedDepth(i64 bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24 || bitsPerPixel == 32;
}

void parseInfoHeader(const u8* p, InfoHeader& h) {
    h.biSize = getU32(p);
    h.biWidth = static_cast<i32>(getU32(p + 4));
    h.biHeight = static_cast<i32>(getU32(p + 8));
    h.biPlanes = getU16(p + 12);
    h.biBitCount = getU16(p + 14);
    h.biCompression = getU32(p + 16);
    h.biSizeImage = getU32(p + 20);
    h.biXPelsPerMeter = static_cast<i32>(getU32(p + 24));
    h.biYPelsPerMeter = static_cast<i32>(getU32(p + 28));
    h.biClrUsed = getU32(p + 32);
    h.biClrImportant = getU32(p + 36);
}

void serializeInfoHeader(const InfoHeader& h, u8* p) {
    putU32(p, h.biSize);
    putU32(p + 4, static_cast<u32>(h.biWidth));
    putU32(p + 8, static_cast<u32>(h.biHeight));
    putU16(p + 12, h.biPlanes);
    putU16(p + 14, h.biBitCount);
    putU32(p + 16, h.biCompression);
    putU32(p + 20, h.biSizeImage);
    putU32(p + 24, static_cast<u32>(h.biXPelsPerMeter));
    putU32(p + 28, static_cast<u32>(h.biYPelsPerMeter));
    putU32(p + 32, h.biClrUsed);
    putU32(p + 36, h.biClrImportant);
}

/// One channel of a masked pixel, scaled to 0-255.
u32 fromMask(u32 value, u32 mask) {
    if (mask == 0)
        return 0;
    int shift = std::countr_zero(mask);
    u64 max = mask >> shift;
    return static_cast<u32>(((value & mask) >> shift) * 255 / max);
}

/// A 0-255 channel placed into a mask.
u32 toMask(u32 channel, u32 mask) {
    if (mask == 0)
        return 0;
    int shift = std::countr_zero(mask);
    u64 max = mask >> shift;
    return static_cast<u32>((channel * max + 127) / 255) << shift & mask;
}

u32 expand5(u32 c) {
    return c << 3 | c >> 2;
}

} // namespace

Bitmap::~Bitmap() {
    std::free(m_pixels);
}

void Bitmap::reset() {
    clearAll();
}

void Bitmap::clearAll() {
    std::free(m_pixels);
    m_pixels = nullptr;
    m_fileHeader = FileHeader{};
    m_info = InfoHeader{};
    std::memset(m_colourTable, 0, sizeof m_colourTable);
    std::memset(m_masks, 0, sizeof m_masks);
    m_stride = 0;
    m_colourCount = 0;
    m_colourTableBytes = 0;
    m_transparentColour = -1;
}

bool Bitmap::allocatePixels(i64 bytes) {
    std::free(m_pixels);
    m_pixels = nullptr;
    if (bytes <= 0)
        return true;
    m_pixels = static_cast<u8*>(std::calloc(static_cast<size_t>(bytes), 1));
    return m_pixels != nullptr;
}

i64 Bitmap::strideFor(i32 bitsPerPixel, i32 planes, i32 width) {
    return ((static_cast<i64>(bitsPerPixel) * planes * width + 31) >> 3) & ~i64{3};
}

void Bitmap::updateFileHeader() {
    u32 extra = (m_info.biCompression == kCompressionBitfields ? kMaskBytes : 0) +
                static_cast<u32>(m_colourTableBytes);
    m_fileHeader.bfType = 0x4D42;
    m_fileHeader.bfReserved = 0;
    m_fileHeader.bfOffBits = kFileHeaderBytes + kInfoHeaderBytes + extra;
    m_fileHeader.bfSize = static_cast<u32>(static_cast<i64>(m_info.biHeight) * m_stride) + extra +
                          kFileHeaderBytes + kInfoHeaderBytes;
}

bool Bitmap::create(i32 width, i32 height, i32 bitsPerPixel) {
    i32 key = m_transparentColour; // a colour key belongs to the caller, not to the picture
    clearAll();
    m_transparentColour = key;
    if (!isSupportedDepth(bitsPerPixel) || width < 0 || height < 0 ||
        static_cast<i64>(width) * height > kMaxPixels)
        return false;
    i64 stride = strideFor(bitsPerPixel, 1, width);
    i64 n = static_cast<i64>(width) * height;
    m_info.biWidth = width;
    m_info.biHeight = height;
    m_info.biBitCount = static_cast<u16>(bitsPerPixel);
    switch (bitsPerPixel) {
    case 1:
        m_info.biSizeImage = static_cast<u32>(((n - 1) >> 3) + 1);
        break;
    case 4:
        m_info.biSizeImage = static_cast<u32>(n / 2 + (n & 1));
        break;
    case 8:
        m_info.biSizeImage = static_cast<u32>(n);
        break;
    default:
        m_info.biSizeImage = static_cast<u32>(n * (bitsPerPixel / 8));
        break;
    }
    m_info.biClrUsed = m_info.biClrImportant = bitsPerPixel <= 8 ? 1u << bitsPerPixel : 0;
    m_stride = static_cast<i32>(stride);
    m_colourCount = static_cast<i32>(m_info.biClrUsed);
    m_colourTableBytes = m_colourCount * 4;
    updateFileHeader();
    if (!allocatePixels(stride * height)) {
        clearAll();
        m_transparentColour = key;
        return false;
    }
    return true;
}

// -- reading --

bool Bitmap::readFrom(io::IInputStream* in) {
    i32 key = m_transparentColour;
    clearAll();
    m_transparentColour = key;
    if (!in)
        return false;
    i64 start = in->getPosition();
    u8 header[kFileHeaderBytes];
    if (!detail::readExactly(in, header, sizeof header) || getU16(header) != 0x4D42)
        return false;
    return readAfterFileHeader(in, start, kFileHeaderBytes, true, getU32(header + 10));
}

bool Bitmap::readDib(io::IInputStream* in) {
    i32 key = m_transparentColour;
    clearAll();
    m_transparentColour = key;
    if (!in)
        return false;
    return readAfterFileHeader(in, in->getPosition(), 0, false, 0);
}

bool Bitmap::readAfterFileHeader(io::IInputStream* in, i64 start, i64 consumed, bool haveOffBits,
                                 u32 offBits) {
    i32 key = m_transparentColour;
    auto refuse = [&]() {
        clearAll();
        m_transparentColour = key;
        return false;
    };
    const i64 fixedHeaders = consumed;

    u8 raw[kInfoHeaderBytes];
    if (!detail::readExactly(in, raw, sizeof raw))
        return refuse();
    consumed += kInfoHeaderBytes;
    InfoHeader h;
    parseInfoHeader(raw, h);

    // Only what this codec can hold in memory safely gets past here.
    const bool bitfields = h.biCompression == kCompressionBitfields;
    if (h.biSize < kInfoHeaderBytes || h.biPlanes != 1 || !isSupportedDepth(h.biBitCount))
        return refuse();
    if (h.biCompression != kCompressionRgb && !(bitfields && (h.biBitCount == 16 || h.biBitCount == 32)))
        return refuse();
    if (h.biWidth <= 0 || h.biHeight == 0)
        return refuse();
    const bool topDown = h.biHeight < 0;
    const i64 height = topDown ? -static_cast<i64>(h.biHeight) : h.biHeight;
    if (static_cast<i64>(h.biWidth) * height > kMaxPixels)
        return refuse();
    const i64 stride = strideFor(h.biBitCount, 1, h.biWidth);

    // Channel masks: the first 12 bytes of a larger header, else right after
    // the 40-byte one.
    u64 extra = h.biSize - kInfoHeaderBytes;
    u8 maskBytes[kMaskBytes] = {};
    if (bitfields && extra >= kMaskBytes) {
        if (!detail::readExactly(in, maskBytes, kMaskBytes))
            return refuse();
        consumed += kMaskBytes;
        extra -= kMaskBytes;
    }
    if (!detail::skipForward(in, extra))
        return refuse();
    consumed += static_cast<i64>(extra);
    if (bitfields && h.biSize < kInfoHeaderBytes + kMaskBytes) {
        if (!detail::readExactly(in, maskBytes, kMaskBytes))
            return refuse();
        consumed += kMaskBytes;
    }

    // At most 256 colour entries are kept; the rest are passed over.
    u64 colours = h.biClrUsed ? h.biClrUsed : (h.biBitCount <= 8 ? 1u << h.biBitCount : 0);
    u32 stored = static_cast<u32>(std::min<u64>(colours, 256));
    u8 table[1024];
    if (!detail::readExactly(in, table, stored * 4u))
        return refuse();
    consumed += stored * 4;
    const i64 afterTable = consumed + static_cast<i64>((colours - stored) * 4);

    // Where the pixels start: bfOffBits unless it points into the headers
    // (some writers leave it 0), else right after the colour table.
    i64 pixelStart = afterTable;
    if (haveOffBits && offBits >= static_cast<u64>(fixedHeaders) + h.biSize)
        pixelStart = offBits;
    if (pixelStart > consumed) {
        if (!detail::skipForward(in, static_cast<u64>(pixelStart - consumed)))
            return refuse();
    } else if (pixelStart < consumed) {
        if (!in->canSeek() || !in->seek(start + pixelStart))
            return refuse();
    }

    const i64 total = stride * height;
    i64 got = 0;
    if (!readPixelData(in, total, &got))
        return refuse();
    m_info = h;
    m_info.biSize = kInfoHeaderBytes;
    m_info.biHeight = static_cast<i32>(height);
    if (h.biClrUsed > 256)
        m_info.biClrUsed = 256;
    if (m_info.biClrImportant > m_info.biClrUsed)
        m_info.biClrImportant = m_info.biClrUsed;
    m_stride = static_cast<i32>(stride);
    m_colourCount = static_cast<i32>(stored);
    m_colourTableBytes = static_cast<i32>(stored * 4);
    std::memcpy(m_colourTable, table, stored * 4u);
    if (bitfields) {
        for (int i = 0; i < 3; ++i)
            m_masks[i] = getU32(maskBytes + 4 * i);
    }
    updateFileHeader();
    if (topDown) {
        // The rows came top first; memory is bottom-up.
        std::vector<u8> temp(static_cast<size_t>(stride));
        for (i64 y = 0; y < height / 2; ++y) {
            u8* a = m_pixels + y * stride;
            u8* b = m_pixels + (height - 1 - y) * stride;
            std::memcpy(temp.data(), a, static_cast<size_t>(stride));
            std::memcpy(a, b, static_cast<size_t>(stride));
            std::memcpy(b, temp.data(), static_cast<size_t>(stride));
        }
    }
    return got == total;
}

bool Bitmap::readPixelData(io::IInputStream* in, i64 total, i64* got) {
    // The memory follows the data that actually arrives, so that a short
    // stream claiming a huge picture never costs more than it holds: start
    // with what a seekable stream still has (or 64 KiB) and double.
    constexpr i64 kFirstPiece = i64{1} << 16;
    constexpr i64 kSmallPicture = i64{4} << 20;
    i64 capacity = std::min(total, kFirstPiece);
    if (in->canSeek()) {
        i64 here = in->getPosition();
        if (in->seekToEnd()) {
            capacity = std::clamp(in->getPosition() - here, capacity, total);
            if (!in->seek(here))
                return false;
        }
    }
    std::free(m_pixels);
    m_pixels = nullptr;
    *got = 0;
    if (total <= 0)
        return true;
    m_pixels = static_cast<u8*>(std::malloc(static_cast<size_t>(capacity)));
    if (!m_pixels)
        return false;
    for (;;) {
        *got += static_cast<i64>(detail::readUpTo(in, m_pixels + *got, static_cast<u64>(capacity - *got)));
        if (*got < capacity || capacity == total)
            break;
        i64 grown = std::min(total, capacity * 2);
        u8* bigger = static_cast<u8*>(std::realloc(m_pixels, static_cast<size_t>(grown)));
        if (!bigger)
            return false;
        m_pixels = bigger;
        capacity = grown;
    }
    // Short: keep the picture, the missing part zero, when half of it came or
    // it is small; a picture without any of its data is no picture.
    if (*got < total) {
        if (*got == 0 || (total > kSmallPicture && *got < total / 2))
            return false;
        if (capacity < total) {
            u8* full = static_cast<u8*>(std::realloc(m_pixels, static_cast<size_t>(total)));
            if (!full)
                return false;
            m_pixels = full;
        }
        std::memset(m_pixels + *got, 0, static_cast<size_t>(total - *got));
    }
    return true;
}

// -- writing --

bool Bitmap::writeTo(io::IOutputStream* out) const {
    if (!out)
        return false;
    u8 header[kFileHeaderBytes];
    putU16(header, m_fileHeader.bfType);
    putU32(header + 2, m_fileHeader.bfSize);
    putU32(header + 6, m_fileHeader.bfReserved);
    putU32(header + 10, m_fileHeader.bfOffBits);
    return detail::writeAll(out, header, sizeof header) && writeDib(out);
}

bool Bitmap::writeDib(io::IOutputStream* out) const {
    if (!out)
        return false;
    u8 raw[kInfoHeaderBytes];
    serializeInfoHeader(m_info, raw);
    bool ok = detail::writeAll(out, raw, sizeof raw);
    if (ok && m_info.biCompression == kCompressionBitfields) {
        u8 masks[kMaskBytes];
        for (int i = 0; i < 3; ++i)
            putU32(masks + 4 * i, m_masks[i]);
        ok = detail::writeAll(out, masks, sizeof masks);
    }
    if (ok && m_colourCount > 0)
        ok = detail::writeAll(out, m_colourTable, static_cast<u64>(m_colourTableBytes));
    if (ok && m_pixels)
        ok = detail::writeAll(out, m_pixels, static_cast<u64>(getPixelBytes()));
    return ok;
}

// -- depth conversion --

void Bitmap::decodeRow(i32 y, Pixel* out) const {
    const u8* row = getRow(y);
    const i32 width = m_info.biWidth;
    const bool bitfields = m_info.biCompression == kCompressionBitfields;
    auto masked = [this](u32 v) {
        return packPixel(0, fromMask(v, m_masks[0]), fromMask(v, m_masks[1]), fromMask(v, m_masks[2]));
    };
    switch (m_info.biBitCount) {
    case 1:
        for (i32 x = 0; x < width; ++x)
            out[x] = colourOf(m_colourTable[(row[x >> 3] >> (7 - (x & 7))) & 1]);
        break;
    case 4:
        for (i32 x = 0; x < width; ++x)
            out[x] = colourOf(m_colourTable[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]);
        break;
    case 8:
        for (i32 x = 0; x < width; ++x)
            out[x] = colourOf(m_colourTable[row[x]]);
        break;
    case 16:
        for (i32 x = 0; x < width; ++x) {
            u32 v = getU16(row + 2 * x);
            out[x] = bitfields ? masked(v)
                               : packPixel(0, expand5(v >> 10 & 31), expand5(v >> 5 & 31), expand5(v & 31));
        }
        break;
    case 24:
        for (i32 x = 0; x < width; ++x)
            out[x] = packPixel(0, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        break;
    case 32:
        for (i32 x = 0; x < width; ++x) {
            u32 v = getU32(row + 4 * x);
            out[x] = bitfields ? masked(v) : v;
        }
        break;
    default:
        break;
    }
}

u32 Bitmap::nearestIndex(Pixel colour) const {
    u32 best = 0;
    i64 bestDistance = INT64_MAX;
    for (i32 i = 0; i < m_colourCount; ++i) {
        u32 entry = m_colourTable[i];
        i64 dr = static_cast<i64>(redOf(entry)) - redOf(colour);
        i64 dg = static_cast<i64>(greenOf(entry)) - greenOf(colour);
        i64 db = static_cast<i64>(blueOf(entry)) - blueOf(colour);
        i64 d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<u32>(i);
            if (d == 0)
                break;
        }
    }
    return best;
}

void Bitmap::encodeRow(i32 y, const Pixel* in, i32 n) {
    u8* row = getRow(y);
    n = std::min(n, m_info.biWidth);
    const bool bitfields = m_info.biCompression == kCompressionBitfields;
    auto masked = [this](Pixel p) {
        return toMask(redOf(p), m_masks[0]) | toMask(greenOf(p), m_masks[1]) | toMask(blueOf(p), m_masks[2]);
    };
    switch (m_info.biBitCount) {
    case 1:
        for (i32 x = 0; x < n; ++x) {
            u8 bit = static_cast<u8>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<u8>(nearestIndex(in[x]) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        }
        break;
    case 4:
        for (i32 x = 0; x < n; ++x) {
            u32 index = nearestIndex(in[x]) & 15;
            u8& b = row[x >> 1];
            b = static_cast<u8>((x & 1) ? (b & 0xF0) | index : (b & 0x0F) | index << 4);
        }
        break;
    case 8:
        for (i32 x = 0; x < n; ++x)
            row[x] = static_cast<u8>(nearestIndex(in[x]));
        break;
    case 16:
        for (i32 x = 0; x < n; ++x) {
            Pixel p = in[x];
            putU16(row + 2 * x,
                   bitfields ? masked(p) : (redOf(p) >> 3) << 10 | (greenOf(p) >> 3) << 5 | blueOf(p) >> 3);
        }
        break;
    case 24:
        for (i32 x = 0; x < n; ++x) {
            row[3 * x] = static_cast<u8>(blueOf(in[x]));
            row[3 * x + 1] = static_cast<u8>(greenOf(in[x]));
            row[3 * x + 2] = static_cast<u8>(redOf(in[x]));
        }
        break;
    case 32:
        for (i32 x = 0; x < n; ++x)
            putU32(row + 4 * x, bitfields ? masked(in[x]) : in[x]);
        break;
    default:
        break;
    }
}

bool Bitmap::blitTo(Bitmap* target) const {
    if (!target)
        return false;
    if (target == this)
        return true;
    if (!m_pixels || !target->m_pixels)
        return false;
    i32 width = std::min(m_info.biWidth, target->m_info.biWidth);
    i32 height = std::min(m_info.biHeight, target->m_info.biHeight);
    std::vector<Pixel> line(static_cast<size_t>(m_info.biWidth));
    for (i32 y = 0; y < height; ++y) {
        decodeRow(y, line.data());
        target->encodeRow(y, line.data(), width);
    }
    return true;
}

bool Bitmap::copyFromBitmapHandle(const Bitmap* source) {
    if (!source)
        return false;
    if (source == this)
        return true;
    if (!create(source->m_info.biWidth, source->m_info.biHeight, source->m_info.biBitCount))
        return false;
    m_info = source->m_info;
    m_stride = source->m_stride;
    m_colourCount = source->m_colourCount;
    m_colourTableBytes = source->m_colourTableBytes;
    std::memcpy(m_colourTable, source->m_colourTable, sizeof m_colourTable);
    std::memcpy(m_masks, source->m_masks, sizeof m_masks);
    updateFileHeader();
    if (m_pixels && source->m_pixels)
        std::memcpy(m_pixels, source->m_pixels, static_cast<size_t>(getPixelBytes()));
    return true;
}

// -- buffers --

BufferedImage* Bitmap::toBufferedImage(BufferedImage* reuse) const {
    BufferedImage* image = reuse ? reuse : BufferedImage::create();
    const i32 width = m_info.biWidth;
    const i32 height = m_info.biHeight;
    bool ok = m_pixels && width > 0 && height > 0;
    if (!ok || !image->prepare(width, height)) {
        if (reuse)
            reuse->prepare(0, 0);
        else
            image->release();
        return nullptr;
    }
    for (i32 y = 0; y < height; ++y)
        decodeRow(y, image->getRow(y));

    if (isPlain32()) {
        // All alpha bytes 0 means the picture has no alpha channel at all.
        bool anyNonZero = false, anyBelowOpaque = false;
        for (i32 y = 0; y < height; ++y) {
            const Pixel* row = image->getRow(y);
            for (i32 x = 0; x < width; ++x) {
                u32 a = alphaOf(row[x]);
                anyNonZero |= a != 0;
                anyBelowOpaque |= a != 255;
            }
        }
        if (anyNonZero)
            image->setHasAlpha(anyBelowOpaque);
        else
            image->makeOpaque();
    } else if (hasTransparentColour()) {
        u32 key = static_cast<u32>(m_transparentColour);
        image->applyColourKey(static_cast<int>(redOf(key)), static_cast<int>(greenOf(key)),
                              static_cast<int>(blueOf(key)));
    } else {
        image->makeOpaque();
    }
    return image;
}

BufferedImageSet* Bitmap::toBufferedImageSet() const {
    BufferedImageSet* set = BufferedImageSet::create();
    if (BufferedImage* image = toBufferedImage(nullptr))
        set->add(image, getBitCount(), 0, 0);
    return set;
}

IEncodedImage* Bitmap::encodeLike(BufferedImage* image) const {
    i32 bits = getBitCount();
    i32 depth = bits == 32 ? 32 : bits > 8 ? 24 : bits == 8 ? 8 : 4;
    Bitmap* bitmap = Bitmap::create();
    if (!bitmap->convertFrom(image, depth, true, 255, 255, 255)) {
        bitmap->release();
        return nullptr;
    }
    return bitmap;
}

bool Bitmap::convertFrom(BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r, int g, int b) {
    if (!image || (bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32))
        return false;
    const i32 width = image->getWidth();
    const i32 height = image->getHeight();
    BufferedImage* source = image;
    thread::Pooled<BufferedImage> background;
    if (image->hasAlpha()) {
        if (keepTransparency && bitsPerPixel == 32) {
            image->tintTransparent(r, g, b);
        } else {
            background.reset(image->newImage(width, height));
            if (!background)
                return false;
            background->fill(255, r, g, b);
            background->drawImage(0, 0, width, height, image, 0, 0, false);
            source = background.get();
        }
    } else if ((bitsPerPixel == 4 || bitsPerPixel == 8) && !image->isAllOpaque()) {
        // Without the alpha flag the alpha bytes mean nothing; the quantizer
        // would pass over pixels whose byte happens to be below 255.
        background.reset(image->copy(nullptr));
        if (!background)
            return false;
        background->makeOpaque();
        source = background.get();
    }
    if (!create(width, height, bitsPerPixel))
        return false;
    switch (bitsPerPixel) {
    case 4:
    case 8: {
        thread::Pooled<filters::reduction::Quantizer> quantizer =
            thread::makePooled<filters::reduction::Quantizer>();
        quantizer->build(source, 1u << bitsPerPixel);
        std::memcpy(m_colourTable, quantizer->getPalette(), (size_t{1} << bitsPerPixel) * 4);
        for (i32 y = 0; y < height; ++y)
            quantizer->mapRow(source->getRow(y), width, getRow(y), y, bitsPerPixel);
        break;
    }
    case 24:
        for (i32 y = 0; y < height; ++y)
            encodeRow(y, source->getRow(y), width);
        break;
    default:
        for (i32 y = 0; y < height; ++y)
            std::memcpy(getRow(y), source->getRow(y), static_cast<size_t>(width) * 4);
        break;
    }
    return true;
}

} // namespace s::image::bmp::win
