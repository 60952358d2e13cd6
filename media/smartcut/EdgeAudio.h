#pragma once

#include "media/smartcut/Handles.h"
#include "media/smartcut/ScenePlan.h"

// The audio of a smart cut: each track decoded over the scene and encoded
// to AAC whole, cut to the sample.
namespace s::video::smartcut {

struct EncodedAudio {
    AudioTarget target;
    CodecPtr encoder;
    /// AAC packets, times in 1/sampleRate (the first ones before 0: the
    /// encoder's priming).
    Packets packets;
    /// Samples given to the encoder.
    i64 samples = 0;
    /// Whether the source track ended before the scene did.
    bool sourceEnded = false;
};

/// Decodes `target`'s stream from `fromUs` to `toUs` (from the file's
/// start) and encodes it; silence stands for sound the track lacks at the
/// start. kDone, or kFailed / kStopped with the reason.
[[nodiscard]] SmartCutResult encodeAudio(const SmartCutRequest& request, const ScenePlan& plan,
                                         const AudioTarget& target, i64 fromUs, i64 toUs, EncodedAudio& out);

} // namespace s::video::smartcut
