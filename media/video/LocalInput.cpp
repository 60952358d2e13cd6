#include "media/video/LocalInput.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string_view>

namespace s::video {

namespace {
constexpr std::string_view kRefusedFormats[] = {"hls", "dash", "concat", "imf", "sdp", "rtsp", "rtp", "sap"};
}

int displayRotation(const AVStream* stream) {
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < 9 * sizeof(int32_t))
        return 0;
    // The matrix turns counter-clockwise; players turn the other way round.
    const double angle = -av_display_rotation_get(reinterpret_cast<const int32_t*>(data));
    if (std::isnan(angle))
        return 0;
    const int quarter = static_cast<int>(std::lround(angle / 90.0)) % 4;
    return (quarter + 4) % 4 * 90;
}

bool isRefusedInputFormat(const AVInputFormat* format) {
    if ((format->flags & AVFMT_NOFILE) && std::strcmp(format->name, "image2") != 0)
        return true;
    for (std::string_view name : kRefusedFormats) {
        if (name == format->name)
            return true;
    }
    return false;
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/')
        return path;
    std::string cwd(4096, '\0');
    while (!::getcwd(cwd.data(), cwd.size())) {
        if (errno != ERANGE)
            return {};
        cwd.resize(cwd.size() * 2);
    }
    cwd.resize(std::strlen(cwd.c_str()));
    if (cwd.empty() || cwd.back() != '/')
        cwd += '/';
    return cwd + path;
}

} // namespace s::video
