#include "foundation/file/win/ShortPath.h"

#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/Posix.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace s::file::win {

namespace {

struct RuntimeState {
    std::mutex lock;
    std::string folder;      // the folder in use; empty until first use
    bool isOverride = false; // folder was given by a test and is not ours to remove
    pid_t madeBy = 0;        // the process that made the default folder
    bool exitHookSet = false;
    u32 counter = 0;                                      // numbers alias names
    std::unordered_map<std::string, std::string> aliases; // canonical path -> alias path
};

// Never destroyed: the exit hook may run after static destructors began.
RuntimeState& state() {
    static RuntimeState* s = new RuntimeState();
    return *s;
}

// A path that stays whole inside a tool command line: printable ASCII
// without space, quotes or backslash.
bool safeForCommandLines(const std::string& path) {
    if (path.empty() || path[0] != '/')
        return false;
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '\'' || c == '\\')
            return false;
    }
    return true;
}

bool isFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder we made: a real folder (not a link) owned by us.
bool isOwnFolder(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

bool processGone(long pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Removes folders of dead processes: "snipforge-<pid>" and, in the temp
// folder, "snipforge-<uid>-<pid>[-XXXXXX]".
void removeStaleFolders(const std::string& parent, bool withUid) {
    DIR* dir = ::opendir(parent.c_str());
    if (!dir)
        return;
    std::string prefix = "snipforge-";
    if (withUid)
        prefix += std::to_string(::geteuid()) + "-";
    while (dirent* e = ::readdir(dir)) {
        const char* name = e->d_name;
        if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0)
            continue;
        char* end = nullptr;
        const long pid = std::strtol(name + prefix.size(), &end, 10);
        if (end == name + prefix.size() || (*end != 0 && *end != '-'))
            continue;
        if (pid == ::getpid() || !processGone(pid))
            continue;
        const std::string path = parent + "/" + name;
        if (isOwnFolder(path))
            posix::removeTree(path);
    }
    ::closedir(dir);
}

void removeAtExit() {
    RuntimeState& s = state();
    std::lock_guard guard(s.lock);
    // A forked child that exits must not take its parent's folder along.
    if (!s.folder.empty() && !s.isOverride && s.madeBy == ::getpid())
        posix::removeTree(s.folder);
    s.folder.clear();
}

std::string makeDefaultFolder(RuntimeState& s) {
    std::string parent;
    std::string name;
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && safeForCommandLines(xdg) && isFolder(xdg)) {
        parent = xdg;
        name = "snipforge-" + std::to_string(::getpid());
        removeStaleFolders(parent, false);
    } else {
        parent = tempFolderOs();
        if (!safeForCommandLines(parent))
            parent = "/tmp";
        name = "snipforge-" + std::to_string(::geteuid()) + "-" + std::to_string(::getpid());
        removeStaleFolders(parent, true);
    }
    while (parent.size() > 1 && parent.back() == '/')
        parent.pop_back();
    std::string folder = (parent == "/" ? parent : parent + "/") + name;

    bool made = ::mkdir(folder.c_str(), 0700) == 0;
    if (!made && errno == EEXIST && isOwnFolder(folder)) {
        // Left by an earlier process that had our number: start empty.
        made = posix::removeTree(folder) && ::mkdir(folder.c_str(), 0700) == 0;
    }
    if (!made) {
        // Somebody else's entry holds the name: take a fresh unique one.
        std::string unique = folder + "-XXXXXX";
        if (!::mkdtemp(unique.data()))
            return {};
        folder = unique;
    }
    ::chmod(folder.c_str(), 0700);
    s.madeBy = ::getpid();
    if (!s.exitHookSet) {
        s.exitHookSet = true;
        std::atexit(removeAtExit);
    }
    return folder;
}

std::string folderLocked(RuntimeState& s) {
    if (!s.folder.empty()) {
        if (isFolder(s.folder))
            return s.folder;
        // Removed under us (a cleaner of the temp folder): make it again.
        if (s.isOverride) {
            posix::makeFolders(s.folder, 0700);
            return isFolder(s.folder) ? s.folder : std::string();
        }
        s.folder.clear();
        s.aliases.clear();
    }
    s.folder = makeDefaultFolder(s);
    return s.folder;
}

// Base 36, lower case.
std::string numberText(u32 n) {
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[n % 36]);
        n /= 36;
    } while (n > 0);
    return out;
}

// The extension of a name kept in its alias when it is short plain ASCII.
std::string aliasExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {};
    const std::string ext = name.substr(dot);
    if (ext.size() < 2 || ext.size() > 5)
        return {};
    for (size_t i = 1; i < ext.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(ext[i]);
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return {};
    }
    return ext;
}

bool linkPointsTo(const std::string& link, const std::string& target) {
    struct stat st;
    if (::lstat(link.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return false;
    std::string buffer(target.size() + 2, '\0');
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    return n == static_cast<ssize_t>(target.size()) && buffer.compare(0, target.size(), target) == 0;
}

} // namespace

std::string runtimeFolder() {
    RuntimeState& s = state();
    std::lock_guard guard(s.lock);
    return folderLocked(s);
}

void setRuntimeFolderOverride(const char* folder) {
    RuntimeState& s = state();
    std::lock_guard guard(s.lock);
    if (!s.folder.empty() && !s.isOverride && s.madeBy == ::getpid())
        posix::removeTree(s.folder);
    s.aliases.clear();
    s.folder.clear();
    s.isOverride = folder && *folder;
    if (s.isOverride) {
        s.folder = folder;
        while (s.folder.size() > 1 && s.folder.back() == '/')
            s.folder.pop_back();
        posix::makeFolders(s.folder, 0700);
    }
}

std::string shortPathOs(const std::string& osPath) {
    if (osPath.empty())
        return {};
    char* real = ::realpath(osPath.c_str(), nullptr);
    if (!real)
        return {};
    const std::string canonical = real;
    std::free(real);
    struct stat st;
    if (::stat(canonical.c_str(), &st) != 0)
        return {};

    RuntimeState& s = state();
    std::lock_guard guard(s.lock);
    const std::string folder = folderLocked(s);
    if (folder.empty())
        return {};
    auto known = s.aliases.find(canonical);
    if (known != s.aliases.end()) {
        if (linkPointsTo(known->second, canonical))
            return known->second;
        s.aliases.erase(known);
    }
    const bool isDir = S_ISDIR(st.st_mode);
    const std::string ext = isDir ? std::string() : aliasExtension(posix::nameOf(canonical));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        // "a" + at most 6 digits + at most 5 for the extension: 12 characters.
        const u32 n = ++s.counter % 2176782336u; // 36^6
        const std::string alias = folder + "/" + (isDir ? "d" : "a") + numberText(n) + ext;
        if (::symlink(canonical.c_str(), alias.c_str()) == 0) {
            s.aliases.emplace(canonical, alias);
            return alias;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

bool shortPathInto(const char16_t* path, str::strbuffer::StrBuffer* out, bool append) {
    if (!out)
        return false;
    if (!append)
        out->clear();
    PathHandle p(newPath(path));
    const std::string alias = p->isValid() ? shortPathOs(p->osPathBytes()) : std::string();
    if (alias.empty()) {
        out->append(p->fullPathStr());
        return false;
    }
    appendFromOsText(alias, *out);
    return true;
}

} // namespace s::file::win
