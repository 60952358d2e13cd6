#pragma once

#include "foundation/base/IObject.h"

namespace s::col::_array {
class ArrayU08;
}

namespace s::map {

/// Typed persistent values addressed by a group path and a key.
///
/// A group is a path of names separated by '/' or '\'; the empty group is the
/// store's root. The key names a value; the empty key is the group's own value.
/// Every getter returns its fallback when the group or the key is absent, and
/// reading never creates anything. Every setter opens (creates) the group,
/// replaces any value of that key and, with auto-save on, persists the store
/// at once; it returns false when the value could not be stored or persisted.
/// Used from one thread at a time.
class IMappedData : public base::IObject {
public:
    /// Persists the whole store; false when that failed (the stored copy then
    /// stays as it was before).
    [[nodiscard]] virtual bool save() = 0;
    /// Makes `group` current, creating every missing component.
    virtual bool openGroup(const char16_t* group) = 0;
    /// Deletes the group with everything below it; false when it was absent.
    virtual bool removeGroup(const char16_t* group) = 0;
    /// Whether the group exists; when it does it becomes current.
    virtual bool hasGroup(const char16_t* group) = 0;
    virtual bool hasKey(const char16_t* group, const char16_t* key) = 0;

    virtual u32 getU32(const char16_t* group, const char16_t* key, u32 fallback) = 0;
    virtual i64 getS64(const char16_t* group, const char16_t* key, i64 fallback) = 0;
    virtual float getFloat(const char16_t* group, const char16_t* key, float fallback) = 0;
    virtual double getDouble(const char16_t* group, const char16_t* key, double fallback) = 0;
    /// The text, or a copy of `fallback` (null reads as empty). Valid until
    /// the next call on the store.
    virtual const char16_t* getString(const char16_t* group, const char16_t* key,
                                      const char16_t* fallback) = 0;
    /// The bytes into `out` (cleared first), or into a new pooled array that
    /// the caller owns when `out` is null. Null, and `out` untouched, when
    /// the value is absent.
    virtual col::_array::ArrayU08* getBytes(const char16_t* group, const char16_t* key,
                                            col::_array::ArrayU08* out) = 0;
    /// False when there was no such value.
    virtual bool removeKey(const char16_t* group, const char16_t* key) = 0;

    virtual bool setU32(const char16_t* group, const char16_t* key, u32 value) = 0;
    virtual bool setS64(const char16_t* group, const char16_t* key, i64 value) = 0;
    virtual bool setS32(const char16_t* group, const char16_t* key, i32 value) = 0;
    virtual bool setDouble(const char16_t* group, const char16_t* key, double value) = 0;
    /// `value` is zero-terminated; null stores an empty text.
    virtual bool setString(const char16_t* group, const char16_t* key, const char16_t* value) = 0;
    /// `save()` when auto-save is on; true otherwise.
    virtual bool touch() = 0;
    virtual bool setBytes(const char16_t* group, const char16_t* key, const col::_array::ArrayU08* bytes) = 0;

    // What every store keeps the same way: a signed 32-bit value reads back
    // as the unsigned one cut to its sign, a flag is the number 1 or 0, and
    // a float is written as a double unless the store keeps floats apart.
    virtual i32 getS32(const char16_t* group, const char16_t* key, i32 fallback) {
        return static_cast<i32>(getU32(group, key, static_cast<u32>(fallback)));
    }
    virtual bool getBool(const char16_t* group, const char16_t* key, bool fallback) {
        return getU32(group, key, fallback ? 1u : 0u) != 0;
    }
    virtual bool setBool(const char16_t* group, const char16_t* key, bool value) {
        return setS32(group, key, value ? 1 : 0);
    }
    virtual bool setFloat(const char16_t* group, const char16_t* key, float value) {
        return setDouble(group, key, value);
    }

    // The narrow integers are stored as the 32-bit ones of their sign and
    // read back cut to their width, in every store.
    virtual u8 getU8(const char16_t* group, const char16_t* key, u8 fallback) {
        return static_cast<u8>(getU32(group, key, fallback));
    }
    virtual u16 getU16(const char16_t* group, const char16_t* key, u16 fallback) {
        return static_cast<u16>(getU32(group, key, fallback));
    }
    virtual i8 getS8(const char16_t* group, const char16_t* key, i8 fallback) {
        return static_cast<i8>(getS32(group, key, fallback));
    }
    virtual i16 getS16(const char16_t* group, const char16_t* key, i16 fallback) {
        return static_cast<i16>(getS32(group, key, fallback));
    }
    virtual bool setU8(const char16_t* group, const char16_t* key, u8 value) {
        return setU32(group, key, value);
    }
    virtual bool setU16(const char16_t* group, const char16_t* key, u16 value) {
        return setU32(group, key, value);
    }
    virtual bool setS8(const char16_t* group, const char16_t* key, i8 value) {
        return setS32(group, key, value);
    }
    virtual bool setS16(const char16_t* group, const char16_t* key, i16 value) {
        return setS32(group, key, value);
    }

    virtual bool isAutoSave() const = 0;
    virtual void setAutoSave(bool on) = 0;
};

} // namespace s::map
