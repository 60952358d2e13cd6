#include "foundation/file/win/Posix.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win::posix {

bool writeAll(int fd, const void* data, std::size_t size, std::size_t* done) {
    const char* p = static_cast<const char*>(data);
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, p + written, size - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (n == 0) {
            errno = ENOSPC;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (done)
        *done = written;
    return written == size;
}

mode_t currentUmask() {
    // /proc gives the mask without the race of umask(0) + umask(old) when
    // several threads create files at once.
    static std::once_flag once;
    static mode_t fromProc = static_cast<mode_t>(-1);
    std::call_once(once, [] {
        if (FILE* f = std::fopen("/proc/self/status", "re")) {
            char line[256];
            while (std::fgets(line, sizeof line, f)) {
                unsigned mask = 0;
                if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                    fromProc = static_cast<mode_t>(mask);
                    break;
                }
            }
            std::fclose(f);
        }
    });
    if (fromProc != static_cast<mode_t>(-1))
        return fromProc;
    return 022;
}

namespace {

bool removeBelow(int dirFd) {
    DIR* dir = ::fdopendir(dirFd);
    if (!dir) {
        ::close(dirFd);
        return false;
    }
    bool ok = true;
    while (dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if ((st.st_mode & S_IRWXU) != S_IRWXU)
                ::fchmodat(::dirfd(dir), name, st.st_mode | S_IRWXU, 0);
            const int sub = ::openat(::dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0 || !removeBelow(sub) || ::unlinkat(::dirfd(dir), name, AT_REMOVEDIR) != 0)
                ok = false;
        } else if (::unlinkat(::dirfd(dir), name, 0) != 0 && errno != ENOENT) {
            ok = false;
        }
    }
    ::closedir(dir);
    return ok;
}

} // namespace

bool removeTree(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return ::unlink(path.c_str()) == 0 || errno == ENOENT;
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        ::chmod(path.c_str(), st.st_mode | S_IRWXU);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    removeBelow(fd);
    return ::rmdir(path.c_str()) == 0 || errno == ENOENT;
}

std::string folderOf(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return p.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    const size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf))
        return path;
    std::string out = buf;
    if (out.back() != '/')
        out.push_back('/');
    out += path;
    return out;
}

std::string canonicalLenient(const std::string& path) {
    std::string abs = absolute(path);
    std::string rest;
    std::string head = abs;
    for (;;) {
        if (char* real = ::realpath(head.c_str(), nullptr)) {
            std::string out = real;
            std::free(real);
            if (!rest.empty()) {
                if (out.back() != '/')
                    out.push_back('/');
                out += rest;
            }
            return out;
        }
        if (head == "/" || head.empty())
            return {};
        const std::string name = nameOf(head);
        rest = rest.empty() ? name : name + "/" + rest;
        head = folderOf(head);
    }
}

bool makeFolders(const std::string& path, mode_t mode) {
    if (path.empty())
        return false;
    if (::mkdir(path.c_str(), mode) == 0)
        return true;
    if (errno == EEXIST) {
        struct stat st;
        if (::stat(path.c_str(), &st) != 0)
            return false;
        if (!S_ISDIR(st.st_mode))
            errno = ENOTDIR; // a file stands where the folder should be
        return S_ISDIR(st.st_mode);
    }
    if (errno != ENOENT)
        return false;
    const std::string parent = folderOf(path);
    if (parent == path || !makeFolders(parent, mode))
        return false;
    return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

} // namespace s::file::win::posix
