// GIF files written by us: their byte layout, their LZW code stream read
// with an independent code-width tracker, and their pixels as the ffmpeg
// tool decodes them; files of other writers read by us.

#include "image/gif/win/Gif.h"
#include "image/filters/reduction/Quantizer.h"
#include "image/gif/win/GifLzw.h"
#include "image/win/BufferedImageSet.h"
#include "support/TempDir.h"
#include "tests/image/CodecTestUtil.h"

#include <gtest/gtest.h>

#include <set>

using namespace s;
using namespace s::test::image;
using s::image::packPixel;
using s::image::gif::win::Gif;
using s::image::gif::win::GifLzw;
using s::thread::makePooled;

namespace {

/// A GIF file taken apart block by block, trusting nothing but the format.
struct GifWalk {
    struct Extension {
        u8 label;
        std::vector<u8> data; // sub-blocks joined
    };
    struct Image {
        std::vector<u8> descriptor; // the 9 bytes after 0x2C
        std::vector<u8> table;
        int minCodeSize = 0;
        std::vector<size_t> blockSizes;
        std::vector<u8> data;
    };
    std::vector<u8> header; // 13 bytes
    std::vector<Extension> extensions;
    std::vector<Image> images;
    bool trailer = false;
    size_t end = 0;
};

GifWalk walk(const std::vector<u8>& b) {
    GifWalk w;
    if (b.size() < 13)
        return w;
    w.header.assign(b.begin(), b.begin() + 13);
    size_t at = 13;
    if (b[10] & 0x80)
        at += 3u << ((b[10] & 7) + 1);
    auto subBlocks = [&](std::vector<u8>& data, std::vector<size_t>* sizes) {
        while (at < b.size() && b[at] != 0) {
            size_t n = b[at];
            if (sizes)
                sizes->push_back(n);
            data.insert(data.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 1),
                        b.begin() + static_cast<std::ptrdiff_t>(std::min(b.size(), at + 1 + n)));
            at += 1 + n;
        }
        ++at;
    };
    while (at < b.size()) {
        u8 kind = b[at++];
        if (kind == 0x3B) {
            w.trailer = true;
            w.end = at;
            break;
        }
        if (kind == 0x21) {
            GifWalk::Extension e{b[at++], {}};
            subBlocks(e.data, nullptr);
            w.extensions.push_back(e);
        } else if (kind == 0x2C) {
            GifWalk::Image image;
            image.descriptor.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                                    b.begin() + static_cast<std::ptrdiff_t>(at + 9));
            at += 9;
            if (image.descriptor[8] & 0x80) {
                size_t n = 3u << ((image.descriptor[8] & 7) + 1);
                image.table.assign(b.begin() + static_cast<std::ptrdiff_t>(at),
                                   b.begin() + static_cast<std::ptrdiff_t>(at + n));
                at += n;
            }
            image.minCodeSize = b[at++];
            subBlocks(image.data, &image.blockSizes);
            w.images.push_back(image);
        } else {
            break;
        }
    }
    return w;
}

/// The codes of an LZW stream with the width each was read at, tracked as a
/// decoder does: one new entry per code after the first since a clear, one
/// bit more when the next entry needs it, at most 12.
struct CodeStream {
    std::vector<int> codes;
    std::vector<int> widths;
    size_t bitsLeft = 0; // after the end code
};

