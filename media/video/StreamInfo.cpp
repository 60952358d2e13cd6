#include "media/video/StreamInfo.h"

namespace s::video {

void StreamInfo::reset() {
    m_type = 0;
    m_codecName.reset();
    m_codecLongName.reset();
    m_codecTagString.reset();
    m_codecTag = 0;
    m_codecTimeBase = {};
    m_durationUs = 0;
    m_realFrameRate = {};
    m_averageFrameRate = {};
    m_timeBase = {};
    m_bitRate = 0;
    m_frameCount = 0;
    m_metadataKeys.reset();
    m_metadataValues.reset();
    m_width = 0;
    m_height = 0;
    m_aspectKnown = false;
    m_sampleAspect = {};
    m_displayAspect = {};
    m_hasBFrames = false;
    m_rotation = 0;
    m_pixelFormat.reset();
    m_sampleRate = 0;
    m_channels = 0;
    m_sampleFormat = 0;
    m_attachment = false;
}

} // namespace s::video
