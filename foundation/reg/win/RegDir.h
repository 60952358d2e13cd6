#pragma once

#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <vector>

namespace s::col::_array {
class ArrayU08;
}

namespace s::reg::win {

class Hive;

/// Registry value types (the platform's numbering).
enum ValueType : u32 {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegLink = 6,
    kRegMultiSz = 7,
    kRegQword = 11,
};

/// A key of the current user's registry.
///
/// This platform has no registry, so the keys below "Software\Zarvo\<id>"
/// are kept in a typed document, `registry.xml`, in the folder
/// `$XDG_CONFIG_HOME/Zarvo/<id>/` (`~/.config/...` when the variable is unset
/// or not absolute). The document keeps key paths, value names, value types
/// and the values' bytes; every change rewrites it atomically (temporary file
/// and rename), so a crash leaves the old or the new document, never a broken
/// one. Key paths use '\' between names; names compare ignoring case, as the
/// registry's do. The empty value name is the key's default value. Keys
/// outside "Software\Zarvo\<id>" cannot be opened. All `RegDir` objects of a
/// process share one in-memory copy per document (guarded by its own lock)
/// and reload it when another process has replaced the file.
///
/// An open key object addresses its key by path: when the key is deleted
/// meanwhile, operations on the object fail until the key is made again.
class RegDir : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(RegDir)

public:
    RegDir() = default;
    RegDir(const RegDir&) = delete;
    RegDir& operator=(const RegDir&) = delete;
    ~RegDir() override = default;

    /// The document of `identifier` ("Software\Zarvo\<identifier>"), as a
    /// kernel path; empty when the identifier cannot name a folder.
    static std::string documentPathFor(const char16_t* identifier);

    /// Opens the key at `path` (below the current user's root), making it
    /// and the missing keys above it when `create`. False when the key is
    /// absent (and not made), the path lies outside "Software\Zarvo\<id>", or
    /// making it could not be persisted.
    [[nodiscard]] bool open(const char16_t* path, bool create);
    void close();
    bool isOpen() const { return m_hive != nullptr; }
    /// The path given to `open`.
    const char16_t* getPath() const { return m_path.c_str(); }

    /// Whether the key at `path` exists.
    static bool keyExists(const char16_t* path);
    /// Whether this key still exists.
    bool exists() const;
    /// Whether the sub-key at `subPath` exists.
    bool hasKey(const char16_t* subPath) const;
    /// Deletes the sub-key at `subPath` with everything below it; with an
    /// empty `subPath`, every value and sub-key of this key (the key stays).
    bool deleteKey(const char16_t* subPath);

    bool hasValue(const char16_t* name) const;
    /// The value's type and bytes (`data` cleared first; may be null).
    bool getValue(const char16_t* name, u32* type, col::_array::ArrayU08* data) const;
    /// Stores a value of any type, replacing one of the same name.
    bool setValue(const char16_t* name, u32 type, const void* data, u32 size);
    bool deleteValue(const char16_t* name);

    /// Typed access. A getter fails (and leaves `out` alone) when the value
    /// is absent or has another type or size.
    bool getDword(const char16_t* name, u32* out) const;
    bool setDword(const char16_t* name, u32 value);
    bool getQword(const char16_t* name, u64* out) const;
    bool setQword(const char16_t* name, u64 value);
    /// REG_SZ or REG_EXPAND_SZ, up to the first zero.
    bool getString(const char16_t* name, str::strbuffer::StrBuffer* out) const;
    /// REG_SZ, zero-terminated.
    bool setString(const char16_t* name, const char16_t* value);
    /// REG_BINARY of exactly `size` bytes into `out`.
    bool getBinary(const char16_t* name, void* out, u32 size) const;
    bool setBinary(const char16_t* name, const void* data, u32 size);

    const char16_t* getClassName() const override { return u"s_reg_win_RegDir"; }
    void reset() override { close(); }

private:
    Hive* m_hive = nullptr;               // shared, lives for the whole process
    std::vector<std::u16string> m_names;  // key names below the document's root
    str::strbuffer::StrBuffer m_path;
};

} // namespace s::reg::win
