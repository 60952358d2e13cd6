#include "image/filters/reduction/Quantizer.h"
#include "tests/image/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <set>

using namespace s;
using namespace s::test::image;
using s::image::packPixel;
using s::image::filters::reduction::Quantizer;
using s::thread::makePooled;

namespace {

std::vector<u8> map8(const Quantizer& q, const BufferedImage& image, int y = 0) {
    std::vector<u8> out(static_cast<size_t>(image.getWidth()));
    q.mapRow(image.getRow(y), image.getWidth(), out.data(), y, 8);
    return out;
}

} // namespace

TEST(Quantizer, UpTo256ColoursMapExactly) {
    std::vector<Pixel> colours;
    for (u32 i = 0; i < 256; ++i)
        colours.push_back(packPixel(255, i, 255 - i, (i * 7) & 255));
    auto image = makeImage(256, 1, colours);
    auto q = makePooled<Quantizer>();
    q->build(image.get(), 256);
    EXPECT_EQ(q->getPaletteSize(), 256u);
    std::vector<u8> indices = map8(*q, *image);
    for (u32 x = 0; x < 256; ++x)
        EXPECT_EQ(q->getPalette()[indices[x]], colours[x] & 0xFFFFFF) << x;
    // Palette words carry no alpha, ready for a BMP colour table.
    for (u32 i = 0; i < 256; ++i)
        EXPECT_EQ(q->getPalette()[i] >> 24, 0u);
}

TEST(Quantizer, ReducesToTheLimitWhileInserting) {
    std::vector<Pixel> colours;
    for (u32 i = 0; i < 300; ++i)
        colours.push_back(packPixel(255, (i * 37) & 255, (i * 91) & 255, (i * 13) & 255));
    auto image = makeImage(300, 1, colours);
    auto q = makePooled<Quantizer>();
    for (u32 max : {256u, 16u}) {
        q->build(image.get(), max);
        EXPECT_LE(q->getPaletteSize(), max);
        EXPECT_GT(q->getPaletteSize(), max / 2);
        std::vector<u8> indices = map8(*q, *image);
        std::set<u8> used(indices.begin(), indices.end());
        EXPECT_LT(*used.rbegin(), q->getPaletteSize());
        // Every colour maps to the nearest entry, the lowest index on a tie.
        u32 seed = 12345;
        for (int k = 0; k < 3000; ++k) {
            seed = seed * 1103515245 + 12345;
            Pixel colour = 0xFF000000 | (seed >> 8);
            u32 expected = 0;
            int best = 1 << 30;
            for (u32 i = 0; i < q->getPaletteSize(); ++i) {
                Pixel e = q->getPalette()[i];
                int dr = int((e >> 16) & 255) - int((colour >> 16) & 255);
                int dg = int((e >> 8) & 255) - int((colour >> 8) & 255);
                int db = int(e & 255) - int(colour & 255);
                if (dr * dr + dg * dg + db * db < best)
                    best = dr * dr + dg * dg + db * db, expected = i;
            }
            ASSERT_EQ(q->nearest(colour), expected) << std::hex << colour;
        }
    }

    // One colour: one entry, every index 0, the rest of the palette black.
    auto plain = makeImage(5, 2, std::vector<Pixel>(10, 0xFF336699));
    q->build(plain.get(), 256);
    EXPECT_EQ(q->getPaletteSize(), 1u);
    EXPECT_EQ(q->getPalette()[0], 0x336699u);
    EXPECT_EQ(q->getPalette()[1], 0u);
    EXPECT_EQ(map8(*q, *plain, 1), std::vector<u8>(5, 0));
}

TEST(Quantizer, FewerThanSixteenColoursMergeNeighbouringLeaves) {
    // Sixteen greys sort by level in the tree; 15 entries merge the last two,
    // weighted by their pixel counts: (224 + 3 x 240) / 4 = 236.
    std::vector<Pixel> greys;
    for (u32 i = 0; i < 16; ++i)
        greys.push_back(packPixel(255, 16 * i, 16 * i, 16 * i));
    greys.push_back(packPixel(255, 240, 240, 240));
    greys.push_back(packPixel(255, 240, 240, 240));
    auto image = makeImage(18, 1, greys);
    auto q = makePooled<Quantizer>();
    q->build(image.get(), 15);
    ASSERT_EQ(q->getPaletteSize(), 15u);
    for (u32 i = 0; i < 14; ++i)
        EXPECT_EQ(q->getPalette()[i], packPixel(0, 16 * i, 16 * i, 16 * i)) << i;
    EXPECT_EQ(q->getPalette()[14], 0xECECECu);
}

TEST(Quantizer, MapsTransparencyTiesAndNibbles) {
    auto image = makeImage(3, 1, {0xFF000000, 0xFF040000, 0x00FF00FF}, true);
    auto q = makePooled<Quantizer>();
    q->build(image.get(), 15);
    EXPECT_EQ(q->getPaletteSize(), 2u); // the transparent pixel is not counted
    EXPECT_EQ(q->getPalette()[0], 0x000000u);
    EXPECT_EQ(q->getPalette()[1], 0x040000u);
    // 0x020000 lies as far from both entries: the lower index wins.
    EXPECT_EQ(q->nearest(0xFF020000), 0u);

    // Four bits, first pixel high; a pixel not fully opaque gets index 15.
    auto row = makeImage(3, 1, {0xFF040000, 0xFE000000, 0xFF000000});
    u8 packed[2] = {0xAA, 0xAA};
    q->mapRow(row->getRow(0), 3, packed, 0, 4);
    EXPECT_EQ(packed[0], 0x1F);
    EXPECT_EQ(packed[1], 0x00);

    // With 16 entries (4-bit BMP) the transparent index does not fit: 0.
    q->build(image.get(), 16);
    q->mapRow(row->getRow(0), 3, packed, 0, 4);
    EXPECT_EQ(packed[0], 0x10);
}
