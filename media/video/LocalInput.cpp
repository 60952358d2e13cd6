#include "media/video/LocalInput.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

namespace s::video {

namespace {
constexpr std::string_view kRefusedFormats[] = {"hls", "dash", "concat", "imf", "sdp", "rtsp", "rtp", "sap"};
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
