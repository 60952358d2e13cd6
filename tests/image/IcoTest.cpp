// Icon files written by us: their directory and entry layout byte by byte,
// every entry as the ffmpeg tool decodes it, and our own reader.

#include "image/ico/win/Icon.h"
#include "image/ico/win/IconImage.h"
#include "support/TempDir.h"
#include "tests/image/CodecTestUtil.h"

#include <gtest/gtest.h>

using namespace s;
using namespace s::test::image;
using s::image::ico::win::Icon;
using s::image::ico::win::IconImage;
using s::thread::makePooled;

namespace {

const std::vector<i32> kDefaultSizes = {16, 24, 32, 48};
const std::vector<i32> kDefaultDepths = {4, 8, 32};

std::vector<u8> iconBytes(BufferedImage* image, const std::vector<i32>& sizes, const std::vector<i32>& depths,
                          bool keepRatio = true, bool keepTransparency = true, int r = 255, int g = 255,
                          int b = 255) {
    auto icon = makePooled<Icon>();
    EXPECT_TRUE(icon->buildFrom(image, sizes, depths, keepRatio, keepTransparency, r, g, b));
    return encodeWith([&](io::IOutputStream* out) { return icon->writeTo(out); });
}

struct Record {
    int width, height, colours, planes, bits;
    u32 bytes, offset;
};

std::vector<Record> directory(const std::vector<u8>& b) {
    std::vector<Record> out;
    for (int i = 0; i < le16(b, 4); ++i) {
        size_t at = 6 + 16 * static_cast<size_t>(i);
        out.push_back({b[at], b[at + 1], b[at + 2], le16(b, at + 4), le16(b, at + 6), le32(b, at + 8),
                       le32(b, at + 12)});
    }
    return out;
}

/// Whether the mask bit of (x, y) is set in a bitmap entry (rows bottom-up
/// after the colour rows).
bool maskBit(const std::vector<u8>& b, const Record& r, int x, int y) {
    const size_t colourStride = ((static_cast<size_t>(r.bits) * r.width + 31) >> 3) & ~size_t{3};
    const size_t maskStride = ((static_cast<size_t>(r.width) + 31) >> 3) & ~size_t{3};
    const size_t table = r.bits <= 8 ? (4u << r.bits) : 0;
    const size_t mask = r.offset + 40 + table + colourStride * static_cast<size_t>(r.width);
    return (b[mask + maskStride * static_cast<size_t>(r.height - 1 - y) + static_cast<size_t>(x >> 3)] >>
            (7 - (x & 7))) &
           1;
}

/// Each stream of an icon file as ffmpeg decodes it (BGRA words).
std::vector<std::vector<Pixel>> ffmpegEntries(const std::string& path, size_t count) {
    std::string command = "ffmpeg -nostdin -v error -y -i '" + path + "'";
    for (size_t i = 0; i < count; ++i)
        command += " -map 0:" + std::to_string(i) + " -frames:v 1 -f rawvideo -pix_fmt bgra '" + path + "." +
                   std::to_string(i) + ".raw'";
    int status = -1;
    runCapture(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command;
    std::vector<std::vector<Pixel>> out;
    for (size_t i = 0; i < count; ++i) {
        std::vector<u8> raw = fileBytes(path + "." + std::to_string(i) + ".raw");
        std::vector<Pixel> pixels(raw.size() / 4);
        std::memcpy(pixels.data(), raw.data(), pixels.size() * 4);
        out.push_back(pixels);
    }
    return out;
}

} // namespace

TEST(IcoLayout, DefaultsGiveTwelveEntriesGroupedBySizeWithBandsInTheMask) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    auto frame = ffmpegFrame(dir.path(), 640, 480);
    ASSERT_TRUE(frame);
    const std::vector<u8> b = iconBytes(frame.get(), kDefaultSizes, kDefaultDepths);
    ASSERT_GE(b.size(), 6u);
    EXPECT_EQ(le16(b, 0), 0);
    EXPECT_EQ(le16(b, 2), 1) << "type icon";
    ASSERT_EQ(le16(b, 4), 12);
    std::vector<Record> records = directory(b);
    u32 offset = 6 + 16 * 12;
    EXPECT_EQ(records[0].offset, 198u);
    for (size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(i);
        const Record& r = records[i];
        EXPECT_EQ(r.width, kDefaultSizes[i / 3]);
        EXPECT_EQ(r.height, kDefaultSizes[i / 3]);
        EXPECT_EQ(r.bits, kDefaultDepths[i % 3]);
        EXPECT_EQ(r.colours, r.bits == 4 ? 16 : 0);
        EXPECT_EQ(r.planes, 1);
        EXPECT_EQ(r.offset, offset) << "entries back to back";
        offset += r.bytes;
        // Each entry's own header says twice the height.
        EXPECT_EQ(le32(b, r.offset), 40u);
        EXPECT_EQ(le32(b, r.offset + 4), static_cast<u32>(r.width));
        EXPECT_EQ(le32(b, r.offset + 8), static_cast<u32>(r.height * 2));
        EXPECT_EQ(le16(b, r.offset + 14), r.bits);
        // 4:3 in a square: the picture is centred, transparent bands above
        // and below (2 rows at 16, 3 at 24, 4 at 32, 6 at 48).
        const int band = r.width / 8;
        for (int y = 0; y < r.height; ++y) {
            const bool inBand = y < band || y >= r.height - band;
            ASSERT_EQ(maskBit(b, r, 0, y), inBand) << "row " << y;
            ASSERT_EQ(maskBit(b, r, r.width - 1, y), inBand) << "row " << y;
        }
    }
    EXPECT_EQ(offset, b.size());
    // A 4-bit 16 x 16 entry: header, 16 colours, 8-byte rows, 4-byte mask rows.
    EXPECT_EQ(records[0].bytes, 40u + 64 + 128 + 64);

