#pragma once

#include "foundation/base/IObject.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::video {

/// A rational of two 64-bit integers as the media libraries report it; 0/0
/// or 0/1 when unknown.
struct Rational64 {
    i64 num = 0;
    i64 den = 0;
    friend bool operator==(const Rational64&, const Rational64&) = default;
};

/// A ratio of two 32-bit integers (aspect ratios).
struct Ratio32 {
    i32 num = 0;
    i32 den = 0;
    friend bool operator==(const Ratio32&, const Ratio32&) = default;
};

/// The least bit rate, in bits per second, at which a bit-rate target still
/// gives a usable picture of `width` x `height` (a quarter of a bit per
/// pixel and second, at least 32 kbit/s). Below it, and when a source's rate is
/// unknown, video is better encoded at constant quality: a slide show's few
/// bits per second would make the encoder refuse to open or smear the
/// picture.
constexpr i64 leastVideoBitRate(i64 width, i64 height) {
    const i64 rate = width * height / 4;
    return rate > 32000 ? rate : 32000;
}

/// Stream type codes. 3 is never assigned.
enum StreamType : i32 {
    kStreamUnknown = 0, // unknown, data, attachment
    kStreamVideo = 1,
    kStreamAudio = 2,
    kStreamSubtitle = 4,
};

/// Sample format codes; packed and planar layouts share a code.
enum SampleFormat : i32 {
    kSampleOther = 0,
    kSampleU8 = 1,
    kSampleS16 = 2,
    kSampleS32 = 3,
    kSampleFloat = 4,
    kSampleDouble = 5,
};

/// What the probe found out about one stream of a media file. Video-only and
/// audio-only fields stay 0 for other streams. Owned by its `VideoInfo`.
class StreamInfo : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(StreamInfo)

public:
    StreamInfo() = default;
    StreamInfo(const StreamInfo&) = delete;
    StreamInfo& operator=(const StreamInfo&) = delete;

    i32 type() const { return m_type; }
    void setType(i32 type) { m_type = type; }
    /// The decoder's codec name; "Unknown" when no decoder is known.
    const str::strbuffer::StrBuffer& codecName() const { return m_codecName; }
    str::strbuffer::StrBuffer& codecName() { return m_codecName; }
    /// The descriptive name; "Unknown" when there is none.
    const str::strbuffer::StrBuffer& codecLongName() const { return m_codecLongName; }
    str::strbuffer::StrBuffer& codecLongName() { return m_codecLongName; }
    /// The four-character code as text, unprintable bytes as "[n]".
    const str::strbuffer::StrBuffer& codecTagString() const { return m_codecTagString; }
    str::strbuffer::StrBuffer& codecTagString() { return m_codecTagString; }
    u32 codecTag() const { return m_codecTag; }
    void setCodecTag(u32 tag) { m_codecTag = tag; }
    Rational64 codecTimeBase() const { return m_codecTimeBase; }
    void setCodecTimeBase(Rational64 value) { m_codecTimeBase = value; }
    /// Microseconds; negative when unknown.
    i64 durationUs() const { return m_durationUs; }
    void setDurationUs(i64 value) { m_durationUs = value; }
    Rational64 realFrameRate() const { return m_realFrameRate; }
    void setRealFrameRate(Rational64 value) { m_realFrameRate = value; }
    Rational64 averageFrameRate() const { return m_averageFrameRate; }
    void setAverageFrameRate(Rational64 value) { m_averageFrameRate = value; }
    Rational64 timeBase() const { return m_timeBase; }
    void setTimeBase(Rational64 value) { m_timeBase = value; }
    /// Bits per second; 0 or negative when unknown.
    i64 bitRate() const { return m_bitRate; }
    void setBitRate(i64 value) { m_bitRate = value; }
    /// Frames the container declares; 0 when unknown.
    i64 frameCount() const { return m_frameCount; }
    void setFrameCount(i64 value) { m_frameCount = value; }
    const str::strarray::StrArray& metadataKeys() const { return m_metadataKeys; }
    str::strarray::StrArray& metadataKeys() { return m_metadataKeys; }
    const str::strarray::StrArray& metadataValues() const { return m_metadataValues; }
    str::strarray::StrArray& metadataValues() { return m_metadataValues; }

    // -- video --
    i32 width() const { return m_width; }
    void setWidth(i32 value) { m_width = value; }
    i32 height() const { return m_height; }
    void setHeight(i32 value) { m_height = value; }
    bool aspectKnown() const { return m_aspectKnown; }
    void setAspectKnown(bool value) { m_aspectKnown = value; }
    Ratio32 sampleAspect() const { return m_sampleAspect; }
    void setSampleAspect(Ratio32 value) { m_sampleAspect = value; }
    Ratio32 displayAspect() const { return m_displayAspect; }
    void setDisplayAspect(Ratio32 value) { m_displayAspect = value; }
    bool hasBFrames() const { return m_hasBFrames; }
    void setHasBFrames(bool value) { m_hasBFrames = value; }
    /// How far pictures are turned for showing: 0, 90, 180 or 270 degrees
    /// clockwise. The width and height above are the stored pictures'.
    i32 rotation() const { return m_rotation; }
    void setRotation(i32 degrees) { m_rotation = degrees; }
    /// The size of the pictures as shown, after the rotation.
    i32 displayWidth() const { return m_rotation % 180 ? m_height : m_width; }
    i32 displayHeight() const { return m_rotation % 180 ? m_width : m_height; }
    /// "Unknown" when the format is unset or nameless.
    const str::strbuffer::StrBuffer& pixelFormat() const { return m_pixelFormat; }
    str::strbuffer::StrBuffer& pixelFormat() { return m_pixelFormat; }

    // -- audio --
    i32 sampleRate() const { return m_sampleRate; }
    void setSampleRate(i32 value) { m_sampleRate = value; }
    i32 channels() const { return m_channels; }
    void setChannels(i32 value) { m_channels = value; }
    /// A `SampleFormat` code.
    i32 sampleFormat() const { return m_sampleFormat; }
    void setSampleFormat(i32 value) { m_sampleFormat = value; }

    // -- other --
    /// An attached file (a font of a Matroska file); its type stays
    /// `kStreamUnknown`.
    bool isAttachment() const { return m_attachment; }
    void setAttachment(bool value) { m_attachment = value; }

    const char16_t* getClassName() const override { return u"s_video_StreamInfo"; }
    /// Empties every string and list; every number and flag becomes 0.
    void reset() override;

private:
    i32 m_type = 0;
    str::strbuffer::StrBuffer m_codecName;
    str::strbuffer::StrBuffer m_codecLongName;
    str::strbuffer::StrBuffer m_codecTagString;
    u32 m_codecTag = 0;
    Rational64 m_codecTimeBase;
    i64 m_durationUs = 0;
    Rational64 m_realFrameRate;
    Rational64 m_averageFrameRate;
    Rational64 m_timeBase;
    i64 m_bitRate = 0;
    i64 m_frameCount = 0;
    str::strarray::StrArray m_metadataKeys;
    str::strarray::StrArray m_metadataValues;
    i32 m_width = 0;
    i32 m_height = 0;
    bool m_aspectKnown = false;
    Ratio32 m_sampleAspect;
    Ratio32 m_displayAspect;
    bool m_hasBFrames = false;
    i32 m_rotation = 0;
    str::strbuffer::StrBuffer m_pixelFormat;
    i32 m_sampleRate = 0;
    i32 m_channels = 0;
    i32 m_sampleFormat = 0;
    bool m_attachment = false;
};

} // namespace s::video
