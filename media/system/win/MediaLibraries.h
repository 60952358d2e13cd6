#pragma once

#include "foundation/base/Types.h"

#include <vector>

namespace s::system::win {

/// One piece of a media library that the program relies on.
struct MediaPiece {
    enum Kind { kEncoder, kDecoder, kMuxer };
    Kind kind;
    const char* name; // the library's own name for it ("libx264", "mp4")
};

/// A media library as the binding checks it: the run-time major version must
/// be the one the program was built against, and every piece must exist.
struct MediaLibrary {
    const char* fileName;           // the shared object's name, e.g. "libavcodec.so.59"
    u32 buildMajor;                 // major version of the headers we were built with
    u32 (*runtimeVersion)();        // the loaded library's version, major in bits 16+
    std::vector<MediaPiece> pieces; // in check order
};

/// The libraries in load and check order, with the pieces each must provide:
/// the encoders, decoders and muxers that cutting and frame grabbing use.
const std::vector<MediaLibrary>& mediaLibraries();

/// Checks one library. A missing piece or version shows "<file>: <what> not
/// found!" and then "Failed to Load <file>!!\nError Code - <errno>", both
/// through the message sink; nothing is shown when everything is present.
[[nodiscard]] bool checkMediaLibrary(const MediaLibrary& library);

/// Checks `libraries` in order and stops at the first that fails (the later
/// ones are neither checked nor mentioned).
[[nodiscard]] bool checkMediaLibraries(const std::vector<MediaLibrary>& libraries);

/// Checks the media libraries once and sets up their process-wide options.
/// Called by start-up before any media work; later calls return the stored
/// result without checking or showing anything again. Media operations must
/// not start while this is false. Any thread; concurrent callers wait.
[[nodiscard]] bool loadMediaLibraries();

/// The stored result of `loadMediaLibraries()` (false before it ran and after
/// `unloadMediaLibraries()`).
bool mediaLibrariesLoaded();

/// The shutdown step: undoes the process-wide settings of a successful load
/// and sets the stored result to false. Later loads keep returning false.
void unloadMediaLibraries();

} // namespace s::system::win
