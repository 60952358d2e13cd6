#pragma once

// The document behind `RegDir`: one tree of keys and typed values per
// product identifier, loaded from and written back to one file. Internal to
// foundation/reg.

#include "foundation/base/Types.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace s::reg::win {

struct RegValue {
    std::u16string name;
    u32 type = 0;
    std::vector<u8> data;
};

struct RegKey {
    std::u16string name;
    std::vector<RegValue> values;
    std::vector<std::unique_ptr<RegKey>> keys;

    RegKey* findKey(std::u16string_view name) const;
    RegValue* findValue(std::u16string_view name);
    /// Index of the sub-key, or -1.
    i32 keyIndex(std::u16string_view name) const;
    i32 valueIndex(std::u16string_view name) const;
};

class Hive {
public:
    /// The hive stored at `file`, shared by the whole process.
    static Hive* forFile(const std::string& file);

    /// Every operation below runs under this lock.
    std::mutex& lock() { return m_lock; }

    /// Reloads the document when the file changed on disk since it was last
    /// read or written here.
    void refresh();
    /// The key at `names` below the root; made (with the keys above it) when
    /// `create`, in which case `*created` tells whether anything was made.
    RegKey* find(const std::vector<std::u16string>& names, bool create, bool* created = nullptr);
    /// Writes the document atomically. On failure the file keeps its old
    /// content; the change stays in memory and goes out with the next write.
    [[nodiscard]] bool commit();

    /// The document's text (for tests and diagnostics).
    std::u16string toText() const;

private:
    explicit Hive(std::string file) : m_file(std::move(file)) {}
    bool load();

    struct Stamp {
        bool present = false;
        u64 device = 0, inode = 0, size = 0;
        i64 seconds = 0, nanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    Stamp stampOfFile() const;

    std::mutex m_lock;
    const std::string m_file;
    RegKey m_root;
    bool m_loaded = false; // m_stamp describes what m_root was read from or written to
    Stamp m_stamp;
};

/// Case-insensitive equality of registry names.
bool sameRegName(std::u16string_view a, std::u16string_view b);

} // namespace s::reg::win
