// Shortcuts and internet shortcuts of PathWin. A shortcut is a symbolic link
// holding the target's absolute path (named "*.lnk" by the callers that make
// them); an internet shortcut is a ".url" file in its INI form:
//
//   [InternetShortcut]
//   URL=https://example.org/

#include "foundation/file/AtomicWrite.h"
#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/Posix.h"
#include "foundation/str/CaseMap.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr size_t kMaxUrlFile = 64 * 1024; // an internet shortcut is a few lines

bool readLink(const std::string& os, std::string* target) {
    std::string buffer(PATH_MAX, '\0');
    const ssize_t n = ::readlink(os.c_str(), buffer.data(), buffer.size());
    if (n < 0 || static_cast<size_t>(n) >= buffer.size())
        return false;
    buffer.resize(static_cast<size_t>(n));
    *target = std::move(buffer);
    return true;
}

bool hasDotComponent(const std::string& path) {
    for (size_t i = 0; i < path.size();) {
        const size_t end = path.find('/', i);
        const std::string_view part =
            std::string_view(path).substr(i, end == std::string::npos ? std::string::npos : end - i);
        if (part == "." || part == "..")
            return true;
        if (end == std::string::npos)
            break;
        i = end + 1;
    }
    return false;
}

// `text` with `suffix` appended unless it already ends so, ignoring case.
std::u16string withSuffixOnce(const char16_t* text, std::u16string_view suffix) {
    std::u16string out(text ? text : u"");
    const bool has = out.size() >= suffix.size() &&
                     str::compareIgnoringCase(out.data() + out.size() - suffix.size(), suffix.data(),
                                              static_cast<u32>(suffix.size())) == 0;
    if (!has)
        out += suffix;
    return out;
}

// Puts a symbolic link to `target` at `link`, replacing what is there only
// when `replace`: the new link is made beside it and renamed over it, so a
// failure leaves the old entry as it was.
bool placeLink(const std::string& target, const std::string& link, bool replace) {
    if (!replace)
        return ::symlink(target.c_str(), link.c_str()) == 0;
    const std::string folder = posix::folderOf(link);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, "/.lnk-%d-%d.tmp", static_cast<int>(::getpid()), attempt);
        const std::string temp = folder + suffix;
        if (::symlink(target.c_str(), temp.c_str()) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(temp.c_str(), link.c_str()) == 0)
            return true;
        ::unlink(temp.c_str());
        return false;
    }
    return false;
}

} // namespace

