// Listings into a PathArray, wildcard searches and the neighbour of an
// entry in its folder.

#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathArray.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/CaseMap.h"
#include "foundation/str/StrArray.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace s::file::win {

using str::strarray::StrArray;
using str::strbuffer::StrBuffer;

namespace {

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Length of the character at text[i]: 2 for a surrogate pair, else 1.
size_t charLength(std::u16string_view text, size_t i) {
    return isHighSurrogate(text[i]) && i + 1 < text.size() && isLowSurrogate(text[i + 1]) ? 2 : 1;
}

// "*" matches any run of characters (none included), "?" one character;
// everything else matches itself. Iterative, with one backtrack point, so
// that no pattern costs more than length x length steps.
bool wildcardMatch(std::u16string_view pattern, std::u16string_view text) {
    size_t p = 0;
    size_t t = 0;
    size_t starP = std::u16string_view::npos;
    size_t starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = ++p;
            starT = t;
        } else if (p < pattern.size() && pattern[p] == u'?') {
            ++p;
            t += charLength(text, t);
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (starP != std::u16string_view::npos) {
            p = starP;
            starT += charLength(text, starT);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

PathArray* PathWin::listEntriesAsPathArray(bool all, bool recursive, PathArray* out) const {
    if (!out)
        out = PathArray::create();
    listEntries(all, recursive, out);
    return out;
}

PathArray* PathWin::listFoldersAsPathArray(bool all, bool recursive, PathArray* out) const {
    if (!out)
        out = PathArray::create();
    listFolders(all, recursive, out);
    return out;
}

PathArray* PathWin::listFilesAsPathArray(bool all, bool recursive, PathArray* out) const {
    if (!out)
        out = PathArray::create();
    listFiles(all, recursive, out);
    return out;
}

void PathWin::findInto(bool withFolders, bool all, bool recursive, col::_array::ArrayP* out) const {
    if (!m_valid || m_streamPath)
        return;
    StrBuffer pattern;
    nameInto(&pattern, false);
    if (pattern.length() == 0)
        return;
    // The folder part names the folder to search; a bare pattern searches
    // the current folder and gives bare names.
    const std::string folderOs = m_dir.length() ? toOsText(m_dir.view()) : std::string(".");
    std::vector<std::string> subFolders;
    if (DIR* dir = ::opendir(folderOs.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            struct stat st;
            if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (!passesListing(e->d_name, S_ISLNK(st.st_mode), all))
                continue;
            const bool isDir = S_ISDIR(st.st_mode);
            if (isDir && recursive)
                subFolders.emplace_back(e->d_name);
            if ((isDir && !withFolders) || !wildcardMatch(pattern.view(), fromOsText(e->d_name)))
                continue;
            PathWin* match = PathWin::create();
            match->setOs(toOsText(m_dir.view()) + e->d_name);
            out->append(static_cast<base::IObject*>(match));
        }
        ::closedir(dir);
    }
    StrBuffer below;
    for (const std::string& sub : subFolders) {
        below.set(m_dir);
        appendFromOsText(sub, below);
        below.append(u'/').append(pattern);
        PathHandle next(newPath(below));
        next->findInto(withFolders, all, recursive, out);
    }
}

col::_array::ArrayP* PathWin::findFiles(bool all, bool recursive, col::_array::ArrayP* out) const {
    if (!out)
        out = PathArray::create();
    findInto(false, all, recursive, out);
    return out;
}

col::_array::ArrayP* PathWin::findEntries(bool all, bool recursive, col::_array::ArrayP* out) const {
    if (!out)
        out = PathArray::create();
    findInto(true, all, recursive, out);
    return out;
}

PathWin* PathWin::neighbour(bool forward, const StrArray* extensions, bool sorted, bool wrap) const {
    if (!m_valid || m_streamPath || m_fullPath.view() == u"/")
        return nullptr;
    StrBuffer own;
    nameInto(&own, false);
    std::vector<std::u16string> names;
    {
        PathHandle folder(m_dir.length() ? parent() : newPath(u"."));
        thread::Pooled<StrArray> listed(folder->listNames(false, false));
        for (u32 i = 0; i < listed->size(); ++i) {
            const std::u16string_view name = listed->get(i)->view();
            bool wanted = !extensions || extensions->size() == 0;
            for (u32 k = 0; !wanted && k < extensions->size(); ++k) {
                const std::u16string_view ext = extensions->get(k)->view();
                wanted = !ext.empty() && name.size() >= ext.size() &&
                         str::compareIgnoringCase(name.data() + name.size() - ext.size(), ext.data(),
                                                  static_cast<u32>(ext.size())) == 0;
            }
            if (wanted)
                names.emplace_back(name);
        }
    }
    if (sorted) {
        std::stable_sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
            return compareForSort(a, b) < 0;
        });
    }
    const auto self = std::find(names.begin(), names.end(), own.view());
    const bool present = self != names.end();
    const size_t others = names.size() - (present ? 1 : 0);
    if (others == 0)
        return nullptr;
    size_t index;
    if (present) {
        const size_t at = static_cast<size_t>(self - names.begin());
        if (forward)
            index = at + 1;
        else
            index = at == 0 ? names.size() : at - 1;
    } else if (sorted) {
        // Where this name would stand: the first name after it, or the last
        // before it.
        const auto after = std::upper_bound(
            names.begin(), names.end(), std::u16string(own.view()),
            [](const std::u16string& a, const std::u16string& b) { return compareForSort(a, b) < 0; });
        const size_t at = static_cast<size_t>(after - names.begin());
        if (forward)
            index = at;
        else
            index = at == 0 ? names.size() : at - 1;
    } else {
        return nullptr;
    }
    if (index >= names.size()) {
        if (!wrap)
            return nullptr;
        index = forward ? 0 : names.size() - 1;
    }
    StrBuffer joined;
    joined.set(m_dir).append(names[index].data(), static_cast<i32>(names[index].size()));
    return newPath(joined);
}

} // namespace s::file::win
