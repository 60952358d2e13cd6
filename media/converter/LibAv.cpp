#include "media/converter/LibAv.h"

#include "media/converter/Options.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/error.h>
}

#include <cstring>

namespace s::video::tool {

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

int mainVideoStream(const AVFormatContext* context) {
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* stream = context->streams[i];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            !(stream->disposition & AV_DISPOSITION_ATTACHED_PIC))
            return static_cast<int>(i);
    }
    return -1;
}

i64 packetTimeUs(const AVPacket* packet, const AVStream* stream) {
    const i64 ts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    return ts == AV_NOPTS_VALUE ? kNoTime : av_rescale_q(ts, stream->time_base, AVRational{1, 1000000});
}

void copySideData(const AVStream* from, AVStream* to) {
    for (int i = 0; i < from->nb_side_data; ++i) {
        const AVPacketSideData& data = from->side_data[i];
        u8* copy = av_stream_new_side_data(to, data.type, data.size);
        if (copy)
            std::memcpy(copy, data.data, data.size);
    }
}

} // namespace s::video::tool
