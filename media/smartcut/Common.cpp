#include "media/smartcut/Common.h"

#include "media/converter/Input.h"
#include "media/converter/LibAv.h"

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/error.h>
}

namespace s::video::smartcut {

namespace {

const std::atomic<bool> kNeverStop{false};

} // namespace

SmartCutResult smartResult(SmartCutStatus code, std::string reason) {
    SmartCutResult result;
    result.status = code;
    result.reason = std::move(reason);
    return result;
}

const std::atomic<bool>& stopFlagOf(const SmartCutRequest& request) {
    return request.stop ? *request.stop : kNeverStop;
}

SmartCutResult openMedia(const SmartCutRequest& request, const std::string& path, i64 atUs,
                         tool::InputFile& input) {
    const std::atomic<bool>& stop = stopFlagOf(request);
    tool::InputOptions options;
    options.path = path;
    options.probeSize = "100M";
    options.analyzeDuration = "100M";
    if (atUs > 0)
        options.seekUs = atUs;
    const base::Result opened = input.open(options, stop);
    if (opened.isOk())
        return smartResult(SmartCutStatus::kDone);
    return opened.isStopped() || stop.load() ? smartResult(SmartCutStatus::kStopped, "stopped")
                                             : smartResult(SmartCutStatus::kFailed, opened.reason());
}

ReadStep readPacket(tool::InputFile& input, int stream, AVPacket* packet, const std::atomic<bool>& stop,
                    std::string& error) {
    for (;;) {
        if (stop.load())
            return ReadStep::kStopped;
        const int result = input.read(packet);
        if (result == AVERROR_EOF)
            return ReadStep::kEnd;
        if (result < 0) {
            error = tool::errorText(result);
            return ReadStep::kFailed;
        }
        if (stream < 0 || packet->stream_index == stream)
            return ReadStep::kPacket;
        av_packet_unref(packet);
    }
}

} // namespace s::video::smartcut
