// The operations of PathWin that change the file system: folder and file
// making, removal, trash, copying, moving and renaming. Shell change notices
// do not exist here (file managers watch the disk), so `notify` is accepted
// and ignored. A stream path names an extended attribute, not an entry:
// only making and removing it are offered; moving, copying and folder
// operations refuse it rather than act on a file of that name.

#include "foundation/col/array/ArrayP.h"
#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/Posix.h"
#include "foundation/file/win/Trash.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr u32 kMinChangeLength = 4; // shorter paths ("/", "/ab") are never changed

bool copyContents(int in, int out) {
    bool first = true;
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n > 0) {
            first = false;
            continue;
        }
        if (n == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (first && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                      errno == EPERM || errno == EIO))
            break; // not offered between these two files: copy through a buffer
        return false;
    }
    static constexpr size_t kChunk = 1 << 16;
    char buffer[kChunk];
    for (;;) {
        const ssize_t n = ::read(in, buffer, kChunk);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (!posix::writeAll(out, buffer, static_cast<size_t>(n)))
            return false;
    }
}

// Copies one file's bytes, permission bits and times. Refuses to copy a file
// onto itself (which would truncate it). A failed copy leaves no target.
bool copyOneFile(const std::string& src, const std::string& dst, bool overwrite, bool sync) {
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(in);
        errno = EISDIR;
        return false;
    }
    const int out = ::open(dst.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL), 0600);
    if (out < 0) {
        const int saved = errno;
        ::close(in);
        errno = saved;
        return false;
    }
    struct stat outSt;
    if (::fstat(out, &outSt) != 0 || (outSt.st_dev == st.st_dev && outSt.st_ino == st.st_ino)) {
        ::close(in);
        ::close(out);
        errno = EINVAL;
        return false;
    }
    bool ok = ::ftruncate(out, 0) == 0 && copyContents(in, out);
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0;
    if (ok) {
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    if (ok && sync)
        ok = ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    ::close(in);
    if (!ok) {
        const int saved = errno;
        ::unlink(dst.c_str());
        errno = saved;
    }
    return ok;
}

// Copies a whole tree with its links as links, for a move between file
// systems, where nothing may be lost.
bool copyTreeForMove(const std::string& src, const std::string& dst) {
    struct stat st;
    if (::lstat(src.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        std::string target(4096, '\0');
        const ssize_t n = ::readlink(src.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size())
            return false;
        target.resize(static_cast<size_t>(n));
        return ::symlink(target.c_str(), dst.c_str()) == 0;
    }
    if (S_ISREG(st.st_mode))
        return copyOneFile(src, dst, false, true);
    if (!S_ISDIR(st.st_mode))
        return false; // devices, pipes and sockets do not move between file systems
    if (::mkdir(dst.c_str(), 0700) != 0)
        return false;
    DIR* dir = ::opendir(src.c_str());
    if (!dir)
        return false;
    bool ok = true;
    while (dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (!copyTreeForMove(src + "/" + e->d_name, dst + "/" + e->d_name)) {
            ok = false;
            break;
        }
    }
    ::closedir(dir);
    if (!ok)
        return false;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, dst.c_str(), times, 0);
    return ::chmod(dst.c_str(), st.st_mode & 07777) == 0;
}

bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the no-replace rename: check, then rename.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool startsWithFolder(const std::string& path, const std::string& folder) {
    const std::string a = path + "/";
    const std::string b = folder == "/" ? folder : folder + "/";
    return a.compare(0, b.size(), b) == 0;
}

} // namespace

bool PathWin::renameTo(const char16_t* target) {
    PathHandle t(newPath(target));
    if (t->length() < kMinChangeLength || length() < kMinChangeLength || !m_valid || m_streamPath)
        return false;
    if (!t->isValid() || t->exists())
        return false;
    return renameNoReplace(m_os, t->m_os);
}

bool PathWin::makeFolder(bool notify) {
    (void)notify;
    if (!m_valid || m_streamPath || length() < kMinChangeLength)
        return false;
    if (::mkdir(m_os.c_str(), 0777) == 0)
        return true;
    if (errno != ENOENT || !makeParent())
        return false;
    return ::mkdir(m_os.c_str(), 0777) == 0;
}

