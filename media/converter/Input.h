#pragma once

#include "foundation/base/Types.h"
#include "media/converter/Options.h"
#include "media/video/LocalInput.h"

#include <atomic>
#include <string>

struct AVFormatContext;
struct AVPacket;

namespace s::video::tool {

/// The demuxing stage: one opened input file of a run.
///
/// Only a local file is read, by its absolute name through the "file"
/// protocol alone, and containers that would open further files or
/// addresses (playlists, concatenation scripts, stream descriptions,
/// devices) are refused.
class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    /// Opens the input, reads its stream information and, when the options
    /// ask for it, seeks to the key frame at or before the position. False
    /// with a reason in `error`. Every blocking step of the libraries on
    /// this input gives up once `stop` is set (which outlives the input).
    [[nodiscard]] bool open(const InputOptions& options, const std::atomic<bool>& stop, std::string& error);

    AVFormatContext* context() const { return m_context; }

    /// Microseconds to add to a stream time (converted to microseconds) to
    /// get the time on the output's clock: minus the file's start and minus
    /// the input seek.
    i64 timeOffsetUs() const { return m_offsetUs; }
    /// Whether "-ss" was given before "-i" (decoded frames before the
    /// position are dropped).
    bool seeked() const { return m_seeked; }

    /// Reads the next packet into `packet`. Returns 0, AVERROR_EOF at the end
    /// or another negative code on a read error.
    [[nodiscard]] int read(AVPacket* packet);

private:
    AVFormatContext* m_context = nullptr;
    i64 m_offsetUs = 0;
    bool m_seeked = false;
};

using s::video::absolutePath;

} // namespace s::video::tool
