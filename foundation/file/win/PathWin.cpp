#include "foundation/file/win/PathWin.h"

#include "foundation/col/array/ArrayP.h"
#include "foundation/file/win/OsText.h"
#include "foundation/file/win/Posix.h"
#include "foundation/str/StrArray.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace s::file::win {

using str::strarray::StrArray;
using str::strbuffer::StrBuffer;

namespace {

bool lstatOk(const std::string& os, struct stat* st) {
    return !os.empty() && ::lstat(os.c_str(), st) == 0;
}

// The device of the entry, or of its nearest existing parent.
bool deviceOfNearest(const std::string& os, dev_t* dev, std::string* existing = nullptr) {
    std::string p = posix::absolute(os);
    for (;;) {
        struct stat st;
        if (::stat(p.c_str(), &st) == 0) {
            *dev = st.st_dev;
            if (existing)
                *existing = p;
            return true;
        }
        if (p == "/" || p.empty())
            return false;
        p = posix::folderOf(p);
    }
}

i64 sumFolder(const std::string& folder, bool withSubfolders, u32* fileCount, u32* folderCount,
              bool withFiles) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    i64 total = 0;
    while (dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        struct stat st;
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode))
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (withSubfolders) {
                std::string sub = folder;
                if (sub.back() != '/')
                    sub.push_back('/');
                sub += e->d_name;
                total += sumFolder(sub, true, fileCount, folderCount, true);
                if (folderCount)
                    ++*folderCount;
            }
        } else if (withFiles) {
            total += st.st_size;
            if (fileCount)
                ++*fileCount;
        }
    }
    ::closedir(dir);
    return total;
}

} // namespace

StrBuffer* PathWin::outFor(StrBuffer* out, bool append) {
    if (!out)
        return StrBuffer::create();
    if (!append)
        out->clear();
    return out;
}

// ---------------------------------------------------------------------------
// Comparison: as the full path text.

int PathWin::compareTo(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compare(this, other);
    if (const auto* p = dynamic_cast<const PathWin*>(other))
        return m_fullPath.compareTo(&p->m_fullPath, nullptr);
    return IObject::compareTo(other, nullptr);
}

int PathWin::compareToIgnoreCase(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compareIgnoreCase(this, other);
    if (const auto* p = dynamic_cast<const PathWin*>(other))
        return m_fullPath.compareToIgnoreCase(&p->m_fullPath, nullptr);
    return IObject::compareToIgnoreCase(other, nullptr);
}

bool PathWin::equals(const base::IObject* other, const base::IComparator* comparator) const {
    return compareTo(other, comparator) == 0;
}

bool PathWin::equalsIgnoreCase(const base::IObject* other, const base::IComparator* comparator) const {
    return compareToIgnoreCase(other, comparator) == 0;
}

i32 PathWin::hashCode() const {
    return m_fullPath.hashCode();
}
i32 PathWin::hashCodeIgnoreCase() const {
    return m_fullPath.hashCodeIgnoreCase();
}

// ---------------------------------------------------------------------------
// Setting and splitting.

void PathWin::clear() {
    m_scratch.clear();
    m_inputText.clear();
    m_volumeRoot.clear();
    m_dir.clear();
    m_os.clear();
    m_size = m_lastAccess = m_lastWrite = m_creation = 0;
    m_sizeOnDisk = -1;
    m_statCached = false;
    m_valid = false;
    m_streamPath = false;
    m_streamSize = -1;
    m_streamName.clear();
    m_streamFileOs.clear();
    m_streamAttr.clear();
    m_attributesCached = false;
    m_attributes = 0;
    m_fsKind = kFsUnknown;
    m_ext.clear();
    m_fullPath.clear();
    m_title.clear();
}

PathWin* PathWin::set(const StrBuffer& text) {
    return set(text.chars() ? text.chars() : u"", text.length());
}

PathWin* PathWin::set(const char16_t* text) {
    return set(text ? text : u"", -1);
}

PathWin* PathWin::set(const char16_t* text, i32 n) {
    clear();
    m_inputText.set(text, n);
    if (m_inputText.length() == 0)
        return this;
    m_valid = true;
    m_fullPath.set(m_inputText);
    splitFullPath();
    return this;
}

PathWin* PathWin::setOs(std::string_view bytes) {
    clear();
    appendFromOsText(bytes, m_inputText);
    if (m_inputText.length() == 0)
        return this;
    m_valid = true;
    m_fullPath.set(m_inputText);
    splitFullPath();
    return this;
}

