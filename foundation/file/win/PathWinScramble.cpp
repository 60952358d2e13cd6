// Renaming to random names and the exclusive-access test of PathWin.

#include "foundation/col/array/ArrayP.h"
#include "foundation/file/win/PathWin.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace s::file::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr u32 kCandidatesPerPass = 20;

// One generator for the process, seeded once from the clock.
char16_t randomNameChar() {
    static std::mutex lock;
    static std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    std::lock_guard guard(lock);
    for (;;) {
        // Draws outside the alphabet are discarded, so every letter and
        // digit is equally likely.
        const auto c = static_cast<char16_t>(generator() & 0x7F);
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'1' && c <= u'9'))
            return c;
    }
}

bool entryThere(const StrBuffer& text) {
    PathHandle p(newPath(text));
    struct stat st;
    return ::lstat(p->osPathBytes().c_str(), &st) == 0;
}

} // namespace

bool PathWin::scrambleName(u32 passes, StrBuffer* outPath, bool restoreAttributes) {
    if (!m_valid || length() <= 3 || m_streamPath)
        return false;
    StrBuffer temp;
    StrBuffer& current = outPath ? *outPath : temp;
    current.set(m_fullPath);
    const u32 saved = getAttributes();
    if (saved == kInvalid)
        return false;
    // A link is renamed as it is: its permissions are those of its target,
    // another entry, which stays untouched.
    const bool changeAttributes = !isSymbolicLink();
    if (changeAttributes)
        (void)setAttributes(kNormal);

    bool renamed = false;
    u32 slash = 0;
    if (current.lastIndexOf(u'/', &slash)) {
        const u32 nameStart = slash + 1;
        StrBuffer candidate;
        for (u32 pass = 0; pass < passes; ++pass) {
            for (u32 attempt = 0; attempt < kCandidatesPerPass; ++attempt) {
                candidate.set(current);
                u32 end = candidate.length();
                if (end - nameStart < 3) {
                    // A short name gets room for more randomness; its last
                    // character stays "_".
                    candidate.append(u"__");
                    ++end;
                }
                for (u32 i = nameStart; i < end; ++i) {
                    if (candidate.charAt(i) != u'.')
                        candidate.chars()[i] = randomNameChar();
                }
                PathHandle from(newPath(current));
                // The rename never replaces: a name that is taken is simply
                // the next attempt, and the entry there stays as it was.
                bool moved = from->renameTo(candidate.c_str());
                if (!moved && !entryThere(candidate) && entryThere(current)) {
                    // Timed on purpose: one retry after a moment for another
                    // process that briefly held the entry; nothing signals it.
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    moved = from->renameTo(candidate.c_str());
                }
                if (moved) {
                    current.set(candidate);
                    renamed = true;
                    break;
                }
            }
        }
    }
    if (restoreAttributes && changeAttributes) {
        PathHandle now(newPath(current));
        (void)now->setAttributes(saved);
    }
    return renamed;
}

bool PathWin::canOpenExclusively(bool restoreAttributes) {
    if (!m_valid || length() <= 3 || !exists())
        return false;
    if (m_streamPath) {
        // A stream cannot be opened apart from its entry: the entry decides.
        PathHandle entry(newPathOs(m_streamFileOs));
        return entry->canOpenExclusively(restoreAttributes);
    }
    if (isFile() && size(false, true, nullptr, nullptr, true) == 0)
        return true;
    const u32 saved = getAttributes();
    (void)setAttributes(kNormal);
    bool ok = true;
    if (isFolder()) {
        thread::Pooled<col::_array::ArrayP> entries(listEntries(true, false, nullptr));
        for (u32 i = 0; i < entries->size() && ok; ++i)
            ok = entries->getAs<PathWin>(i)->canOpenExclusively(false);
    } else {
        // A write lease is granted only while no other open of the file
        // exists, in any process: the test the platform offers for "nobody
        // else has it open". It is given back at once.
        const int fd = ::open(m_os.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            ok = false;
        } else {
            ok = ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
            if (ok)
                ::fcntl(fd, F_SETLEASE, F_UNLCK);
            ::close(fd);
        }
    }
    if (restoreAttributes)
        (void)setAttributes(saved);
    return ok;
}

} // namespace s::file::win
