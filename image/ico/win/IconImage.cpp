#include "image/ico/win/IconImage.h"

#include "foundation/col/array/Arrays.h"
#include "image/archive/icon/Archive.h"
#include "image/detail/FileIo.h"
#include "image/filters/reduction/Quantizer.h"
#include "image/png/win/Png.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"

#include <cstring>

namespace s::image::ico::win {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

constexpr u32 kInfoBytes = 40;
constexpr u8 kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

u32 getU32(const u8* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<u32>(p[3]) << 24;
}
void putU32(u8* p, u32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<u8>(v >> (8 * i));
}
void putU16(u8* p, u32 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
}

bool isEntryDepth(i32 bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

} // namespace

IconImage::~IconImage() = default;

void IconImage::reset() {
    m_info = bmp::win::InfoHeader{};
    m_info.biBitCount = 0;
    std::memset(m_colourTable, 0, sizeof m_colourTable);
    m_colourCount = m_colourTableBytes = 0;
    m_stride = m_maskStride = 0;
    m_pixels.clear();
    m_pixels.shrink_to_fit();
    m_mask.clear();
    m_mask.shrink_to_fit();
}

bool IconImage::create(i32 width, i32 height, i32 bitsPerPixel) {
    reset();
    if (width <= 0 || height <= 0 || !isEntryDepth(bitsPerPixel) ||
        static_cast<i64>(width) * height > kMaxPixels)
        return false;
    m_info.biWidth = width;
    m_info.biHeight = height;
    m_info.biBitCount = static_cast<u16>(bitsPerPixel);
    m_info.biSizeImage = static_cast<u32>(width * height); // the pixel count, as icon writers put it
    m_info.biClrUsed = m_info.biClrImportant = bitsPerPixel <= 8 ? 1u << bitsPerPixel : 0;
    m_colourCount = static_cast<i32>(m_info.biClrUsed);
    m_colourTableBytes = m_colourCount * 4;
    m_stride = static_cast<i32>(bmp::win::Bitmap::strideFor(bitsPerPixel, 1, width));
    m_maskStride = static_cast<i32>(bmp::win::Bitmap::strideFor(1, 1, width));
    m_pixels.assign(static_cast<size_t>(m_stride) * height, 0);
    m_mask.assign(static_cast<size_t>(m_maskStride) * height, 0);
    return true;
}

bool IconImage::convertFrom(BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                            int b) {
    if (!image || (bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 32))
        return false;
    const i32 width = image->getWidth();
    const i32 height = image->getHeight();
    const BufferedImage* source = image;
    thread::Pooled<BufferedImage> work;
    if (image->hasAlpha() && keepTransparency) {
        if (bitsPerPixel != 32) {
            work.reset(image->copy(nullptr));
            if (!work)
                return false;
            work->thresholdAlpha(32);
            source = work.get();
        }
    } else if (image->hasAlpha()) {
        work.reset(image->newImage(width, height));
        if (!work)
            return false;
        work->fill(255, r, g, b);
        work->drawImage(0, 0, width, height, image, 0, 0, false);
        source = work.get();
    } else if (!image->isAllOpaque()) {
        // Alpha bytes without the alpha flag mean nothing.
        work.reset(image->copy(nullptr));
        if (!work)
            return false;
        work->makeOpaque();
        source = work.get();
    }
    if (!create(width, height, bitsPerPixel))
        return false;
    if (bitsPerPixel == 32) {
        for (i32 y = 0; y < height; ++y)
            std::memcpy(getRow(y), source->getRow(y), static_cast<size_t>(width) * 4);
    } else {
        // One index (15 or 255, a zero entry) is kept back for what is not opaque.
        thread::Pooled<filters::reduction::Quantizer> quantizer =
            thread::makePooled<filters::reduction::Quantizer>();
        quantizer->build(source, (1u << bitsPerPixel) - 1);
        std::memcpy(m_colourTable, quantizer->getPalette(), quantizer->getPaletteSize() * 4);
        for (i32 y = 0; y < height; ++y)
            quantizer->mapRow(source->getRow(y), width, getRow(y), y, bitsPerPixel);
    }
    if (source->hasAlpha()) {
        for (i32 y = 0; y < height; ++y) {
            const Pixel* in = source->getRow(y);
            u8* mask = getMaskRow(y);
            for (i32 x = 0; x < width; ++x)
                if (alphaOf(in[x]) == 0)
                    mask[x >> 3] = static_cast<u8>(mask[x >> 3] | 0x80 >> (x & 7));
        }
    }
    return true;
}

bool IconImage::buildResource(std::vector<u8>& out) const {
    out.clear();
    const i32 width = getWidth(), height = getHeight();
    if (width <= 0 || height <= 0)
        return false;
    if (width > 255 || height > 255) {
        // Large entries are stored as a PNG file.
        thread::Pooled<BufferedImage> image(toBufferedImage(nullptr));
        thread::Pooled<png::win::Png> png = thread::makePooled<png::win::Png>();
        thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
        if (!image || !png->convertFrom(image.get(), false, true, 255, 255, 255) ||
            !png->writeTo(bytes.get()))
            return false;
        out.assign(bytes->data(), bytes->data() + bytes->size());
        return true;
    }
    out.resize(kInfoBytes);
    u8* h = out.data();
    putU32(h, kInfoBytes);
    putU32(h + 4, static_cast<u32>(width));
    putU32(h + 8, static_cast<u32>(height * 2)); // colour rows, then mask rows
    putU16(h + 12, 1);
    putU16(h + 14, m_info.biBitCount);
    putU32(h + 16, 0);
    putU32(h + 20, m_info.biSizeImage);
    putU32(h + 24, 0);
    putU32(h + 28, 0);
    putU32(h + 32, m_info.biClrUsed);
    putU32(h + 36, m_info.biClrImportant);
    const u8* table = reinterpret_cast<const u8*>(m_colourTable);
    out.insert(out.end(), table, table + m_colourTableBytes);
    out.insert(out.end(), m_pixels.begin(), m_pixels.end());
    out.insert(out.end(), m_mask.begin(), m_mask.end());
    return true;
}

bool IconImage::writeTo(io::IOutputStream* stream) const {
    std::vector<u8> bytes;
    return stream && buildResource(bytes) && detail::writeAll(stream, bytes.data(), bytes.size());
}

bool IconImage::readFrom(io::IInputStream* stream) {
    reset();
    if (!stream)
        return false;
    std::vector<u8> bytes;
    u8 piece[65536];
    for (;;) {
        const u64 n = detail::readUpTo(stream, piece, sizeof piece);
        bytes.insert(bytes.end(), piece, piece + n);
        if (n < sizeof piece || bytes.size() > archive::icon::Archive::kMaxEntryBytes)
            break;
    }
    return readBytes(bytes.data(), bytes.size());
}

bool IconImage::readBytes(const u8* data, size_t size) {
    reset();
    if (!data)
        return false;
    if (size >= 8 && std::memcmp(data, kPngSignature, 8) == 0) {
        thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
        bytes->append(data, static_cast<u32>(size));
        bytes->rewind();
        thread::Pooled<png::win::Png> png = thread::makePooled<png::win::Png>();
        const bool complete = png->readFrom(bytes.get());
        thread::Pooled<BufferedImage> image(png->toBufferedImage(nullptr));
        return complete && image && convertFrom(image.get(), 32, true, 255, 255, 255);
    }
    if (size < kInfoBytes)
        return false;
    const u32 headerBytes = getU32(data);
    const i32 width = static_cast<i32>(getU32(data + 4));
    const i32 doubled = static_cast<i32>(getU32(data + 8));
    const i32 bits = data[14] | data[15] << 8;
    const u32 compression = getU32(data + 16);
    const u32 used = getU32(data + 32);
    if (headerBytes < kInfoBytes || headerBytes > size || width <= 0 || doubled < 2 || !isEntryDepth(bits) ||
        compression != 0)
        return false;
    const i32 height = doubled / 2;
    const i64 stride = bmp::win::Bitmap::strideFor(bits, 1, width);
    // The colour rows must be there: a header alone claims no memory.
    if (stride * height > static_cast<i64>(size) || !create(width, height, bits))
        return false;
    size_t at = headerBytes;
    const u32 colours = bits <= 8 ? (used ? std::min<u32>(used, 256) : 1u << bits) : 0;
    const size_t tableBytes = std::min<size_t>(colours * 4, size - at);
    std::memcpy(m_colourTable, data + at, tableBytes);
    at += tableBytes;
    bool complete = tableBytes == colours * 4;
    const size_t pixelBytes = std::min(m_pixels.size(), size - at);
    std::memcpy(m_pixels.data(), data + at, pixelBytes);
    at += pixelBytes;
    complete &= pixelBytes == m_pixels.size();
    const size_t maskBytes = std::min(m_mask.size(), size - at);
    std::memcpy(m_mask.data(), data + at, maskBytes);
    complete &= maskBytes == m_mask.size();
    return complete;
}

Pixel IconImage::colourAt(const u8* row, i32 x) const {
    switch (m_info.biBitCount) {
    case 1:
        return colourOf(m_colourTable[(row[x >> 3] >> (7 - (x & 7))) & 1]);
    case 4:
        return colourOf(m_colourTable[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15]);
    case 8:
        return colourOf(m_colourTable[row[x]]);
    case 24:
        return packPixel(0, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    default:
        return getU32(row + 4 * x);
    }
}

BufferedImage* IconImage::toBufferedImage(BufferedImage* reuse) const {
    BufferedImage* image = reuse ? reuse : BufferedImage::create();
    const i32 width = getWidth(), height = getHeight();
    if (width <= 0 || height <= 0 || !image->prepare(width, height)) {
        if (reuse)
            reuse->prepare(0, 0);
        else
            image->release();
        return nullptr;
    }
    const bool withAlpha = m_info.biBitCount == 32;
    bool translucent = false;
    for (i32 y = 0; y < height; ++y) {
        const u8* row = getRow(y);
        const u8* mask = getMaskRow(y);
        Pixel* out = image->getRow(y);
        for (i32 x = 0; x < width; ++x) {
            Pixel p = colourAt(row, x);
            if (!withAlpha)
                p |= (mask[x >> 3] & (0x80 >> (x & 7))) ? 0 : 0xFF000000u;
            out[x] = p;
            translucent |= alphaOf(p) != 255;
        }
    }
    image->setHasAlpha(translucent);
    return image;
}

BufferedImageSet* IconImage::toBufferedImageSet() const {
    BufferedImageSet* set = BufferedImageSet::create();
    if (BufferedImage* image = toBufferedImage(nullptr))
        set->add(image, getBitCount(), 0, 0);
    return set;
}

IEncodedImage* IconImage::encodeLike(BufferedImage* image) const {
    IconImage* entry = IconImage::create();
    if (!entry->convertFrom(image, 32, true, 255, 255, 255)) {
        entry->release();
        return nullptr;
    }
    return entry;
}

} // namespace s::image::ico::win