void PathWin::splitFullPath() {
    // A zero character cannot reach the kernel: such a text names nothing.
    for (u32 i = 0; i < m_fullPath.length(); ++i) {
        if (m_fullPath.charAt(i) == 0) {
            m_valid = false;
            return;
        }
    }
    u32 len = m_fullPath.length();
    while (len > 1 && m_fullPath.charAt(len - 1) == u'/')
        --len;
    m_fullPath.setLength(len);

    u32 slash = 0;
    const bool hasSlash = m_fullPath.lastIndexOf(u'/', &slash);
    const u32 nameStart = hasSlash ? slash + 1 : 0;
    m_dir.set(m_fullPath.chars(), static_cast<i32>(nameStart));

    // The extension starts at the last dot of the name, unless that dot is
    // the name's first character (".config") or the name is all dots.
    const u32 nameLen = len - nameStart;
    u32 dot = nameLen;
    for (u32 i = nameLen; i > 0; --i) {
        if (m_fullPath.charAt(nameStart + i - 1) == u'.') {
            dot = i - 1;
            break;
        }
    }
    bool allDots = true;
    for (u32 i = 0; i < nameLen && allDots; ++i)
        allDots = m_fullPath.charAt(nameStart + i) == u'.';
    if (dot == 0 || allDots)
        dot = nameLen;
    m_title.set(m_fullPath.charPtr(nameStart), static_cast<i32>(dot));
    m_ext.set(m_fullPath.charPtr(nameStart + dot), static_cast<i32>(nameLen - dot));

    m_os.clear();
    appendOsText(m_fullPath.chars(), m_fullPath.length(), m_os);
}

// ---------------------------------------------------------------------------
// Kind and attributes.

bool PathWin::isAbsolute() const {
    return m_valid && m_fullPath.length() > 0 && m_fullPath.charAt(0) == u'/';
}

bool PathWin::exists() const {
    if (m_streamPath)
        return m_valid && streamExists();
    return m_valid && ::access(m_os.c_str(), F_OK) == 0;
}

u32 PathWin::getAttributes() const {
    if (m_attributesCached)
        return m_attributes;
    m_attributesCached = true;
    m_attributes = kInvalid;
    if (m_streamPath) {
        // A stream has the attributes of a plain file of its entry.
        struct stat st;
        if (m_valid && streamExists() && ::stat(m_streamFileOs.c_str(), &st) == 0)
            m_attributes = (st.st_mode & 0222) == 0 ? static_cast<u32>(kReadOnly) : static_cast<u32>(kNormal);
        return m_attributes;
    }
    struct stat lst;
    if (!m_valid || !lstatOk(m_os, &lst))
        return m_attributes;
    u32 bits = 0;
    mode_t mode = lst.st_mode;
    if (S_ISLNK(lst.st_mode)) {
        bits |= kReparsePoint;
        struct stat st;
        if (::stat(m_os.c_str(), &st) == 0) {
            mode = st.st_mode;
            if (S_ISDIR(st.st_mode))
                bits |= kFolder;
        } else {
            mode |= 0200; // a dangling link is not read-only
        }
    } else if (S_ISDIR(mode)) {
        bits |= kFolder;
    }
    if ((mode & 0222) == 0)
        bits |= kReadOnly;
    if (m_title.length() > 0 && m_title.charAt(0) == u'.')
        bits |= kHidden;
    m_attributes = bits ? bits : static_cast<u32>(kNormal);
    return m_attributes;
}

bool PathWin::addAttributes(u32 bits) {
    const u32 old = getAttributes();
    if (old == kInvalid)
        return false;
    if ((old & bits) == bits)
        return true;
    const u32 missing = bits & ~old;
    if (missing & ~(static_cast<u32>(kReadOnly) | kNormal))
        return false; // hidden, system and the derived bits cannot be given here
    if (missing & kReadOnly)
        return setWritable(false);
    return true;
}

bool PathWin::setAttributes(u32 value) {
    if (m_attributesCached && m_attributes == value)
        return true;
    const u32 old = getAttributes();
    if (old == kInvalid)
        return false;
    const bool wantReadOnly = (value & kReadOnly) != 0;
    if (wantReadOnly == ((old & kReadOnly) != 0))
        return true;
    return setWritable(!wantReadOnly);
}

