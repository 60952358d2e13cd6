#pragma once

#include "foundation/base/Types.h"

#include <cstddef>
#include <span>
#include <vector>

// The few pieces of H.264 bitstream handling a cut that copies some packets
// and re-encodes others needs: NAL units in either framing, the ids of
// parameter sets, and the MP4 sample description holding several of them.
namespace s::video::smartcut {

/// NAL unit types this code looks at.
enum NalType : i32 {
    kNalSlice = 1,
    kNalIdrSlice = 5,
    kNalSei = 6,
    kNalSps = 7,
    kNalPps = 8,
    kNalAccessUnitDelimiter = 9,
};

/// One NAL unit inside a buffer (header byte included, no start code or
/// length field).
struct NalUnit {
    const u8* data = nullptr;
    size_t size = 0;
    [[nodiscard]] i32 type() const { return size ? data[0] & 0x1F : -1; }
};

/// The NAL units of a packet or extradata: `lengthSize` 1, 2 or 4 for
/// length-prefixed units (MP4, Matroska), 0 for start codes (Annex B, as in
/// MPEG-TS). Units running past the end are cut at the end; empty ones are
/// skipped.
[[nodiscard]] std::vector<NalUnit> splitNalUnits(std::span<const u8> data, i32 lengthSize);

/// The NAL units again, each behind a 4-byte big-endian length.
void appendLengthPrefixed(std::vector<u8>& out, const std::vector<NalUnit>& units);

/// The id a sequence or picture parameter set gives itself (the first
/// exp-Golomb field of its payload, after the profile and level bytes for an
/// SPS), or -1 when the unit is too short or not one of the two.
[[nodiscard]] i32 parameterSetId(const NalUnit& unit);

/// Sequence and picture parameter sets, each unit's bytes as in the stream.
struct ParameterSets {
    std::vector<std::vector<u8>> sps;
    std::vector<std::vector<u8>> pps;

    /// Adds every SPS and PPS among `units` whose id is not there yet.
    void addFrom(const std::vector<NalUnit>& units);
    /// Adds every set of `other` whose id is not there yet.
    void addAll(const ParameterSets& other);
    [[nodiscard]] bool empty() const { return sps.empty() || pps.empty(); }
    /// Whether an SPS or PPS of that id is among them.
    [[nodiscard]] bool usesId(i32 id) const;
};

/// What the extradata of a stream holds: its parameter sets and the length
/// size of its packets (0: Annex B start codes).
struct StreamFraming {
    ParameterSets sets;
    i32 lengthSize = 0;
};
/// Reads an MP4-style configuration record (first byte 1) or Annex B
/// extradata; empty extradata gives no sets and Annex B framing.
[[nodiscard]] bool parseExtradata(std::span<const u8> extradata, StreamFraming& out);

/// An MP4 configuration record with every set of `sets`, 4-byte lengths,
/// and profile, compatibility and level bytes from the first SPS (the level
/// raised to the highest of all). Empty when a set list is empty or a unit
/// is too long for the record.
[[nodiscard]] std::vector<u8> buildConfigurationRecord(const ParameterSets& sets);

} // namespace s::video::smartcut