bool PathWin::isShortcutLink() const {
    struct stat st;
    return m_valid && !m_streamPath && ::lstat(m_os.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string PathWin::shortcutTargetOs() const {
    std::string target;
    if (!isShortcutLink() || !readLink(m_os, &target) || target.empty())
        return {};
    if (target[0] != '/') {
        const std::string folder = posix::folderOf(posix::absolute(m_os));
        target = (folder == "/" ? folder : folder + "/") + target;
    }
    if (!hasDotComponent(target))
        return target;
    // "./" and "../" count along the real folders, as the kernel walks them;
    // the target itself stays unresolved, so a gone target still has a path.
    const std::string name = posix::nameOf(target);
    if (name == "." || name == "..")
        return posix::canonicalLenient(target);
    const std::string folder = posix::canonicalLenient(posix::folderOf(target));
    if (folder.empty())
        return target;
    return (folder == "/" ? folder : folder + "/") + name;
}

PathWin* PathWin::shortcutTarget() const {
    const std::string target = shortcutTargetOs();
    return target.empty() ? nullptr : newPathOs(target);
}

bool PathWin::isFolderShortcut() const {
    if (!isFolder())
        return false;
    PathHandle link(child(u"target.lnk"));
    if (!link->isLnk())
        return false;
    PathHandle target(link->shortcutTarget());
    return target && target->isFolder();
}

PathWin* PathWin::folderShortcutTargetPath() const {
    if (!isFolderShortcut())
        return nullptr;
    PathHandle link(child(u"target.lnk"));
    return link->shortcutTarget();
}

StrBuffer* PathWin::folderShortcutTargetInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    PathHandle target(folderShortcutTargetPath());
    if (target)
        out->append(target->m_fullPath);
    return out;
}

const char16_t* PathWin::folderShortcutTarget() {
    PathHandle target(folderShortcutTargetPath());
    m_scratch.clear();
    if (target)
        m_scratch.set(target->m_fullPath);
    return m_scratch.c_str();
}

bool PathWin::createShortcutAt(const char16_t* linkPath, bool overwrite, const char16_t* arguments) {
    if (m_streamPath || !exists())
        return false; // also a shortcut whose target is gone: no link to nothing
    PathHandle link(newPath(withSuffixOnce(linkPath, u".lnk").c_str()));
    if (!link->isValid() || link->isStream() || link->length() < 4)
        return false;
    struct stat self;
    struct stat there;
    const bool taken = ::lstat(link->m_os.c_str(), &there) == 0; // a dangling link counts
    if (taken) {
        if (!overwrite || S_ISDIR(there.st_mode))
            return false; // a folder is never removed to make room for a link
        if (::lstat(m_os.c_str(), &self) == 0 && self.st_dev == there.st_dev && self.st_ino == there.st_ino)
            return false; // replacing this very entry would lose it
    }
    std::string target;
    if (isShortcutLink()) {
        target = shortcutTargetOs(); // a copy of the shortcut, pointing where it points
    } else if (isLnk()) {
        // A shortcut file of another kind: copied as a file.
        return copyTo(link->m_fullPath.c_str(), overwrite);
    } else {
        if (arguments && *arguments)
            return false; // a symbolic link cannot carry arguments
        target = posix::absolute(m_os);
    }
    return !target.empty() && placeLink(target, link->m_os, taken);
}

bool PathWin::createInternetShortcut(const char16_t* urlText, bool overwrite) {
    if (!m_valid || m_streamPath || !urlText || !*urlText)
        return false;
    for (const char16_t* c = urlText; *c; ++c) {
        if (*c == u'\r' || *c == u'\n')
            return false;
    }
    PathHandle file(newPath(withSuffixOnce(m_fullPath.c_str(), u".url").c_str()));
    if (!file->isValid() || file->length() < 4)
        return false;
    std::string content = "[InternetShortcut]\nURL=";
    content += toOsText(urlText);
    content += '\n';
    struct stat st;
    if (::lstat(file->m_os.c_str(), &st) == 0) {
        if (!overwrite || S_ISDIR(st.st_mode))
            return false;
        return writeFileAtomically(file->m_os.c_str(), content.data(), content.size());
    }
    const int fd = ::open(file->m_os.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool ok = posix::writeAll(fd, content.data(), content.size());
    ok = ::close(fd) == 0 && ok;
    if (!ok)
        ::unlink(file->m_os.c_str());
    return ok;
}

StrBuffer* PathWin::urlInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    if (m_streamPath || !isUrl() || !exists())
        return out;
    FILE* f = std::fopen(m_os.c_str(), "rbe");
    if (!f)
        return out;
    std::string content(kMaxUrlFile, '\0');
    content.resize(std::fread(content.data(), 1, content.size(), f));
    std::fclose(f);
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0)
        content.erase(0, 3);

    auto trim = [](std::string_view t) {
        while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
            t.remove_prefix(1);
        while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r'))
            t.remove_suffix(1);
        return t;
    };
    auto equalsIgnoringAsciiCase = [](std::string_view a, std::string_view b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            char x = a[i];
            char y = b[i];
            if (x >= 'A' && x <= 'Z')
                x = static_cast<char>(x - 'A' + 'a');
            if (y >= 'A' && y <= 'Z')
                y = static_cast<char>(y - 'A' + 'a');
            if (x != y)
                return false;
        }
        return true;
    };
    bool inSection = false;
    const std::string_view all(content);
    for (size_t i = 0; i < all.size();) {
        size_t end = all.find('\n', i);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view line = trim(all.substr(i, end - i));
        i = end + 1;
        if (!line.empty() && line.front() == '[') {
            inSection = equalsIgnoringAsciiCase(line, "[InternetShortcut]");
            continue;
        }
        const size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos ||
            !equalsIgnoringAsciiCase(trim(line.substr(0, eq)), "URL"))
            continue;
        appendFromOsText(trim(line.substr(eq + 1)), *out);
        break;
    }
    return out;
}

const char16_t* PathWin::url() {
    urlInto(&m_scratch, false);
    return m_scratch.c_str();
}

} // namespace s::file::win