bool PathWin::canRead() const {
    return m_valid && ::access((m_streamPath ? m_streamFileOs : m_os).c_str(), R_OK) == 0;
}
bool PathWin::canWrite() const {
    return m_valid && ::access((m_streamPath ? m_streamFileOs : m_os).c_str(), W_OK) == 0;
}
bool PathWin::canReadWrite() const {
    return m_valid && ::access((m_streamPath ? m_streamFileOs : m_os).c_str(), R_OK | W_OK) == 0;
}

bool PathWin::isFolder() const {
    const u32 a = getAttributes();
    return a != kInvalid && (a & kFolder);
}

bool PathWin::isEmptyFolder() const {
    return isFolder() && !hasEntries(true);
}

bool PathWin::isFile() const {
    const u32 a = getAttributes();
    return a != kInvalid && !(a & kFolder);
}

bool PathWin::isHidden() const {
    const u32 a = getAttributes();
    return a != kInvalid && (a & kHidden);
}

bool PathWin::isSystem() const {
    const u32 a = getAttributes();
    return a != kInvalid && (a & kSystem);
}

bool PathWin::isArchive() const {
    const u32 a = getAttributes();
    return a != kInvalid && (a & kArchive);
}

bool PathWin::isSymbolicLink() const {
    const u32 a = getAttributes();
    return a != kInvalid && (a & kReparsePoint);
}

bool PathWin::isExe() const {
    return isFile() && m_ext.endsWithIgnoreCase(u".exe");
}
bool PathWin::isLnk() const {
    return (isFile() || isSymbolicLink()) && m_ext.endsWithIgnoreCase(u".lnk");
}
bool PathWin::isUrl() const {
    return isFile() && m_ext.endsWithIgnoreCase(u".url");
}


char16_t PathWin::driveLetter() const {
    return m_fullPath.length() ? m_fullPath.charAt(0) : 0;
}

bool PathWin::isNtfs() const {
    (void)volumeRoot();
    if (m_fsKind == kFsUnknown) {
        m_fsKind = kFsOther;
        struct statfs fs;
        if (::statfs(toOsText(m_volumeRoot.view()).c_str(), &fs) == 0) {
            switch (static_cast<unsigned long>(fs.f_type)) {
            case MSDOS_SUPER_MAGIC:
                m_fsKind = kFsVfat;
                break;
            case 0x5346544eUL: // ntfs
            case 0x7366746eUL: // ntfs3
                m_fsKind = kFsNtfs;
                break;
            case 0xf995e849UL: // hpfs
                m_fsKind = kFsHpfs;
                break;
            default:
                break;
            }
        }
    }
    return m_fsKind == kFsNtfs;
}

bool PathWin::isFatFamily() const {
    (void)isNtfs();
    return m_fsKind == kFsFat || m_fsKind == kFsFat32 || m_fsKind == kFsVfat;
}

const char16_t* PathWin::volumeRoot() const {
    if (m_volumeRoot.length() == 0 && m_valid) {
        std::string existing;
        dev_t dev;
        std::string root = "/";
        if (deviceOfNearest(m_os, &dev, &existing)) {
            std::string p = posix::canonicalLenient(existing);
            if (p.empty())
                p = existing;
            // Walk up while the parent lies on the same file system.
            while (p != "/") {
                const std::string up = posix::folderOf(p);
                struct stat st;
                if (::stat(up.c_str(), &st) != 0 || st.st_dev != dev)
                    break;
                p = up;
            }
            root = p == "/" ? p : p + "/";
        }
        appendFromOsText(root, m_volumeRoot);
    }
    return m_volumeRoot.c_str();
}

bool PathWin::isSameVolume(const char16_t* text) const {
    PathHandle other(newPath(text));
    if (!isAbsolute() || !other->isAbsolute())
        return false;
    dev_t a;
    dev_t b;
    return deviceOfNearest(m_os, &a) && deviceOfNearest(other->m_os, &b) && a == b;
}

