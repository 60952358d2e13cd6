#pragma once

#include "foundation/map/IMappedData.h"
#include "foundation/reg/win/RegDir.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::reg {

/// The settings store kept in the current user's registry (see `RegDir` for
/// how this platform keeps it).
///
/// Each group-path component is a sub-key of the store's key, each key a
/// value, the empty key the sub-key's default value. Integers of 8, 16 and 32
/// bits and booleans are REG_DWORD (signed values sign-extended); 64-bit
/// integers and doubles REG_BINARY of 8 bytes, floats REG_BINARY of 4 bytes;
/// strings REG_SZ; byte arrays REG_BINARY. A getter returns its fallback when
/// the value has another type or size. Every write reaches the registry at
/// once, so `save()` has nothing to do. Group paths may use '/' as well as
/// '\' between names.
class MappedData final : public map::IMappedData, public thread::IPoolable {
    S_POOLED_CLASS(MappedData)

public:
    MappedData() = default;
    MappedData(const MappedData&) = delete;
    MappedData& operator=(const MappedData&) = delete;
    ~MappedData() override = default;

    /// The key of the store of product `identifier`:
    /// "Software\Zarvo\<identifier>\SaveData".
    static void storeKeyPath(str::strbuffer::StrBuffer& out, const char16_t* identifier);

    /// Opens (and makes when missing) the store's key at `keyPath` below the
    /// current user's root.
    [[nodiscard]] bool open(const char16_t* keyPath);
    const win::RegDir& getBase() const { return m_base; }

    /// Nothing to write: registry writes are immediate. True.
    [[nodiscard]] bool save() override { return true; }
    bool openGroup(const char16_t* group) override;
    bool removeGroup(const char16_t* group) override;
    bool hasGroup(const char16_t* group) override;
    bool hasKey(const char16_t* group, const char16_t* key) override;

    u32 getU32(const char16_t* group, const char16_t* key, u32 fallback) override;
    i64 getS64(const char16_t* group, const char16_t* key, i64 fallback) override;
    float getFloat(const char16_t* group, const char16_t* key, float fallback) override;
    double getDouble(const char16_t* group, const char16_t* key, double fallback) override;
    const char16_t* getString(const char16_t* group, const char16_t* key, const char16_t* fallback) override;
    col::_array::ArrayU08* getBytes(const char16_t* group, const char16_t* key,
                                    col::_array::ArrayU08* out) override;
    bool removeKey(const char16_t* group, const char16_t* key) override;

    bool setU32(const char16_t* group, const char16_t* key, u32 value) override;
    bool setS64(const char16_t* group, const char16_t* key, i64 value) override;
    bool setS32(const char16_t* group, const char16_t* key, i32 value) override;
    bool setFloat(const char16_t* group, const char16_t* key, float value) override;
    bool setDouble(const char16_t* group, const char16_t* key, double value) override;
    bool setString(const char16_t* group, const char16_t* key, const char16_t* value) override;
    bool touch() override { return true; }
    bool setBytes(const char16_t* group, const char16_t* key, const col::_array::ArrayU08* bytes) override;

    bool isAutoSave() const override { return m_autoSave; }
    void setAutoSave(bool on) override { m_autoSave = on; }

    const char16_t* getClassName() const override { return u"s_reg_MappedData"; }
    void reset() override;

private:
    /// Builds the key path of `group` in `m_fullPath` ('/' becomes '\').
    void buildPath(const char16_t* group);
    bool isCurrent(const char16_t* group) const;
    bool readDword(const char16_t* group, const char16_t* key, u32* out);
    bool readBinary(const char16_t* group, const char16_t* key, void* out, u32 size);

    str::strbuffer::StrBuffer m_fullPath;         // scratch for key paths
    str::strbuffer::StrBuffer m_currentGroupPath; // group last opened
    str::strbuffer::StrBuffer m_scratch;          // texts handed to callers
    win::RegDir m_base;                           // the store's own key
    win::RegDir m_current;                        // the key of m_currentGroupPath
    bool m_autoSave = true;
};

} // namespace s::reg
