// Malformed and truncated JPEG, PNG and GIF files: a bounded, deterministic
// mutation loop over valid files of several kinds, and every prefix of each.
// Nothing may fault, read outside its memory (the AddressSanitizer build
// watches), allocate beyond what the file could hold, or hang; a picture
// that reads must decode, and what we write of it must read back the same.

#include "image/gif/win/Gif.h"
#include "image/jpg/win/Jpeg.h"
#include "image/png/win/Png.h"
#include "tests/image/CodecTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

using namespace s;
using namespace s::test::image;
using s::thread::makePooled;

namespace {

struct Random {
    u64 state;
    u32 next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<u32>(state >> 16);
    }
    u32 below(u32 n) { return next() % n; }
};

const u32 kInteresting[] = {0,      1,      2,      3,      4,      7,          8,          9,
                            12,     15,     16,     31,     32,     63,         64,         127,
                            128,    255,    256,    257,    0x7FFF, 0x8000,     0xFFFF,     0x10000,
                            0xFFD8, 0xFFD9, 0xFFC0, 0xFFC2, 0xFFDA, 0x7FFFFFFF, 0xFFFFFFFF, 46341};

void mutate(std::vector<u8>& b, Random& random) {
    const u32 edits = 1 + random.below(4);
    for (u32 e = 0; e < edits && !b.empty(); ++e) {
        // Mostly the headers, where the trust is.
        const size_t span = std::min<size_t>(b.size(), random.below(3) ? 96 : b.size());
        const size_t at = random.below(static_cast<u32>(span));
        const u32 value = kInteresting[random.below(sizeof kInteresting / sizeof kInteresting[0])];
        switch (random.below(8)) {
        case 0:
            b[at] = static_cast<u8>(random.next());
            break;
        case 1:
            b[at] ^= static_cast<u8>(1u << random.below(8));
            break;
        case 2: // little-endian 16 bits (GIF)
            if (at + 2 <= b.size())
                b[at] = static_cast<u8>(value), b[at + 1] = static_cast<u8>(value >> 8);
            break;
        case 3: // big-endian 16 bits (JPEG)
            if (at + 2 <= b.size())
                b[at] = static_cast<u8>(value >> 8), b[at + 1] = static_cast<u8>(value);
            break;
        case 4: // big-endian 32 bits (PNG)
            if (at + 4 <= b.size())
                for (int i = 0; i < 4; ++i)
                    b[at + static_cast<size_t>(i)] = static_cast<u8>(value >> (24 - 8 * i));
            break;
        case 5:
            b.resize(at);
            break;
        case 6: { // a stretch repeated, as a duplicated chunk or segment
            const size_t length = std::min<size_t>(b.size() - at, 1 + random.below(64));
            std::vector<u8> copy(b.begin() + static_cast<std::ptrdiff_t>(at),
                                 b.begin() + static_cast<std::ptrdiff_t>(at + length));
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(random.below(static_cast<u32>(b.size()))),
                     copy.begin(), copy.end());
            break;
        }
        default:
            b.insert(b.end(), random.below(64), static_cast<u8>(random.next()));
            break;
        }
    }
}

/// Recomputes every chunk's check sum, so that a mutation reaches libpng's
/// decoding instead of its CRC check.
void fixPngChunks(std::vector<u8>& b) {
    for (size_t at = 8; at + 12 <= b.size();) {
        const u32 length = be32(b, at);
        if (length > b.size() - at - 12)
            break;
        const u32 crc = static_cast<u32>(::crc32(0, b.data() + at + 4, length + 4));
        for (int i = 0; i < 4; ++i)
            b[at + 8 + length + static_cast<size_t>(i)] = static_cast<u8>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}

std::vector<u8> libjpegFile(int w, int h, int components, bool progressive) {
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &memory, &size);
    codec.image_width = static_cast<JDIMENSION>(w);
    codec.image_height = static_cast<JDIMENSION>(h);
    codec.input_components = components;
    codec.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 80, TRUE);
    if (progressive)
        jpeg_simple_progression(&codec);
    codec.restart_interval = progressive ? 0 : 2;
    jpeg_start_compress(&codec, TRUE);
    std::vector<u8> line(static_cast<size_t>(w * components));
    while (codec.next_scanline < codec.image_height) {
        for (size_t i = 0; i < line.size(); ++i)
            line[i] = static_cast<u8>(i * 7 + codec.next_scanline * 13);
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    std::vector<u8> out(memory, memory + size);
    std::free(memory);
    return out;
}

