#include "image/gif/win/GifLzw.h"

#include "image/detail/FileIo.h"

#include <algorithm>

namespace s::image::gif::win {

namespace {
// 5003 is doubled four times before it passes 65535.
constexpr int kHashShift = 4;
} // namespace

void GifLzw::clearHash() {
    std::fill_n(m_hashTable, kHashSize, -1);
}

bool GifLzw::encode(io::IOutputStream* out, int codeSize, const u8* top, i64 rowStep, i32 width, i32 height) {
    if (!out || !top || width <= 0 || height <= 0 || codeSize < 2 || codeSize > 8)
        return false;
    m_out = out;
    m_failed = false;
    m_initBits = codeSize + 1;
    m_nBits = m_initBits;
    m_maxCode = (1 << m_nBits) - 1;
    m_clearCode = 1 << codeSize;
    m_eofCode = m_clearCode + 1;
    m_freeEntry = m_clearCode + 2;
    m_clearFlag = false;
    m_accum = 0;
    m_accumBits = 0;
    m_packetCount = 0;
    clearHash();

    output(m_clearCode);
    int prefix = top[0];
    for (i32 y = 0; y < height; ++y) {
        const u8* row = top + y * rowStep;
        for (i32 x = y == 0 ? 1 : 0; x < width; ++x) {
            const int c = row[x];
            const int fcode = (c << kMaxBits) + prefix;
            int i = (c << kHashShift) ^ prefix;
            if (m_hashTable[i] == fcode) {
                prefix = m_codeTable[i];
                continue;
            }
            if (m_hashTable[i] >= 0) {
                // The secondary probe: a fixed step from the home slot.
                const int disp = i == 0 ? 1 : kHashSize - i;
                bool found = false;
                do {
                    i -= disp;
                    if (i < 0)
                        i += kHashSize;
                    if (m_hashTable[i] == fcode) {
                        found = true;
                        break;
                    }
                } while (m_hashTable[i] > 0);
                if (found) {
                    prefix = m_codeTable[i];
                    continue;
                }
            }
            output(prefix);
            if (m_freeEntry < kMaxCodes) {
                m_codeTable[i] = static_cast<u16>(m_freeEntry++);
                m_hashTable[i] = fcode;
            } else {
                // The table is full: start over, and tell the decoder.
                clearHash();
                m_freeEntry = m_clearCode + 2;
                m_clearFlag = true;
                output(m_clearCode);
            }
            prefix = c;
        }
    }
    output(prefix);
    output(m_eofCode);
    m_out = nullptr;
    return !m_failed;
}

void GifLzw::output(int code) {
    m_accum &= (1u << m_accumBits) - 1;
    m_accum |= static_cast<u32>(code) << m_accumBits;
    m_accumBits += m_nBits;
    while (m_accumBits >= 8) {
        putByte(static_cast<u8>(m_accum));
        m_accum >>= 8;
        m_accumBits -= 8;
    }
    // The width changes after the code that filled the current range: the
    // decoder, one entry behind, widens at the same point.
    if (m_freeEntry > m_maxCode || m_clearFlag) {
        if (m_clearFlag) {
            m_nBits = m_initBits;
            m_maxCode = (1 << m_nBits) - 1;
            m_clearFlag = false;
        } else {
            ++m_nBits;
            m_maxCode = m_nBits == kMaxBits ? kMaxCodes : (1 << m_nBits) - 1;
        }
    }
    if (code == m_eofCode) {
        while (m_accumBits > 0) {
            putByte(static_cast<u8>(m_accum));
            m_accum >>= 8;
            m_accumBits -= 8;
        }
        m_accumBits = 0;
        flushPacket();
    }
}

void GifLzw::putByte(u8 byte) {
    m_packet[m_packetCount++] = byte;
    if (m_packetCount >= kPacketBytes)
        flushPacket();
}

void GifLzw::flushPacket() {
    if (m_packetCount == 0)
        return;
    const u8 count = static_cast<u8>(m_packetCount);
    if (!m_failed && !(detail::writeAll(m_out, &count, 1) && detail::writeAll(m_out, m_packet, count)))
        m_failed = true;
    m_packetCount = 0;
}

size_t GifLzw::decode(const u8* data, size_t size, int codeSize, u8* out, size_t pixelCount) {
    if (codeSize < 1 || codeSize > 8 || !out)
        return 0;
    static thread_local u16 prefixOf[kMaxCodes];
    static thread_local u8 suffixOf[kMaxCodes];
    static thread_local u8 stack[kMaxCodes + 1];

    const int clear = 1 << codeSize;
    const int end = clear + 1;
    int bits = codeSize + 1;
    int next = clear + 2;
    int previous = -1;
    int first = 0;
    u32 accum = 0;
    int accumBits = 0;
    size_t at = 0; // bytes of data taken
    size_t made = 0;

    while (made < pixelCount) {
        while (accumBits < bits && at < size) {
            accum |= static_cast<u32>(data[at++]) << accumBits;
            accumBits += 8;
        }
        if (accumBits < bits)
            break; // the data ended without an end code
        int code = static_cast<int>(accum & ((1u << bits) - 1));
        accum >>= bits;
        accumBits -= bits;

        if (code == clear) {
            bits = codeSize + 1;
            next = clear + 2;
            previous = -1;
            continue;
        }
        if (code == end)
            break;
        if (previous < 0) {
            if (code > clear)
                break; // no string yet that a code could name
            out[made++] = static_cast<u8>(code);
            previous = first = code;
            continue;
        }
        const int incoming = code;
        int depth = 0;
        if (code > next || (code == next && next >= kMaxCodes))
            break; // names an entry not made yet
        if (code == next) {
            // The string being defined: the previous one and its own start.
            stack[depth++] = static_cast<u8>(first);
            code = previous;
        }
        while (code > end) {
            stack[depth++] = suffixOf[code];
            code = prefixOf[code];
        }
        if (code >= clear)
            break; // a chain that ends in a control code is no string
        first = code;
        stack[depth++] = static_cast<u8>(first);
        while (depth > 0 && made < pixelCount)
            out[made++] = stack[--depth];
        if (next < kMaxCodes) {
            prefixOf[next] = static_cast<u16>(previous);
            suffixOf[next] = static_cast<u8>(first);
            ++next;
            if (next == (1 << bits) && bits < kMaxBits)
                ++bits;
        }
        previous = incoming;
    }
    return made;
}

} // namespace s::image::gif::win
