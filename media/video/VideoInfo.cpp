#include "media/video/VideoInfo.h"

#include "foundation/str/TimeText.h"

#include <cinttypes>
#include <cstdio>

namespace s::video {

using str::strbuffer::StrBuffer;
using str::timetext::appendClock;
using str::timetext::kReportClock;

namespace {

base::IDestructor* streamPool() {
    return &thread::poolOf<StreamInfo>();
}

u64 magnitude(i64 value) {
    return value < 0 ? 0 - static_cast<u64>(value) : static_cast<u64>(value);
}

void appendFormatted(StrBuffer& out, const char* format, auto... values) {
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    out.append(text);
}

void appendRational(StrBuffer& out, Rational64 value) {
    out.append(value.num).append(u'/').append(value.den);
}

void appendMetadata(StrBuffer& out, const str::strarray::StrArray& keys,
                    const str::strarray::StrArray& values) {
    if (keys.size() == 0)
        return;
    out.append(" \n[Metadata]\n");
    for (u32 i = 0; i < keys.size(); ++i) {
        out.append(*keys.get(i)).append(": ");
        if (i < values.size())
            out.append(*values.get(i));
        out.append(u'\n');
    }
}

const char* typeText(i32 type) {
    switch (type) {
    case kStreamVideo:
        return "Video";
    case kStreamAudio:
        return "Audio";
    case kStreamSubtitle:
        return "Sub Title";
    default:
        return "Unknown";
    }
}

const char* sampleFormatText(i32 code) {
    switch (code) {
    case kSampleU8:
        return "8 bits (Integer)";
    case kSampleS16:
        return "16 bits (Integer)";
    case kSampleS32:
        return "32 bits (Integer)";
    case kSampleFloat:
        return "32 bits (Float)";
    case kSampleDouble:
        return "64 bits (Float)";
    default:
        return "";
    }
}

void appendStream(StrBuffer& out, const StreamInfo& stream, u32 index) {
    out.append(" \n[Stream #").append(index).append("]\n");
    out.append("Type: ").append(typeText(stream.type())).append(u'\n');
    out.append("Codec (Short Name): ").append(stream.codecName()).append(u'\n');
    out.append("Long (Short Name): ").append(stream.codecLongName()).append(u'\n');
    out.append("Codec Tag: ");
    appendFormatted(out, "0x%08x", stream.codecTag());
    out.append(u'\n');
    out.append("Codec Tag (String): ").append(stream.codecTagString()).append(u'\n');
    out.append("Codec Time Base: ");
    appendRational(out, stream.codecTimeBase());
    out.append("\nTime Base: ");
    appendRational(out, stream.timeBase());
    out.append("\nReal Base Frame Rate: ");
    appendRational(out, stream.realFrameRate());
    out.append("\nAverage Frame Rate: ");
    appendRational(out, stream.averageFrameRate());
    out.append("\nDuration: ");
    if (stream.durationUs() < 0)
        out.append("N/A");
    else
        appendClock(out, stream.durationUs(), kReportClock);
    out.append("\nDuration (Microseconds): ");
    if (stream.durationUs() < 0)
        out.append("N/A");
    else
        appendCount(out, stream.durationUs());
    out.append("\nBit Rate (bits/sec): ");
    if (stream.bitRate() <= 0)
        out.append("N/A");
    else
        appendCount(out, stream.bitRate());
    out.append("\nNumber of Frames: ");
    if (stream.frameCount() <= 0)
        out.append("N/A");
    else
        appendCount(out, stream.frameCount());
    out.append(u'\n');

    if (stream.type() == kStreamVideo) {
        out.append(" \nWidth: ");
        appendCount(out, stream.width());
        out.append("\nHeight: ");
        appendCount(out, stream.height());
        const Ratio32 sar = stream.sampleAspect();
        const Ratio32 dar = stream.displayAspect();
        out.append("\nPixel Aspect Ratio: ").append(sar.num).append(u':').append(sar.den);
        out.append("\nDisplay Aspect Ratio: ").append(dar.num).append(u':').append(dar.den);
        out.append("\nPixel Formal: ").append(stream.pixelFormat());
        out.append("\nHas B Frames: ").append(stream.hasBFrames() ? "Yes" : "No").append(u'\n');
    } else if (stream.type() == kStreamAudio) {
        out.append(" \nChannels: ").append(stream.channels());
        out.append("\nSample Rate (Hz): ");
        appendCount(out, stream.sampleRate());
        out.append("\nSample Data Format: ").append(sampleFormatText(stream.sampleFormat())).append(" \n");
    }
    appendMetadata(out, stream.metadataKeys(), stream.metadataValues());
}

} // namespace

void appendCount(StrBuffer& out, i64 value) {
    char digits[32];
    const int n = std::snprintf(digits, sizeof digits, "%" PRIu64, magnitude(value));
    if (value < 0)
        out.append(u'-');
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.append(u',');
        out.append(static_cast<char16_t>(digits[i]));
    }
}

