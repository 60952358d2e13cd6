#pragma once

#include "foundation/base/Types.h"

#include <cstddef>

namespace s::io {
class IOutputStream;
}

namespace s::image::gif::win {

/// The variable-length LZW coder of GIF image data.
///
/// Encoding keeps its string table in a 5003-entry open-addressing hash of
/// (pixel, prefix) pairs, so it allocates nothing per pixel. Codes start at
/// codeSize + 1 bits and grow to 12; when all 4096 codes are taken the coder
/// emits a clear code and starts over at the initial width. The output is cut
/// into sub-blocks of 254 bytes (the last one shorter), without the block
/// terminator. One thread at a time; the state is reused from frame to frame.
class GifLzw {
public:
    static constexpr int kMaxBits = 12;
    static constexpr int kMaxCodes = 1 << kMaxBits;
    static constexpr int kHashSize = 5003;
    static constexpr int kPacketBytes = 254;

    /// Encodes `height` rows of `width` index bytes each; row y starts at
    /// `top + y * rowStep` (a negative step walks a bottom-up picture).
    /// `codeSize` is the minimum code size written before the data (2-8).
    /// False when the picture is empty or a stream write failed.
    [[nodiscard]] bool encode(io::IOutputStream* out, int codeSize, const u8* top, i64 rowStep, i32 width,
                              i32 height);

    /// Decodes the concatenated sub-block data into at most `pixelCount`
    /// index bytes and answers how many were made. Decoding stops at the end
    /// code, at the end of the data, and at the first code that no table
    /// could hold (malformed data); what came before stays.
    static size_t decode(const u8* data, size_t size, int codeSize, u8* out, size_t pixelCount);

private:
    void output(int code);
    void putByte(u8 byte);
    void flushPacket();
    void clearHash();

    io::IOutputStream* m_out = nullptr;
    bool m_failed = false;
    int m_hashTable[kHashSize];
    u16 m_codeTable[kHashSize];
    int m_initBits = 0;
    int m_nBits = 0;
    int m_maxCode = 0;
    int m_freeEntry = 0;
    bool m_clearFlag = false;
    int m_clearCode = 0;
    int m_eofCode = 0;
    u32 m_accum = 0;
    int m_accumBits = 0;
    u8 m_packet[256];
    int m_packetCount = 0;
};

} // namespace s::image::gif::win
