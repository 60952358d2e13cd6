#include "foundation/file/win/Trash.h"

#include "foundation/file/win/Posix.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win {

namespace {

std::string homeTrash() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/')
        return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    if (!home || !*home)
        return {};
    return std::string(home) + "/.local/share/Trash";
}

bool deviceOf(const std::string& path, dev_t* dev) {
    std::string p = path;
    for (;;) {
        struct stat st;
        if (::stat(p.c_str(), &st) == 0) {
            *dev = st.st_dev;
            return true;
        }
        if (p == "/" || p.empty())
            return false;
        p = posix::folderOf(p);
    }
}

// The mount point holding `path` (an existing, canonical path).
std::string mountPointOf(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return "/";
    std::string p = path;
    while (p != "/") {
        const std::string up = posix::folderOf(p);
        struct stat upSt;
        if (::stat(up.c_str(), &upSt) != 0 || upSt.st_dev != st.st_dev)
            break;
        p = up;
    }
    return p;
}

// A trash folder we may use: ours, a real folder, not a link.
bool ownFolder(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

bool prepareTrash(const std::string& trash) {
    if (!posix::makeFolders(trash + "/files", 0700) || !posix::makeFolders(trash + "/info", 0700))
        return false;
    return ownFolder(trash) && ownFolder(trash + "/files") && ownFolder(trash + "/info");
}

std::string percentEncoded(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

// Picks the trash of the entry's file system, and the Path= form it needs.
bool chooseTrash(const std::string& canonical, std::string* trash, std::string* recordedPath) {
    dev_t entryDev;
    dev_t homeDev;
    const std::string home = homeTrash();
    if (!deviceOf(canonical, &entryDev))
        return false;
    if (!home.empty() && deviceOf(home, &homeDev) && homeDev == entryDev) {
        *trash = home;
        *recordedPath = canonical;
        return prepareTrash(home);
    }
    const std::string top = mountPointOf(posix::folderOf(canonical));
    const std::string topSlash = top == "/" ? top : top + "/";
    *recordedPath = canonical.substr(topSlash.size());
    const std::string uid = std::to_string(::geteuid());
    // An administrator-made sticky ".Trash" shared by all users.
    struct stat st;
    const std::string shared = topSlash + ".Trash";
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        *trash = shared + "/" + uid;
        if (prepareTrash(*trash))
            return true;
    }
    *trash = topSlash + ".Trash-" + uid;
    return prepareTrash(*trash);
}

} // namespace

bool moveToTrash(const std::string& osPath) {
    struct stat st;
    if (osPath.empty() || ::lstat(osPath.c_str(), &st) != 0)
        return false;
    // The folder resolved, the entry itself not: a link goes to the trash,
    // not what it points to.
    const std::string folder = posix::canonicalLenient(posix::folderOf(osPath));
    if (folder.empty())
        return false;
    const std::string name = posix::nameOf(osPath);
    const std::string canonical = (folder == "/" ? folder : folder + "/") + name;

    std::string trash;
    std::string recorded;
    if (!chooseTrash(canonical, &trash, &recorded))
        return false;
    const std::string trashRoot = trash + "/";
    if (trashRoot.size() <= canonical.size() && canonical.compare(0, trashRoot.size(), trashRoot) == 0)
        return false; // already inside the trash

    char date[32];
    const std::time_t now = std::time(nullptr);
    struct tm local;
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string record =
        "[Trash Info]\nPath=" + percentEncoded(recorded) + "\nDeletionDate=" + date + "\n";

    // The record is made exclusively first: it reserves the name.
    for (int n = 1; n < 10000; ++n) {
        const std::string trashName = n == 1 ? name : name + "." + std::to_string(n);
        const std::string info = trash + "/info/" + trashName + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        const bool written = posix::writeAll(fd, record.data(), record.size());
        const bool closed = ::close(fd) == 0;
        const std::string target = trash + "/files/" + trashName;
        if (!written || !closed) {
            ::unlink(info.c_str());
            return false;
        }
        struct stat existing;
        if (::lstat(target.c_str(), &existing) == 0) {
            ::unlink(info.c_str()); // a file left without its record: try the next name
            continue;
        }
        if (::rename(osPath.c_str(), target.c_str()) == 0)
            return true;
        ::unlink(info.c_str());
        return false;
    }
    return false;
}

} // namespace s::file::win
