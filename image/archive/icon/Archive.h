#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <vector>

namespace s::io {
class IInputStream;
class IOutputStream;
} // namespace s::io

namespace s::archive::icon {

/// One picture of an icon file: its 16-byte directory record and its data.
struct Entry {
    u8 directory[16] = {};
    i64 position = 0; // where the record was read from
    bool loaded = false;
    std::vector<u8> data;

    /// Width and height from the record (0 stands for 256).
    i32 getWidth() const { return directory[0] ? directory[0] : 256; }
    i32 getHeight() const { return directory[1] ? directory[1] : 256; }
    i32 getBitCount() const { return directory[6] | directory[7] << 8; }
    u32 getBytesInResource() const;
    u32 getOffset() const;
};

/// The icon container (.ico): a 6-byte header, a directory of 16-byte
/// records, then each picture's bytes.
///
/// Reading trusts no record: an entry whose bytes lie beyond the stream, or
/// that is larger than `kMaxEntryBytes`, loads as empty. One thread at a
/// time.
class Archive : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Archive)

public:
    static constexpr u32 kMaxEntryBytes = 64u << 20;

    Archive() = default;
    const char16_t* getClassName() const override { return u"s_archive_icon_Archive"; }
    void reset() override;

    /// Reads the header and the directory; the stream is kept (not owned)
    /// for `loadEntry`. False when the header is not an icon's or the stream
    /// ends inside the directory (the records read so far are kept).
    bool open(io::IInputStream* stream);
    u32 getEntryCount() const { return static_cast<u32>(m_entries.size()); }
    Entry* getEntry(u32 index) { return index < m_entries.size() ? &m_entries[index] : nullptr; }
    /// Reads entry `index`'s bytes from the opened stream.
    bool loadEntry(u32 index);
    /// The entry that best fits w x h at 32 bits: an exact one, else the
    /// nearest in area, then in depth; the earlier on a tie. -1 when empty.
    i32 findBest(i32 width, i32 height) const;
    /// Entry `index` alone as an icon file.
    [[nodiscard]] bool extractEntry(u32 index, io::IOutputStream* stream) const;

    /// Appends an entry for writing; `directory` holds its first 12 bytes
    /// (the size and offset fields are filled in by `write`).
    void addEntry(const u8* directory, std::vector<u8> data);
    /// The whole file: header, directory with offsets, then the data.
    [[nodiscard]] bool write(io::IOutputStream* stream) const;

private:
    std::vector<Entry> m_entries;
    io::IInputStream* m_stream = nullptr;
    i64 m_start = 0;
};

} // namespace s::archive::icon
