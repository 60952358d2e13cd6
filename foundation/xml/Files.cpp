#include "foundation/xml/Files.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/file/AtomicWrite.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace s::xml::files {

ReadResult readWholeFile(const std::string& path, col::_array::ArrayU08& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return ReadResult::Failed;
    }
    // The size is a hint only: read until the end, so that a file that grows
    // or shrinks meanwhile is neither cut nor over-read.
    u64 expected = static_cast<u64>(info.st_size);
    if (expected >= 0xFFFFFFF0u) {
        ::close(fd);
        return ReadResult::Failed;
    }
    out.reserve(static_cast<u32>(expected) + 1);
    u8 chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            out.clear();
            return ReadResult::Failed;
        }
        if (got == 0)
            break;
        if (static_cast<u64>(out.size()) + static_cast<u64>(got) >= 0xFFFFFFF0u) {
            ::close(fd);
            out.clear();
            return ReadResult::Failed;
        }
        out.append(chunk, static_cast<u32>(got));
    }
    ::close(fd);
    return ReadResult::Ok;
}

namespace {

bool makeFolders(const std::string& folder) {
    if (folder.empty())
        return true;
    struct stat info;
    if (::stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return true;
        errno = ENOTDIR; // a file stands where the folder should be: the caller tells why
        return false;
    }
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(folder.substr(0, slash)))
        return false;
    if (::mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST)
        return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return false;
}

} // namespace

bool makeParentFolders(const std::string& path) {
    std::string folder = path;
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    const size_t slash = folder.find_last_of('/');
    if (slash == std::string::npos)
        return true; // relative name in the current folder
    folder.resize(slash);
    while (!folder.empty() && folder.back() == '/')
        folder.pop_back();
    return makeFolders(folder);
}

bool replaceFile(const std::string& path, const void* data, u64 size) {
    if (!makeParentFolders(path))
        return false;
    return file::writeFileAtomically(path.c_str(), data, static_cast<size_t>(size));
}

} // namespace s::xml::files
