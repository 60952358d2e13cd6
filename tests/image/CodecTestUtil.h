#pragma once

// Helpers of the codec tests: real frames made by the ffmpeg tool, a stream
// whose writes fail, files as bytes, and picture comparisons.

#include "foundation/io/Streams.h"
#include "tests/image/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace s::test::image {

/// One frame of ffmpeg's test picture (moving colours, text, gradients) of
/// w x h, as an opaque buffer; empty when ffmpeg failed.
inline Pooled<BufferedImage> ffmpegFrame(const std::string& folder, int w, int h,
                                         const std::string& source = "testsrc2") {
    const std::string path = folder + "/frame-" + std::to_string(w) + "x" + std::to_string(h) + ".bmp";
    int status = -1;
    runCapture("ffmpeg -nostdin -v error -y -f lavfi -i " + source + "=size=" + std::to_string(w) + "x" +
                   std::to_string(h) + ":rate=25 -ss 1.2 -frames:v 1 -pix_fmt bgr24 '" + path + "' 2>&1",
               &status);
    EXPECT_EQ(status, 0);
    Pooled<Bitmap> bitmap = thread::makePooled<Bitmap>();
    EXPECT_TRUE(bitmap->loadFromFile(path.c_str()));
    return Pooled<BufferedImage>(bitmap->toBufferedImage(nullptr));
}

inline std::vector<u8> fileBytes(const std::string& path) {
    std::vector<u8> out;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        u8 buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
            out.insert(out.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return out;
}

inline void writeBytes(const std::string& path, const std::vector<u8>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
}

inline u16 le16(const std::vector<u8>& b, size_t at) {
    return static_cast<u16>(b[at] | b[at + 1] << 8);
}
inline u32 be32(const std::vector<u8>& b, size_t at) {
    return static_cast<u32>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

/// Peak signal-to-noise ratio of the colour channels, in dB.
inline double psnr(const std::vector<Pixel>& a, const std::vector<Pixel>& b) {
    EXPECT_EQ(a.size(), b.size());
    double sum = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        for (int shift : {0, 8, 16}) {
            double d =
                static_cast<double>((a[i] >> shift) & 0xFF) - static_cast<double>((b[i] >> shift) & 0xFF);
            sum += d * d;
        }
    double mse = sum / (3.0 * static_cast<double>(std::max<size_t>(1, a.size())));
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

inline std::vector<Pixel> opaque(std::vector<Pixel> pixels) {
    for (Pixel& p : pixels)
        p |= 0xFF000000u;
    return pixels;
}

/// An output stream that takes `limit` bytes and then refuses every write,
/// as a full disk does.
class FailingStream : public io::IOutputStream {
public:
    explicit FailingStream(size_t limit) : m_limit(limit) {}
    bool write(const void*, u32 bytes, u32* written) override {
        if (m_taken + bytes > m_limit) {
            if (written)
                *written = 0;
            return false;
        }
        m_taken += bytes;
        if (written)
            *written = bytes;
        return true;
    }
    void close() override {}
    i64 getPosition() const override { return static_cast<i64>(m_taken); }
    bool canSeek() const override { return false; }
    bool rewind() override { return false; }
    bool seekToEnd() override { return false; }
    bool seek(i64) override { return false; }
    bool seekFromEnd(i64) override { return false; }
    bool skip(i64) override { return false; }
    bool back(i64) override { return false; }
    void closeAndClear() override {}
    void dispose() override {}
    void release() override {}
    void reset() override {}
    size_t taken() const { return m_taken; }

private:
    size_t m_limit;
    size_t m_taken = 0;
};

/// A byte stream that cannot seek and hands out at most `piece` bytes per
/// read, as a pipe does.
class ChunkedStream : public io::IInputStream {
public:
    ChunkedStream(const std::vector<u8>& bytes, size_t piece) : m_bytes(bytes), m_piece(piece) {}
    bool read(void* buffer, u32 bytes, u32* bytesRead) override {
        u32 n = static_cast<u32>(std::min<size_t>({bytes, m_bytes.size() - m_position, m_piece}));
        if (n > 0)
            std::memcpy(buffer, m_bytes.data() + m_position, n);
        m_position += n;
        if (bytesRead)
            *bytesRead = n;
        return n > 0;
    }
    void close() override {}
    i64 getPosition() const override { return static_cast<i64>(m_position); }
    bool canSeek() const override { return false; }
    bool rewind() override { return false; }
    bool seekToEnd() override { return false; }
    bool seek(i64) override { return false; }
    bool seekFromEnd(i64) override { return false; }
    bool skip(i64) override { return false; }
    bool back(i64) override { return false; }
    void closeAndClear() override {}
    void dispose() override {}
    void release() override {}
    void reset() override {}

private:
    const std::vector<u8>& m_bytes;
    size_t m_piece;
    size_t m_position = 0;
};

/// The encoded bytes of `write(stream)`.
template <class Write> std::vector<u8> encodeWith(Write write) {
    Pooled<col::_array::ArrayU08> out(col::_array::ArrayU08::create());
    EXPECT_TRUE(write(out.get()));
    return bytesOf(*out);
}

} // namespace s::test::image
