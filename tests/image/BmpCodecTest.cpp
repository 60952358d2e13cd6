#include "image/bmp/win/Bitmap.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"
#include "support/TempDir.h"
#include "tests/image/ImageTestUtil.h"

#include <gtest/gtest.h>

using namespace s;
using namespace s::test::image;
using s::image::packPixel;
using s::image::bmp::win::InfoHeader;
using s::thread::makePooled;

namespace {

Pooled<Bitmap> readBmp(const std::vector<u8>& bytes, bool* ok = nullptr) {
    Pooled<Bitmap> bitmap = makePooled<Bitmap>();
    auto in = arrayOf(bytes);
    bool result = bitmap->readFrom(in.get());
    if (ok)
        *ok = result;
    return bitmap;
}

std::vector<Pixel> decoded(const Bitmap& bitmap) {
    Pooled<BufferedImage> image(bitmap.toBufferedImage(nullptr));
    return image ? pixelsOf(*image) : std::vector<Pixel>{};
}

std::vector<u8> writeImage(BufferedImage* image, int bpp, bool keep = false, int r = 255, int g = 255,
                           int b = 255) {
    Pooled<col::_array::ArrayU08> out(col::_array::ArrayU08::create());
    EXPECT_TRUE(image->writeBmp(out.get(), bpp, keep, r, g, b));
    return bytesOf(*out);
}

// A hand-made BMP file: headers of `infoSize` bytes, `gap` junk bytes before
// the pixels, which are given bottom row first.
std::vector<u8> handMade(int w, int h, int bpp, u32 infoSize, u32 compression,
                         const std::vector<u8>& afterHeader, size_t gap, const std::vector<u8>& pixels) {
    std::vector<u8> b(14 + infoSize, 0);
    b[0] = 'B';
    b[1] = 'M';
    u32 offBits = static_cast<u32>(14 + infoSize + afterHeader.size() + gap);
    put32(b, 2, static_cast<u32>(offBits + pixels.size()));
    put32(b, 10, offBits);
    put32(b, 14, infoSize);
    put32(b, 18, static_cast<u32>(w));
    put32(b, 22, static_cast<u32>(h));
    b[26] = 1;
    b[28] = static_cast<u8>(bpp);
    put32(b, 30, compression);
    b.insert(b.end(), afterHeader.begin(), afterHeader.end());
    b.insert(b.end(), gap, 0xEE);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

} // namespace

TEST(BmpLayout, TwentyFourBitThreeByTwoIsByteExact) {
    auto image = makeImage(3, 2, {0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0xFFDDEEFF, 0xFF010203});
    // clang-format off
    std::vector<u8> expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                  // file header
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,    // info header
        18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0xCC, 0xBB, 0xAA, 0xFF, 0xEE, 0xDD, 0x03, 0x02, 0x01, 0, 0, 0,   // bottom row, padded to 12
        0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x99, 0x88, 0x77, 0, 0, 0};  // top row
    // clang-format on
    EXPECT_EQ(writeImage(image.get(), 24), expected);
}

TEST(BmpLayout, SixteenColoursPutPixelsAfterA64ByteTable) {
    auto image = makeImage(5, 1, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFF0000, 0xFF00FF00});
    std::vector<u8> bytes = writeImage(image.get(), 4);
    ASSERT_EQ(bytes.size(), 122u); // 54 + 64 + one row of 4 bytes
    EXPECT_EQ(le32(bytes, 2), 122u);
    EXPECT_EQ(le32(bytes, 10), 118u);
    EXPECT_EQ(le32(bytes, 34), 3u); // biSizeImage: 5 nibbles
    EXPECT_EQ(le32(bytes, 46), 16u);
    EXPECT_EQ(le32(bytes, 50), 16u);
    // High nibble first; the table entry of each index is the pixel's colour.
    auto entry = [&](unsigned index) { return le32(bytes, 54 + 4 * index); };
    unsigned i0 = bytes[118] >> 4, i1 = bytes[118] & 15, i2 = bytes[119] >> 4, i3 = bytes[119] & 15,
             i4 = bytes[120] >> 4;
    EXPECT_EQ(entry(i0), 0xFF0000u);
    EXPECT_EQ(entry(i1), 0x00FF00u);
    EXPECT_EQ(entry(i2), 0x0000FFu);
    EXPECT_EQ(i3, i0);
    EXPECT_EQ(i4, i1);
    EXPECT_EQ(bytes[120] & 15, 0);
    EXPECT_EQ(bytes[121], 0);
}

