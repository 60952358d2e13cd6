#include "image/gif/win/Gif.h"

#include "foundation/io/Streams.h"
#include "image/bmp/win/Bitmap.h"
#include "image/detail/FileIo.h"
#include "image/filters/reduction/Quantizer.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"

#include <algorithm>
#include <cstring>

namespace s::image::gif::win {

using bmp::win::Bitmap;
using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

constexpr u8 kExtension = 0x21;
constexpr u8 kImageSeparator = 0x2C;
constexpr u8 kTrailer = 0x3B;
constexpr u8 kGraphicControl = 0xF9;
constexpr u8 kApplication = 0xFF;
constexpr char kNetscape[] = "NETSCAPE2.0";
// A frame is a picture of the whole screen; one that claims far more screen
// than the file could fill is taken for hostile.
constexpr i64 kMaxPixelsPerByte = 1 << 16;
constexpr i32 kMaxSide = 0xFFFF;

void putU16(u8* p, u32 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
}
u16 getU16(const u8* p) {
    return static_cast<u16>(p[0] | p[1] << 8);
}

/// The bytes of a run of sub-blocks up to its terminator, appended to `out`
/// when given. False when the stream ends first.
bool readSubBlocks(io::IInputStream* in, std::vector<u8>* out) {
    for (;;) {
        u8 count = 0;
        if (!detail::readExactly(in, &count, 1))
            return false;
        if (count == 0)
            return true;
        u8 block[255];
        if (!detail::readExactly(in, block, count))
            return false;
        if (out)
            out->insert(out->end(), block, block + count);
    }
}

} // namespace

Gif::~Gif() {
    clearFrames();
}

void Gif::reset() {
    clearFrames();
    m_loopCount = 1;
}

void Gif::clearFrames() {
    for (Bitmap* frame : m_frames)
        frame->release();
    m_frames.clear();
    m_transparentIndex.clear();
    m_delayMs.clear();
    m_disposal.clear();
}

i32 Gif::getWidth() const {
    return m_frames.empty() ? 0 : m_frames[0]->getWidth();
}

i32 Gif::getHeight() const {
    return m_frames.empty() ? 0 : m_frames[0]->getHeight();
}

Bitmap* Gif::getFrame(u32 index) const {
    return index < m_frames.size() ? m_frames[index] : nullptr;
}

i32 Gif::getDelay(u32 index) const {
    return index < m_delayMs.size() ? m_delayMs[index] : 0;
}

i32 Gif::getBlendMode(u32 index) const {
    return index < m_disposal.size() ? m_disposal[index] : 0;
}

i32 Gif::getTransparentIndex(u32 index) const {
    return index < m_transparentIndex.size() ? m_transparentIndex[index] : -1;
}

// -- making frames --

bool Gif::create(i32 width, i32 height, i32 bitsPerPixel) {
    clearFrames();
    thread::Pooled<Bitmap> frame = thread::makePooled<Bitmap>();
    if (!frame->create(width, height, bitsPerPixel))
        return false;
    m_frames.push_back(frame.release());
    m_transparentIndex.push_back(-1);
    m_delayMs.push_back(0);
    m_disposal.push_back(0);
    return true;
}

bool Gif::copyFromBitmapHandle(const Bitmap* source) {
    if (!source)
        return false;
    if (m_frames.size() == 1)
        return m_frames[0]->copyFromBitmapHandle(source);
    if (!create(0, 0, 8))
        return false;
    return m_frames[0]->copyFromBitmapHandle(source);
}

bool Gif::blitTo(Bitmap* target) const {
    return !m_frames.empty() && m_frames[0]->blitTo(target);
}

