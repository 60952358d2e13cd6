// Named streams of PathWin. A stream of a file is kept as its extended
// attribute "user.<name>": the namespace every user may write and which
// copies and backups carry along. Other namespaces (access lists, security
// labels, "trusted.") are not streams and are never listed or removed.

#include "foundation/col/array/Arrays.h"
#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathArray.h"
#include "foundation/file/win/PathWin.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/xattr.h>
#include <vector>

namespace s::file::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr char kStreamPrefix[] = "user.";
constexpr size_t kStreamPrefixLength = sizeof kStreamPrefix - 1;
constexpr size_t kMaxAttrName = 255;       // the kernel's limit on attribute names
constexpr size_t kMaxListBytes = 10000000; // a list that does not fit in this yields nothing

// The attribute names of `os`, zero-separated; false when the file system
// has no attributes, the entry is missing or the list is too large.
bool attributeNames(const std::string& os, std::vector<char>* names) {
    size_t room = 1024;
    for (;;) {
        names->resize(room);
        const ssize_t n = ::listxattr(os.c_str(), names->data(), names->size());
        if (n >= 0) {
            names->resize(static_cast<size_t>(n));
            return true;
        }
        if (errno != ERANGE)
            return false;
        // Grown since asked (or larger than the first guess): ask for the
        // size and try again.
        const ssize_t need = ::listxattr(os.c_str(), nullptr, 0);
        if (need < 0)
            return false;
        room = static_cast<size_t>(need) > room ? static_cast<size_t>(need) : room + room / 2;
        if (room > kMaxListBytes)
            return false;
    }
}

template <class Fn> void forEachUserAttribute(const std::vector<char>& names, Fn&& fn) {
    for (size_t i = 0; i < names.size();) {
        const char* name = names.data() + i;
        const size_t len = ::strnlen(name, names.size() - i);
        if (len > kStreamPrefixLength && std::strncmp(name, kStreamPrefix, kStreamPrefixLength) == 0)
            fn(std::string(name, len));
        i += len + 1;
    }
}

// Whether a stream name can be part of a path text and an attribute name.
bool usableStreamName(std::string_view os) {
    return !os.empty() && os.find('/') == std::string_view::npos && os.find('\0') == std::string_view::npos &&
           kStreamPrefixLength + os.size() <= kMaxAttrName;
}

} // namespace

PathWin* newStreamPath(const char16_t* file, const char16_t* stream) {
    return PathWin::create()->setStream(file, stream);
}

PathWin* PathWin::setStream(const char16_t* file, const char16_t* stream) {
    set(file);
    if (!m_valid || m_fullPath.view() == u"/")
        return this;
    const std::u16string_view name(stream ? stream : u"");
    std::string nameOs = toOsText(name);
    StrBuffer joined;
    joined.set(m_fullPath).append(u':').append(name.data(), static_cast<i32>(name.size()));
    const std::string fileOs = m_os;
    set(joined);
    if (!m_valid)
        return this;
    if (!usableStreamName(nameOs)) {
        m_valid = false;
        return this;
    }
    m_streamPath = true;
    m_streamName.set(name.data(), static_cast<i32>(name.size()));
    m_streamFileOs = fileOs;
    m_streamAttr = kStreamPrefix + nameOs;
    return this;
}

bool PathWin::streamExists() const {
    return ::getxattr(m_streamFileOs.c_str(), m_streamAttr.c_str(), nullptr, 0) >= 0;
}

i64 PathWin::streamValueSize() const {
    const ssize_t n = ::getxattr(m_streamFileOs.c_str(), m_streamAttr.c_str(), nullptr, 0);
    return n >= 0 ? static_cast<i64>(n) : -1;
}

bool PathWin::readStream(col::_array::ArrayU08* bytes) const {
    if (!m_valid)
        return false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        const ssize_t need = ::getxattr(m_streamFileOs.c_str(), m_streamAttr.c_str(), nullptr, 0);
        if (need < 0)
            return false;
        bytes->setSize(static_cast<u32>(need));
        const ssize_t n = ::getxattr(m_streamFileOs.c_str(), m_streamAttr.c_str(), bytes->bytes(),
                                     static_cast<size_t>(need));
        if (n >= 0) {
            bytes->setSize(static_cast<u32>(n));
            bytes->rewind();
            return true;
        }
        if (errno != ERANGE) // ERANGE: it grew between the two calls
            break;
    }
    bytes->clear();
    return false;
}

