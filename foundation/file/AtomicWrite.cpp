#include "foundation/file/AtomicWrite.h"

#include "foundation/file/win/Posix.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file {

namespace {

// Keeps the temporary name within NAME_MAX even for very long names, cutting
// only at the start of a UTF-8 sequence.
std::string tempNameFor(const std::string& name) {
    std::string base = name;
    constexpr size_t kMaxBase = 200;
    if (base.size() > kMaxBase) {
        size_t cut = kMaxBase;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut;
        base.resize(cut);
    }
    return "." + base + ".tmp-XXXXXX";
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool writeFileAtomically(const char* utf8Path, const void* data, std::size_t size) {
    if (!utf8Path || !*utf8Path || (!data && size > 0))
        return false;

    std::string target = utf8Path;
    struct stat linkStat;
    if (::lstat(target.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
        // Replace what the link points to, not the link itself.
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }

    struct stat old;
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode))
        return false;
    const mode_t mode = replacing ? (old.st_mode & 07777) : (0666 & ~win::posix::currentUmask());

    const std::string folder = win::posix::folderOf(target);
    std::string temp = folder;
    if (temp.back() != '/')
        temp.push_back('/');
    temp += tempNameFor(win::posix::nameOf(target));

    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;

    bool ok = win::posix::writeAll(fd, data, size);
    ok = ok && ::fchmod(fd, mode) == 0;
    if (ok && replacing && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keep the owner when the caller may change it; failing here is fine.
        [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    syncFolder(folder);
    return true;
}

} // namespace s::file