CodeStream readCodes(const std::vector<u8>& data, int minCodeSize) {
    CodeStream s;
    const int clear = 1 << minCodeSize, eoi = clear + 1;
    int width = minCodeSize + 1, next = clear + 2;
    bool first = true;
    size_t bit = 0;
    while (bit + static_cast<size_t>(width) <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= ((data[bit >> 3] >> (bit & 7)) & 1) << i;
        s.codes.push_back(code);
        s.widths.push_back(width);
        if (code == clear) {
            width = minCodeSize + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (code == eoi)
            break;
        if (!first && next < 4096) {
            ++next;
            if (next == (1 << width) && width < 12)
                ++width;
        }
        first = false;
    }
    s.bitsLeft = data.size() * 8 - bit;
    return s;
}

std::vector<u8> gifBytes(BufferedImage* image, int bpp = 8, bool keep = true, int r = 255, int g = 255,
                         int b = 255) {
    return encodeWith([&](io::IOutputStream* out) { return image->writeGif(out, bpp, keep, r, g, b); });
}

Pooled<Gif> readGif(const std::vector<u8>& bytes, bool* ok = nullptr) {
    auto gif = makePooled<Gif>();
    auto in = arrayOf(bytes);
    bool result = gif->readFrom(in.get());
    if (ok)
        *ok = result;
    return gif;
}

std::vector<Pixel> decodedByUs(const std::vector<u8>& bytes) {
    auto gif = readGif(bytes);
    Pooled<BufferedImage> image(gif->toBufferedImage(nullptr));
    return image ? pixelsOf(*image) : std::vector<Pixel>{};
}

/// Pixels with alpha 0 compared by alpha only: a decoder may give them any colour.
std::vector<Pixel> clearTransparent(std::vector<Pixel> pixels) {
    for (Pixel& p : pixels)
        if (s::image::alphaOf(p) == 0)
            p = 0;
    return pixels;
}

/// w x h pixels drawn from `colours` distinct colours in a scrambled order.
std::vector<Pixel> scrambled(int w, int h, u32 colours, u64 seed) {
    std::vector<Pixel> out;
    for (int i = 0; i < w * h; ++i) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        u32 c = static_cast<u32>(seed >> 33) % colours;
        out.push_back(packPixel(255, (c * 37) & 0xFF, (c * 91) & 0xFF, c & 0xFF));
    }
    return out;
}

} // namespace

TEST(GifRoundTrip, FfmpegSeesThePalettePixelsOfAFrame) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    auto frame = ffmpegFrame(dir.path(), 320, 240);
    ASSERT_TRUE(frame);
    auto few = makeImage(61, 37, scrambled(61, 37, 200, 7)); // fewer colours than the palette
    auto alpha = makeImage(37, 23, pattern(37, 23, true), true);
    std::vector<std::string> paths;
    for (auto [name, image, bpp] :
         {std::tuple{"frame8", frame.get(), 8}, std::tuple{"frame4", frame.get(), 4},
          std::tuple{"few", few.get(), 8}, std::tuple{"alpha", alpha.get(), 8}}) {
        paths.push_back(dir.file(std::string(name) + ".gif"));
        ASSERT_TRUE(image->saveGif(paths.back().c_str(), bpp, true, 255, 255, 255));
    }
    std::vector<std::vector<Pixel>> byFfmpeg = ffmpegDecode(paths);
    ASSERT_EQ(byFfmpeg.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        const std::vector<u8> bytes = fileBytes(paths[i]);
        // The only error is the palette's: every pixel is the table entry
        // the quantizer chose for it.
        EXPECT_EQ(clearTransparent(byFfmpeg[i]), clearTransparent(decodedByUs(bytes)));
    }
    const std::vector<Pixel> original = pixelsOf(*frame);
    const double at256 = psnr(byFfmpeg[0], original), at16 = psnr(byFfmpeg[1], original);
    std::printf("GIF PSNR of a 320x240 frame: 255 colours %.2f dB, 15 colours %.2f dB\n", at256, at16);
    EXPECT_GT(at256, 28.0);
    EXPECT_GT(at16, 18.0);
    EXPECT_GT(at256, at16);
    // Fewer colours than the palette holds come back exactly.
    EXPECT_EQ(byFfmpeg[2], pixelsOf(*few));
    std::set<u32> used4;
    for (Pixel p : byFfmpeg[1])
        used4.insert(p);
    EXPECT_LE(used4.size(), 15u);
    // Transparency: alpha below 96 is transparent, the rest opaque colour.
    const std::vector<Pixel> source = pixelsOf(*alpha);
    for (size_t p = 0; p < source.size(); ++p)
        ASSERT_EQ(s::image::alphaOf(byFfmpeg[3][p]), s::image::alphaOf(source[p]) < 96 ? 0u : 255u) << p;
}

