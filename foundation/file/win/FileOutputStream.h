#pragma once

#include "foundation/file/IFileStreams.h"
#include "foundation/thread/Pool.h"

#include <string_view>

namespace s::file::win {

/// Writes a file through a 65536-byte buffer.
///
/// Writes gather in the buffer; the buffer goes to the file when a write
/// finds it full or overflows it, and at `flush`, every move of the position
/// and `close`. A write that exactly fills the buffer leaves it full until
/// the next write, flush, move or close. A failed write keeps the bytes that
/// did not reach the file in the buffer. The position counts bytes written
/// or skipped, buffered ones included.
///
/// Through its input side the stream reads the same file from the current
/// position; the buffered bytes are written out first, so a read always sees
/// what was written. Pooled: give back with `dispose()`, which closes (and so
/// writes out the buffer). Not locked: one thread at a time.
class FileOutputStream : public IFileOutputStream {
    S_POOLED_CLASS(FileOutputStream)

public:
    static constexpr u32 kBufferSize = 65536;

    FileOutputStream() = default;
    FileOutputStream(const FileOutputStream&) = delete;
    FileOutputStream& operator=(const FileOutputStream&) = delete;
    ~FileOutputStream() override;

    const char16_t* getClassName() const override { return u"s_file_win_FileOutputStream"; }

    /// Opens for reading and writing: with `append` at the end of the file
    /// (made when missing), else made or truncated. Folders are not made.
    [[nodiscard]] bool open(const char16_t* path, bool append) override;
    [[nodiscard]] bool openOs(std::string_view path, bool append);
    bool isOpen() const override { return m_fd >= 0; }

    [[nodiscard]] bool write(const void* data, u32 bytes, u32* bytesWritten) override;
    /// Writes out the buffer and syncs the file to the disk.
    [[nodiscard]] bool flush() override;
    /// Ends the file at the current position (after writing out the buffer).
    bool truncate() override;
    /// Writes out the buffer and closes. Use `closeChecked()` to learn
    /// whether everything reached the file.
    void close() override;
    [[nodiscard]] bool closeChecked();
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

    [[nodiscard]] bool read(void* buffer, u32 bytes, u32* bytesRead) override;

    /// Bytes waiting in the buffer.
    u32 buffered() const { return m_buffered; }

private:
    bool writeOut();
    bool moveTo(i64 offset, int whence);

    int m_fd = -1;
    u8* m_buffer = nullptr; // kBufferSize bytes while open
    u32 m_buffered = 0;
    i64 m_position = 0;
};

} // namespace s::file::win
