// Malformed pictures: a bounded, deterministic mutation loop over valid BMP
// files. Nothing may fault, allocate beyond the picture limit or hang; a
// picture that reads as complete must be consistent.

#include "foundation/io/Streams.h"
#include "image/bmp/win/Bitmap.h"
#include "tests/image/CodecTestUtil.h"
#include "tests/image/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

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

std::vector<std::vector<u8>> seeds() {
    std::vector<std::vector<u8>> out;
    auto image = makeImage(5, 3, pattern(5, 3, true), true);
    for (int bpp : {4, 8, 24, 32}) {
        Pooled<col::_array::ArrayU08> bytes(col::_array::ArrayU08::create());
        EXPECT_TRUE(image->writeBmp(bytes.get(), bpp, true, 0, 0, 0));
        out.push_back(bytesOf(*bytes));
    }
    // 1 and 16 bits, made directly.
    for (int bpp : {1, 16}) {
        auto bitmap = makePooled<Bitmap>();
        EXPECT_TRUE(bitmap->create(9, 2, bpp));
        std::memset(bitmap->getPixels(), 0x5A, static_cast<size_t>(bitmap->getPixelBytes()));
        out.push_back(encode(*bitmap));
    }
    // Masked 32 bits in a 124-byte header, top-down, with a gap before the
    // pixels.
    std::vector<u8> v5(14 + 124, 0);
    v5[0] = 'B', v5[1] = 'M';
    put32(v5, 10, 14 + 124 + 6);
    put32(v5, 14, 124);
    put32(v5, 18, 3);
    put32(v5, 22, static_cast<u32>(-2));
    v5[26] = 1, v5[28] = 32;
    put32(v5, 30, 3);
    put32(v5, 54, 0x00FF0000), put32(v5, 58, 0x0000FF00), put32(v5, 62, 0x000000FF);
    v5.insert(v5.end(), 6 + 3 * 2 * 4, 0x33);
    out.push_back(v5);
    return out;
}

const u32 kInteresting[] = {0,          1,          2,          3,          4,          8,          12,
                            16,         24,         32,         40,         54,         108,        124,
                            255,        256,        257,        0x7FFF,     0x8000,     0xFFFF,     0x10000,
                            0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000, 0x00100000, 46341};

void mutate(std::vector<u8>& b, Random& random) {
    const u32 edits = 1 + random.below(4);
    for (u32 e = 0; e < edits && !b.empty(); ++e) {
        // Mostly the headers, where the trust is.
        const size_t span = std::min<size_t>(b.size(), random.below(4) ? 80 : b.size());
        const size_t at = random.below(static_cast<u32>(span));
        switch (random.below(6)) {
        case 0:
            b[at] = static_cast<u8>(random.next());
            break;
        case 1:
            b[at] ^= static_cast<u8>(1u << random.below(8));
            break;
        case 2:
            if (at + 4 <= b.size())
                put32(b, at, kInteresting[random.below(sizeof kInteresting / sizeof kInteresting[0])]);
            break;
        case 3:
            if (at + 2 <= b.size()) {
                u32 v = kInteresting[random.below(sizeof kInteresting / sizeof kInteresting[0])];
                b[at] = static_cast<u8>(v), b[at + 1] = static_cast<u8>(v >> 8);
            }
            break;
        case 4:
            b.resize(at);
            break;
        default:
            b.insert(b.end(), random.below(64), static_cast<u8>(random.next()));
            break;
        }
    }
}

void exercise(Bitmap& bitmap, bool complete) {
    const i64 pixels = static_cast<i64>(bitmap.getWidth()) * bitmap.getHeight();
    ASSERT_LE(pixels, s::image::kMaxPixels);
    if (complete) {
        ASSERT_GT(bitmap.getWidth(), 0);
        ASSERT_GT(bitmap.getHeight(), 0);
    }
    if (bitmap.getWidth() == 0 || pixels > (1 << 20))
        return; // large pictures are read lazily; decoding them would only cost time
    Pooled<BufferedImage> image(bitmap.toBufferedImage(nullptr));
    ASSERT_TRUE(image);
    ASSERT_EQ(image->getWidth(), bitmap.getWidth());
    std::vector<u8> written = encode(bitmap);
    ASSERT_EQ(written.size(), bitmap.getFileHeader().bfSize);
    // What we write, we read back the same.
    bool again = false;
    auto in = arrayOf(written);
    auto reread = makePooled<Bitmap>();
    again = reread->readFrom(in.get());
    ASSERT_TRUE(again);
    ASSERT_EQ(encode(*reread), written);
}

} // namespace

TEST(BmpFuzz, MutatedFilesNeverFault) {
    const std::vector<std::vector<u8>> valid = seeds();
    Random random{0x9E3779B97F4A7C15ull};
    auto bitmap = makePooled<Bitmap>();
    int complete = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<u8> bytes = valid[static_cast<size_t>(round) % valid.size()];
        mutate(bytes, random);
        SCOPED_TRACE(round);

        auto in = arrayOf(bytes);
        bool ok = bitmap->readFrom(in.get());
        complete += ok;
        ASSERT_NO_FATAL_FAILURE(exercise(*bitmap, ok));

        ChunkedStream pipe(bytes, 7);
        ok = bitmap->readFrom(&pipe);
        ASSERT_NO_FATAL_FAILURE(exercise(*bitmap, ok));

        // The same bytes without the file header, as a DIB.
        std::vector<u8> dib(bytes.begin() + std::min<size_t>(14, bytes.size()), bytes.end());
        auto dibIn = arrayOf(dib);
        ok = bitmap->readDib(dibIn.get());
        ASSERT_NO_FATAL_FAILURE(exercise(*bitmap, ok));
    }
    // The loop must also reach the decoders, not only the refusals.
    EXPECT_GT(complete, 300);
}

TEST(BmpFuzz, ShortStreamsOnlyCostWhatTheyHold) {
    // Headers of a 1600 x 1000 picture (4.8 MB of pixels) before little data.
    auto bitmap = makePooled<Bitmap>();
    ASSERT_TRUE(bitmap->create(1600, 1000, 24));
    std::vector<u8> full = encode(*bitmap);
    for (bool pipe : {false, true}) {
        for (size_t kept : {size_t{100}, full.size() / 3, full.size() * 2 / 3}) {
            std::vector<u8> bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(54 + kept));
            auto reader = makePooled<Bitmap>();
            auto array = arrayOf(bytes);
            ChunkedStream stream(bytes, 1 << 16);
            EXPECT_FALSE(pipe ? reader->readFrom(&stream) : reader->readFrom(array.get()));
            // A third of the data is refused; two thirds keep the picture.
            EXPECT_EQ(reader->getWidth(), kept > full.size() / 2 ? 1600 : 0) << kept << (pipe ? " pipe" : "");
        }
    }
}