bool Gif::convertFrom(BufferedImage* image, i32 bitsPerPixel, bool keepTransparency, int r, int g, int b,
                      int alphaLimit) {
    if (!image || (bitsPerPixel != 4 && bitsPerPixel != 8) || image->getWidth() <= 0 ||
        image->getHeight() <= 0 || image->getWidth() > kMaxSide || image->getHeight() > kMaxSide)
        return false;
    const i32 width = image->getWidth();
    const i32 height = image->getHeight();
    // One index is kept back for transparency.
    const u32 colours = (1u << bitsPerPixel) - 1;
    i32 transparent = -1;
    const BufferedImage* source = image;
    thread::Pooled<BufferedImage> work;
    if (image->hasAlpha() && keepTransparency) {
        work.reset(image->copy(nullptr));
        if (!work)
            return false;
        work->thresholdAlpha(alphaLimit);
        work->tintTransparent(r, g, b);
        source = work.get();
        transparent = static_cast<i32>(colours);
    } else if (image->hasAlpha()) {
        work.reset(image->newImage(width, height));
        if (!work)
            return false;
        work->fill(255, r, g, b);
        work->drawImage(0, 0, width, height, image, 0, 0, false);
        source = work.get();
    } else if (!image->isAllOpaque()) {
        // Without the alpha flag the alpha bytes mean nothing; the quantizer
        // would pass over pixels whose byte happens to be below 255.
        work.reset(image->copy(nullptr));
        if (!work)
            return false;
        work->makeOpaque();
        source = work.get();
    }

    // Frames are always 8 bits: a 256-entry table and code size 8, also for
    // 16 colours.
    thread::Pooled<Bitmap> frame = thread::makePooled<Bitmap>();
    if (!frame->create(width, height, 8))
        return false;
    thread::Pooled<filters::reduction::Quantizer> quantizer =
        thread::makePooled<filters::reduction::Quantizer>();
    quantizer->build(source, colours);
    std::memcpy(frame->getColourTable(), quantizer->getPalette(), quantizer->getPaletteSize() * 4);
    for (i32 y = 0; y < height; ++y)
        quantizer->mapRow(source->getRow(y), width, frame->getRow(y), y, 8);

    m_frames.push_back(frame.release());
    m_transparentIndex.push_back(transparent);
    m_delayMs.push_back(0);
    m_disposal.push_back(0);
    return true;
}

bool Gif::convertFromSet(BufferedImageSet* set, i32 bitsPerPixel, bool keepTransparency, int r, int g,
                         int b) {
    if (!set || !set->getPrimaryImage())
        return false;
    if (set->getImageCount() < 2 || !set->isAnimated())
        return convertFrom(set->getPrimaryImage(), bitsPerPixel, keepTransparency, r, g, b, kAlphaLimit);
    m_loopCount = set->getLoopCount();
    BufferedImage* first = set->getImage(0);
    if (!convertFrom(first, bitsPerPixel, keepTransparency, r, g, b, kAlphaLimit))
        return false;
    m_delayMs.back() = set->getDelay(0);
    thread::Pooled<BufferedImage> previous(first->copy(nullptr));
    if (!previous)
        return false;
    for (u32 i = 1; i < set->getImageCount(); ++i) {
        BufferedImage* image = set->getImage(i);
        thread::Pooled<BufferedImage> full(previous->copy(nullptr));
        if (!full)
            return false;
        full->drawImage(0, 0, image->getWidth(), image->getHeight(), image, 0, 0, false);
        thread::Pooled<BufferedImage> changes(full->copy(nullptr));
        if (!changes)
            return false;
        changes->maskEqualTo(previous.get());
        if (!convertFrom(changes.get(), bitsPerPixel, true, r, g, b, kAlphaLimit))
            return false;
        m_delayMs.back() = set->getDelay(i);
        m_disposal.back() = 1;
        previous = std::move(full);
    }
    return true;
}

// -- writing --

bool Gif::writeTo(io::IOutputStream* out) const {
    if (!out)
        return false;
    bool ok = true;
    auto put = [&](const void* data, u64 bytes) {
        if (ok)
            ok = detail::writeAll(out, data, bytes);
    };
    bool anyTransparency = false;
    for (i32 index : m_transparentIndex)
        anyTransparency |= index != -1;

    u8 header[13] = {'G', 'I', 'F', '8', '9', 'a'};
    if (m_frames.empty() && !anyTransparency)
        header[4] = '7';
    if (!m_frames.empty()) {
        const u32 bits = static_cast<u32>(m_frames[0]->getBitCount());
        putU16(header + 6, static_cast<u32>(m_frames[0]->getWidth()));
        putU16(header + 8, static_cast<u32>(m_frames[0]->getHeight()));
        header[10] = static_cast<u8>((bits - 1) | (bits - 1) << 4); // no global table
    }
    put(header, sizeof header);

    if (!m_frames.empty()) {
        u8 netscape[19] = {kExtension, kApplication, 11};
        std::memcpy(netscape + 3, kNetscape, 11);
        netscape[14] = 3;
        netscape[15] = 1;
        putU16(netscape + 16, m_loopCount);
        netscape[18] = 0;
        put(netscape, sizeof netscape);
    }

    for (size_t i = 0; i < m_frames.size() && ok; ++i) {
        const Bitmap* frame = m_frames[i];
        if (frame->getWidth() > kMaxSide || frame->getHeight() > kMaxSide || frame->getBitCount() > 8)
            return false; // a size or depth the file cannot say
        const i32 transparent = m_transparentIndex[i];
        u8 gce[8] = {kExtension, kGraphicControl, 4};
        gce[3] = static_cast<u8>((transparent != -1 ? 1 : 0) | (m_disposal[i] & 7) << 2);
        putU16(gce + 4, static_cast<u32>(std::clamp(m_delayMs[i] / 10, 0, 0xFFFF)));
        gce[6] = static_cast<u8>(transparent);
        gce[7] = 0;
        put(gce, sizeof gce);

        const i32 bits = frame->getBitCount();
        u8 descriptor[10] = {kImageSeparator};
        putU16(descriptor + 5, static_cast<u32>(frame->getWidth()));
        putU16(descriptor + 7, static_cast<u32>(frame->getHeight()));
        descriptor[9] = static_cast<u8>(0x80 | (bits - 1)); // local table, not interlaced
        put(descriptor, sizeof descriptor);

        u8 table[256 * 3];
        const i32 count = 1 << bits;
        for (i32 c = 0; c < count; ++c) {
            const u32 entry = frame->getColourTable()[c];
            table[3 * c] = static_cast<u8>(redOf(entry));
            table[3 * c + 1] = static_cast<u8>(greenOf(entry));
            table[3 * c + 2] = static_cast<u8>(blueOf(entry));
        }
        put(table, static_cast<u64>(count) * 3);

        const u8 codeSize = static_cast<u8>(std::max(bits, 2));
        put(&codeSize, 1);
        if (ok && frame->getWidth() > 0 && frame->getHeight() > 0)
            ok = m_lzw.encode(out, codeSize, frame->getRow(0), -static_cast<i64>(frame->getStride()),
                              frame->getWidth(), frame->getHeight());
        const u8 terminator = 0;
        put(&terminator, 1);
    }
    put(&kTrailer, 1);
    if (ok)
        ok = out->flush();
    return ok;
}