std::vector<u8> libpngFile(int w, int h, png_uint_32 format) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(w);
    image.height = static_cast<png_uint_32>(h);
    image.format = format;
    if (format & PNG_FORMAT_FLAG_COLORMAP)
        image.colormap_entries = 5;
    std::vector<u8> pixels(PNG_IMAGE_SIZE(image));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<u8>((format & PNG_FORMAT_FLAG_COLORMAP) ? i % 5 : i % 5 * 60);
    std::vector<u8> colours(PNG_IMAGE_COLORMAP_SIZE(image));
    for (size_t i = 0; i < colours.size(); ++i)
        colours[i] = static_cast<u8>(i * 31);
    const void* map = (format & PNG_FORMAT_FLAG_COLORMAP) ? colours.data() : nullptr;
    std::vector<u8> out(1 << 16);
    png_alloc_size_t size = out.size();
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, map))
        << image.message;
    out.resize(size);
    return out;
}

enum class Kind { Jpeg, Png, Gif };

struct Outcome {
    bool ok = false;
    i32 width = 0;
};

/// Reads `bytes` as `kind` from a seekable array and from a pipe-like
/// stream, and checks what came out.
Outcome exercise(Kind kind, const std::vector<u8>& bytes, bool pipe) {
    Outcome outcome;
    auto array = arrayOf(bytes);
    ChunkedStream chunks(bytes, 5);
    io::IInputStream* in = pipe ? static_cast<io::IInputStream*>(&chunks) : array.get();
    Pooled<s::image::IEncodedImage> image;
    switch (kind) {
    case Kind::Jpeg:
        image.reset(s::image::jpg::win::Jpeg::create());
        break;
    case Kind::Png:
        image.reset(s::image::png::win::Png::create());
        break;
    case Kind::Gif:
        image.reset(s::image::gif::win::Gif::create());
        break;
    }
    outcome.ok = image->readFrom(in);
    outcome.width = image->getWidth();
    const i64 pixels = static_cast<i64>(image->getWidth()) * image->getHeight();
    EXPECT_LE(pixels, s::image::kMaxPixels);
    if (outcome.ok) {
        EXPECT_GT(image->getWidth(), 0);
    }
    if (image->getWidth() <= 0 || pixels > (1 << 20))
        return outcome; // large pictures would only cost time here
    Pooled<BufferedImage> decoded(image->toBufferedImage(nullptr));
    EXPECT_TRUE(decoded);
    if (!decoded)
        return outcome;
    EXPECT_EQ(decoded->getWidth(), image->getWidth());
    // What we write of it we read back the same.
    std::vector<u8> written = encodeWith([&](io::IOutputStream* out) { return image->writeTo(out); });
    auto again = arrayOf(written);
    Pooled<s::image::IEncodedImage> reread(static_cast<s::image::IEncodedImage*>(image->newInstance()));
    EXPECT_TRUE(reread->readFrom(again.get()));
    EXPECT_EQ(reread->getWidth(), image->getWidth());
    EXPECT_EQ(reread->getHeight(), image->getHeight());
    if (kind != Kind::Jpeg) {
        Pooled<BufferedImage> back(reread->toBufferedImage(nullptr));
        EXPECT_TRUE(back);
        if (back) {
            EXPECT_EQ(pixelsOf(*back), pixelsOf(*decoded));
        }
    }
    return outcome;
}

std::vector<std::pair<Kind, std::vector<u8>>> seeds() {
    std::vector<std::pair<Kind, std::vector<u8>>> out;
    auto image = makeImage(19, 13, pattern(19, 13, true), true);
    auto write = [&](auto f) { return encodeWith(f); };
    out.emplace_back(Kind::Jpeg,
                     write([&](io::IOutputStream* o) { return image->writeJpeg(o, 80, 0, 0, 0); }));
    out.emplace_back(Kind::Jpeg, libjpegFile(21, 17, 3, true));
    out.emplace_back(Kind::Jpeg, libjpegFile(24, 9, 1, false));
    out.emplace_back(Kind::Jpeg, libjpegFile(9, 8, 4, false));
    out.emplace_back(Kind::Png,
                     write([&](io::IOutputStream* o) { return image->writePng(o, false, true, 0, 0, 0); }));
    out.emplace_back(Kind::Png,
                     write([&](io::IOutputStream* o) { return image->writePng(o, true, true, 0, 0, 0); }));
    out.emplace_back(Kind::Png, libpngFile(11, 7, PNG_FORMAT_LINEAR_Y));
    out.emplace_back(Kind::Png, libpngFile(13, 6, PNG_FORMAT_RGBA_COLORMAP));
    out.emplace_back(Kind::Png, libpngFile(10, 5, PNG_FORMAT_GA));
    out.emplace_back(Kind::Gif,
                     write([&](io::IOutputStream* o) { return image->writeGif(o, 8, true, 0, 0, 0); }));
    out.emplace_back(Kind::Gif,
                     write([&](io::IOutputStream* o) { return image->writeGif(o, 4, false, 0, 0, 0); }));
    // Two frames, the second at an offset, with a global table.
    out.emplace_back(Kind::Gif,
                     std::vector<u8>{'G',  'I',  'F',  '8',  '9',  'a', 4,   0,   3,   0,
                                     0x80, 0,    0,    0,    0,    0,   255, 255, 255,       // table
                                     0x21, 0xF9, 4,    5,    10,   0,   1,   0,              // control
                                     0x2C, 0,    0,    0,    0,    4,   0,   3,   0,   0,    // image
                                     2,    3,    0x8C, 0x2D, 0x99, 0,                        // data
                                     0x2C, 1,    0,    1,    0,    2,   0,   2,   0,   0x40, // interlaced
                                     2,    2,    0x44, 0x01, 0,    0x3B});
    return out;
}

} // namespace

