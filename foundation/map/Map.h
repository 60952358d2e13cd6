#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {
class ArrayP;
}

namespace s::map {

/// A small association list for few keys: pairs kept in insertion order and
/// searched linearly. Keys match with `equals()`; values are disposed of by
/// the one disposal policy when replaced, removed or cleared. Callers that
/// share a map hold `lock()`.
class Map : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Map)

public:
    Map();
    Map(const Map&) = delete;
    Map& operator=(const Map&) = delete;
    ~Map() override;

    void setValueDestructor(base::IDestructor* destructor) { m_valueDestructor = destructor; }
    /// Stores or replaces the value of `key`. The map does not own keys.
    void put(base::IObject* key, void* value);
    void* get(const base::IObject* key) const;
    bool remove(const base::IObject* key);
    u32 count() const;
    void clear();
    thread::ObjLocker& lock() { return m_lock; }

    const char16_t* getClassName() const override { return u"s_map_Map"; }
    void reset() override;

private:
    i32 indexOf(const base::IObject* key) const;

    thread::ObjLocker m_lock;
    col::_array::ArrayP* m_pairs; // key, value, key, value, ...
    base::IDestructor* m_valueDestructor = nullptr;
};

} // namespace s::map
