#include "media/smartcut/H264Stream.h"

#include <algorithm>

namespace s::video::smartcut {

namespace {

/// Reads exp-Golomb codes from a NAL payload with the emulation prevention
/// bytes taken out.
class BitReader {
public:
    BitReader(const u8* data, size_t size) {
        // The ids sit in the first bytes; a few dozen are plenty.
        const size_t limit = std::min<size_t>(size, 64);
        i32 zeros = 0;
        for (size_t i = 0; i < limit; ++i) {
            if (zeros >= 2 && data[i] == 3) {
                zeros = 0;
                continue;
            }
            zeros = data[i] == 0 ? zeros + 1 : 0;
            m_bytes.push_back(data[i]);
        }
    }

    /// -1 past the end.
    i32 bit() {
        if (m_pos >= m_bytes.size() * 8)
            return -1;
        const i32 b = (m_bytes[m_pos / 8] >> (7 - m_pos % 8)) & 1;
        ++m_pos;
        return b;
    }

    void skip(size_t bits) { m_pos += bits; }

    /// An unsigned exp-Golomb code, -1 when it runs past the end or is
    /// longer than any id can be.
    i32 ue() {
        i32 zeros = 0;
        for (;;) {
            const i32 b = bit();
            if (b < 0 || zeros > 16)
                return -1;
            if (b == 1)
                break;
            ++zeros;
        }
        i32 value = 0;
        for (i32 i = 0; i < zeros; ++i) {
            const i32 b = bit();
            if (b < 0)
                return -1;
            value = value << 1 | b;
        }
        return (1 << zeros) - 1 + value;
    }

private:
    std::vector<u8> m_bytes;
    size_t m_pos = 0;
};

void put16(std::vector<u8>& out, size_t v) {
    out.push_back(static_cast<u8>(v >> 8));
    out.push_back(static_cast<u8>(v));
}

} // namespace

std::vector<NalUnit> splitNalUnits(std::span<const u8> data, i32 lengthSize) {
    std::vector<NalUnit> units;
    const u8* p = data.data();
    const size_t n = data.size();
    if (lengthSize > 0) {
        size_t at = 0;
        while (at + static_cast<size_t>(lengthSize) <= n) {
            size_t length = 0;
            for (i32 i = 0; i < lengthSize; ++i)
                length = length << 8 | p[at + static_cast<size_t>(i)];
            at += static_cast<size_t>(lengthSize);
            length = std::min(length, n - at);
            if (length > 0)
                units.push_back({p + at, length});
            at += length;
        }
        return units;
    }
    // Start codes: 00 00 01, possibly behind more zeros.
    size_t at = 0;
    auto nextStart = [&](size_t from, size_t* codeAt) {
        for (size_t i = from; i + 2 < n; ++i)
            if (p[i] == 0 && p[i + 1] == 0 && p[i + 2] == 1) {
                *codeAt = i;
                return i + 3;
            }
        *codeAt = n;
        return n;
    };
    size_t codeAt = 0;
    at = nextStart(0, &codeAt);
    while (at < n) {
        size_t next = nextStart(at, &codeAt);
        size_t end = codeAt;
        // Zeros before the next start code belong to it, not to this unit.
        while (end > at && p[end - 1] == 0)
            --end;
        if (end > at)
            units.push_back({p + at, end - at});
        at = next;
    }
    return units;
}

void appendLengthPrefixed(std::vector<u8>& out, const std::vector<NalUnit>& units) {
    for (const NalUnit& unit : units) {
        out.push_back(static_cast<u8>(unit.size >> 24));
        out.push_back(static_cast<u8>(unit.size >> 16));
        out.push_back(static_cast<u8>(unit.size >> 8));
        out.push_back(static_cast<u8>(unit.size));
        out.insert(out.end(), unit.data, unit.data + unit.size);
    }
}

i32 parameterSetId(const NalUnit& unit) {
    if (unit.type() == kNalSps) {
        if (unit.size < 5)
            return -1;
        BitReader bits(unit.data + 1, unit.size - 1);
        bits.skip(24); // profile, constraint flags, level
        return bits.ue();
    }
    if (unit.type() == kNalPps) {
        if (unit.size < 2)
            return -1;
        BitReader bits(unit.data + 1, unit.size - 1);
        return bits.ue();
    }
    return -1;
}

void ParameterSets::addFrom(const std::vector<NalUnit>& units) {
    for (const NalUnit& unit : units) {
        const i32 type = unit.type();
        if (type != kNalSps && type != kNalPps)
            continue;
        const i32 id = parameterSetId(unit);
        if (id < 0)
            continue;
        std::vector<std::vector<u8>>& list = type == kNalSps ? sps : pps;
        const bool known = std::any_of(list.begin(), list.end(), [&](const std::vector<u8>& set) {
            return parameterSetId({set.data(), set.size()}) == id;
        });
        if (!known)
            list.emplace_back(unit.data, unit.data + unit.size);
    }
}

void ParameterSets::addAll(const ParameterSets& other) {
    std::vector<NalUnit> units;
    for (const auto* list : {&other.sps, &other.pps})
        for (const std::vector<u8>& set : *list)
            units.push_back({set.data(), set.size()});
    addFrom(units);
}

bool ParameterSets::usesId(i32 id) const {
    for (const auto* list : {&sps, &pps})
        for (const std::vector<u8>& set : *list)
            if (parameterSetId({set.data(), set.size()}) == id)
                return true;
    return false;
}

bool parseExtradata(std::span<const u8> extradata, StreamFraming& out) {
    out = {};
    if (extradata.empty())
        return true;
    if (extradata[0] != 1) {
        out.lengthSize = 0;
        out.sets.addFrom(splitNalUnits(extradata, 0));
        return true;
    }
    // The configuration record: version, profile, compatibility, level,
    // length size, then the counted SPS and PPS lists.
    if (extradata.size() < 7)
        return false;
    out.lengthSize = (extradata[4] & 3) + 1;
    if (out.lengthSize == 3)
        return false;
    size_t at = 5;
    std::vector<NalUnit> units;
    for (i32 list = 0; list < 2; ++list) {
        if (at >= extradata.size())
            return false;
        const i32 count = list == 0 ? extradata[at] & 0x1F : extradata[at];
        ++at;
        for (i32 i = 0; i < count; ++i) {
            if (at + 2 > extradata.size())
                return false;
            const size_t length = static_cast<size_t>(extradata[at]) << 8 | extradata[at + 1];
            at += 2;
            if (at + length > extradata.size())
                return false;
            units.push_back({extradata.data() + at, length});
            at += length;
        }
    }
    out.sets.addFrom(units);
    return true;
}

std::vector<u8> buildConfigurationRecord(const ParameterSets& sets) {
    if (sets.empty() || sets.sps.size() > 31 || sets.pps.size() > 255)
        return {};
    const std::vector<u8>& first = sets.sps.front();
    if (first.size() < 4)
        return {};
    u8 level = first[3];
    for (const std::vector<u8>& sps : sets.sps)
        if (sps.size() >= 4)
            level = std::max(level, sps[3]);
    std::vector<u8> out = {1, first[1], first[2], level, 0xFF, static_cast<u8>(0xE0 | sets.sps.size())};
    for (const std::vector<u8>& sps : sets.sps) {
        if (sps.size() > 0xFFFF)
            return {};
        put16(out, sps.size());
        out.insert(out.end(), sps.begin(), sps.end());
    }
    out.push_back(static_cast<u8>(sets.pps.size()));
    for (const std::vector<u8>& pps : sets.pps) {
        if (pps.size() > 0xFFFF)
            return {};
        put16(out, pps.size());
        out.insert(out.end(), pps.begin(), pps.end());
    }
    // The high profiles add chroma format and bit depths (4:2:0, 8 bits:
    // the only kind this cut copies) and an empty extension list.
    const u8 profile = first[1];
    if (profile == 100 || profile == 110 || profile == 122 || profile == 144) {
        out.push_back(0xFC | 1);
        out.push_back(0xF8);
        out.push_back(0xF8);
        out.push_back(0);
    }
    return out;
}

} // namespace s::video::smartcut