    // ffmpeg reads every entry at its size.
    const std::string path = dir.file("frame.ico");
    writeBytes(path, b);
    int status = -1;
    std::string probe =
        runCapture("ffprobe -v error -show_entries stream=width,height -of csv=p=0 '" + path + "'", &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(probe, "16,16\n16,16\n16,16\n24,24\n24,24\n24,24\n32,32\n32,32\n32,32\n48,48\n48,48\n48,48\n");
    std::vector<std::vector<Pixel>> decoded = ffmpegEntries(path, 12);
    auto icon = makePooled<Icon>();
    ASSERT_TRUE(icon->buildFrom(frame.get(), kDefaultSizes, kDefaultDepths, true, true, 255, 255, 255));
    for (size_t i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        Pooled<BufferedImage> ours(icon->toBufferedImage(static_cast<u32>(i), nullptr));
        ASSERT_TRUE(ours);
        std::vector<Pixel> want = pixelsOf(*ours);
        ASSERT_EQ(decoded[i].size(), want.size());
        // Colours everywhere the picture shows; 32-bit entries carry their alpha too.
        for (size_t p = 0; p < want.size(); ++p) {
            if (s::image::alphaOf(want[p]) == 0)
                continue;
            ASSERT_EQ(decoded[i][p] & (records[i].bits == 32 ? 0xFFFFFFFFu : 0xFFFFFFu),
                      want[p] & (records[i].bits == 32 ? 0xFFFFFFFFu : 0xFFFFFFu))
                << p;
        }
        if (records[i].bits == 32) {
            EXPECT_EQ(s::image::alphaOf(decoded[i][0]), 0u) << "the band is transparent";
        }
    }
    // The 32-bit 48 x 48 entry is the frame itself, scaled.
    Pooled<BufferedImage> big(icon->toBufferedImage(11, nullptr));
    BufferedImage* scaled = frame->scaledCopy(48, 48, true);
    ASSERT_EQ(scaled->getHeight(), 36);
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 48; ++x)
            ASSERT_EQ(big->getRow(y + 6)[x], scaled->getRow(y)[x] | 0xFF000000u) << x << "," << y;
}

