// The whole-file operations of PathWin and its stream factories.

#include "foundation/col/array/Arrays.h"
#include "foundation/file/AtomicWrite.h"
#include "foundation/file/StreamCopy.h"
#include "foundation/file/win/FileInputStream.h"
#include "foundation/file/win/FileOutputStream.h"
#include "foundation/file/win/PathWin.h"

#include <limits>
#include <sys/stat.h>

namespace s::file::win {

FileInputStream* PathWin::openInputStream() const {
    FileInputStream* in = FileInputStream::create();
    if (m_valid && !m_streamPath)
        (void)in->openOs(m_os);
    return in;
}

FileOutputStream* PathWin::openOutputStream(bool append) {
    FileOutputStream* out = FileOutputStream::create();
    if (m_valid && !m_streamPath && makeParent())
        (void)out->openOs(m_os, append);
    return out;
}

bool PathWin::readAll(col::_array::ArrayU08* bytes) const {
    if (!bytes)
        return false;
    bytes->clear();
    if (m_streamPath)
        return readStream(bytes);
    const i64 s = size(false, true, nullptr, nullptr, true);
    if (s > static_cast<i64>(std::numeric_limits<u32>::max()))
        return false;
    if (bytes->capacity() < static_cast<u32>(s))
        bytes->reserve(static_cast<u32>(s));
    FileInputStream* in = openInputStream();
    const bool ok = in->isOpen() && copyStream(in, bytes);
    bytes->rewind();
    in->dispose();
    return ok;
}

bool PathWin::writeAll(const col::_array::ArrayU08* bytes, bool append) {
    if (!m_valid)
        return false;
    if (m_streamPath)
        return writeStream(bytes, append);
    const u8* data = bytes ? bytes->bytes() : nullptr;
    const u64 n = bytes ? bytes->byteSize() : 0;
    struct stat st;
    const bool special = ::stat(m_os.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
    if (!append && !special) {
        // Replace through a temporary file: a crash or a full disk leaves
        // the old content.
        return makeParent() && writeFileAtomically(m_os.c_str(), data, static_cast<size_t>(n));
    }
    FileOutputStream* out = openOutputStream(append);
    bool ok = out->isOpen() && writeFully(out, data, static_cast<u32>(n));
    ok = out->closeChecked() && ok;
    out->dispose();
    return ok;
}

bool PathWin::writeText(const str::strbuffer::StrBuffer& text, bool append) {
    thread::Pooled<col::_array::ArrayU08> bytes(text.toUtf8Uncounted(nullptr, false));
    return writeAll(bytes.get(), append);
}

} // namespace s::file::win