TEST(GifLayout, HeaderScreenLoopBlockControlDescriptorAndCodeSize) {
    auto image = makeImage(300, 2, scrambled(300, 2, 50, 3));
    for (int bpp : {8, 4}) {
        SCOPED_TRACE(bpp);
        const std::vector<u8> b = gifBytes(image.get(), bpp);
        GifWalk w = walk(b);
        ASSERT_EQ(w.header.size(), 13u);
        EXPECT_EQ(std::string(w.header.begin(), w.header.begin() + 6), "GIF89a");
        EXPECT_EQ(le16(b, 6), 300);
        EXPECT_EQ(le16(b, 8), 2);
        EXPECT_EQ(b[10], 0x77) << "8-bit colour resolution, no global table";
        EXPECT_EQ(b[11], 0);
        EXPECT_EQ(b[12], 0);
        ASSERT_EQ(w.extensions.size(), 2u);
        EXPECT_EQ(w.extensions[0].label, 0xFF);
        EXPECT_EQ(w.extensions[0].data,
                  (std::vector<u8>{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 1, 1, 0}));
        EXPECT_EQ(std::vector<u8>(b.begin() + 13, b.begin() + 16), (std::vector<u8>{0x21, 0xFF, 11}));
        EXPECT_EQ(w.extensions[1].label, 0xF9);
        EXPECT_EQ(w.extensions[1].data, (std::vector<u8>{0, 0, 0, 0xFF})) << "no transparency, no delay";
        ASSERT_EQ(w.images.size(), 1u);
        const GifWalk::Image& frame = w.images[0];
        EXPECT_EQ(frame.descriptor, (std::vector<u8>{0, 0, 0, 0, 44, 1, 2, 0, 0x87}));
        EXPECT_EQ(frame.table.size(), 768u) << "a full table, also for 16 colours";
        EXPECT_EQ(frame.minCodeSize, 8);
        EXPECT_TRUE(w.trailer);
        EXPECT_EQ(w.end, b.size());
    }
    // With transparency: flag 1 and the last index.
    auto alpha = makeImage(4, 1, {0x00FFFFFF, 0xFF102030, 0x5F405060, 0x60708090}, true);
    for (int bpp : {8, 4}) {
        GifWalk w = walk(gifBytes(alpha.get(), bpp));
        ASSERT_EQ(w.extensions.size(), 2u);
        EXPECT_EQ(w.extensions[1].data, (std::vector<u8>{1, 0, 0, static_cast<u8>(bpp == 8 ? 255 : 15)}));
    }
}

TEST(GifPalette, OneColourGivesOneEntryAndIndexZero) {
    auto image = makeImage(20, 10, std::vector<Pixel>(200, 0xFF336699));
    const std::vector<u8> b = gifBytes(image.get());
    auto gif = readGif(b);
    ASSERT_EQ(gif->getImageCount(), 1u);
    const auto* frame = gif->getFrame(0);
    EXPECT_EQ(frame->getColourTable()[0], 0x336699u);
    for (int c = 1; c < 256; ++c)
        ASSERT_EQ(frame->getColourTable()[c], 0u) << c;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(frame->getRow(y)[x], 0) << x << "," << y;
    // The same from the file bytes directly.
    GifWalk w = walk(b);
    ASSERT_EQ(w.images.size(), 1u);
    EXPECT_EQ(std::vector<u8>(w.images[0].table.begin(), w.images[0].table.begin() + 3),
              (std::vector<u8>{0x33, 0x66, 0x99}));
    EXPECT_EQ(std::count(w.images[0].table.begin() + 3, w.images[0].table.end(), 0), 765);
}

TEST(GifPalette, ThreeHundredColoursUseAtMost255IndicesAndNeverTheTransparentOne) {
    auto image = makeImage(30, 10, scrambled(30, 10, 300, 21));
    for (int bpp : {8, 4}) {
        auto gif = readGif(gifBytes(image.get(), bpp));
        ASSERT_EQ(gif->getImageCount(), 1u);
        EXPECT_EQ(gif->getTransparentIndex(0), -1);
        std::set<int> used;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 30; ++x)
                used.insert(gif->getFrame(0)->getRow(y)[x]);
        const int reserved = bpp == 8 ? 255 : 15;
        EXPECT_LE(used.size(), static_cast<size_t>(reserved));
        EXPECT_LT(*used.rbegin(), reserved) << "the index kept for transparency stays unused";
    }
}

