// JPEG and PNG written by us and read back by independent decoders (the
// ffmpeg tool, libjpeg and libpng's own simplified reader), files of other
// writers read by us, and the failures a writer must report.

#include "image/jpg/win/Jpeg.h"
#include "image/png/win/Png.h"
#include "support/TempDir.h"
#include "tests/image/CodecTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <png.h>
#include <sys/stat.h>

using namespace s;
using namespace s::test::image;
using s::image::packPixel;
using s::image::jpg::win::Jpeg;
using s::image::png::win::Png;
using s::thread::makePooled;

namespace {

/// libpng's simplified reader: BGRA words, top row first.
std::vector<Pixel> libpngDecode(const std::vector<u8>& bytes, int* w = nullptr, int* h = nullptr) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<Pixel> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    if (w)
        *w = static_cast<int>(image.width);
    if (h)
        *h = static_cast<int>(image.height);
    return pixels;
}

/// libjpeg, straight from memory: opaque words, top row first.
std::vector<Pixel> libjpegDecode(const std::vector<u8>& bytes, bool fancyUpsampling = true) {
    jpeg_decompress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&codec);
    jpeg_mem_src(&codec, bytes.data(), bytes.size());
    jpeg_read_header(&codec, TRUE);
    codec.out_color_space = JCS_RGB;
    codec.do_fancy_upsampling = fancyUpsampling ? TRUE : FALSE;
    jpeg_start_decompress(&codec);
    std::vector<Pixel> out;
    std::vector<u8> line(codec.output_width * 3);
    while (codec.output_scanline < codec.output_height) {
        JSAMPROW row = line.data();
        jpeg_read_scanlines(&codec, &row, 1);
        for (size_t x = 0; x < codec.output_width; ++x)
            out.push_back(packPixel(255, line[3 * x], line[3 * x + 1], line[3 * x + 2]));
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    return out;
}

/// The PNG chunk types in file order.
std::vector<std::string> chunkTypes(const std::vector<u8>& png) {
    std::vector<std::string> out;
    for (size_t at = 8; at + 8 <= png.size();) {
        out.emplace_back(reinterpret_cast<const char*>(&png[at + 4]), 4);
        at += 12 + be32(png, at);
    }
    return out;
}

Pooled<BufferedImage> readPng(const std::vector<u8>& bytes, bool* ok = nullptr) {
    auto png = makePooled<Png>();
    auto in = arrayOf(bytes);
    bool result = png->readFrom(in.get());
    if (ok)
        *ok = result;
    return Pooled<BufferedImage>(png->toBufferedImage(nullptr));
}

Pooled<BufferedImage> readJpeg(const std::vector<u8>& bytes, bool* ok = nullptr) {
    auto jpeg = makePooled<Jpeg>();
    auto in = arrayOf(bytes);
    bool result = jpeg->readFrom(in.get());
    if (ok)
        *ok = result;
    return Pooled<BufferedImage>(jpeg->toBufferedImage(nullptr));
}

} // namespace

// -- PNG --

TEST(PngRoundTrip, IndependentDecodersSeeExactPixelsAndAlpha) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    auto frame = ffmpegFrame(dir.path(), 320, 240);
    ASSERT_TRUE(frame);
    auto alpha = makeImage(37, 23, pattern(37, 23, true), true);
    std::vector<std::string> paths;
    std::vector<std::vector<Pixel>> expected;
    for (bool interlace : {false, true}) {
        paths.push_back(dir.file(std::string("frame") + (interlace ? "-i" : "") + ".png"));
        ASSERT_TRUE(frame->savePng(paths.back().c_str(), interlace, true, 255, 255, 255));
        expected.push_back(pixelsOf(*frame));
        paths.push_back(dir.file(std::string("alpha") + (interlace ? "-i" : "") + ".png"));
        ASSERT_TRUE(alpha->savePng(paths.back().c_str(), interlace, true, 255, 255, 255));
        expected.push_back(pixelsOf(*alpha));
    }
    std::vector<std::vector<Pixel>> byFfmpeg = ffmpegDecode(paths);
    ASSERT_EQ(byFfmpeg.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        std::vector<u8> bytes = fileBytes(paths[i]);
        EXPECT_EQ(byFfmpeg[i], expected[i]);
        EXPECT_EQ(libpngDecode(bytes), expected[i]);
        // And our own reader.
        auto back = readPng(bytes);
        ASSERT_TRUE(back);
        EXPECT_EQ(pixelsOf(*back), expected[i]);
        EXPECT_EQ(back->hasAlpha(), i % 2 == 1);
    }
}