TEST(BmpLayout, CreateFillsTheHeaderOfEachDepth) {
    struct Case {
        int bpp;
        u32 sizeImage, colours, stride;
    } cases[] = {{1, 3, 2, 4}, {4, 11, 16, 4}, {8, 21, 256, 8}, {16, 42, 0, 16}, {32, 84, 0, 28}};
    for (const Case& c : cases) {
        auto bitmap = makePooled<Bitmap>();
        ASSERT_TRUE(bitmap->create(7, 3, c.bpp));
        EXPECT_EQ(bitmap->getInfoHeader().biSizeImage, c.sizeImage) << c.bpp;
        EXPECT_EQ(bitmap->getInfoHeader().biClrUsed, c.colours) << c.bpp;
        EXPECT_EQ(static_cast<u32>(bitmap->getStride()), c.stride) << c.bpp;
        EXPECT_EQ(bitmap->getFileHeader().bfOffBits, 54 + 4 * c.colours) << c.bpp;
        EXPECT_EQ(bitmap->getFileHeader().bfSize, 54 + 4 * c.colours + 3 * c.stride) << c.bpp;
        EXPECT_EQ(encode(*bitmap).size(), bitmap->getFileHeader().bfSize) << c.bpp;
    }
    auto bitmap = makePooled<Bitmap>();
    EXPECT_FALSE(bitmap->create(7, 3, 12));
    EXPECT_FALSE(bitmap->create(-1, 3, 24));
    EXPECT_FALSE(bitmap->create(1 << 16, 1 << 16, 32)); // refused, not allocated
    EXPECT_EQ(bitmap->getWidth(), 0);
}