TEST(GifTransparency, AlphaNinetyFiveIsTransparentAndNinetySixIsNot) {
    auto image = makeImage(3, 1, {0x5F102030, 0x60102030, 0x00FF0000}, true);
    const std::vector<Pixel> before = pixelsOf(*image);
    auto gif = readGif(gifBytes(image.get(), 8, true, 1, 2, 3));
    EXPECT_EQ(pixelsOf(*image), before) << "encoding changed the source";
    ASSERT_EQ(gif->getTransparentIndex(0), 255);
    const u8* row = gif->getFrame(0)->getRow(0);
    EXPECT_EQ(row[0], 255);
    EXPECT_NE(row[1], 255);
    EXPECT_EQ(row[2], 255);
    EXPECT_EQ(gif->getFrame(0)->getColourTable()[row[1]], 0x102030u);
    // Without keeping transparency everything is blended onto the background.
    auto flat = readGif(gifBytes(image.get(), 8, false, 0, 0, 255));
    EXPECT_EQ(flat->getTransparentIndex(0), -1);
    Pooled<BufferedImage> decoded(flat->toBufferedImage(nullptr));
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->hasAlpha());
    EXPECT_EQ(decoded->getRow(0)[2], 0xFF0000FFu) << "transparent red shows the blue background";
}

TEST(GifLzwCoder, AFullTableIsClearedAndCodesShrinkBackToNineBits) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    // 255 colours scrambled: hardly a string repeats, so the table fills
    // over and over.
    const int w = 211, h = 197;
    auto image = makeImage(w, h, scrambled(w, h, 255, 11));
    const std::vector<u8> b = gifBytes(image.get());
    GifWalk walked = walk(b);
    ASSERT_EQ(walked.images.size(), 1u);
    const GifWalk::Image& frame = walked.images[0];
    // Sub-blocks: 254 bytes each but the last.
    ASSERT_GT(frame.blockSizes.size(), 2u);
    for (size_t i = 0; i + 1 < frame.blockSizes.size(); ++i)
        ASSERT_EQ(frame.blockSizes[i], 254u) << i;
    EXPECT_GE(frame.blockSizes.back(), 1u);
    EXPECT_LE(frame.blockSizes.back(), 254u);

    CodeStream codes = readCodes(frame.data, 8);
    ASSERT_GE(codes.codes.size(), 2u);
    EXPECT_EQ(codes.codes.front(), 256) << "starts with a clear code";
    EXPECT_EQ(codes.codes.back(), 257) << "ends with the end code";
    EXPECT_LT(codes.bitsLeft, 8u) << "nothing after the end code but padding";
    int clears = 0, twelveBit = 0;
    for (size_t i = 1; i < codes.codes.size(); ++i) {
        if (codes.codes[i] == 256) {
            ++clears;
            EXPECT_EQ(codes.widths[i], 12) << "the table was full";
            ASSERT_LT(i + 1, codes.codes.size());
            EXPECT_EQ(codes.widths[i + 1], 9) << "back to the initial width";
        }
        twelveBit += codes.widths[i] == 12;
    }
    EXPECT_GE(clears, 3);
    EXPECT_GT(twelveBit, 0);
    // Every pixel, as an independent decoder sees it.
    s::test::TempDir dir;
    const std::string path = dir.file("noise.gif");
    writeBytes(path, b);
    std::vector<std::vector<Pixel>> decoded = ffmpegDecode({path});
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0], pixelsOf(*image));
    EXPECT_EQ(decodedByUs(b), pixelsOf(*image));
}