TEST(PngLayout, AlwaysEightBitRgbaWithTheInterlaceAskedForAndNoOtherChunks) {
    auto image = makeImage(5, 4, pattern(5, 4, false)); // no alpha flag
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            image->getRow(y)[x] &= 0x00FFFFFF; // alpha bytes that mean nothing
    for (bool interlace : {false, true}) {
        std::vector<u8> png = encodeWith(
            [&](io::IOutputStream* out) { return image->writePng(out, interlace, true, 0, 0, 0); });
        ASSERT_GT(png.size(), 33u);
        EXPECT_EQ(std::vector<u8>(png.begin(), png.begin() + 8),
                  (std::vector<u8>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
        EXPECT_EQ(be32(png, 16), 5u);
        EXPECT_EQ(be32(png, 20), 4u);
        EXPECT_EQ(png[24], 8) << "bit depth";
        EXPECT_EQ(png[25], 6) << "colour type RGBA";
        EXPECT_EQ(png[28], interlace ? 1 : 0) << "interlace method";
        EXPECT_EQ(chunkTypes(png), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        // A picture without the alpha flag is opaque in the file.
        std::vector<Pixel> decoded = libpngDecode(png);
        EXPECT_EQ(decoded, opaque(pixelsOf(*image)));
    }
}

TEST(PngTransparency, KeptOrBlendedOntoTheBackgroundAndTheSourceIsUntouched) {
    // Transparent, half and opaque pixels of one colour.
    const Pixel colour = 0x00204080;
    auto image = makeImage(3, 1, {colour, 0x80000000 | colour, 0xFF000000 | colour}, true);
    const std::vector<Pixel> before = pixelsOf(*image);
    std::vector<u8> kept =
        encodeWith([&](io::IOutputStream* out) { return image->writePng(out, false, true, 255, 255, 255); });
    std::vector<u8> flat =
        encodeWith([&](io::IOutputStream* out) { return image->writePng(out, false, false, 255, 255, 255); });
    EXPECT_EQ(pixelsOf(*image), before) << "encoding changed the source";
    // Transparent pixels keep their colour in the file when kept; the writer
    // tints nothing for PNG.
    EXPECT_EQ(libpngDecode(kept), before);
    std::vector<Pixel> blended = libpngDecode(flat);
    ASSERT_EQ(blended.size(), 3u);
    EXPECT_EQ(blended[0], 0xFFFFFFFFu) << "transparent shows the background";
    EXPECT_EQ(blended[2], 0xFF000000u | colour);
    // Half way between the colour and white, to within the compositing's rounding.
    EXPECT_NEAR(static_cast<int>(s::image::redOf(blended[1])), (0x20 + 255) / 2, 2);
    EXPECT_NEAR(static_cast<int>(s::image::blueOf(blended[1])), (0x80 + 255) / 2, 2);
    EXPECT_EQ(s::image::alphaOf(blended[1]), 255u);
    // The JPEG of the same buffer blends the same way.
    std::vector<u8> jpeg =
        encodeWith([&](io::IOutputStream* out) { return image->writeJpeg(out, 100, 255, 255, 255); });
    std::vector<Pixel> viaJpeg = libjpegDecode(jpeg);
    ASSERT_EQ(viaJpeg.size(), 3u);
    EXPECT_GT(psnr(viaJpeg, blended), 30.0);
    EXPECT_EQ(pixelsOf(*image), before);
}

TEST(PngRead, EveryColourTypeAndDepthOfAnotherWriter) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    const std::vector<std::string> formats = {"rgb24",  "rgba",    "gray",     "gray16be", "ya8",
                                              "ya16be", "rgb48be", "rgba64be", "pal8",     "monob"};
    std::vector<std::string> paths;
    std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=30x16 -vf \"format=rgba,"
                          "geq=r='r(X,Y)':g='g(X,Y)':b='b(X,Y)':a='X*9'\"";
    for (const std::string& format : formats) {
        paths.push_back(dir.file(format + ".png"));
        command += " -map 0:v -frames:v 1 -pix_fmt " + format + " '" + paths.back() + "'";
    }
    int status = -1;
    runCapture(command + " 2>&1", &status);
    ASSERT_EQ(status, 0) << command;
    std::vector<std::vector<Pixel>> expected = ffmpegDecode(paths);
    ASSERT_EQ(expected.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(formats[i]);
        bool ok = false;
        auto image = readPng(fileBytes(paths[i]), &ok);
        EXPECT_TRUE(ok);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->getWidth(), 30);
        ASSERT_EQ(image->getHeight(), 16);
        std::vector<Pixel> got = pixelsOf(*image);
        // 16-bit channels are cut to their high byte here and rounded by
        // ffmpeg: one step apart at most.
        ASSERT_EQ(got.size(), expected[i].size());
        int worst = 0;
        for (size_t p = 0; p < got.size(); ++p)
            for (int shift : {0, 8, 16, 24})
                worst = std::max(worst, std::abs(static_cast<int>((got[p] >> shift) & 0xFF) -
                                                 static_cast<int>((expected[i][p] >> shift) & 0xFF)));
        EXPECT_LE(worst, formats[i].find("16") != std::string::npos ||
                                 formats[i].find("48") != std::string::npos ||
                                 formats[i].find("64") != std::string::npos
                             ? 1
                             : 0);
    }
}

TEST(PngRead, DamagedOrTruncatedFilesLeaveAnEmptyPicture) {
    auto image = makeImage(40, 30, pattern(40, 30, true), true);
    std::vector<u8> png =
        encodeWith([&](io::IOutputStream* out) { return image->writePng(out, false, true, 0, 0, 0); });
    for (size_t keep : {size_t{0}, size_t{7}, size_t{33}, png.size() / 2, png.size() - 13}) {
        std::vector<u8> cut(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(keep));
        auto reader = makePooled<Png>();
        auto in = arrayOf(cut);
        EXPECT_FALSE(reader->readFrom(in.get())) << keep;
        EXPECT_EQ(reader->getWidth(), 0) << keep;
    }
    std::vector<u8> bad = png;
    bad[40] ^= 0x55; // inside the image data: its check sum no longer fits
    bool ok = true;
    EXPECT_FALSE(readPng(bad, &ok));
    EXPECT_FALSE(ok);
}

// -- JPEG --

TEST(JpegRoundTrip, QualityNinetyIsAbove35DbForEveryDecoder) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    auto frame = ffmpegFrame(dir.path(), 320, 240);
    ASSERT_TRUE(frame);
    const std::string path = dir.file("frame.jpg");
    ASSERT_TRUE(frame->saveJpeg(path.c_str(), 90, 255, 255, 255));
    const std::vector<u8> bytes = fileBytes(path);
    const std::vector<Pixel> original = pixelsOf(*frame);

    std::vector<std::vector<Pixel>> byFfmpeg = ffmpegDecode({path});
    ASSERT_EQ(byFfmpeg.size(), 1u);
    const double viaFfmpeg = psnr(byFfmpeg[0], original);
    // libjpeg rebuilds the halved chroma with a triangle filter by default,
    // which smears the hard colour edges of a synthetic frame (about 27 dB
    // here whoever wrote the file); with plain replication, the inverse of
    // the encoder's averaging, it sees what ffmpeg sees.
    const double viaLibjpeg = psnr(libjpegDecode(bytes, false), original);
    const double viaLibjpegSmooth = psnr(libjpegDecode(bytes), original);
    auto back = readJpeg(bytes);
    ASSERT_TRUE(back);
    EXPECT_FALSE(back->hasAlpha());
    EXPECT_EQ(pixelsOf(*back), libjpegDecode(bytes)) << "our reader is the library at its defaults";
    EXPECT_GT(viaFfmpeg, 35.0);
    EXPECT_GT(viaLibjpeg, 35.0);
    std::printf("JPEG q90 PSNR: ffmpeg %.2f dB, libjpeg %.2f dB (triangle up-sampling %.2f dB), %zu bytes\n",
                viaFfmpeg, viaLibjpeg, viaLibjpegSmooth, bytes.size());

    // Lower quality, smaller file, worse picture; out-of-range qualities are
    // clamped by the codec, not refused.
    std::vector<u8> low =
        encodeWith([&](io::IOutputStream* out) { return frame->writeJpeg(out, 20, 255, 255, 255); });
    EXPECT_LT(low.size(), bytes.size());
    EXPECT_LT(psnr(libjpegDecode(low, false), original), viaLibjpeg);
    std::vector<u8> q0 =
        encodeWith([&](io::IOutputStream* out) { return frame->writeJpeg(out, -5, 0, 0, 0); });
    std::vector<u8> q1 =
        encodeWith([&](io::IOutputStream* out) { return frame->writeJpeg(out, 1, 0, 0, 0); });
    EXPECT_EQ(q0, q1);
    std::vector<u8> q100 =
        encodeWith([&](io::IOutputStream* out) { return frame->writeJpeg(out, 100, 0, 0, 0); });
    std::vector<u8> q150 =
        encodeWith([&](io::IOutputStream* out) { return frame->writeJpeg(out, 150, 0, 0, 0); });
    EXPECT_EQ(q100, q150);
}

