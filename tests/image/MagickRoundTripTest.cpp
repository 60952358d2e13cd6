// Every format written through its encode setting, as "Save as Image" does,
// and read back by ImageMagick: a decoder that shares no code with ours nor
// with the ffmpeg tool.

#include "image/IEncodedImage.h"
#include "image/bmp/EncodeSetting.h"
#include "image/gif/EncodeSetting.h"
#include "image/gif/win/Gif.h"
#include "image/ico/EncodeSetting.h"
#include "image/jpg/EncodeSetting.h"
#include "image/png/EncodeSetting.h"
#include "support/TempDir.h"
#include "tests/image/CodecTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

using namespace s;
using namespace s::test::image;

namespace {

/// ImageMagick's own convert, not a wrapper that may stand before it on the
/// path; empty when it is not installed.
std::string magick() {
    for (const char* candidate : {"/usr/bin/convert-im6.q16", "/usr/bin/magick", "/usr/bin/convert"}) {
        std::string probe = std::string(candidate) + " -version 2>/dev/null";
        if (runCapture(probe).find("ImageMagick") != std::string::npos)
            return candidate;
    }
    return {};
}

std::string identify(const std::string& convert) {
    std::string path = convert;
    size_t at = path.rfind("convert");
    if (at != std::string::npos)
        path.replace(at, 7, "identify");
    else
        path = "/usr/bin/identify";
    return path;
}

/// The first picture of `path` as ImageMagick decodes it: 0xAARRGGBB words.
/// JPEG chroma is rebuilt by replication, the inverse of the encoder's
/// averaging: libjpeg's default triangle filter smears the hard colour edges
/// of a synthetic frame to about 27 dB whoever wrote the file.
std::vector<Pixel> magickDecode(const std::string& convert, const std::string& path, int w, int h) {
    const std::string raw = path + ".im.bgra";
    int status = -1;
    std::string log = runCapture(convert + " -define jpeg:fancy-upsampling=off '" + path + "[0]' -depth 8 'BGRA:" +
                                     raw + "' 2>&1",
                                 &status);
    EXPECT_EQ(status, 0) << log;
    std::vector<u8> bytes = fileBytes(raw);
    EXPECT_EQ(bytes.size(), static_cast<size_t>(w) * h * 4) << path;
    std::vector<Pixel> pixels(bytes.size() / 4);
    std::memcpy(pixels.data(), bytes.data(), pixels.size() * 4);
    return pixels;
}

void save(s::image::IEncodeSetting* setting, BufferedImage* picture, const std::string& path) {
    ASSERT_TRUE(setting);
    Pooled<s::image::IEncodedImage> encoded(setting->encode(picture));
    ASSERT_TRUE(encoded) << path;
    ASSERT_TRUE(encoded->saveToFile(path.c_str())) << path;
}

} // namespace

TEST(MagickRoundTrip, EveryFormatDecodesToTheFrameWithinItsOwnError) {
    const std::string convert = magick();
    if (convert.empty())
        GTEST_SKIP() << "ImageMagick is not installed (apt-get install imagemagick)";
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    auto frame = ffmpegFrame(dir.path(), 320, 240);
    ASSERT_TRUE(frame);
    const std::vector<Pixel> original = opaque(pixelsOf(*frame));

    // Lossless formats at their defaults (interlaced PNG, 24-bit BMP): exact.
    {
        Pooled<s::image::IEncodeSetting> png(s::image::png::EncodeSetting::newBound(u"", nullptr));
        save(png.get(), frame.get(), dir.file("frame.png"));
        EXPECT_EQ(opaque(magickDecode(convert, dir.file("frame.png"), 320, 240)), original);
        Pooled<s::image::IEncodeSetting> bmp(s::image::bmp::EncodeSetting::newBound(u"", nullptr));
        save(bmp.get(), frame.get(), dir.file("frame.bmp"));
        EXPECT_EQ(opaque(magickDecode(convert, dir.file("frame.bmp"), 320, 240)), original);
    }
    // JPEG at quality 90.
    {
        Pooled<s::image::jpg::EncodeSetting> jpeg(s::image::jpg::EncodeSetting::newBound(u"", nullptr));
        jpeg->quality = 90;
        save(jpeg.get(), frame.get(), dir.file("frame.jpg"));
        const double db = psnr(magickDecode(convert, dir.file("frame.jpg"), 320, 240), original);
        EXPECT_GT(db, 35.0);
        std::printf("JPEG q90 through ImageMagick: %.2f dB\n", db);
    }
    // GIF: ImageMagick sees exactly the palette pixels our reader sees, and
    // those are the frame within the error of a 256-colour palette.
    {
        Pooled<s::image::IEncodeSetting> gif(s::image::gif::EncodeSetting::newBound(u"", nullptr));
        save(gif.get(), frame.get(), dir.file("frame.gif"));
        Pooled<s::image::gif::win::Gif> ours = thread::makePooled<s::image::gif::win::Gif>();
        ASSERT_TRUE(ours->loadFromFile(dir.file("frame.gif").c_str()));
        Pooled<BufferedImage> back(ours->toBufferedImage(nullptr));
        ASSERT_TRUE(back);
        const std::vector<Pixel> byMagick = opaque(magickDecode(convert, dir.file("frame.gif"), 320, 240));
        EXPECT_EQ(byMagick, opaque(pixelsOf(*back)));
        const double db = psnr(byMagick, original);
        EXPECT_GT(db, 25.0);
        std::set<Pixel> colours(byMagick.begin(), byMagick.end());
        EXPECT_LE(colours.size(), 256u);
        std::printf("GIF 8 bit through ImageMagick: %.2f dB, %zu colours\n", db, colours.size());
    }
}

TEST(MagickRoundTrip, AnIconHoldsEveryChosenSizeAndDepth) {
    const std::string convert = magick();
    if (convert.empty())
        GTEST_SKIP() << "ImageMagick is not installed (apt-get install imagemagick)";
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    auto frame = ffmpegFrame(dir.path(), 320, 240);
    ASSERT_TRUE(frame);
    Pooled<s::image::ico::EncodeSetting> ico(s::image::ico::EncodeSetting::newBound(u"", nullptr));
    ico->sizes = {16, 32, 48, 256};
    ico->depths = {8, 32};
    const std::string path = dir.file("frame.ico");
    save(ico.get(), frame.get(), path);

    int status = -1;
    const std::string listing = runCapture(identify(convert) + " -format '%w %h\\n' '" + path + "' 2>&1", &status);
    ASSERT_EQ(status, 0) << listing;
    std::multiset<int> sizes;
    std::istringstream lines(listing);
    int w = 0, h = 0;
    while (lines >> w >> h) {
        EXPECT_EQ(w, h) << listing;
        sizes.insert(w);
    }
    // Each size once per depth, but 256 only once: the largest size is a
    // single 32-bit PNG entry whatever the depths.
    EXPECT_EQ(sizes, (std::multiset<int>{16, 16, 32, 32, 48, 48, 256})) << listing;
}