TEST(GifLzwCoder, ShortAndLongRunsDecodeBack) {
    // One pixel; a run of one index long enough to grow every code width;
    // two indices alternating.
    for (auto [w, h] : {std::pair{1, 1}, std::pair{5000, 3}, std::pair{2, 1}, std::pair{17, 33}}) {
        std::vector<u8> indices(static_cast<size_t>(w) * h);
        for (size_t i = 0; i < indices.size(); ++i)
            indices[i] = w == 17 ? static_cast<u8>(i % 2 * 200) : 7;
        auto out = makePooled<col::_array::ArrayU08>();
        GifLzw lzw;
        ASSERT_TRUE(lzw.encode(out.get(), 8, indices.data(), w, w, h));
        // Strip the sub-block counts.
        std::vector<u8> packed = bytesOf(*out), data;
        for (size_t at = 0; at < packed.size(); at += 1 + packed[at])
            data.insert(data.end(), packed.begin() + static_cast<std::ptrdiff_t>(at + 1),
                        packed.begin() + static_cast<std::ptrdiff_t>(at + 1 + packed[at]));
        std::vector<u8> back(indices.size() + 10, 0xEE);
        EXPECT_EQ(GifLzw::decode(data.data(), data.size(), 8, back.data(), back.size()), indices.size()) << w;
        back.resize(indices.size());
        EXPECT_EQ(back, indices) << w;
    }
}

TEST(GifRead, InterlacedRowsAndAnotherWritersAnimation) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    // An interlaced file made by hand from our own frame: the rows go in the
    // four-pass order and the descriptor says so.
    const int w = 23, h = 19;
    auto image = makeImage(w, h, scrambled(w, h, 40, 5));
    std::vector<u8> plain = gifBytes(image.get());
    auto gif = readGif(plain);
    const auto* frame = gif->getFrame(0);
    std::vector<u8> rows;
    for (auto [start, step] : {std::pair{0, 8}, std::pair{4, 8}, std::pair{2, 4}, std::pair{1, 2}})
        for (int y = start; y < h; y += step)
            rows.insert(rows.end(), frame->getRow(y), frame->getRow(y) + w);
    std::vector<u8> interlaced(plain.begin(), plain.begin() + 13 + 19 + 8);
    std::vector<u8> descriptor = {0x2C, 0, 0, 0, 0, static_cast<u8>(w), 0, static_cast<u8>(h), 0, 0xC7};
    interlaced.insert(interlaced.end(), descriptor.begin(), descriptor.end());
    GifWalk walked = walk(plain);
    interlaced.insert(interlaced.end(), walked.images[0].table.begin(), walked.images[0].table.end());
    interlaced.push_back(8);
    auto data = makePooled<col::_array::ArrayU08>();
    GifLzw lzw;
    ASSERT_TRUE(lzw.encode(data.get(), 8, rows.data(), w, w, h));
    std::vector<u8> lzwBytes = bytesOf(*data);
    interlaced.insert(interlaced.end(), lzwBytes.begin(), lzwBytes.end());
    interlaced.push_back(0);
    interlaced.push_back(0x3B);
    const std::string path = dir.file("interlaced.gif");
    writeBytes(path, interlaced);

    // An animation of ffmpeg's own GIF writer: later frames are small
    // rectangles at an offset with transparency.
    const std::string anim = dir.file("anim.gif");
    int status = -1;
    runCapture("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=64x48:rate=10 -frames:v 3 '" + anim +
                   "' 2>&1",
               &status);
    ASSERT_EQ(status, 0);
    std::vector<std::vector<Pixel>> decoded = ffmpegDecode({path, anim});
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_EQ(decoded[0], pixelsOf(*image));
    EXPECT_EQ(decodedByUs(interlaced), pixelsOf(*image));

    bool ok = false;
    auto animation = readGif(fileBytes(anim), &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(animation->getImageCount(), 3u);
    EXPECT_EQ(animation->getWidth(), 64);
    EXPECT_EQ(animation->getHeight(), 48);
    EXPECT_EQ(animation->getDelay(1), 100);
    Pooled<BufferedImage> first(animation->toBufferedImage(nullptr));
    ASSERT_TRUE(first);
    ASSERT_GE(decoded[1].size(), 64u * 48u);
    EXPECT_EQ(pixelsOf(*first), std::vector<Pixel>(decoded[1].begin(), decoded[1].begin() + 64 * 48));
}