const char16_t* PathWin::relativize(const char16_t* given, bool asFolder) {
    // A copy: the text may be one this object returned, held in the scratch.
    const std::u16string copy(given ? given : u"");
    const char16_t* text = copy.c_str();
    if (!isSameVolume(text)) {
        m_scratch.set(text);
        return m_scratch.c_str();
    }
    StrBuffer base;
    if (asFolder || isFolder())
        folderFormInto(&base, false);
    else
        folderInto(&base, false);
    const std::u16string_view t(text);
    u32 d = 0;
    while (d < base.length() && d < t.size() && base.charAt(d) == t[d])
        ++d;
    // The common part ends after a whole name.
    while (d > 0 && base.charAt(d - 1) != u'/')
        --d;
    m_scratch.clear();
    for (u32 i = d; i < base.length(); ++i) {
        if (base.charAt(i) == u'/')
            m_scratch.append(u"../");
    }
    m_scratch.append(text + d, static_cast<i32>(t.size() - d));
    return m_scratch.c_str();
}

const char16_t* PathWin::resolve(const char16_t* given, bool asFolder) {
    const std::u16string copy(given ? given : u"");
    const char16_t* text = copy.c_str();
    std::u16string_view rest(text);
    if (!rest.empty() && rest[0] == u'/') {
        m_scratch.set(text);
        return m_scratch.c_str();
    }
    std::u16string base;
    {
        StrBuffer b;
        if (asFolder || isFolder())
            folderFormInto(&b, false);
        else
            folderInto(&b, false);
        base.assign(b.view());
    }
    std::u16string ups; // "../" groups that climb above a relative base
    for (;;) {
        if (rest.substr(0, 2) == u"./" || rest == u".") {
            rest.remove_prefix(rest.size() < 2 ? rest.size() : 2);
        } else if (rest.substr(0, 3) == u"../" || rest == u"..") {
            rest.remove_prefix(rest.size() < 3 ? rest.size() : 3);
            if (base == u"/")
                continue; // above the root is the root
            const bool climbsAlready = base.size() >= 3 && base.compare(base.size() - 3, 3, u"../") == 0 &&
                                       (base.size() == 3 || base[base.size() - 4] == u'/');
            if (base.empty() || climbsAlready) {
                (base.empty() ? ups : base) += u"../";
                continue;
            }
            base.pop_back();
            const size_t slash = base.rfind(u'/');
            base.resize(slash == std::u16string::npos ? 0 : slash + 1);
        } else {
            break;
        }
    }
    m_scratch.clear();
    m_scratch.append(ups.data(), static_cast<i32>(ups.size()));
    m_scratch.append(base.data(), static_cast<i32>(base.size()));
    m_scratch.append(rest.data(), static_cast<i32>(rest.size()));
    return m_scratch.c_str();
}

// ---------------------------------------------------------------------------
// Sizes and times.

bool PathWin::fillStat() const {
    if (m_statCached)
        return true;
    m_statCached = true;
    m_size = m_lastAccess = m_lastWrite = m_creation = 0;
    struct statx stx;
    if (!m_valid || ::statx(AT_FDCWD, m_os.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &stx) != 0)
        return false;
    m_size = static_cast<i64>(stx.stx_size);
    m_lastAccess = stx.stx_atime.tv_sec;
    m_lastWrite = stx.stx_mtime.tv_sec;
    m_creation = (stx.stx_mask & STATX_BTIME) ? stx.stx_btime.tv_sec : stx.stx_mtime.tv_sec;
    return true;
}

i64 PathWin::size(bool sumFolderFlag, bool withSubfolders, u32* fileCount, u32* folderCount,
                  bool withFiles) const {
    if (m_streamPath) {
        if (m_streamSize < 0)
            m_streamSize = streamValueSize();
        return m_streamSize >= 0 ? m_streamSize : 0;
    }
    if (!sumFolderFlag || !isFolder()) {
        fillStat();
        return m_size;
    }
    return sumFolder(m_os, withSubfolders, fileCount, folderCount, withFiles);
}

i64 PathWin::sizeOnDisk() const {
    if (m_sizeOnDisk >= 0)
        return m_sizeOnDisk;
    const i64 s = size(false, true, nullptr, nullptr, true);
    if (s <= 0)
        return 0;
    i64 unit = 512;
    struct statvfs vfs;
    if (::statvfs(toOsText(std::u16string_view(volumeRoot())).c_str(), &vfs) == 0 &&
        static_cast<i64>(vfs.f_frsize) > unit)
        unit = static_cast<i64>(vfs.f_frsize);
    m_sizeOnDisk = (s + unit - 1) / unit * unit;
    return m_sizeOnDisk;
}

i64 PathWin::creationTime(bool refresh) const {
    if (m_streamPath)
        return 0;
    if (refresh)
        m_statCached = false;
    fillStat();
    return m_creation;
}