// -- reading --

bool Gif::readFrom(io::IInputStream* in) {
    reset();
    if (!in)
        return false;
    const i64 available = detail::bytesLeft(in);
    u8 header[13];
    if (!detail::readExactly(in, header, sizeof header) || std::memcmp(header, "GIF", 3) != 0 ||
        (std::memcmp(header + 3, "87a", 3) != 0 && std::memcmp(header + 3, "89a", 3) != 0))
        return false;
    i32 screenWidth = getU16(header + 6);
    i32 screenHeight = getU16(header + 8);
    u8 globalTable[256 * 3] = {};
    i32 globalCount = 0;
    if (header[10] & 0x80) {
        globalCount = 2 << (header[10] & 7);
        if (!detail::readExactly(in, globalTable, static_cast<u64>(globalCount) * 3))
            return false;
    }

    i32 pendingTransparent = -1, pendingDelay = 0, pendingDisposal = 0;
    bool sized = false;
    i64 pixelsHeld = 0;
    std::vector<u8> data;
    std::vector<u8> indices;
    std::vector<i32> lines;
    for (;;) {
        u8 kind = 0;
        if (!detail::readExactly(in, &kind, 1))
            return false;
        if (kind == kTrailer)
            return !m_frames.empty();
        if (kind == kExtension) {
            u8 label = 0;
            if (!detail::readExactly(in, &label, 1))
                return false;
            data.clear();
            if (!readSubBlocks(in, &data))
                return false;
            if (label == kGraphicControl && data.size() >= 4) {
                pendingDisposal = (data[0] >> 2) & 7;
                pendingDelay = getU16(data.data() + 1) * 10;
                pendingTransparent = (data[0] & 1) ? data[3] : -1;
            } else if (label == kApplication && data.size() >= 14 &&
                       std::memcmp(data.data(), kNetscape, 11) == 0 && data[11] == 1) {
                // The sub-blocks are joined: 11 name bytes, then 1, loop count.
                m_loopCount = getU16(data.data() + 12);
            }
            continue;
        }
        if (kind != kImageSeparator)
            return false;

        u8 descriptor[9];
        if (!detail::readExactly(in, descriptor, sizeof descriptor))
            return false;
        const i32 left = getU16(descriptor), top = getU16(descriptor + 2);
        const i32 width = getU16(descriptor + 4), height = getU16(descriptor + 6);
        const u8 packed = descriptor[8];
        u8 table[256 * 3] = {};
        i32 tableCount = globalCount;
        if (packed & 0x80) {
            tableCount = 2 << (packed & 7);
            if (!detail::readExactly(in, table, static_cast<u64>(tableCount) * 3))
                return false;
        } else {
            std::memcpy(table, globalTable, sizeof table);
        }
        u8 codeSize = 0;
        if (!detail::readExactly(in, &codeSize, 1))
            return false;
        data.clear();
        const bool complete = readSubBlocks(in, &data);

        if (!sized) {
            // Some writers leave the screen 0 x 0 or smaller than the image.
            // The screen grows to hold the first image, but never past what
            // the format's 16-bit sizes can say.
            screenWidth = std::min(std::max(screenWidth, left + width), kMaxSide);
            screenHeight = std::min(std::max(screenHeight, top + height), kMaxSide);
            sized = true;
        }
        const i64 area = static_cast<i64>(screenWidth) * screenHeight;
        if (area == 0 || pixelsHeld + area > kMaxPixels ||
            !detail::couldHold(available, area, kMaxPixelsPerByte))
            return false;
        thread::Pooled<Bitmap> frame = thread::makePooled<Bitmap>();
        if (!frame->create(screenWidth, screenHeight, 8))
            return false;
        pixelsHeld += area;
        u32* colours = frame->getColourTable();
        for (i32 c = 0; c < tableCount; ++c)
            colours[c] = packColour(table[3 * c], table[3 * c + 1], table[3 * c + 2]);
        const u8 around = static_cast<u8>(pendingTransparent >= 0 ? pendingTransparent : 0);
        std::memset(frame->getPixels(), around, static_cast<size_t>(frame->getPixelBytes()));

        // A code of at least 2 bits stands for at most 4096 pixels: indices
        // beyond what the data can reach are not worth memory.
        const size_t count = std::min(static_cast<size_t>(width) * height, (data.size() + 1) * 4 * 4096);
        indices.assign(count, around);
        GifLzw::decode(data.data(), data.size(), codeSize, indices.data(), count);
        // Interlaced rows come in four passes: every 8th from 0, every 8th
        // from 4, every 4th from 2, every 2nd from 1.
        lines.clear();
        if (packed & 0x40) {
            static constexpr i32 kPassStart[4] = {0, 4, 2, 1};
            static constexpr i32 kPassStep[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (i32 line = kPassStart[pass]; line < height; line += kPassStep[pass])
                    lines.push_back(line);
        } else {
            for (i32 line = 0; line < height; ++line)
                lines.push_back(line);
        }
        const i32 span = std::min(width, screenWidth - left);
        for (i32 row = 0; row < height && span > 0 && static_cast<size_t>(row) * width < count; ++row) {
            const i32 screenY = top + lines[static_cast<size_t>(row)];
            const size_t start = static_cast<size_t>(row) * width;
            if (screenY < screenHeight)
                std::memcpy(frame->getRow(screenY) + left, indices.data() + start,
                            std::min(static_cast<size_t>(span), count - start));
        }

        m_frames.push_back(frame.release());
        m_transparentIndex.push_back(pendingTransparent);
        m_delayMs.push_back(pendingDelay);
        m_disposal.push_back(pendingDisposal);
        pendingTransparent = -1;
        pendingDelay = 0;
        pendingDisposal = 0;
        if (!complete)
            return false;
    }
}

// -- buffers --

BufferedImage* Gif::frameToBuffer(u32 index, BufferedImage* reuse) const {
    BufferedImage* image = reuse ? reuse : BufferedImage::create();
    const Bitmap* frame = getFrame(index);
    if (!frame || frame->getWidth() <= 0 || frame->getHeight() <= 0 ||
        !image->prepare(frame->getWidth(), frame->getHeight())) {
        if (reuse)
            reuse->prepare(0, 0);
        else
            image->release();
        return nullptr;
    }
    const i32 transparent = m_transparentIndex[index];
    const u32* colours = frame->getColourTable();
    bool anyTransparent = false;
    for (i32 y = 0; y < frame->getHeight(); ++y) {
        const u8* in = frame->getRow(y);
        Pixel* out = image->getRow(y);
        for (i32 x = 0; x < frame->getWidth(); ++x) {
            const bool clear = in[x] == transparent;
            out[x] = colourOf(colours[in[x]]) | (clear ? 0 : 0xFF000000u);
            anyTransparent |= clear;
        }
    }
    image->setHasAlpha(anyTransparent);
    return image;
}

BufferedImage* Gif::toBufferedImage(BufferedImage* reuse) const {
    return frameToBuffer(0, reuse);
}

BufferedImageSet* Gif::toBufferedImageSet() const {
    BufferedImageSet* set = BufferedImageSet::create();
    for (u32 i = 0; i < m_frames.size(); ++i) {
        if (BufferedImage* image = frameToBuffer(i, nullptr))
            set->add(image, 8, m_delayMs[i], m_disposal[i] == 1 ? 1 : 0);
    }
    set->setAnimated(m_frames.size() > 1);
    set->setLoopCount(m_loopCount);
    return set;
}

IEncodedImage* Gif::encodeLike(BufferedImage* image) const {
    Gif* gif = Gif::create();
    if (!gif->convertFrom(image, 8, true, 255, 255, 255, kAlphaLimit)) {
        gif->release();
        return nullptr;
    }
    return gif;
}

} // namespace s::image::gif::win