TEST(GifRead, TruncatedFilesKeepTheFramesThatCame) {
    auto image = makeImage(50, 40, scrambled(50, 40, 100, 9));
    const std::vector<u8> b = gifBytes(image.get());
    bool ok = true;
    // Cut inside the image data: one frame, partly decoded, and "incomplete".
    std::vector<u8> cut(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(b.size() - 200));
    auto gif = readGif(cut, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(gif->getImageCount(), 1u);
    const std::vector<Pixel> want = pixelsOf(*image);
    Pooled<BufferedImage> got(gif->toBufferedImage(nullptr));
    ASSERT_TRUE(got);
    const std::vector<Pixel> partial = pixelsOf(*got);
    EXPECT_EQ(std::vector<Pixel>(partial.begin(), partial.begin() + 50 * 10),
              std::vector<Pixel>(want.begin(), want.begin() + 50 * 10));
    // Cut in the header: nothing.
    auto none = readGif(std::vector<u8>(b.begin(), b.begin() + 10), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(none->getImageCount(), 0u);
}

TEST(GifWrite, FailedWritesAndEmptyPicturesAreReported) {
    auto image = makeImage(120, 90, scrambled(120, 90, 255, 1));
    const std::vector<u8> b = gifBytes(image.get());
    for (size_t limit : {size_t{0}, size_t{13}, size_t{800}, b.size() / 2, b.size() - 1}) {
        FailingStream out(limit);
        EXPECT_FALSE(image->writeGif(&out, 8, true, 0, 0, 0)) << limit;
    }
    FailingStream roomy(b.size());
    EXPECT_TRUE(image->writeGif(&roomy, 8, true, 0, 0, 0));
    auto empty = makePooled<BufferedImage>();
    auto out = makePooled<col::_array::ArrayU08>();
    EXPECT_FALSE(empty->writeGif(out.get(), 8, true, 0, 0, 0));
    EXPECT_FALSE(image->writeGif(out.get(), 5, true, 0, 0, 0)) << "only 4 and 8 bits";
    EXPECT_EQ(out->size(), 0u);
}

TEST(GifAnimation, LaterFramesHoldOnlyWhatChanged) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    auto set = makePooled<s::image::win::BufferedImageSet>();
    auto a = makeImage(16, 8, std::vector<Pixel>(128, 0xFF0000FF));
    std::vector<Pixel> changed(128, 0xFF0000FF);
    for (int x = 4; x < 8; ++x)
        changed[static_cast<size_t>(16 * 3 + x)] = 0xFFFF0000;
    auto b = makeImage(16, 8, changed);
    set->add(a.release(), 32, 200, 0);
    set->add(b.release(), 32, 300, 0);
    set->setAnimated(true);
    set->setLoopCount(0);
    auto gif = makePooled<Gif>();
    ASSERT_TRUE(gif->convertFromSet(set.get(), 8, true, 255, 255, 255));
    ASSERT_EQ(gif->getImageCount(), 2u);
    EXPECT_EQ(gif->getBlendMode(1), 1);
    EXPECT_EQ(gif->getDelay(1), 300);
    const auto* second = gif->getFrame(1);
    EXPECT_EQ(second->getRow(0)[0], gif->getTransparentIndex(1)) << "unchanged pixels are transparent";
    EXPECT_NE(second->getRow(3)[5], gif->getTransparentIndex(1));
    const std::vector<u8> bytes = encodeWith([&](io::IOutputStream* out) { return gif->writeTo(out); });
    s::test::TempDir dir;
    const std::string path = dir.file("anim.gif");
    writeBytes(path, bytes);
    // ffmpeg plays it: its second picture is the changed one.
    int status = -1;
    runCapture("ffmpeg -nostdin -v error -y -i '" + path +
                   "' -vf select='eq(n\\,1)' -frames:v 1 -f rawvideo "
                   "-pix_fmt bgra '" +
                   path + ".raw' 2>&1",
               &status);
    ASSERT_EQ(status, 0);
    std::vector<u8> raw = fileBytes(path + ".raw");
    ASSERT_EQ(raw.size(), 16u * 8 * 4);
    std::vector<Pixel> shown(128);
    std::memcpy(shown.data(), raw.data(), raw.size());
    EXPECT_EQ(shown, changed);
}