i64 PathWin::lastAccessTime(bool refresh) const {
    if (m_streamPath)
        return 0;
    if (refresh)
        m_statCached = false;
    fillStat();
    return m_lastAccess;
}

i64 PathWin::lastWriteTime(bool refresh) const {
    if (m_streamPath)
        return 0;
    if (refresh)
        m_statCached = false;
    fillStat();
    return m_lastWrite;
}

bool PathWin::setTimes(i64 creation, i64 lastWrite, i64 lastAccess, bool forNormal, bool forReadOnly,
                       bool forHidden, bool forSystem, bool recursive) {
    (void)creation;
    if (!m_valid || m_streamPath || !exists())
        return false;
    const u32 a = getAttributes();
    const bool wanted = (a & kSystem)     ? forSystem
                        : (a & kHidden)   ? forHidden
                        : (a & kReadOnly) ? forReadOnly
                                          : forNormal;
    if (!wanted)
        return false;
    bool ok = true;
    if (recursive && isFolder()) {
        thread::Pooled<col::_array::ArrayP> entries(listEntries(true, false, nullptr));
        for (u32 i = 0; i < entries->size(); ++i)
            ok = entries->getAs<PathWin>(i)->setTimes(creation, lastWrite, lastAccess, forNormal, forReadOnly,
                                                      forHidden, forSystem, recursive) &&
                 ok;
    }
    struct timespec times[2];
    times[0].tv_sec = lastAccess >= 0 ? lastAccess : 0;
    times[0].tv_nsec = lastAccess >= 0 ? 0 : UTIME_OMIT;
    times[1].tv_sec = lastWrite >= 0 ? lastWrite : 0;
    times[1].tv_nsec = lastWrite >= 0 ? 0 : UTIME_OMIT;
    return ::utimensat(AT_FDCWD, m_os.c_str(), times, 0) == 0 && ok;
}

// ---------------------------------------------------------------------------
// Permissions.

bool PathWin::applyWritable() {
    return setWritable(canWrite());
}

bool PathWin::setWritable(bool flag) {
    struct stat st;
    if (!m_valid || m_streamPath || ::stat(m_os.c_str(), &st) != 0)
        return false;
    const mode_t mode = flag ? (st.st_mode | S_IWUSR) : (st.st_mode & ~static_cast<mode_t>(0222));
    if ((mode & 07777) != (st.st_mode & 07777) && ::chmod(m_os.c_str(), mode & 07777) != 0)
        return false;
    if (m_attributesCached && m_attributes != kInvalid) {
        m_attributes &= ~static_cast<u32>(kReadOnly);
        if ((mode & 0222) == 0)
            m_attributes |= kReadOnly;
        if (m_attributes == 0)
            m_attributes = kNormal;
        else if (m_attributes != kNormal)
            m_attributes &= ~static_cast<u32>(kNormal);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Name forms.

StrBuffer* PathWin::fullPathInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    out->append(m_fullPath);
    return out;
}

StrBuffer* PathWin::folderFormInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    if (m_fullPath.length() == 0)
        return out;
    out->append(m_fullPath);
    if (m_fullPath.charAt(m_fullPath.length() - 1) != u'/')
        out->append(u'/');
    return out;
}

StrBuffer* PathWin::folderInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    out->append(m_dir);
    return out;
}

StrBuffer* PathWin::folderNoSlashInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    u32 n = m_dir.length();
    if (n > 1 && m_dir.charAt(n - 1) == u'/')
        --n;
    out->append(m_dir.chars(), static_cast<i32>(n));
    return out;
}

StrBuffer* PathWin::nameInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    out->append(m_title).append(m_ext);
    return out;
}

StrBuffer* PathWin::titleInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    out->append(m_title);
    return out;
}

StrBuffer* PathWin::extInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    out->append(m_ext);
    return out;
}

StrBuffer* PathWin::extNoDotInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    if (m_ext.length() >= 2)
        out->append(m_ext.chars() + 1, static_cast<i32>(m_ext.length() - 1));
    return out;
}

StrBuffer* PathWin::typeNameInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    if (isFolder()) {
        out->append(u"File folder");
    } else if (m_ext.length() >= 2) {
        StrBuffer upper;
        upper.set(m_ext.chars() + 1, static_cast<i32>(m_ext.length() - 1));
        upper.toUpperCase();
        out->append(upper).append(u" File");
    } else {
        out->append(u"File");
    }
    return out;
}

