#pragma once

#include "foundation/map/IMappedData.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::xml {

class Node;

/// The settings store kept in an XML file (savedata/SaveData.xml).
///
/// The document's root is "savedata"; each group-path component is a child
/// element (names compare exactly), each key an attribute of the group's
/// element (names compare ignoring case), and the empty key the element's
/// text. Numbers are decimal text, booleans "1" or "0", bytes two lower-case
/// hex digits each. With auto-save on, every change rewrites the whole file;
/// the file is replaced atomically, so a crash or a full disk leaves either
/// the old or the new content.
///
/// Names the document cannot hold (a group component or key with white
/// space, '/', '>' or '=' in it, an element name starting with '!') are
/// refused: the setter returns false and nothing is stored.
class MappedData final : public map::IMappedData, public thread::IPoolable {
    S_POOLED_CLASS(MappedData)

public:
    MappedData() = default;
    MappedData(const MappedData&) = delete;
    MappedData& operator=(const MappedData&) = delete;
    ~MappedData() override;

    /// Binds the store to the file at `path` and reads it when it exists;
    /// otherwise the document is a new, empty "savedata" element (written on
    /// the first save). False when the file exists but could not be read or
    /// held a broken document; the store then holds what could be read.
    bool open(const char16_t* path);
    const char16_t* getFile() const { return m_file.c_str(); }
    /// The document; null before `open`.
    Node* getRoot() const { return m_root; }

    [[nodiscard]] bool save() override;
    bool openGroup(const char16_t* group) override;
    bool removeGroup(const char16_t* group) override;
    bool hasGroup(const char16_t* group) override;
    bool hasKey(const char16_t* group, const char16_t* key) override;

    u32 getU32(const char16_t* group, const char16_t* key, u32 fallback) override;
    i64 getS64(const char16_t* group, const char16_t* key, i64 fallback) override;
    float getFloat(const char16_t* group, const char16_t* key, float fallback) override;
    double getDouble(const char16_t* group, const char16_t* key, double fallback) override;
    bool getBool(const char16_t* group, const char16_t* key, bool fallback) override;
    const char16_t* getString(const char16_t* group, const char16_t* key, const char16_t* fallback) override;
    col::_array::ArrayU08* getBytes(const char16_t* group, const char16_t* key,
                                    col::_array::ArrayU08* out) override;
    bool removeKey(const char16_t* group, const char16_t* key) override;

    bool setU32(const char16_t* group, const char16_t* key, u32 value) override;
    bool setS64(const char16_t* group, const char16_t* key, i64 value) override;
    bool setS32(const char16_t* group, const char16_t* key, i32 value) override;
    bool setDouble(const char16_t* group, const char16_t* key, double value) override;
    bool setString(const char16_t* group, const char16_t* key, const char16_t* value) override;
    bool touch() override;
    bool setBytes(const char16_t* group, const char16_t* key, const col::_array::ArrayU08* bytes) override;

    bool isAutoSave() const override { return m_autoSave; }
    void setAutoSave(bool on) override { m_autoSave = on; }

    const char16_t* getClassName() const override { return u"s_xml_MappedData"; }
    /// Drops the document and unbinds the file (nothing is saved).
    void reset() override;

private:
    /// The element of `group`, made when `create`; null when absent or when
    /// a component cannot be an element name.
    Node* walk(const char16_t* group, bool create) const;
    void forgetCurrent();
    /// Makes the group current (creating what is missing when `create`);
    /// false when it is absent or could not be made.
    bool makeCurrent(const char16_t* group, bool create);
    /// The stored (escaped) value of `key` in `group`, or null.
    const char16_t* findRaw(const char16_t* group, const char16_t* key);
    /// Opens the group, drops the key's old value and returns the element to
    /// store into; null when the name cannot be stored.
    Node* prepareSet(const char16_t* group, const char16_t* key);
    bool finishSet();
    /// The attribute `key` of `group` as a whole number, or `fallback`.
    template <class T> T getInteger(const char16_t* group, const char16_t* key, T fallback);
    /// Stores a number as the attribute `key` of `group`.
    template <class T> bool setNumberValue(const char16_t* group, const char16_t* key, T value);

    str::strbuffer::StrBuffer m_file;             // path of the settings file
    str::strbuffer::StrBuffer m_scratch;          // texts handed to callers
    str::strbuffer::StrBuffer m_currentGroupPath; // group last opened
    Node* m_root = nullptr;                       // owned
    Node* m_current = nullptr;                    // inside m_root; valid with m_currentGroupPath
    bool m_autoSave = true;
};

} // namespace s::xml