TEST(JpegLayout, BaselineJfifWithTwoByTwoChromaSubsampling) {
    auto image = makeImage(33, 17, pattern(33, 17, false));
    std::vector<u8> jpeg =
        encodeWith([&](io::IOutputStream* out) { return image->writeJpeg(out, 75, 0, 0, 0); });
    ASSERT_GT(jpeg.size(), 20u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(jpeg[3], 0xE0) << "JFIF segment first";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&jpeg[6]), 4), "JFIF");
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
    EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
    // The frame header: baseline (C0), 33 x 17, three components, Y at 2 x 2.
    size_t at = 2;
    while (at + 4 < jpeg.size() && jpeg[at + 1] != 0xC0 && jpeg[at + 1] != 0xC2)
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    ASSERT_LT(at + 12, jpeg.size());
    EXPECT_EQ(jpeg[at + 1], 0xC0) << "baseline, not progressive";
    EXPECT_EQ(jpeg[at + 5] << 8 | jpeg[at + 6], 17);
    EXPECT_EQ(jpeg[at + 7] << 8 | jpeg[at + 8], 33);
    EXPECT_EQ(jpeg[at + 9], 3);
    EXPECT_EQ(jpeg[at + 11], 0x22);
    EXPECT_EQ(jpeg[at + 14], 0x11);
}

