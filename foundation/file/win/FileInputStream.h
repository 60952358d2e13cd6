#pragma once

#include "foundation/file/IFileStreams.h"
#include "foundation/thread/Pool.h"

#include <string_view>

namespace s::file::win {

/// Reads a file through a kernel file descriptor.
///
/// The stream counts its position itself. A stream whose open failed answers
/// every read with false. Pooled: take with `create()` (or a path's
/// `openInputStream()`), give back with `dispose()`, which also closes. Not
/// locked: one thread at a time.
class FileInputStream : public IFileInputStream {
    S_POOLED_CLASS(FileInputStream)

public:
    FileInputStream() = default;
    FileInputStream(const FileInputStream&) = delete;
    FileInputStream& operator=(const FileInputStream&) = delete;
    ~FileInputStream() override;

    const char16_t* getClassName() const override { return u"s_file_win_FileInputStream"; }

    /// Opens an existing file (not a folder) for reading.
    [[nodiscard]] bool open(const char16_t* path) override;
    /// The same with the kernel's bytes of the path.
    [[nodiscard]] bool openOs(std::string_view path);
    bool isOpen() const override { return m_fd >= 0; }

    /// False at the end of the file, on failure and when closed, with
    /// `*bytesRead` 0.
    [[nodiscard]] bool read(void* buffer, u32 bytes, u32* bytesRead) override;
    void close() override;
    i64 getPosition() const override { return m_position; }
    bool canSeek() const override { return true; }
    bool rewind() override;
    bool seekToEnd() override;
    bool seek(i64 position) override;
    bool seekFromEnd(i64 back) override;
    bool skip(i64 n) override;
    bool back(i64 n) override;
    void closeAndClear() override;
    void dispose() override;
    void reset() override { closeAndClear(); }

private:
    bool moveTo(i64 offset, int whence);

    int m_fd = -1;
    i64 m_position = 0;
};

} // namespace s::file::win