bool PathWin::createEmptyFile(bool notify) {
    (void)notify;
    if (!m_valid || length() < kMinChangeLength)
        return false;
    if (m_streamPath)
        return createEmptyStream();
    int fd = ::open(m_os.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == ENOENT && makeParent())
        fd = ::open(m_os.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool PathWin::makeParent() {
    if (!m_valid)
        return false;
    if (m_dir.length() == 0)
        return true; // a bare name lives in the current folder
    PathHandle p(parent());
    return p->exists() || p->makeFolder(false);
}

bool PathWin::remove(bool notify, bool onRebootIfFails) {
    (void)notify;
    (void)onRebootIfFails; // there is no deletion at the next start here
    if (!m_valid || length() < kMinChangeLength)
        return false;
    if (m_streamPath)
        return removeStream();
    struct stat st;
    if (::lstat(m_os.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) {
        if (::unlink(m_os.c_str()) == 0 || errno == ENOENT)
            return true;
        if ((errno == EACCES || errno == EPERM) && !S_ISLNK(st.st_mode) && makeWritable())
            return ::unlink(m_os.c_str()) == 0 || errno == ENOENT;
        return false;
    }
    if (::rmdir(m_os.c_str()) == 0)
        return true;
    // Everything below goes too: hidden entries and links (removed, never
    // followed) included, and read-only folders are opened up first.
    return posix::removeTree(m_os);
}

bool PathWin::recycle(bool showUi, bool notify) {
    (void)showUi;
    (void)notify;
    if (!m_valid || m_streamPath || length() < kMinChangeLength)
        return false;
    return moveToTrash(posix::absolute(m_os));
}

bool PathWin::copyFileTo(const PathWin& target, bool overwrite) const {
    if (copyOneFile(m_os, target.m_os, overwrite, false))
        return true;
    if (errno != ENOENT)
        return false;
    PathHandle t(newPath(target.m_fullPath));
    return t->makeParent() && copyOneFile(m_os, target.m_os, overwrite, false);
}

bool PathWin::copyFolderTo(const PathWin& target, bool overwrite) const {
    // Never into itself or below itself, also not by another spelling or
    // through a link.
    if (startsWithFolder(target.m_os, m_os))
        return false;
    const std::string from = posix::canonicalLenient(m_os);
    const std::string to = posix::canonicalLenient(target.m_os);
    if (from.empty() || to.empty() || startsWithFolder(to, from))
        return false;
    if (target.exists()) {
        if (!overwrite)
            return false;
    } else {
        PathHandle t(newPath(target.m_fullPath));
        if (!t->makeFolder(false))
            return false;
    }
    thread::Pooled<col::_array::ArrayP> entries(listEntries(true, false, nullptr));
    StrBuffer childText;
    for (u32 i = 0; i < entries->size(); ++i) {
        PathWin* entry = entries->getAs<PathWin>(i);
        target.folderFormInto(&childText, false);
        entry->nameInto(&childText, true);
        if (!entry->copyTo(childText.c_str(), overwrite))
            return false;
    }
    return true;
}

bool PathWin::copyTo(const char16_t* target, bool overwrite) {
    if (m_streamPath || !exists())
        return false;
    PathHandle t(newPath(target));
    if (!t->isValid() || t->length() < kMinChangeLength)
        return false;
    return isFolder() ? copyFolderTo(*t, overwrite) : copyFileTo(*t, overwrite);
}

bool PathWin::moveTo(const char16_t* target, bool replace, bool notify) {
    (void)notify;
    PathHandle t(newPath(target));
    if (!m_valid || m_streamPath || !t->isValid() || t->length() < kMinChangeLength ||
        length() < kMinChangeLength)
        return false;
    const std::string& to = t->m_os;
    if (replace ? ::rename(m_os.c_str(), to.c_str()) == 0 : renameNoReplace(m_os, to))
        return true;
    if (errno != EXDEV)
        return false;

    // Another file system: copy (synced), then remove the source.
    struct stat src;
    struct stat dst;
    if (::lstat(m_os.c_str(), &src) != 0)
        return false;
    if (::lstat(to.c_str(), &dst) == 0) {
        if (!replace)
            return false;
        if (S_ISDIR(dst.st_mode)) {
            if (!S_ISDIR(src.st_mode) || ::rmdir(to.c_str()) != 0)
                return false; // only an empty folder is replaced, as by a rename
        } else if (S_ISDIR(src.st_mode)) {
            return false;
        } else if (S_ISREG(src.st_mode) && S_ISREG(dst.st_mode)) {
            return copyOneFile(m_os, to, true, true) && ::unlink(m_os.c_str()) == 0;
        } else if (::unlink(to.c_str()) != 0) {
            return false;
        }
    }
    if (!copyTreeForMove(m_os, to)) {
        posix::removeTree(to);
        return false;
    }
    return posix::removeTree(m_os);
}

} // namespace s::file::win
