#include "foundation/map/Map.h"

#include "foundation/col/array/ArrayP.h"

namespace s::map {

Map::Map() : m_pairs(new col::_array::ArrayP()) {}

Map::~Map() {
    clear();
    delete m_pairs;
}

i32 Map::indexOf(const base::IObject* key) const {
    for (u32 i = 0; i + 1 < m_pairs->size(); i += 2)
        if (m_pairs->getAs<base::IObject>(i)->equals(key))
            return static_cast<i32>(i);
    return -1;
}

void Map::put(base::IObject* key, void* value) {
    i32 i = indexOf(key);
    if (i < 0) {
        m_pairs->append(key);
        m_pairs->append(value);
        return;
    }
    void* old = m_pairs->get(static_cast<u32>(i) + 1);
    m_pairs->set(static_cast<u32>(i) + 1, value);
    if (m_valueDestructor && old && old != value)
        m_valueDestructor->destroy(&old);
}

void* Map::get(const base::IObject* key) const {
    i32 i = indexOf(key);
    return i < 0 ? nullptr : m_pairs->get(static_cast<u32>(i) + 1);
}

bool Map::remove(const base::IObject* key) {
    i32 i = indexOf(key);
    if (i < 0)
        return false;
    void* value = m_pairs->get(static_cast<u32>(i) + 1);
    m_pairs->remove(static_cast<u32>(i), 2);
    if (m_valueDestructor && value)
        m_valueDestructor->destroy(&value);
    return true;
}

u32 Map::count() const { return m_pairs->size() / 2; }

void Map::clear() {
    if (m_valueDestructor)
        for (u32 i = 1; i < m_pairs->size(); i += 2)
            m_valueDestructor->destroy(&m_pairs->data()[i]);
    m_pairs->clear();
}

void Map::reset() {
    clear();
    m_pairs->dispose();
    m_valueDestructor = nullptr;
}

} // namespace s::map
