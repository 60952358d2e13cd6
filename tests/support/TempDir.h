#pragma once

// A temporary folder for one test, removed with everything in it when the
// object goes out of scope. Header-only; POSIX only.
//
//   s::test::TempDir dir;
//   s::test::writeFile(dir.file("a.txt"), "abc");
//   auto p = adopt(newPath(dir.u16("a.txt").c_str()));

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace s::test {

/// UTF-8 to UTF-16 for test texts (valid UTF-8 only).
inline std::u16string utf16(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp;
        size_t len;
        if (c < 0x80)
            cp = c, len = 1;
        else if (c < 0xE0)
            cp = c & 0x1F, len = 2;
        else if (c < 0xF0)
            cp = c & 0x0F, len = 3;
        else
            cp = c & 0x07, len = 4;
        for (size_t k = 1; k < len && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

/// UTF-16 to UTF-8 for test texts.
inline std::string utf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size())
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

/// Writes `content` to `path` (created or truncated). False on failure.
inline bool writeFile(const std::string& path, std::string_view content) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    return std::fclose(f) == 0 && ok;
}

/// The whole file, or an empty string when it cannot be read.
inline std::string readFile(const std::string& path) {
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, n);
    std::fclose(f);
    return out;
}

/// Whether something (a dangling link included) has that name.
inline bool entryExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

class TempDir {
public:
    /// Makes "snipforge-test-XXXXXX" in `parent`, else in $TMPDIR (else
    /// /tmp). `name` may add a readable part, spaces and non-ASCII included.
    explicit TempDir(std::string_view name = {}, const char* parent = nullptr) {
        const char* tmp = parent ? parent : std::getenv("TMPDIR");
        std::string base = tmp && *tmp ? tmp : "/tmp";
        std::string pattern = base + "/snipforge-test-";
        pattern.append(name);
        pattern += "-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir() {
        if (!m_path.empty())
            removeTree(m_path);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    /// The folder, without trailing "/"; empty when it could not be made.
    const std::string& path() const { return m_path; }
    /// path + "/" + name (UTF-8).
    std::string file(std::string_view name) const { return m_path + "/" + std::string(name); }
    /// The UTF-16 form of `file(name)` (of the folder itself when `name` is empty).
    std::u16string u16(std::string_view name = {}) const { return utf16(name.empty() ? m_path : file(name)); }

    /// Removes a tree without following links, opening up read-only folders.
    static void removeTree(const std::string& path) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return;
        if (!S_ISDIR(st.st_mode)) {
            ::unlink(path.c_str());
            return;
        }
        ::chmod(path.c_str(), 0700);
        if (DIR* dir = ::opendir(path.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                    removeTree(path + "/" + e->d_name);
            }
            ::closedir(dir);
        }
        ::rmdir(path.c_str());
    }

private:
    std::string m_path;
};

} // namespace s::test
