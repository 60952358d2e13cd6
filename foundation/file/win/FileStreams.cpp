#include "foundation/file/win/FileInputStream.h"
#include "foundation/file/win/FileOutputStream.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/Posix.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win {

namespace {

ssize_t readSome(int fd, void* buffer, u32 bytes) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, bytes);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// FileInputStream

FileInputStream::~FileInputStream() {
    close();
}

bool FileInputStream::open(const char16_t* path) {
    PathHandle p(newPath(path));
    if (!p->isValid()) {
        closeAndClear();
        return false;
    }
    return openOs(p->osPathBytes());
}

bool FileInputStream::openOs(std::string_view path) {
    closeAndClear();
    const std::string os(path);
    const int fd = ::open(os.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_fd = fd;
    return true;
}

bool FileInputStream::read(void* buffer, u32 bytes, u32* bytesRead) {
    if (bytesRead)
        *bytesRead = 0;
    if (m_fd < 0 || bytes == 0)
        return false;
    const ssize_t n = readSome(m_fd, buffer, bytes);
    if (n <= 0)
        return false;
    m_position += n;
    if (bytesRead)
        *bytesRead = static_cast<u32>(n);
    return true;
}

void FileInputStream::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

namespace {

/// Moves the file offset of `fd` and keeps the stream's own position count in
/// step with it.
bool seekDescriptor(int fd, s::i64 offset, int whence, s::i64& position) {
    const off_t at = ::lseek(fd, offset, whence);
    if (at < 0)
        return false;
    if (whence != SEEK_CUR)
        position = at;
    else
        position += offset;
    return true;
}

} // namespace

bool FileInputStream::moveTo(i64 offset, int whence) {
    if (m_fd < 0)
        return false;
    return seekDescriptor(m_fd, offset, whence, m_position);
}

bool FileInputStream::rewind() {
    return moveTo(0, SEEK_SET);
}
bool FileInputStream::seekToEnd() {
    return moveTo(0, SEEK_END);
}
bool FileInputStream::seek(i64 position) {
    return position == m_position ? m_fd >= 0 : moveTo(position, SEEK_SET);
}
bool FileInputStream::seekFromEnd(i64 back) {
    return moveTo(-back, SEEK_END);
}
bool FileInputStream::skip(i64 n) {
    return n == 0 ? m_fd >= 0 : moveTo(n, SEEK_CUR);
}
bool FileInputStream::back(i64 n) {
    return n == 0 ? m_fd >= 0 : moveTo(-n, SEEK_CUR);
}

void FileInputStream::closeAndClear() {
    close();
    m_position = 0;
}

void FileInputStream::dispose() {
    close();
    release();
}

// ---------------------------------------------------------------------------
// FileOutputStream

FileOutputStream::~FileOutputStream() {
    close();
}

bool FileOutputStream::open(const char16_t* path, bool append) {
    PathHandle p(newPath(path));
    if (!p->isValid()) {
        closeAndClear();
        return false;
    }
    return openOs(p->osPathBytes(), append);
}

bool FileOutputStream::openOs(std::string_view path, bool append) {
    closeAndClear();
    const std::string os(path);
    const int fd = ::open(os.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | (append ? 0 : O_TRUNC), 0666);
    if (fd < 0)
        return false;
    m_fd = fd;
    m_buffer = new u8[kBufferSize];
    m_buffered = 0;
    if (append && !seekToEnd()) {
        closeAndClear();
        return false;
    }
    return true;
}

bool FileOutputStream::writeOut() {
    if (m_buffered == 0)
        return true;
    size_t done = 0;
    if (posix::writeAll(m_fd, m_buffer, m_buffered, &done)) {
        m_buffered = 0;
        return true;
    }
    // What reached the file leaves the buffer; the rest stays for a retry.
    std::memmove(m_buffer, m_buffer + done, m_buffered - done);
    m_buffered -= static_cast<u32>(done);
    return false;
}

bool FileOutputStream::write(const void* data, u32 bytes, u32* bytesWritten) {
    if (bytesWritten)
        *bytesWritten = 0;
    if (m_fd < 0 || (!data && bytes > 0))
        return false;
    const u8* p = static_cast<const u8*>(data);
    u32 remaining = bytes;
    while (remaining > 0) {
        const u32 room = kBufferSize - m_buffered;
        if (room == 0) {
            if (!writeOut())
                break;
            continue;
        }
        const u32 n = remaining < room ? remaining : room;
        std::memcpy(m_buffer + m_buffered, p, n);
        m_buffered += n;
        p += n;
        remaining -= n;
        if (remaining > 0 && !writeOut())
            break;
    }
    const u32 taken = bytes - remaining;
    m_position += taken;
    if (bytesWritten)
        *bytesWritten = taken;
    return remaining == 0;
}

bool FileOutputStream::flush() {
    if (m_fd < 0 || !writeOut())
        return false;
    if (::fsync(m_fd) == 0)
        return true;
    return errno == EINVAL || errno == EROFS; // pipes and the like need no sync
}

bool FileOutputStream::truncate() {
    if (m_fd < 0 || !flush())
        return false;
    const off_t at = ::lseek(m_fd, 0, SEEK_CUR);
    return at >= 0 && ::ftruncate(m_fd, at) == 0;
}

bool FileOutputStream::closeChecked() {
    if (m_fd < 0)
        return false;
    const bool flushed = flush();
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    delete[] m_buffer;
    m_buffer = nullptr;
    m_buffered = 0;
    return flushed && closed;
}

void FileOutputStream::close() {
    if (m_fd >= 0)
        (void)closeChecked();
}

bool FileOutputStream::moveTo(i64 offset, int whence) {
    if (m_fd < 0 || !writeOut())
        return false;
    return seekDescriptor(m_fd, offset, whence, m_position);
}

bool FileOutputStream::rewind() {
    return moveTo(0, SEEK_SET);
}
bool FileOutputStream::seekToEnd() {
    return moveTo(0, SEEK_END);
}
bool FileOutputStream::seek(i64 position) {
    return position == m_position ? m_fd >= 0 : moveTo(position, SEEK_SET);
}
bool FileOutputStream::seekFromEnd(i64 back) {
    return moveTo(-back, SEEK_END);
}
bool FileOutputStream::skip(i64 n) {
    return n == 0 ? m_fd >= 0 : moveTo(n, SEEK_CUR);
}
bool FileOutputStream::back(i64 n) {
    return n == 0 ? m_fd >= 0 : moveTo(-n, SEEK_CUR);
}

void FileOutputStream::closeAndClear() {
    close();
    m_buffered = 0;
    m_position = 0;
}

void FileOutputStream::dispose() {
    close();
    release();
}

bool FileOutputStream::read(void* buffer, u32 bytes, u32* bytesRead) {
    if (bytesRead)
        *bytesRead = 0;
    if (m_fd < 0 || bytes == 0 || !writeOut())
        return false;
    const ssize_t n = readSome(m_fd, buffer, bytes);
    if (n <= 0)
        return false;
    m_position += n;
    if (bytesRead)
        *bytesRead = static_cast<u32>(n);
    return true;
}

} // namespace s::file::win