TEST(JpegTransparency, TransparentPixelsShowTheBackground) {
    std::vector<Pixel> pixels(16 * 16, 0x00FF0000); // transparent red
    for (int i = 0; i < 16 * 8; ++i)
        pixels[static_cast<size_t>(i)] = 0x800000FF; // top half: blue at alpha 128
    auto image = makeImage(16, 16, pixels, true);
    std::vector<u8> jpeg =
        encodeWith([&](io::IOutputStream* out) { return image->writeJpeg(out, 95, 0, 255, 0); });
    std::vector<Pixel> decoded = libjpegDecode(jpeg);
    ASSERT_EQ(decoded.size(), 256u);
    const Pixel bottom = decoded[16 * 12 + 8], top = decoded[16 * 3 + 8];
    // Transparent red over green shows green; half blue over green is half of each.
    EXPECT_LE(s::image::redOf(bottom), 8u);
    EXPECT_GE(s::image::greenOf(bottom), 247u);
    EXPECT_NEAR(static_cast<int>(s::image::greenOf(top)), 127, 8);
    EXPECT_NEAR(static_cast<int>(s::image::blueOf(top)), 128, 8);
}

TEST(JpegRead, GreyColourAndCmykFilesOfAnotherWriter) {
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    s::test::TempDir dir;
    std::vector<std::string> paths;
    std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=48x32";
    for (std::string format : {"gray", "yuvj444p", "yuvj420p"}) {
        paths.push_back(dir.file(format + ".jpg"));
        command += " -map 0:v -frames:v 1 -q:v 2 -pix_fmt " + format + " '" + paths.back() + "'";
    }
    int status = -1;
    runCapture(command + " 2>&1", &status);
    ASSERT_EQ(status, 0) << command;
    std::vector<std::vector<Pixel>> expected = ffmpegDecode(paths);
    for (size_t i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(paths[i]);
        bool ok = false;
        auto image = readJpeg(fileBytes(paths[i]), &ok);
        EXPECT_TRUE(ok);
        ASSERT_TRUE(image);
        // The library straight from memory gives the same pixels; ffmpeg
        // differs in its chroma up-sampling (see the round trip above).
        EXPECT_EQ(pixelsOf(*image), libjpegDecode(fileBytes(paths[i])));
        EXPECT_GT(psnr(pixelsOf(*image), expected[i]), i == 2 ? 22.0 : 35.0);
    }

    // A CMYK file as Adobe writes it (inverted), made with libjpeg itself:
    // C = 255 - red ink ... K = 255 means no black.
    jpeg_compress_struct codec;
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &memory, &size);
    codec.image_width = 16;
    codec.image_height = 8;
    codec.input_components = 4;
    codec.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 100, TRUE);
    jpeg_start_compress(&codec, TRUE);
    std::vector<u8> line(16 * 4);
    for (int x = 0; x < 16; ++x) {
        line[4 * x] = 200, line[4 * x + 1] = 100, line[4 * x + 2] = 50, line[4 * x + 3] = 255;
    }
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    std::vector<u8> cmyk(memory, memory + size);
    std::free(memory);
    auto image = readJpeg(cmyk);
    ASSERT_TRUE(image);
    const Pixel p = image->getRow(4)[8];
    EXPECT_NEAR(static_cast<int>(s::image::redOf(p)), 200, 3);
    EXPECT_NEAR(static_cast<int>(s::image::greenOf(p)), 100, 3);
    EXPECT_NEAR(static_cast<int>(s::image::blueOf(p)), 50, 3);
}