TEST(IcoLayout, TheLargestSizeIsOneThirtyTwoBitPngEntry) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    auto image = makeImage(300, 200, pattern(300, 200, false));
    const std::vector<u8> b = iconBytes(image.get(), {32, 256}, {4, 8, 32});
    std::vector<Record> records = directory(b);
    ASSERT_EQ(records.size(), 4u);
    const Record& large = records[3];
    EXPECT_EQ(large.width, 0);
    EXPECT_EQ(large.height, 0);
    EXPECT_EQ(large.bits, 32);
    EXPECT_EQ(large.colours, 0);
    EXPECT_EQ(std::vector<u8>(b.begin() + large.offset, b.begin() + large.offset + 8),
              (std::vector<u8>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
    EXPECT_EQ(b[large.offset + 25], 6) << "RGBA";
    EXPECT_EQ(b[large.offset + 28], 0) << "not interlaced";
    EXPECT_EQ(large.offset + large.bytes, b.size());
    s::test::TempDir dir;
    const std::string path = dir.file("large.ico");
    writeBytes(path, b);
    std::vector<std::vector<Pixel>> decoded = ffmpegEntries(path, 4);
    ASSERT_EQ(decoded[3].size(), 256u * 256u);
    // 300 x 200 in 256 x 256: 256 x 170, centred 43 rows down.
    EXPECT_EQ(s::image::alphaOf(decoded[3][256 * 42]), 0u);
    EXPECT_EQ(s::image::alphaOf(decoded[3][256 * 43]), 255u);
    EXPECT_EQ(s::image::alphaOf(decoded[3][256 * 212]), 255u);
    EXPECT_EQ(s::image::alphaOf(decoded[3][256 * 213]), 0u);
    // And our reader: entries come back with the best fit for 32 x 32 first.
    auto icon = makePooled<Icon>();
    auto in = arrayOf(b);
    ASSERT_TRUE(icon->readFrom(in.get()));
    ASSERT_EQ(icon->getImageCount(), 4u);
    EXPECT_EQ(icon->getImage(0)->getBitCount(), 32);
    EXPECT_EQ(icon->getImage(0)->getWidth(), 32);
    EXPECT_EQ(icon->getImage(3)->getWidth(), 256);
    Pooled<BufferedImage> back(icon->toBufferedImage(3, nullptr));
    ASSERT_TRUE(back);
    EXPECT_EQ(pixelsOf(*back), decoded[3]);
}

TEST(IcoOptions, WithoutTransparencyTheBandsShowTheBackgroundAndWithoutRatioThereAreNone) {
    auto image = makeImage(64, 48, pattern(64, 48, false));
    const std::vector<u8> flat = iconBytes(image.get(), {16}, {8, 32}, true, false, 0, 0, 255);
    const std::vector<u8> stretched = iconBytes(image.get(), {16}, {8, 32}, false, true);
    for (const std::vector<u8>* b : {&flat, &stretched}) {
        for (const Record& r : directory(*b))
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    ASSERT_FALSE(maskBit(*b, r, x, y)) << x << "," << y;
    }
    auto icon = makePooled<Icon>();
    auto in = arrayOf(flat);
    ASSERT_TRUE(icon->readFrom(in.get()));
    for (u32 i = 0; i < 2; ++i) {
        Pooled<BufferedImage> decoded(icon->toBufferedImage(i, nullptr));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->getRow(0)[8], 0xFF0000FFu) << "blue background in the band";
        EXPECT_FALSE(decoded->hasAlpha());
    }
}

TEST(IcoOptions, NoSizesOrNoDepthsMakeNoIcon) {
    auto image = makeImage(8, 8, pattern(8, 8, false));
    auto icon = makePooled<Icon>();
    EXPECT_FALSE(icon->buildFrom(image.get(), {}, kDefaultDepths, true, true, 0, 0, 0));
    EXPECT_FALSE(icon->buildFrom(image.get(), kDefaultSizes, {}, true, true, 0, 0, 0));
    EXPECT_EQ(icon->getImageCount(), 0u);
    // An icon without entries is its 6-byte header.
    EXPECT_EQ(encodeWith([&](io::IOutputStream* out) { return icon->writeTo(out); }),
              (std::vector<u8>{0, 0, 1, 0, 0, 0}));
}

TEST(IcoRead, DamagedDirectoriesAndEntriesNeverFault) {
    auto image = makeImage(40, 30, pattern(40, 30, true), true);
    const std::vector<u8> good = iconBytes(image.get(), {16, 32}, {4, 32});
    for (size_t cut : {size_t{3}, size_t{20}, size_t{100}, good.size() - 50}) {
        std::vector<u8> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        auto icon = makePooled<Icon>();
        auto in = arrayOf(bytes);
        EXPECT_FALSE(icon->readFrom(in.get())) << cut;
    }
    // A record that claims gigabytes far beyond the file.
    std::vector<u8> bytes = good;
    put32(bytes, 6 + 8, 0xFFFFFFF0u);
    put32(bytes, 6 + 12, 0x7FFFFFF0u);
    auto icon = makePooled<Icon>();
    auto in = arrayOf(bytes);
    EXPECT_FALSE(icon->readFrom(in.get()));
    EXPECT_EQ(icon->getImageCount(), 3u);
}
