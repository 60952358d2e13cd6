#include "image/archive/icon/Archive.h"

#include "foundation/io/Streams.h"
#include "image/detail/FileIo.h"

#include <cstdlib>
#include <cstring>

namespace s::archive::icon {

namespace {

constexpr u32 kHeaderBytes = 6;
constexpr u32 kRecordBytes = 16;

u32 getU32(const u8* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<u32>(p[3]) << 24;
}
void putU32(u8* p, u32 v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<u8>(v >> (8 * i));
}

} // namespace

u32 Entry::getBytesInResource() const {
    return getU32(directory + 8);
}

u32 Entry::getOffset() const {
    return getU32(directory + 12);
}

void Archive::reset() {
    m_entries.clear();
    m_stream = nullptr;
    m_start = 0;
}

bool Archive::open(io::IInputStream* stream) {
    reset();
    if (!stream)
        return false;
    m_stream = stream;
    m_start = stream->getPosition();
    u8 header[kHeaderBytes];
    if (!image::detail::readExactly(stream, header, sizeof header) || header[0] != 0 || header[1] != 0 ||
        header[2] != 1 || header[3] != 0)
        return false;
    const u32 count = header[4] | header[5] << 8;
    for (u32 i = 0; i < count; ++i) {
        Entry entry;
        entry.position = stream->getPosition();
        if (!image::detail::readExactly(stream, entry.directory, kRecordBytes))
            return false;
        m_entries.push_back(std::move(entry));
    }
    return true;
}

bool Archive::loadEntry(u32 index) {
    Entry* entry = getEntry(index);
    if (!entry || !m_stream)
        return false;
    if (entry->loaded)
        return true;
    entry->loaded = true;
    entry->data.clear();
    const u32 size = entry->getBytesInResource();
    if (size == 0 || size > kMaxEntryBytes || !m_stream->seek(m_start + entry->getOffset()))
        return false;
    // Grow with what actually arrives, so that a record claiming megabytes
    // at the end of a small file costs nothing.
    u32 got = 0;
    while (got < size) {
        const u32 piece = std::min<u32>(size - got, 1u << 16);
        entry->data.resize(got + piece);
        const u64 n = image::detail::readUpTo(m_stream, entry->data.data() + got, piece);
        got += static_cast<u32>(n);
        if (n < piece)
            break;
    }
    entry->data.resize(got);
    return got == size;
}

i32 Archive::findBest(i32 width, i32 height) const {
    i32 best = -1;
    i64 bestArea = 0;
    i32 bestDepth = 0;
    const i64 area = static_cast<i64>(width) * height;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (e.getWidth() == width && e.getHeight() == height && e.getBitCount() == 32)
            return static_cast<i32>(i);
        const i64 areaDifference = std::llabs(static_cast<i64>(e.getWidth()) * e.getHeight() - area);
        const i32 depthDifference = std::abs(e.getBitCount() - 32);
        if (best < 0 || areaDifference < bestArea ||
            (areaDifference == bestArea && depthDifference < bestDepth)) {
            best = static_cast<i32>(i);
            bestArea = areaDifference;
            bestDepth = depthDifference;
        }
    }
    return best;
}

bool Archive::extractEntry(u32 index, io::IOutputStream* stream) const {
    if (index >= m_entries.size() || !stream)
        return false;
    const Entry& e = m_entries[index];
    u8 head[kHeaderBytes + kRecordBytes] = {0, 0, 1, 0, 1, 0};
    std::memcpy(head + kHeaderBytes, e.directory, 12);
    putU32(head + kHeaderBytes + 8, static_cast<u32>(e.data.size()));
    putU32(head + kHeaderBytes + 12, kHeaderBytes + kRecordBytes);
    return image::detail::writeAll(stream, head, sizeof head) &&
           image::detail::writeAll(stream, e.data.data(), e.data.size());
}

void Archive::addEntry(const u8* directory, std::vector<u8> data) {
    Entry entry;
    std::memcpy(entry.directory, directory, 12);
    putU32(entry.directory + 8, static_cast<u32>(data.size()));
    entry.data = std::move(data);
    entry.loaded = true;
    m_entries.push_back(std::move(entry));
}

bool Archive::write(io::IOutputStream* stream) const {
    if (!stream)
        return false;
    const u32 count = static_cast<u32>(m_entries.size());
    std::vector<u8> head(kHeaderBytes + kRecordBytes * count, 0);
    head[2] = 1;
    head[4] = static_cast<u8>(count);
    head[5] = static_cast<u8>(count >> 8);
    u32 offset = kHeaderBytes + kRecordBytes * count;
    for (u32 i = 0; i < count; ++i) {
        u8* record = head.data() + kHeaderBytes + kRecordBytes * i;
        std::memcpy(record, m_entries[i].directory, 12);
        putU32(record + 8, static_cast<u32>(m_entries[i].data.size()));
        putU32(record + 12, offset);
        offset += static_cast<u32>(m_entries[i].data.size());
    }
    bool ok = image::detail::writeAll(stream, head.data(), head.size());
    for (u32 i = 0; i < count && ok; ++i)
        ok = image::detail::writeAll(stream, m_entries[i].data.data(), m_entries[i].data.size());
    return ok && stream->flush();
}

} // namespace s::archive::icon