TEST(JpegRead, TruncatedFileKeepsItsSizeAndSaysIncomplete) {
    auto image = makeImage(64, 256, pattern(64, 256, false));
    std::vector<u8> jpeg =
        encodeWith([&](io::IOutputStream* out) { return image->writeJpeg(out, 90, 0, 0, 0); });
    // Three quarters of the file: past the tables and the first rows.
    std::vector<u8> cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 3 / 4));
    bool ok = true;
    auto partial = readJpeg(cut, &ok);
    EXPECT_FALSE(ok);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->getWidth(), 64);
    // The top rows came and are those of the whole file.
    auto whole = readJpeg(jpeg);
    ASSERT_TRUE(whole);
    std::vector<Pixel> want = pixelsOf(*whole), got = pixelsOf(*partial);
    EXPECT_EQ(std::vector<Pixel>(got.begin(), got.begin() + 64 * 64),
              std::vector<Pixel>(want.begin(), want.begin() + 64 * 64));
    EXPECT_NE(got, want);
    // Headers cut short: no picture at all.
    std::vector<u8> header(jpeg.begin(), jpeg.begin() + 40);
    EXPECT_FALSE(readJpeg(header, &ok));
    EXPECT_FALSE(ok);
}

// -- failures a writer must report --

TEST(CodecWriteFailure, AFullDiskIsReportedAndNoFileIsLeft) {
    auto frame = makeImage(200, 150, pattern(200, 150, true), true);
    std::vector<u8> png =
        encodeWith([&](io::IOutputStream* out) { return frame->writePng(out, false, true, 0, 0, 0); });
    std::vector<u8> jpeg =
        encodeWith([&](io::IOutputStream* out) { return frame->writeJpeg(out, 90, 0, 0, 0); });
    for (size_t part : {0, 1, 2, 3}) {
        const size_t pngLimit = part == 3 ? png.size() - 1 : png.size() * part / 3;
        const size_t jpegLimit = part == 3 ? jpeg.size() - 1 : jpeg.size() * part / 3;
        FailingStream a(pngLimit), b(jpegLimit);
        EXPECT_FALSE(frame->writePng(&a, false, true, 0, 0, 0)) << pngLimit;
        EXPECT_FALSE(frame->writeJpeg(&b, 90, 0, 0, 0)) << jpegLimit;
    }
    // Room for exactly the file: success, through the whole stream.
    FailingStream roomy(png.size()), roomyJpeg(jpeg.size());
    EXPECT_TRUE(frame->writePng(&roomy, false, true, 0, 0, 0));
    EXPECT_TRUE(frame->writeJpeg(&roomyJpeg, 90, 0, 0, 0));

    // A folder that is not there, and one that cannot be written: false,
    // and nothing appears.
    s::test::TempDir dir;
    EXPECT_FALSE(frame->savePng(dir.file("missing/a.png").c_str(), false, true, 0, 0, 0));
    EXPECT_FALSE(frame->saveJpeg(dir.file("missing/a.jpg").c_str(), 90, 0, 0, 0));
    const std::string locked = dir.file("locked");
    ASSERT_EQ(::mkdir(locked.c_str(), 0555), 0);
    if (::access(locked.c_str(), W_OK) == 0)
        return; // a user who may write anywhere
    EXPECT_FALSE(frame->savePng((locked + "/a.png").c_str(), false, true, 0, 0, 0));
    EXPECT_FALSE(frame->saveJpeg((locked + "/a.jpg").c_str(), 90, 0, 0, 0));
    EXPECT_TRUE(fileBytes(locked + "/a.png").empty());
    struct stat st {};
    EXPECT_NE(::stat((locked + "/a.jpg").c_str(), &st), 0);
}

TEST(CodecWriteFailure, AnEmptyPictureIsNotWritten) {
    auto empty = makePooled<BufferedImage>();
    Pooled<col::_array::ArrayU08> out(col::_array::ArrayU08::create());
    EXPECT_FALSE(empty->writePng(out.get(), false, true, 0, 0, 0));
    EXPECT_FALSE(empty->writeJpeg(out.get(), 90, 0, 0, 0));
    // Wider than JPEG and GIF can say: refused, not cut to size.
    auto wide = makeImage(65536, 1, std::vector<Pixel>(65536, 0xFF808080));
    EXPECT_FALSE(wide->writeJpeg(out.get(), 90, 0, 0, 0));
    EXPECT_FALSE(wide->writeGif(out.get(), 8, true, 0, 0, 0));
    EXPECT_EQ(out->size(), 0u);
    EXPECT_TRUE(wide->writePng(out.get(), false, true, 0, 0, 0));
}