StrBuffer* PathWin::sizeTextInto(StrBuffer* out, bool append) const {
    out = outFor(out, append);
    if (exists() && isFolder())
        return out;
    const i64 bytes = size(false, true, nullptr, nullptr, true);
    char text[64];
    if (bytes < 1000) {
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    } else {
        static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
        double v = static_cast<double>(bytes) / 1024.0;
        int unit = 0;
        while (v >= 1000.0 && unit < 5) {
            v /= 1024.0;
            ++unit;
        }
        // Three significant digits, cut rather than rounded (1.469 MB shows
        // as 1.46 MB).
        const int decimals = v < 10.0 ? 2 : v < 100.0 ? 1 : 0;
        const double scale = decimals == 2 ? 100.0 : decimals == 1 ? 10.0 : 1.0;
        v = std::floor(v * scale + 1e-9) / scale;
        std::snprintf(text, sizeof text, "%.*f %s", decimals, v, kUnits[unit]);
    }
    out->append(text);
    return out;
}

const char16_t* PathWin::scratchOf(StrBuffer* (PathWin::*into)(StrBuffer*, bool) const) {
    (this->*into)(&m_scratch, false);
    return m_scratch.c_str();
}

const char16_t* PathWin::folderForm() {
    return scratchOf(&PathWin::folderFormInto);
}
const char16_t* PathWin::folder() {
    return scratchOf(&PathWin::folderInto);
}
const char16_t* PathWin::folderNoSlash() {
    return scratchOf(&PathWin::folderNoSlashInto);
}
const char16_t* PathWin::name() {
    return scratchOf(&PathWin::nameInto);
}
const char16_t* PathWin::titleText() {
    return scratchOf(&PathWin::titleInto);
}
const char16_t* PathWin::extWithDot() {
    return scratchOf(&PathWin::extInto);
}
const char16_t* PathWin::extNoDot() {
    return scratchOf(&PathWin::extNoDotInto);
}
const char16_t* PathWin::typeName() {
    return scratchOf(&PathWin::typeNameInto);
}
const char16_t* PathWin::sizeText() {
    return scratchOf(&PathWin::sizeTextInto);
}

bool PathWin::extEquals(const char16_t* text) const {
    if (!text)
        return m_ext.length() == 0;
    if (m_ext.length() == 0)
        return text[0] == 0;
    return m_ext.regionMatchesIgnoreCase(0, text, 0, -1);
}

// ---------------------------------------------------------------------------
// Derived paths.

PathWin* PathWin::child(const char16_t* childName) const {
    StrBuffer joined;
    folderFormInto(&joined, false);
    joined.append(childName ? childName : u"");
    return PathWin::create()->set(joined);
}

PathWin* PathWin::withExtension(const char16_t* newExt) const {
    StrBuffer joined;
    joined.set(m_dir).append(m_title).append(newExt ? newExt : u"");
    return PathWin::create()->set(joined);
}

PathWin* PathWin::withSuffix(const char16_t* suffix) const {
    StrBuffer joined;
    joined.set(m_dir).append(m_title);
    if (isFolder())
        joined.append(m_ext).append(suffix ? suffix : u"");
    else
        joined.append(suffix ? suffix : u"").append(m_ext);
    return PathWin::create()->set(joined);
}

PathWin* PathWin::numbered(bool plain) const {
    PathWin* p = newPath(m_fullPath);
    struct stat st;
    // A dangling symbolic link occupies its name too.
    if (!m_valid || !lstatOk(p->m_os, &st))
        return p;
    const bool folderEntry = isFolder();
    StrBuffer candidate;
    for (u32 n = 1; n != 0; ++n) {
        candidate.set(m_dir).append(m_title);
        if (folderEntry)
            candidate.append(m_ext);
        if (!plain)
            candidate.append(u" (");
        candidate.append(n);
        if (!plain)
            candidate.append(u')');
        if (!folderEntry)
            candidate.append(m_ext);
        p->set(candidate);
        if (!lstatOk(p->m_os, &st))
            return p;
    }
    return p;
}

PathWin* PathWin::numberedUnique() const {
    return numbered(false);
}
PathWin* PathWin::numberedUniquePlain() const {
    return numbered(true);
}

PathWin* PathWin::parent() const {
    return PathWin::create()->set(m_dir);
}