TEST(BmpRead, PixelsStartAtOffBitsAfterALargerInfoHeader) {
    // 2 x 2 at 24 bits after a 124-byte header and 10 bytes of something else.
    std::vector<u8> pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    bool ok = false;
    auto bitmap = readBmp(handMade(2, 2, 24, 124, 0, {}, 10, pixels), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(decoded(*bitmap), (std::vector<Pixel>{0xFF090807, 0xFF0C0B0A, 0xFF030201, 0xFF060504}));
    // In memory the header is the plain 40-byte one again.
    std::vector<u8> rewritten = encode(*bitmap);
    EXPECT_EQ(le32(rewritten, 14), 40u);
    EXPECT_EQ(le32(rewritten, 10), 54u);
    EXPECT_EQ(std::vector<u8>(rewritten.begin() + 54, rewritten.end()), pixels);
}

TEST(BmpRead, TopDownRowsAndChannelMasks) {
    // 2 x 2 top-down, 16 bits 5-6-5 with the masks after a 40-byte header.
    std::vector<u8> masks(12);
    put32(masks, 0, 0xF800);
    put32(masks, 4, 0x07E0);
    put32(masks, 8, 0x001F);
    std::vector<u8> pixels = {0x00, 0xF8, 0xE0, 0x07,  // top: red, green
                              0x1F, 0x00, 0xFF, 0xFF}; // bottom: blue, white
    bool ok = false;
    auto bitmap = readBmp(handMade(2, -2, 16, 40, 3, masks, 0, pixels), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(bitmap->getHeight(), 2);
    EXPECT_EQ(decoded(*bitmap), (std::vector<Pixel>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));

    // 32 bits with the masks inside a 108-byte header: colour from the masks,
    // the fourth byte is not alpha.
    std::vector<u8> v4(108 - 40, 0);
    put32(v4, 0, 0x000000FF); // red in the low byte
    put32(v4, 4, 0x0000FF00);
    put32(v4, 8, 0x00FF0000);
    std::vector<u8> header = handMade(1, 1, 32, 108, 3, {}, 0, {0x11, 0x22, 0x33, 0x00});
    std::copy(v4.begin(), v4.end(), header.begin() + 54);
    bitmap = readBmp(header, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(decoded(*bitmap), std::vector<Pixel>{0xFF112233});
}

TEST(BmpRoundTrip, EveryDepthReadsBackWhatWasWritten) {
    // Sixteen colours, so that 4 and 8 bits must be exact too.
    std::vector<Pixel> few;
    for (int i = 0; i < 6 * 5; ++i)
        few.push_back(packPixel(255, (i % 4) * 80, ((i / 4) % 2) * 200, ((i / 8) % 2) * 255));
    for (int bpp : {4, 8, 24}) {
        auto image = makeImage(6, 5, few);
        auto bitmap = readBmp(writeImage(image.get(), bpp));
        EXPECT_EQ(bitmap->getBitCount(), bpp);
        EXPECT_EQ(decoded(*bitmap), few) << bpp;
    }
    // A picture without alpha whose alpha bytes are not all 0xFF (as some
    // decoders leave them) is opaque at every depth.
    std::vector<Pixel> stray;
    for (Pixel p : few)
        stray.push_back(p & 0x00FFFFFFu);
    for (int bpp : {4, 8, 24}) {
        auto image = makeImage(6, 5, stray, false);
        auto bitmap = readBmp(writeImage(image.get(), bpp));
        EXPECT_EQ(decoded(*bitmap), few) << bpp;
    }
    // 32 bits keeps alpha; fully transparent pixels take the background colour.
    std::vector<Pixel> alpha = pattern(9, 4, true);
    auto image = makeImage(9, 4, alpha, true);
    auto bitmap = readBmp(writeImage(image.get(), 32, true, 1, 2, 3));
    Pooled<BufferedImage> back(bitmap->toBufferedImage(nullptr));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->hasAlpha());
    for (Pixel& p : alpha)
        if ((p >> 24) == 0)
            p = 0x00010203;
    EXPECT_EQ(pixelsOf(*back), alpha);

    // The DIB form (no file header) reads back the same.
    Pooled<col::_array::ArrayU08> dib(col::_array::ArrayU08::create());
    ASSERT_TRUE(bitmap->writeDib(dib.get()));
    dib->rewind();
    auto again = makePooled<Bitmap>();
    ASSERT_TRUE(again->readDib(dib.get()));
    EXPECT_EQ(encode(*again), encode(*bitmap));
}

TEST(BmpTransparency, CompositingAndColourKeys) {
    // Against a background: transparent pixels become the background, a half
    // transparent red is mixed with it.
    auto image = makeImage(2, 1, {0x00FFFFFF, 0x80FF0000}, true);
    auto bitmap = readBmp(writeImage(image.get(), 24, false, 0, 0, 255));
    EXPECT_EQ(decoded(*bitmap), (std::vector<Pixel>{0xFF0000FF, 0xFF7F007F}));

    // A colour key makes its colour transparent when decoding.
    auto keyed = makePooled<Bitmap>();
    ASSERT_TRUE(keyed->create(2, 1, 24));
    keyed->getRow(0)[0] = 0xFC, keyed->getRow(0)[1] = 0xFD, keyed->getRow(0)[2] = 0xFE;
    keyed->setTransparentColour(0xFE, 0xFD, 0xFC);
    Pooled<BufferedImage> out(keyed->toBufferedImage(nullptr));
    EXPECT_TRUE(out->hasAlpha());
    EXPECT_EQ(pixelsOf(*out), (std::vector<Pixel>{0x00FEFDFC, 0xFF000000}));

    // A key that does not occur: opaque, no alpha flag, and into a reused
    // buffer that had one.
    keyed->setTransparentColour(1, 1, 1);
    Pooled<BufferedImage> reuse(image->copy(nullptr));
    ASSERT_EQ(keyed->toBufferedImage(reuse.get()), reuse.get());
    EXPECT_FALSE(reuse->hasAlpha());
    EXPECT_EQ(pixelsOf(*reuse), (std::vector<Pixel>{0xFFFEFDFC, 0xFF000000}));
}

TEST(BmpTransparency, AlphaOfPlain32BitPictures) {
    auto bitmap = makePooled<Bitmap>();
    ASSERT_TRUE(bitmap->create(2, 1, 32));
    auto* row = reinterpret_cast<u32*>(bitmap->getRow(0));
    row[0] = 0x00123456, row[1] = 0x00654321;
    Pooled<BufferedImage> image(bitmap->toBufferedImage(nullptr));
    EXPECT_FALSE(image->hasAlpha()); // all alpha bytes 0: no alpha channel
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0xFF123456, 0xFF654321}));

    row[1] = 0x80654321;
    image.reset(bitmap->toBufferedImage(nullptr));
    EXPECT_TRUE(image->hasAlpha());
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0x00123456, 0x80654321}));
}

