#include "media/system/win/MediaLibraries.h"

#include "foundation/str/StrBuffer.h"
#include "media/system/MessageSink.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <mutex>

namespace s::system::win {

namespace {

using str::strbuffer::StrBuffer;

#define SF_SONAME(lib, major) "lib" #lib ".so." AV_STRINGIFY(major)

u32 codecVersion() {
    return avcodec_version();
}
u32 formatVersion() {
    return avformat_version();
}
u32 utilVersion() {
    return avutil_version();
}
u32 resampleVersion() {
    return swresample_version();
}
u32 scaleVersion() {
    return swscale_version();
}

bool pieceExists(const MediaPiece& piece) {
    switch (piece.kind) {
    case MediaPiece::kEncoder:
        return avcodec_find_encoder_by_name(piece.name) != nullptr;
    case MediaPiece::kDecoder:
        return avcodec_find_decoder_by_name(piece.name) != nullptr;
    case MediaPiece::kMuxer:
        return av_guess_format(piece.name, nullptr, nullptr) != nullptr;
    }
    return false;
}

const char* kindText(MediaPiece::Kind kind) {
    switch (kind) {
    case MediaPiece::kEncoder:
        return "encoder ";
    case MediaPiece::kDecoder:
        return "decoder ";
    case MediaPiece::kMuxer:
        return "muxer ";
    }
    return "";
}

void showNotFound(const MediaLibrary& library, const char* what, const char* name) {
    StrBuffer text;
    text.append(library.fileName).append(": ").append(what).append(name).append(" not found!");
    showInfo(text);
}

void showFailedToLoad(const MediaLibrary& library, int errorCode) {
    StrBuffer text;
    text.append("Failed to Load ").append(library.fileName).append("!!\n");
    text.append("Error Code - ").append(static_cast<i32>(errorCode));
    showInfo(text);
}

struct LoadState {
    std::mutex lock;
    bool attempted = false; // guarded by lock
    bool loaded = false;    // guarded by lock
    int savedLogLevel = 0;  // guarded by lock; restored by the shutdown step
    int savedLogFlags = 0;
};

LoadState& loadState() {
    static LoadState state;
    return state;
}

} // namespace

const std::vector<MediaLibrary>& mediaLibraries() {
    static const std::vector<MediaLibrary> libraries = {
        {SF_SONAME(avcodec, LIBAVCODEC_VERSION_MAJOR),
         LIBAVCODEC_VERSION_MAJOR,
         codecVersion,
         {
             {MediaPiece::kEncoder, "libx264"},
             {MediaPiece::kEncoder, "aac"},
             {MediaPiece::kEncoder, "bmp"},
             {MediaPiece::kDecoder, "h264"},
             {MediaPiece::kDecoder, "aac"},
         }},
        {SF_SONAME(avformat, LIBAVFORMAT_VERSION_MAJOR),
         LIBAVFORMAT_VERSION_MAJOR,
         formatVersion,
         {
             {MediaPiece::kMuxer, "mp4"},
             {MediaPiece::kMuxer, "mov"},
             {MediaPiece::kMuxer, "3gp"},
             {MediaPiece::kMuxer, "3g2"},
             {MediaPiece::kMuxer, "matroska"},
             {MediaPiece::kMuxer, "webm"},
             {MediaPiece::kMuxer, "image2"},
         }},
        {SF_SONAME(avutil, LIBAVUTIL_VERSION_MAJOR), LIBAVUTIL_VERSION_MAJOR, utilVersion, {}},
        {SF_SONAME(swresample, LIBSWRESAMPLE_VERSION_MAJOR),
         LIBSWRESAMPLE_VERSION_MAJOR,
         resampleVersion,
         {}},
        {SF_SONAME(swscale, LIBSWSCALE_VERSION_MAJOR), LIBSWSCALE_VERSION_MAJOR, scaleVersion, {}},
    };
    return libraries;
}

bool checkMediaLibrary(const MediaLibrary& library) {
    // A library of another major version has another ABI: the program would
    // call into it with the wrong structure layouts.
    const u32 runtimeMajor = library.runtimeVersion() >> 16;
    if (runtimeMajor != library.buildMajor) {
        StrBuffer version;
        version.append(library.buildMajor).append(" (run-time ").append(runtimeMajor).append(")");
        showNotFound(library, "version ", version.toStdString().c_str());
        showFailedToLoad(library, ELIBBAD);
        return false;
    }
    for (const MediaPiece& piece : library.pieces) {
        if (!pieceExists(piece)) {
            showNotFound(library, kindText(piece.kind), piece.name);
            showFailedToLoad(library, ENOENT);
            return false;
        }
    }
    return true;
}

bool checkMediaLibraries(const std::vector<MediaLibrary>& libraries) {
    for (const MediaLibrary& library : libraries) {
        if (!checkMediaLibrary(library))
            return false;
    }
    return true;
}

bool loadMediaLibraries() {
    LoadState& state = loadState();
    std::lock_guard guard(state.lock);
    if (state.attempted)
        return state.loaded;
    state.attempted = true;
    state.loaded = checkMediaLibraries(mediaLibraries());
    if (state.loaded) {
        state.savedLogFlags = av_log_get_flags();
        state.savedLogLevel = av_log_get_level();
        av_log_set_flags(AV_LOG_SKIP_REPEATED);
        // The libraries' own chatter has no reader in this program: failures
        // reach the user through return values and the message sink.
        av_log_set_level(AV_LOG_FATAL);
    }
    return state.loaded;
}

bool mediaLibrariesLoaded() {
    LoadState& state = loadState();
    std::lock_guard guard(state.lock);
    return state.loaded;
}

void unloadMediaLibraries() {
    LoadState& state = loadState();
    std::lock_guard guard(state.lock);
    if (!state.loaded)
        return;
    av_log_set_level(state.savedLogLevel);
    av_log_set_flags(state.savedLogFlags);
    state.loaded = false;
}

} // namespace s::system::win
