#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {
class ArrayP;
}

namespace s::map {

/// One association of a `MapTable`: a plain record from the record pool.
struct MapEntry {
    u32 hash;
    base::IObject* key;
    void* value;
    MapEntry* next;
};

/// A chained hash table keyed by objects, with prime bucket counts that keep
/// the load at or below one half.
///
/// Keys hash and match through the key objects themselves (optionally
/// ignoring case). Keys and values are disposed of by the "clear" policies
/// when the table is cleared or reset, and by the "final" policies when it
/// is destroyed. Not locked by itself: callers that share a table hold
/// `lock()`.
class MapTable : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(MapTable)

public:
    /// Bucket counts of the size classes 0 to 19.
    static constexpr u32 kBucketCounts[20] = {
        211,     431,     863,     1733,     3467,     6947,     13901,    27803,    55609,    111227,
        222461,  444929,  889871,  1779761,  3559537,  7119103,  14238221, 28476473, 56952947, 113905901};

    MapTable();
    MapTable(const MapTable&) = delete;
    MapTable& operator=(const MapTable&) = delete;
    ~MapTable() override;

    void setKeyDestructors(base::IDestructor* clearDestructor, base::IDestructor* finalDestructor);
    void setValueDestructors(base::IDestructor* clearDestructor, base::IDestructor* finalDestructor);
    /// Keys hash with `hashCodeIgnoreCase()` and match with `equalsIgnoreCase()`.
    void setIgnoreCase(bool ignoreCase) { m_ignoreCase = ignoreCase; }

    /// Stores the association; false, with nothing stored, when an equal key
    /// is present. The table owns `key` and `value` as its policies say.
    [[nodiscard]] bool put(base::IObject* key, void* value);
    /// The entry of an equal key, or null.
    MapEntry* find(const base::IObject* key) const;
    /// The value of an equal key, or null.
    void* get(const base::IObject* key) const;
    /// Every entry in bucket order, in a new array (caller releases it; the
    /// entries stay the table's).
    [[nodiscard]] col::_array::ArrayP* entries() const;
    /// Keys and values through their clear policies; entries back to the
    /// record pool.
    void clear();

    u32 count() const { return m_count; }
    u32 sizeClass() const { return m_sizeClass; }
    /// 0 until the first insertion.
    u32 bucketCount() const;
    thread::ObjLocker& lock() { return m_lock; }

    const char16_t* getClassName() const override { return u"s_map_MapTable"; }
    /// Clears the table and forgets its policies.
    void reset() override;

private:
    u32 hashOf(const base::IObject* key) const;
    bool matches(const MapEntry* entry, u32 hash, const base::IObject* key) const;
    void link(MapEntry* entry);
    void rehash();

    thread::ObjLocker m_lock;
    col::_array::ArrayP* m_buckets; // entry heads; empty until the first insertion
    base::IDestructor* m_keyClearDestructor = nullptr;
    base::IDestructor* m_keyFinalDestructor = nullptr;
    base::IDestructor* m_valueClearDestructor = nullptr;
    base::IDestructor* m_valueFinalDestructor = nullptr;
    bool m_ignoreCase = false;
    u32 m_sizeClass = 0;
    u32 m_count = 0;
};

} // namespace s::map