TEST(CodecFuzz, MutatedFilesNeverFault) {
    const auto valid = seeds();
    for (const auto& [kind, bytes] : valid) {
        SCOPED_TRACE(static_cast<int>(kind));
        ASSERT_TRUE(exercise(kind, bytes, false).ok) << "every seed is valid";
    }
    Random random{0xC0DEC0DE12345678ull};
    int complete[3] = {};
    const int kRounds = 12000;
    for (int round = 0; round < kRounds; ++round) {
        const auto& [kind, original] = valid[static_cast<size_t>(round) % valid.size()];
        std::vector<u8> bytes = original;
        mutate(bytes, random);
        if (kind == Kind::Png && random.below(3) != 0)
            fixPngChunks(bytes);
        SCOPED_TRACE(round);
        Outcome o = exercise(kind, bytes, false);
        complete[static_cast<int>(kind)] += o.ok;
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        if (round % 4 == 0)
            exercise(kind, bytes, true);
        if (testing::Test::HasFailure())
            break; // one round's failures say enough
    }
    // The loop must reach the decoders, not only the refusals.
    std::printf("complete reads of %d mutated files: JPEG %d, PNG %d, GIF %d\n", kRounds, complete[0],
                complete[1], complete[2]);
    EXPECT_GT(complete[0], 50);
    EXPECT_GT(complete[1], 50);
    EXPECT_GT(complete[2], 50);
}

TEST(CodecFuzz, EveryPrefixOfAFileIsRefusedOrKept) {
    for (const auto& [kind, bytes] : seeds()) {
        SCOPED_TRACE(static_cast<int>(kind));
        for (size_t keep = 0; keep < bytes.size(); ++keep) {
            std::vector<u8> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
            SCOPED_TRACE(keep);
            // A prefix is never a whole file: only a JPEG may still be
            // complete when just its end marker is missing.
            Outcome o = exercise(kind, cut, keep % 3 == 0);
            if (kind != Kind::Jpeg || keep + 2 < bytes.size()) {
                EXPECT_FALSE(o.ok);
            }
            if (testing::Test::HasFailure())
                return;
        }
    }
}

TEST(CodecFuzz, HeadersClaimingHugePicturesCostNothing) {
    // A JPEG frame header, a PNG header and a GIF screen of 60000 x 60000 /
    // 30000 x 4000 in files of a few hundred bytes: refused at once.
    auto image = makeImage(16, 16, pattern(16, 16, false));
    std::vector<u8> jpeg = encodeWith([&](io::IOutputStream* o) { return image->writeJpeg(o, 80, 0, 0, 0); });
    for (size_t at = 2; at + 9 < jpeg.size(); at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3])) {
        if (jpeg[at + 1] == 0xC0) {
            jpeg[at + 5] = 0x75, jpeg[at + 6] = 0x30; // 30000 rows
            jpeg[at + 7] = 0x0F, jpeg[at + 8] = 0xA0; // 4000 columns
            break;
        }
    }
    EXPECT_FALSE(exercise(Kind::Jpeg, jpeg, false).ok);
    EXPECT_EQ(exercise(Kind::Jpeg, jpeg, false).width, 0);

    std::vector<u8> png =
        encodeWith([&](io::IOutputStream* o) { return image->writePng(o, false, true, 0, 0, 0); });
    for (int i = 0; i < 4; ++i)
        png[16 + i] = static_cast<u8>(30000u >> (24 - 8 * i)),
                 png[20 + i] = static_cast<u8>(4000u >> (24 - 8 * i));
    fixPngChunks(png);
    EXPECT_FALSE(exercise(Kind::Png, png, false).ok);

    std::vector<u8> gif =
        encodeWith([&](io::IOutputStream* o) { return image->writeGif(o, 8, true, 0, 0, 0); });
    gif[6] = 0x30, gif[7] = 0x75, gif[8] = 0xA0, gif[9] = 0x0F;
    EXPECT_FALSE(exercise(Kind::Gif, gif, false).ok);
}
