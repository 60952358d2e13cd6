#pragma once

#include "foundation/base/Result.h"
#include "media/smartcut/Handles.h"
#include "media/smartcut/ScenePlan.h"

#include <functional>
#include <string>

// The re-encoded parts of a smart cut: reading spans of the source's video
// again, decoding them, and encoding the head and tail with parameters close
// to the source's.
namespace s::video::smartcut {

/// Receives decoded frames (presentation order) with the decoder that made
/// them; false stops the span.
using FrameSink = std::function<bool(const AVFrame* frame, const AVCodecContext* decoder)>;

/// Reads the source again from plan packet `from` (a key frame) and decodes
/// the packets up to `to` (exclusive; the end of the file when `to` is
/// packets.size()), handing `sink` the frames whose time lies in [lo, hi).
/// kDone, or kFailed / kIneligible (interlaced pictures) / kStopped.
[[nodiscard]] SmartCutResult decodeSpan(const SmartCutRequest& request, const ScenePlan& plan, size_t from,
                                        size_t to, i64 lo, i64 hi, const FrameSink& sink);

/// An H.264 encoder for one edge of the scene, set up from the source's
/// decoder so that its pictures match the copied ones: size, sample aspect
/// ratio, colour description, profile, level, references and whether there
/// are B-frames. Its parameter sets carry an id of their own.
class EdgeEncoder {
public:
    /// Failed, with the reason, when libx264 is missing or refuses the
    /// source's parameters.
    base::Result open(const AVCodecContext* decoder, const AVStream* source, i32 parameterSetId);
    /// Encodes a frame (its pts in the source stream's time base); null
    /// drains the encoder. Packets come out with 4-byte NAL lengths.
    base::Result encode(const AVFrame* frame);
    Packets& packets() { return m_packets; }
    /// The encoder's parameter sets (after open).
    [[nodiscard]] const ParameterSets& sets() const { return m_sets; }

private:
    base::Result drain();

    CodecPtr m_context;
    PacketPtr m_packet;
    FramePtr m_frame;
    ParameterSets m_sets;
    Packets m_packets;
};

/// Peak signal-to-noise ratio, in dB, of two 8-bit 4:2:0 pictures of one
/// size over all three planes; 99 when they are identical, 0 when they
/// cannot be compared.
[[nodiscard]] double picturePsnr(const AVFrame* a, const AVFrame* b);

} // namespace s::video::smartcut
