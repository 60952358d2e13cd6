#include "image/detail/FileIo.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/io/Streams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace s::image::detail {

namespace {

constexpr u32 kPiece = 1u << 30;

bool writeFd(int fd, const void* data, std::size_t size) {
    const u8* p = static_cast<const u8*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

u64 readUpTo(io::IInputStream* in, void* buffer, u64 bytes) {
    u8* p = static_cast<u8*>(buffer);
    u64 total = 0;
    while (total < bytes) {
        u32 want = static_cast<u32>(std::min<u64>(bytes - total, kPiece));
        u32 got = 0;
        if (!in->read(p + total, want, &got) || got == 0)
            break;
        total += got;
    }
    return total;
}

bool readExactly(io::IInputStream* in, void* buffer, u64 bytes) {
    return readUpTo(in, buffer, bytes) == bytes;
}

bool skipForward(io::IInputStream* in, u64 bytes) {
    if (bytes == 0)
        return true;
    if (in->canSeek())
        return bytes <= static_cast<u64>(INT64_MAX) && in->skip(static_cast<i64>(bytes));
    u8 scratch[4096];
    while (bytes > 0) {
        u64 want = std::min<u64>(bytes, sizeof scratch);
        if (readUpTo(in, scratch, want) != want)
            return false;
        bytes -= want;
    }
    return true;
}

i64 bytesLeft(io::IInputStream* in) {
    if (!in || !in->canSeek())
        return -1;
    const i64 here = in->getPosition();
    if (!in->seekToEnd())
        return -1;
    const i64 end = in->getPosition();
    return in->seek(here) ? end - here : -1;
}

bool couldHold(i64 available, i64 pixels, i64 pixelsPerByte) {
    // The allowance covers headers that fill a small picture from nothing.
    constexpr i64 kAlwaysAllowed = i64{1} << 20;
    return available < 0 || pixels <= kAlwaysAllowed || pixels / pixelsPerByte <= available;
}

bool writeAll(io::IOutputStream* out, const void* data, u64 bytes) {
    const u8* p = static_cast<const u8*>(data);
    while (bytes > 0) {
        u32 piece = static_cast<u32>(std::min<u64>(bytes, kPiece));
        u32 written = 0;
        if (!out->write(p, piece, &written) || written != piece)
            return false;
        p += piece;
        bytes -= piece;
    }
    return true;
}

bool writeNewFile(const char* utf8Path, const void* data, std::size_t size) {
    if (!utf8Path || !*utf8Path)
        return false;
    // O_EXCL makes "does it exist" and "create it" one step; it also refuses
    // a dangling symbolic link, so nothing is ever written through one.
    int fd = ::open(utf8Path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = writeFd(fd, data, size);
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        ::unlink(utf8Path);
    return ok;
}

bool replaceFile(const char* utf8Path, const void* data, std::size_t size) {
    if (!utf8Path || !*utf8Path)
        return false;
    std::string target = utf8Path;
    char resolved[4096];
    // Replace what a symbolic link points to, not the link.
    ssize_t n = ::readlink(utf8Path, resolved, sizeof resolved - 1);
    if (n > 0) {
        resolved[n] = 0;
        if (resolved[0] == '/') {
            target = resolved;
        } else {
            std::string::size_type slash = target.rfind('/');
            target = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + resolved;
        }
    }
    std::string temp = target + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    struct stat old {};
    mode_t mode;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = writeFd(fd, data, size) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok) {
        // The caller may tell the user why: the clean-up keeps the reason.
        const int reason = errno;
        ::unlink(temp.c_str());
        errno = reason;
    }
    return ok;
}

bool readFileBytes(const char* utf8Path, col::_array::ArrayU08* out, u64 maxBytes) {
    if (!utf8Path || !*utf8Path || !out)
        return false;
    int fd = ::open(utf8Path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    u64 size = std::min<u64>(static_cast<u64>(st.st_size), std::min<u64>(maxBytes, 0xFFFFFFFFull));
    out->clear();
    out->setSize(static_cast<u32>(size));
    u64 total = 0;
    bool ok = true;
    while (total < size) {
        ssize_t r = ::read(fd, out->data() + total, size - total);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (r == 0)
            break; // the file shrank meanwhile
        total += static_cast<u64>(r);
    }
    ::close(fd);
    out->setSize(static_cast<u32>(total));
    out->rewind();
    return ok;
}

} // namespace s::image::detail