VideoInfo::VideoInfo() {
    m_streams.setElementDestructor(streamPool());
}

VideoInfo::~VideoInfo() {
    // Delete rather than hand back: the stream pool may already be gone when
    // idle objects are destroyed at process exit.
    for (u32 i = 0; i < m_streams.size(); ++i)
        delete m_streams.getAs<StreamInfo>(i);
    m_streams.setElementDestructor(nullptr);
    m_streams.clear();
}

StreamInfo* VideoInfo::addStream() {
    StreamInfo* stream = StreamInfo::create();
    m_streams.append(static_cast<base::IObject*>(stream));
    return stream;
}

StreamInfo* VideoInfo::firstStreamOfType(i32 type) const {
    for (u32 i = 0; i < m_streams.size(); ++i) {
        StreamInfo* stream = this->stream(i);
        if (stream->type() == type)
            return stream;
    }
    return nullptr;
}

void VideoInfo::fillBitRates() {
    if (m_durationUs > 0)
        m_bitRate = static_cast<i64>(static_cast<double>(m_fileSize) * 8.0 /
                                     (static_cast<double>(m_durationUs) / 1000000.0));

    auto fillIn = [this](StreamInfo* target) {
        if (!target || target->bitRate() > 0)
            return;
        i64 known = 0;
        for (u32 i = 0; i < m_streams.size(); ++i) {
            if (stream(i)->bitRate() > 0)
                known += stream(i)->bitRate();
        }
        const i64 rest = m_bitRate - known;
        target->setBitRate(rest > 0 ? rest : 0);
    };
    if (m_hasVideo)
        fillIn(firstStreamOfType(kStreamVideo));
    if (m_hasAudio)
        fillIn(firstStreamOfType(kStreamAudio));
}

StrBuffer* VideoInfo::report() const {
    StrBuffer* out = StrBuffer::create();
    out->append("File Name: ").append(m_fileName).append(u'\n');
    out->append("File Size (Bytes): ");
    appendCount(*out, m_fileSize);
    out->append("\n \n[Format]\n");
    out->append("Format (Short Name): ").append(m_formatName).append(u'\n');
    out->append("Format (Long Name): ").append(m_formatLongName).append(u'\n');
    out->append("Duration: ");
    appendClock(*out, m_durationUs, kReportClock);
    out->append("\nDuration (Microseconds): ");
    appendCount(*out, m_durationUs);
    out->append("\nBit Rate (bits/sec): ");
    appendCount(*out, m_bitRate);
    out->append("\nNumber of Streams: ").append(m_streams.size()).append(u'\n');
    appendMetadata(*out, m_metadataKeys, m_metadataValues);
    for (u32 i = 0; i < m_streams.size(); ++i)
        appendStream(*out, *stream(i), i);
    return out;
}

void VideoInfo::reset() {
    m_exists = false;
    m_fileName.reset();
    m_path.reset();
    m_opened = false;
    m_formatName.reset();
    m_formatLongName.reset();
    m_videoWidth = 0;
    m_videoHeight = 0;
    m_hasVideo = false;
    m_hasAudio = false;
    m_durationUs = 0;
    m_fileSize = 0;
    m_bitRate = 0;
    m_metadataKeys.reset();
    m_metadataValues.reset();
    m_streams.reset(); // hands the streams back and forgets the policy
    m_streams.setElementDestructor(streamPool());
}

} // namespace s::video
