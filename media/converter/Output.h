#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"

#include <atomic>
#include <string>

struct AVFormatContext;
struct AVPacket;
struct AVStream;
struct AVOutputFormat;

namespace s::video::tool {

/// The muxing stage: the output file of a run.
///
/// Every write, the trailer and the close are checked. When the run fails,
/// `abandon()` removes the file if this run created it; a file that was
/// there before (the caller's reserved name, or a FIFO) is left in place.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    /// Chooses the muxer from `format` or the name, and checks that the file
    /// may be written (`overwrite` for an existing one). Nothing is written
    /// yet. Failed, with the reason, for an unknown format, a refused
    /// muxer, an existing file without `overwrite` or a folder.
    base::Result prepare(const std::string& path, const std::string& format, bool overwrite);

    AVFormatContext* context() const { return m_context; }
    const AVOutputFormat* format() const;
    /// The image muxer: the output is one picture written as a plain file.
    bool isImage() const { return m_image; }
    bool needsGlobalHeader() const;

    AVStream* addStream();
    /// Whether the container holds attached files (fonts): Matroska does,
    /// WebM, MP4 and the others do not.
    bool takesAttachments() const;
    /// Gives the output the chapters of `input` that fall into the scene:
    /// moved onto the output clock by `offsetUs`, clipped to [0, `limitUs`)
    /// (`limitUs` < 0: no end), titles and other tags kept; chapters wholly
    /// outside are left out. Before `begin`; `input` must stay open until
    /// `finish`. False when out of memory.
    [[nodiscard]] bool copyChapters(const AVFormatContext* input, i64 offsetUs, i64 limitUs);
    /// Opens the file and writes the header; failed, with the libraries'
    /// reason, when either cannot be done.
    base::Result begin();
    /// Writes one packet (stream index and time base set, in the stream's
    /// time base) through the interleaving queue.
    [[nodiscard]] bool write(AVPacket* packet);
    /// Writes the whole picture of an image output. A FIFO is waited for
    /// until its reader opens it and takes the bytes, checking `stop` every
    /// 10 ms, so a reader that never comes or goes away cannot hold the run.
    [[nodiscard]] bool writeImage(const u8* bytes, size_t size, const std::atomic<bool>& stop);
    /// Writes the trailer and closes the file; false when any of it failed.
    [[nodiscard]] bool finish();
    /// Closes without finishing and removes the file if this run made it.
    void abandon();

private:
    [[nodiscard]] bool addChapters(i64 shiftUs);

    std::string m_path; // absolute
    AVFormatContext* m_context = nullptr;
    bool m_image = false;
    bool m_existed = false;
    bool m_opened = false;
    bool m_finished = false;
    // The chapters to copy (see copyChapters) and, for a writer that takes
    // them at the end, the lead it gives every timestamp.
    const AVFormatContext* m_chapterSource = nullptr;
    i64 m_chapterOffsetUs = 0;
    i64 m_chapterLimitUs = -1;
    bool m_chaptersLate = false;
    bool m_leadKnown = false;
    i64 m_leadDtsUs = 0;
    i64 m_leadUs = 0;
};

} // namespace s::video::tool