TEST(BmpRead, TruncatedAndMisplacedDataIsNotTrusted) {
    auto image = makeImage(4, 3, pattern(4, 3, false));
    std::vector<u8> bytes = writeImage(image.get(), 24);

    // Cut inside the second row from the bottom: the picture is kept with the
    // rows that came; the rest is zero, and the read says it was incomplete.
    std::vector<u8> cut(bytes.begin(), bytes.begin() + 54 + 12 + 5);
    bool ok = true;
    auto bitmap = readBmp(cut, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(bitmap->getWidth(), 4);
    std::vector<Pixel> got = decoded(*bitmap);
    std::vector<Pixel> want = pixelsOf(*image);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(got[8 + x], want[8 + x]); // bottom row complete
    EXPECT_EQ(got[0], 0xFF000000u);         // top row never came

    // Pixels said to start past the end: refused, nothing kept.
    std::vector<u8> far = bytes;
    put32(far, 10, 100000);
    bitmap = readBmp(far, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(bitmap->getWidth(), 0);
    EXPECT_EQ(bitmap->toBufferedImage(nullptr), nullptr);

    // Headers that no picture can have.
    auto refused = [&](size_t at, u32 value) {
        std::vector<u8> bad = bytes;
        put32(bad, at, value);
        bool result = true;
        auto b = readBmp(bad, &result);
        return !result && b->getWidth() == 0;
    };
    EXPECT_TRUE(refused(18, 0xFFFFFFFF));                   // negative width
    EXPECT_TRUE(refused(18, 0x7FFFFFFF));                   // huge width
    EXPECT_TRUE(refused(22, 0x80000000));                   // most negative height
    EXPECT_TRUE(refused(14, 12));                           // core header
    EXPECT_TRUE(refused(14, 0xFFFFFFF0));                   // header larger than the file
    EXPECT_TRUE(refused(26, 0x00180002));                   // two planes
    EXPECT_TRUE(refused(30, 1));                            // run-length compressed
    EXPECT_TRUE(refused(0, 0x00004D43 | (bytes[2] << 16))); // not "BM"

    // A colour count beyond 256: 256 entries are kept, the pixels still found
    // through bfOffBits.
    auto eight = makeImage(3, 1, {0xFF102030, 0xFF405060, 0xFF708090});
    std::vector<u8> palette = writeImage(eight.get(), 8);
    put32(palette, 46, 100000);
    bitmap = readBmp(palette, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(bitmap->getColourCount(), 256);
    EXPECT_EQ(decoded(*bitmap), pixelsOf(*eight));
}

TEST(BmpFiles, SaveToFileNeverReplacesAndLoadNeedsAFile) {
    s::test::TempDir dir;
    auto image = makeImage(2, 2, pattern(2, 2, false));
    auto bitmap = makePooled<Bitmap>();
    ASSERT_TRUE(bitmap->convertFrom(image.get(), 24, false, 255, 255, 255));

    const std::string existing = dir.file("existing.bmp");
    ASSERT_TRUE(s::test::writeFile(existing, "keep me"));
    EXPECT_FALSE(bitmap->saveToFile(existing.c_str()));
    EXPECT_EQ(s::test::readFile(existing), "keep me");

    const std::string fresh = dir.file("fresh picture.bmp");
    ASSERT_TRUE(bitmap->saveToFile(fresh.c_str()));
    std::string written = s::test::readFile(fresh);
    std::vector<u8> expected = encode(*bitmap);
    EXPECT_EQ(std::vector<u8>(written.begin(), written.end()), expected);

    auto loaded = makePooled<Bitmap>();
    EXPECT_FALSE(loaded->loadFromFile(dir.file("missing.bmp").c_str()));
    EXPECT_FALSE(loaded->loadFromFile(dir.path().c_str()));
    EXPECT_EQ(loaded->getWidth(), 0);
    ASSERT_TRUE(loaded->loadFromFile(fresh.c_str()));
    EXPECT_EQ(decoded(*loaded), pixelsOf(*image));

    // The buffer's own save replaces a file.
    ASSERT_TRUE(image->saveBmp(existing.c_str(), 24, false, 255, 255, 255));
    written = s::test::readFile(existing);
    EXPECT_EQ(std::vector<u8>(written.begin(), written.end()), expected);
}

TEST(BmpConvert, BlitAndEncodeLikeConvertDepths) {
    auto image = makeImage(3, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0xFF808080});
    auto source = makePooled<Bitmap>();
    ASSERT_TRUE(source->convertFrom(image.get(), 24, false, 0, 0, 0));
    // Into a 16-colour target with its own palette: the nearest entries.
    auto target = makePooled<Bitmap>();
    ASSERT_TRUE(target->create(2, 2, 4));
    u32* table = target->getColourTable();
    table[0] = 0x000000, table[1] = 0xF00000, table[2] = 0x00F000, table[3] = 0x0000F0, table[4] = 0xFFFFFF;
    for (int i = 5; i < 16; ++i)
        table[i] = 0x000000;
    ASSERT_TRUE(source->blitTo(target.get()));
    EXPECT_EQ(decoded(*target), (std::vector<Pixel>{0xFFF00000, 0xFF00F000, 0xFFFFFFFF, 0xFF000000}));

    Pooled<Bitmap> like(static_cast<Bitmap*>(target->encodeLike(image.get())));
    ASSERT_TRUE(like);
    EXPECT_EQ(like->getBitCount(), 4);
    EXPECT_EQ(decoded(*like), pixelsOf(*image));

    auto copy = makePooled<Bitmap>();
    ASSERT_TRUE(copy->copyFromBitmapHandle(target.get()));
    EXPECT_EQ(encode(*copy), encode(*target));

    Pooled<s::image::win::BufferedImageSet> set(source->toBufferedImageSet());
    ASSERT_EQ(set->getImageCount(), 1u);
    EXPECT_EQ(set->getPrimaryBitsPerPixel(), 24);
    EXPECT_EQ(pixelsOf(*set->getPrimaryImage()), pixelsOf(*image));
}
