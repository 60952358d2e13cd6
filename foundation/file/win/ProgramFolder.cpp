#include "foundation/file/win/ProgramFolder.h"

#include <mutex>
#include <unistd.h>

namespace s::file::win {

namespace {

struct ProgramFolderState {
    std::mutex lock;
    std::string override; // empty: the executable's folder
};

// Never destroyed: worker threads may still ask while statics are torn down.
ProgramFolderState& state() {
    static ProgramFolderState* s = new ProgramFolderState();
    return *s;
}

std::string executableFolder() {
    std::string buffer(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const size_t slash = buffer.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : buffer.substr(0, slash);
}

} // namespace

std::string programFolderOs() {
    {
        ProgramFolderState& s = state();
        std::lock_guard<std::mutex> guard(s.lock);
        if (!s.override.empty())
            return s.override;
    }
    // Not cached: the link always names the running image, and reading it is
    // cheap next to what callers do with the answer.
    return executableFolder();
}

void setProgramFolderOverride(const char* folder) {
    std::string text = folder ? folder : "";
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    // Relative to the current folder of now: the tools are started from
    // other folders later.
    if (!text.empty() && text[0] != '/') {
        char cwd[4096];
        if (::getcwd(cwd, sizeof cwd))
            text = std::string(cwd) + (cwd[1] ? "/" : "") + text;
    }
    ProgramFolderState& s = state();
    std::lock_guard<std::mutex> guard(s.lock);
    s.override = std::move(text);
}

} // namespace s::file::win
