#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"
#include "media/converter/Options.h"

#include <functional>
#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/rational.h>
}

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace s::video::tool {

/// The encoding stage for one output stream.
class Encoder {
public:
    /// Receives every packet the encoder makes (time base: the encoder's);
    /// false stops the run.
    using PacketSink = std::function<bool(AVPacket* packet)>;

    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder();

    /// H.264 through libx264 (or another video encoder by name): 8-bit
    /// 4:2:0, the options' GOP, B-frames, preset, threads and bit rate (0 or
    /// none = the encoder's constant-quality default; so is a rate too low
    /// for the picture size, on which the encoder would refuse to open or
    /// give mush). `fieldOrder` (an AVFieldOrder) of an interlaced source
    /// makes interlaced pictures with the same field order.
    base::Result openVideo(const std::string& name, const OutputOptions& options, int width, int height,
                           AVRational sampleAspect, AVRational rate, int fieldOrder, bool globalHeader);
    /// An image encoder (BMP: 24-bit) for a single picture.
    base::Result openImage(const std::string& name, int width, int height, AVRational sampleAspect);
    /// AAC (or another audio encoder by name).
    base::Result openAudio(const std::string& name, const OutputOptions& options, int sampleRate,
                           const AVChannelLayout& layout, bool globalHeader);

    AVCodecContext* context() const { return m_context; }
    /// The pixel or sample format the encoder takes.
    int inputFormat() const;
    /// Samples per frame the encoder wants; 0 = any.
    int frameSize() const;

    /// Encodes `frame` (null drains) and passes the packets to `sink`.
    [[nodiscard]] bool encode(const AVFrame* frame, const PacketSink& sink);

private:
    AVCodecContext* m_context = nullptr;
    AVPacket* m_packet = nullptr;
};

} // namespace s::video::tool
