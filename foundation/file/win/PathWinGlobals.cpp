// Path factories and the process-wide path functions.

#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win {

using str::strbuffer::StrBuffer;

PathWin* newPath(const char16_t* text) {
    return PathWin::create()->set(text);
}

PathWin* newPath(const StrBuffer& text) {
    return PathWin::create()->set(text);
}

PathWin* newPath(const char16_t* first, const char16_t* second) {
    StrBuffer joined;
    joined.append(first ? first : u"").append(second ? second : u"");
    return PathWin::create()->set(joined);
}

PathWin* newPathOs(std::string_view bytes) {
    return PathWin::create()->setOs(bytes);
}

PathWin* newChildPath(const char16_t* folder, const char16_t* name) {
    StrBuffer joined;
    joined.append(folder ? folder : u"").append(u'/').append(name ? name : u"");
    return PathWin::create()->set(joined);
}

PathWin* newShortcutPath(const char16_t* folder, const char16_t* name) {
    StrBuffer joined;
    joined.append(folder ? folder : u"").append(u'/').append(name ? name : u"").append(u".lnk");
    return PathWin::create()->set(joined);
}

namespace {

bool isFolderOs(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/");
}

// XDG_DESKTOP_DIR from user-dirs.dirs: a double-quoted value that starts
// with "$HOME" or "/", with backslash escapes.
std::string desktopFromUserDirs() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string file =
        (config && config[0] == '/' ? std::string(config) : homeFolder() + "/.config") + "/user-dirs.dirs";
    FILE* f = std::fopen(file.c_str(), "re");
    if (!f)
        return {};
    std::string result;
    char line[4096];
    while (std::fgets(line, sizeof line, f)) {
        const char* p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        static const char kKey[] = "XDG_DESKTOP_DIR";
        if (std::strncmp(p, kKey, sizeof kKey - 1) != 0)
            continue;
        p += sizeof kKey - 1;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p++ != '=')
            continue;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p++ != '"')
            continue;
        std::string value;
        if (std::strncmp(p, "$HOME", 5) == 0) {
            value = homeFolder();
            p += 5;
        } else if (*p != '/') {
            continue;
        }
        for (; *p && *p != '"'; ++p) {
            if (*p == '\\' && p[1])
                ++p;
            value.push_back(*p);
        }
        result = value;
    }
    std::fclose(f);
    return result;
}

} // namespace

namespace {

struct Desktop {
    std::mutex lock;
    StrBuffer folder; // guarded by lock; empty until looked up
    bool isHome = false;
};

Desktop& desktop() {
    static Desktop d;
    std::lock_guard guard(d.lock);
    if (d.folder.length() == 0) {
        std::string path = desktopFromUserDirs();
        if (!isFolderOs(path)) {
            path = homeFolder() + "/Desktop";
            if (!isFolderOs(path)) {
                path = homeFolder();
                d.isHome = true;
            }
        }
        appendFromOsText(path, d.folder);
    }
    return d;
}

} // namespace

const StrBuffer& desktopFolder() {
    return desktop().folder;
}

bool desktopFolderIsHome() {
    return desktop().isHome;
}

const char16_t* systemDriveRoot() {
    return u"/";
}

std::string tempFolderOs() {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && tmp[0] == '/' && isFolderOs(tmp)) {
        std::string path = tmp;
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return path;
    }
    return "/tmp";
}

PathWin* newTempFile() {
    std::string path = tempFolderOs() + "/NEWXXXXXX.tmp";
    const int fd = ::mkostemps(path.data(), 4, O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    ::close(fd);
    return newPathOs(path);
}

} // namespace s::file::win
