#pragma once

// Helpers of the image tests: buffers from pixel lists, byte access to
// encoded pictures, and the ffmpeg tool as an independent decoder.

#include "foundation/col/array/Arrays.h"
#include "image/bmp/win/Bitmap.h"
#include "image/win/BufferedImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace s::test::image {

using s::image::Pixel;
using s::image::bmp::win::Bitmap;
using s::image::win::BufferedImage;
using s::thread::Pooled;

/// A buffer of w x h from pixels listed top row first.
inline Pooled<BufferedImage> makeImage(int w, int h, const std::vector<Pixel>& pixels,
                                       bool hasAlpha = false) {
    Pooled<BufferedImage> image(BufferedImage::create());
    EXPECT_TRUE(image->allocate(w, h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image->getRow(y)[x] = pixels[static_cast<size_t>(y * w + x)];
    image->setHasAlpha(hasAlpha);
    return image;
}

/// The logical pixels, top row first.
inline std::vector<Pixel> pixelsOf(const BufferedImage& image) {
    std::vector<Pixel> out;
    for (int y = 0; y < image.getHeight(); ++y)
        out.insert(out.end(), image.getRow(y), image.getRow(y) + image.getWidth());
    return out;
}

/// A picture with some of everything: gradients and a few sharp edges.
inline std::vector<Pixel> pattern(int w, int h, bool alpha) {
    std::vector<Pixel> out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned a = alpha ? (x * 37 + y * 11) & 0xFF : 255;
            out.push_back(s::image::packPixel(a, (x * 255) / (w > 1 ? w - 1 : 1),
                                              (y * 255) / (h > 1 ? h - 1 : 1), ((x ^ y) & 1) ? 200 : 30));
        }
    return out;
}

inline std::vector<u8> bytesOf(const col::_array::ArrayU08& a) {
    return {a.data(), a.data() + a.size()};
}

inline Pooled<col::_array::ArrayU08> arrayOf(const std::vector<u8>& bytes) {
    Pooled<col::_array::ArrayU08> a(col::_array::ArrayU08::create());
    a->append(bytes.data(), static_cast<u32>(bytes.size()));
    a->rewind();
    return a;
}

inline std::vector<u8> encode(const Bitmap& bitmap) {
    Pooled<col::_array::ArrayU08> out(col::_array::ArrayU08::create());
    EXPECT_TRUE(bitmap.writeTo(out.get()));
    return bytesOf(*out);
}

inline u32 le32(const std::vector<u8>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<u32>(b[at + 3]) << 24;
}
inline void put32(std::vector<u8>& b, size_t at, u32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<u8>(v >> (8 * i));
}

/// Runs a shell command and returns its standard output (binary).
inline std::string runCapture(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return out;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    int rc = ::pclose(p);
    if (status)
        *status = rc;
    return out;
}

inline bool haveFfmpeg() {
    return std::system("ffmpeg -version >/dev/null 2>&1") == 0;
}

/// The pictures in `paths` decoded by ffmpeg (one run for all, as starting
/// the tool costs more than decoding) as 0xAARRGGBB words, top row first.
inline std::vector<std::vector<Pixel>> ffmpegDecode(const std::vector<std::string>& paths) {
    std::string command = "ffmpeg -nostdin -v error -y";
    for (const std::string& path : paths)
        command += " -i '" + path + "'";
    for (size_t i = 0; i < paths.size(); ++i)
        command += " -map " + std::to_string(i) + ":v -f rawvideo -pix_fmt bgra '" + paths[i] + ".raw'";
    int status = -1;
    runCapture(command + " 2>&1", &status);
    EXPECT_EQ(status, 0) << command;
    std::vector<std::vector<Pixel>> out;
    for (const std::string& path : paths) {
        std::string raw;
        if (FILE* f = std::fopen((path + ".raw").c_str(), "rb")) {
            char buffer[65536];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
                raw.append(buffer, n);
            std::fclose(f);
        }
        std::vector<Pixel> pixels(raw.size() / 4);
        std::memcpy(pixels.data(), raw.data(), pixels.size() * 4);
        out.push_back(std::move(pixels));
    }
    return out;
}

} // namespace s::test::image
