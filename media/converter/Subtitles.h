#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"

#include <functional>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVPacket;
struct AVStream;

namespace s::video::tool {

/// What is left of a cue once it is held against the scene.
enum class CueFit {
    kKept,   ///< (part of) the cue lies in the scene; its times were clipped
    kBefore, ///< the cue ends at or before the start of the scene
    kAfter,  ///< the cue starts at or after the end of the scene
};

/// Clips the cue [`start`, `end`) to the scene [0, `limit`) (`limit` < 0:
/// no end), all in one unit on the output clock. A cue overlapping the start
/// begins at 0 and keeps its end; one overlapping the end is cut there.
/// `end` < `start` means the end is unknown: only the start is clipped.
[[nodiscard]] CueFit clipCue(i64& start, i64& end, i64 limit);

/// Clips a copied subtitle packet whose times are already on the output
/// clock (in `stream`'s time base) to the scene of `limitUs` microseconds
/// (< 0: no end). Picture and text subtitles alike keep their bytes.
[[nodiscard]] CueFit clipSubtitlePacket(AVPacket* packet, const AVStream* stream, i64 limitUs);

/// Whether the codec of `stream` is a text subtitle (one that can be
/// converted into another text format).
[[nodiscard]] bool isTextSubtitle(const AVStream* stream);

/// The subtitle conversion stage for one stream: the text cues of the input
/// are decoded, held against the scene and encoded again (for MP4: into
/// mov_text).
class SubtitleTranscoder {
public:
    /// Receives every cue made (times in microseconds on the output clock);
    /// false stops the run.
    using PacketSink = std::function<bool(AVPacket* packet)>;

    SubtitleTranscoder() = default;
    SubtitleTranscoder(const SubtitleTranscoder&) = delete;
    SubtitleTranscoder& operator=(const SubtitleTranscoder&) = delete;
    ~SubtitleTranscoder();

    /// Opens the decoder of `stream` (a text subtitle) and the encoder
    /// `encoderName`, which takes over the decoder's style header; failed,
    /// with the reason, when either cannot be opened.
    base::Result open(const AVStream* stream, const std::string& encoderName, bool globalHeader);
    AVCodecContext* encoder() const { return m_encoder; }

    /// Converts the cues of `packet` (input time base). `offsetUs` moves an
    /// input time onto the output clock; `limitUs` is the scene's length
    /// (< 0: no end). `*pastEnd` becomes true at a cue after the scene. A
    /// packet the decoder rejects is skipped with a warning; false only when
    /// encoding failed or the sink said so.
    [[nodiscard]] bool transcode(AVPacket* packet, i64 offsetUs, i64 limitUs, const PacketSink& sink,
                                 bool* pastEnd);

private:
    AVCodecContext* m_decoder = nullptr;
    AVCodecContext* m_encoder = nullptr;
    AVPacket* m_packet = nullptr;
    std::vector<u8> m_buffer;
};

} // namespace s::video::tool