bool PathWin::writeStream(const col::_array::ArrayU08* bytes, bool append) {
    if (!m_valid)
        return false;
    std::vector<u8> value;
    if (append) {
        thread::Pooled<col::_array::ArrayU08> old(col::_array::ArrayU08::create());
        if (readStream(old.get()))
            value.assign(old->bytes(), old->bytes() + old->size());
        else if (errno != ENODATA)
            return false;
    }
    if (bytes && bytes->size())
        value.insert(value.end(), bytes->bytes(), bytes->bytes() + bytes->size());
    // One call replaces the whole value: a failure (no attributes on this
    // file system, a value too large for it, no room) leaves the old value.
    // There is deliberately no fallback to a file named "name:stream".
    const bool ok =
        ::setxattr(m_streamFileOs.c_str(), m_streamAttr.c_str(), value.data(), value.size(), 0) == 0;
    m_streamSize = -1;
    return ok;
}

bool PathWin::createEmptyStream() {
    const bool ok = ::setxattr(m_streamFileOs.c_str(), m_streamAttr.c_str(), "", 0, XATTR_CREATE) == 0;
    m_streamSize = -1;
    return ok;
}

bool PathWin::removeStream() {
    m_streamSize = -1;
    if (::removexattr(m_streamFileOs.c_str(), m_streamAttr.c_str()) == 0)
        return true;
    // Gone already counts as done, as for a missing file; so does an entry
    // that is gone with all its streams.
    return errno == ENODATA || errno == ENOENT;
}

col::_array::ArrayP* PathWin::listStreams(col::_array::ArrayP* out) const {
    if (!out)
        out = PathArray::create();
    if (!m_valid || m_streamPath || !exists())
        return out;
    std::vector<char> names;
    if (!attributeNames(m_os, &names))
        return out;
    forEachUserAttribute(names, [&](const std::string& attr) {
        const std::string_view name = std::string_view(attr).substr(kStreamPrefixLength);
        if (!usableStreamName(name))
            return;
        PathWin* stream = PathWin::create();
        stream->setStream(m_fullPath.c_str(), fromOsText(name).c_str());
        if (!stream->isValid()) {
            stream->release();
            return;
        }
        stream->m_streamSize = stream->streamValueSize();
        if (stream->m_streamSize < 0) {
            stream->release(); // removed since listed
            return;
        }
        out->append(static_cast<base::IObject*>(stream));
    });
    return out;
}

bool PathWin::hasStreams(bool deep) const {
    if (!m_valid || m_streamPath || !exists())
        return false;
    std::vector<char> names;
    bool found = false;
    if (attributeNames(m_os, &names))
        forEachUserAttribute(names, [&](const std::string&) { found = true; });
    if (found || !deep || !isFolder())
        return found;
    thread::Pooled<PathArray> entries(listEntriesAsPathArray(true, true, nullptr));
    for (u32 i = 0; i < entries->size(); ++i) {
        if (entries->path(i)->hasStreams(false))
            return true;
    }
    return false;
}

bool PathWin::removeStreamsHere() {
    std::vector<char> names;
    if (!attributeNames(m_os, &names))
        return errno == ENOTSUP; // nothing can be there
    bool ok = true;
    // By their raw names, so that streams whose names no path can hold go too.
    forEachUserAttribute(names, [&](const std::string& attr) {
        if (::removexattr(m_os.c_str(), attr.c_str()) != 0 && errno != ENODATA)
            ok = false;
    });
    return ok;
}

bool PathWin::removeStreams(bool deep) {
    if (!m_valid || m_streamPath || !exists())
        return false;
    bool ok = removeStreamsHere();
    if (deep && isFolder()) {
        thread::Pooled<PathArray> entries(listEntriesAsPathArray(true, true, nullptr));
        for (u32 i = 0; i < entries->size(); ++i)
            ok = entries->path(i)->removeStreams(false) && ok;
    }
    return ok;
}

} // namespace s::file::win