PathWin* PathWin::parentOrNull() const {
    if (!m_valid || m_fullPath.view() == u"/")
        return nullptr;
    PathWin* p = parent();
    if (!p->isValid()) {
        p->release();
        return nullptr;
    }
    return p;
}

// ---------------------------------------------------------------------------
// Listings.

namespace {

std::atomic<bool> g_showHidden{false};

} // namespace

void setShowHiddenEntries(bool show) {
    g_showHidden.store(show);
}
bool showHiddenEntries() {
    return g_showHidden.load();
}

bool PathWin::passesListing(const char* entryName, bool isLink, bool all) const {
    if (std::strcmp(entryName, ".") == 0 || std::strcmp(entryName, "..") == 0 || isLink)
        return false;
    if (!all && entryName[0] == '.' && !g_showHidden.load())
        return false;
    return true;
}

template <class Fn> bool PathWin::forEachEntry(Fn&& fn) const {
    if (!m_valid || m_streamPath)
        return false;
    DIR* dir = ::opendir(m_os.c_str());
    if (!dir)
        return false;
    while (dirent* e = ::readdir(dir)) {
        struct stat st;
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!fn(e->d_name, st))
            break;
    }
    ::closedir(dir);
    return true;
}

bool PathWin::hasEntries(bool all) const {
    bool found = false;
    forEachEntry([&](const char* entryName, const struct stat& st) {
        found = passesListing(entryName, S_ISLNK(st.st_mode), all);
        return !found;
    });
    return found;
}

StrArray* PathWin::listNamesOf(Select select, bool fullPaths, bool all) const {
    StrArray* names = StrArray::create();
    forEachEntry([&](const char* entryName, const struct stat& st) {
        if (!passesListing(entryName, S_ISLNK(st.st_mode), all))
            return true;
        const bool isDir = S_ISDIR(st.st_mode);
        if ((select == Select::Folders && !isDir) || (select == Select::Files && isDir))
            return true;
        StrBuffer* text = StrBuffer::create();
        if (fullPaths)
            folderFormInto(text, false);
        appendFromOsText(entryName, *text);
        names->append(text);
        return true;
    });
    return names;
}

StrArray* PathWin::listNames(bool fullPaths, bool all) const {
    return listNamesOf(Select::All, fullPaths, all);
}
StrArray* PathWin::listFolderNames(bool fullPaths, bool all) const {
    return listNamesOf(Select::Folders, fullPaths, all);
}
StrArray* PathWin::listFileNames(bool fullPaths, bool all) const {
    return listNamesOf(Select::Files, fullPaths, all);
}

void PathWin::listInto(Select select, bool all, bool recursive, col::_array::ArrayP* out) const {
    forEachEntry([&](const char* entryName, const struct stat& st) {
        if (!passesListing(entryName, S_ISLNK(st.st_mode), all))
            return true;
        const bool isDir = S_ISDIR(st.st_mode);
        const bool wanted = select == Select::All || (select == Select::Folders) == isDir;
        if (!wanted && !(recursive && isDir))
            return true;
        PathWin* entry = PathWin::create();
        std::string os = m_os == "/" ? std::string("/") : m_os + "/";
        os += entryName;
        entry->setOs(os);
        if (wanted)
            out->append(static_cast<base::IObject*>(entry));
        if (recursive && isDir)
            entry->listInto(select, all, recursive, out);
        if (!wanted)
            entry->release();
        return true;
    });
}

namespace {

col::_array::ArrayP* ownedPathArray() {
    auto* array = col::_array::ArrayP::create();
    array->setElementDestructor(&thread::poolOf<PathWin>());
    return array;
}

} // namespace

col::_array::ArrayP* PathWin::listEntries(bool all, bool recursive, col::_array::ArrayP* out) const {
    if (!out)
        out = ownedPathArray();
    listInto(Select::All, all, recursive, out);
    return out;
}

col::_array::ArrayP* PathWin::listFolders(bool all, bool recursive, col::_array::ArrayP* out) const {
    if (!out)
        out = ownedPathArray();
    listInto(Select::Folders, all, recursive, out);
    return out;
}

col::_array::ArrayP* PathWin::listFiles(bool all, bool recursive, col::_array::ArrayP* out) const {
    if (!out)
        out = ownedPathArray();
    listInto(Select::Files, all, recursive, out);
    return out;
}

} // namespace s::file::win
