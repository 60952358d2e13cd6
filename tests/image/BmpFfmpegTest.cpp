// The ffmpeg tool as an independent BMP decoder and encoder.

#include "image/bmp/win/Bitmap.h"
#include "support/TempDir.h"
#include "tests/image/ImageTestUtil.h"

#include <gtest/gtest.h>

using namespace s;
using namespace s::test::image;
using s::thread::makePooled;

namespace {

std::vector<Pixel> rgbOnly(std::vector<Pixel> pixels) {
    for (Pixel& p : pixels)
        p |= 0xFF000000;
    return pixels;
}

} // namespace

TEST(BmpWithFfmpeg, FfmpegReadsWhatWeWrite) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    const int w = 13, h = 7; // odd sizes exercise the row padding
    std::vector<std::string> paths;
    std::vector<std::vector<Pixel>> expected;

    // 24 bits: every colour.
    auto image = makeImage(w, h, pattern(w, h, false));
    paths.push_back(dir.file("24.bmp"));
    ASSERT_TRUE(image->saveBmp(paths.back().c_str(), 24, false, 0, 0, 0));
    expected.push_back(pixelsOf(*image));

    // 32 bits with transparency kept: alpha too.
    auto alpha = makeImage(w, h, pattern(w, h, true), true);
    paths.push_back(dir.file("32.bmp"));
    ASSERT_TRUE(alpha->saveBmp(paths.back().c_str(), 32, true, 9, 9, 9));
    expected.push_back(pixelsOf(*alpha));

    // 8 and 4 bits: few enough colours to be exact.
    std::vector<Pixel> few;
    for (int i = 0; i < w * h; ++i)
        few.push_back(s::image::packPixel(255, (i % 4) * 85, ((i / 3) % 2) * 255, ((i / 5) % 2) * 128));
    auto palette = makeImage(w, h, few);
    for (int bpp : {8, 4}) {
        paths.push_back(dir.file(std::to_string(bpp) + ".bmp"));
        ASSERT_TRUE(palette->saveBmp(paths.back().c_str(), bpp, false, 0, 0, 0));
        expected.push_back(few);
    }

    std::vector<std::vector<Pixel>> decoded = ffmpegDecode(paths);
    ASSERT_EQ(decoded.size(), paths.size());
    EXPECT_EQ(decoded[0], expected[0]);
    EXPECT_EQ(decoded[1], expected[1]);
    EXPECT_EQ(rgbOnly(decoded[2]), expected[2]) << "8 bits";
    EXPECT_EQ(rgbOnly(decoded[3]), expected[3]) << "4 bits";
}

TEST(BmpWithFfmpeg, WeReadWhatFfmpegWrites) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    // Depths and layouts of another writer: 32, 24, 16 (5-5-5 and masked
    // 5-6-5), 8 (palette and grey), 1 bit. One run writes them all.
    const std::vector<std::string> formats = {"bgra", "bgr24", "rgb555le", "rgb565le",
                                              "pal8", "gray",  "monob"};
    std::vector<std::string> paths;
    std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=22x10";
    for (const std::string& format : formats) {
        paths.push_back(dir.file(format + ".bmp"));
        command += " -map 0:v -frames:v 1 -pix_fmt " + format + " '" + paths.back() + "'";
    }
    int status = -1;
    runCapture(command + " 2>&1", &status);
    ASSERT_EQ(status, 0) << command;
    std::vector<std::vector<Pixel>> decoded = ffmpegDecode(paths);
    ASSERT_EQ(decoded.size(), paths.size());

    for (size_t f = 0; f < formats.size(); ++f) {
        const std::string& format = formats[f];
        auto bitmap = makePooled<Bitmap>();
        ASSERT_TRUE(bitmap->loadFromFile(paths[f].c_str())) << format;
        Pooled<BufferedImage> image(bitmap->toBufferedImage(nullptr));
        ASSERT_TRUE(image) << format;
        EXPECT_EQ(image->getWidth(), 22);
        std::vector<Pixel> ours = pixelsOf(*image);
        const std::vector<Pixel>& theirs = decoded[f];
        ASSERT_EQ(ours.size(), theirs.size()) << format;
        // Five- and six-bit channels may be widened differently.
        const int tolerance = format.rfind("rgb5", 0) == 0 ? 7 : 0;
        for (size_t i = 0; i < ours.size(); ++i) {
            for (int shift = 0; shift < 32; shift += 8) {
                int a = static_cast<int>((ours[i] >> shift) & 0xFF),
                    b = static_cast<int>((theirs[i] >> shift) & 0xFF);
                ASSERT_LE(std::abs(a - b), tolerance) << format << " pixel " << i << " shift " << shift;
            }
        }
    }
}
