#include "foundation/file/StreamCopy.h"

namespace s::file {

bool writeFully(io::IOutputStream* out, const void* data, u32 n) {
    if (n == 0)
        return true;
    if (!out || !data)
        return false;
    const u8* p = static_cast<const u8*>(data);
    while (n > 0) {
        u32 written = 0;
        if (!out->write(p, n, &written) || written == 0 || written > n)
            return false;
        p += written;
        n -= written;
    }
    return true;
}

bool copyStream(io::IInputStream* in, io::IOutputStream* out) {
    if (!in || !out)
        return false;
    // A buffer of the caller's own: copies need no shared lock.
    u8 buffer[16384];
    for (;;) {
        u32 got = 0;
        if (!in->read(buffer, sizeof buffer, &got) || got == 0)
            return true;
        if (!writeFully(out, buffer, got))
            return false;
    }
}

} // namespace s::file
