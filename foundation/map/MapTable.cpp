#include "foundation/map/MapTable.h"

#include "foundation/col/array/ArrayP.h"

#include <cstdlib>
#include <iterator>

namespace s::map {

namespace {

thread::EasyPooler& entryPool() { return thread::recordPoolOf<MapEntry>(); }

void dispose(base::IDestructor* destructor, void* object) {
    if (destructor && object)
        destructor->destroy(&object);
}

} // namespace

MapTable::MapTable() : m_buckets(new col::_array::ArrayP()) {}

MapTable::~MapTable() {
    for (u32 b = 0; b < m_buckets->size(); ++b) {
        auto* entry = m_buckets->getAs<MapEntry>(b);
        while (entry) {
            MapEntry* next = entry->next;
            dispose(m_keyFinalDestructor, entry->key);
            dispose(m_valueFinalDestructor, entry->value);
            std::free(entry);
            entry = next;
        }
    }
    delete m_buckets;
}

void MapTable::setKeyDestructors(base::IDestructor* clearDestructor, base::IDestructor* finalDestructor) {
    m_keyClearDestructor = clearDestructor;
    m_keyFinalDestructor = finalDestructor;
}

void MapTable::setValueDestructors(base::IDestructor* clearDestructor, base::IDestructor* finalDestructor) {
    m_valueClearDestructor = clearDestructor;
    m_valueFinalDestructor = finalDestructor;
}

u32 MapTable::bucketCount() const { return m_buckets->size(); }

u32 MapTable::hashOf(const base::IObject* key) const {
    return static_cast<u32>(m_ignoreCase ? key->hashCodeIgnoreCase() : key->hashCode());
}

bool MapTable::matches(const MapEntry* entry, u32 hash, const base::IObject* key) const {
    if (entry->hash != hash)
        return false;
    return m_ignoreCase ? entry->key->equalsIgnoreCase(key) : entry->key->equals(key);
}

MapEntry* MapTable::find(const base::IObject* key) const {
    u32 buckets = m_buckets->size();
    if (buckets == 0 || !key)
        return nullptr;
    u32 hash = hashOf(key);
    for (auto* entry = m_buckets->getAs<MapEntry>(hash % buckets); entry; entry = entry->next)
        if (matches(entry, hash, key))
            return entry;
    return nullptr;
}

void* MapTable::get(const base::IObject* key) const {
    MapEntry* entry = find(key);
    return entry ? entry->value : nullptr;
}

void MapTable::link(MapEntry* entry) {
    entry->next = nullptr;
    u32 bucket = entry->hash % m_buckets->size();
    auto* head = m_buckets->getAs<MapEntry>(bucket);
    if (!head) {
        m_buckets->set(bucket, entry);
        return;
    }
    while (head->next)
        head = head->next;
    head->next = entry;
}

void MapTable::rehash() {
    col::_array::ArrayP* all = entries();
    ++m_sizeClass;
    m_buckets->dispose();
    m_buckets->setSize(kBucketCounts[m_sizeClass]);
    for (u32 i = 0; i < all->size(); ++i)
        link(all->getAs<MapEntry>(i));
    all->release();
}

bool MapTable::put(base::IObject* key, void* value) {
    if (!key)
        return false;
    if (m_buckets->size() == 0) {
        m_buckets->setSize(kBucketCounts[m_sizeClass]);
    } else {
        if (find(key))
            return false;
        if (m_count >= m_buckets->size() / 2 && m_sizeClass + 1 < std::size(kBucketCounts))
            rehash();
    }
    auto* entry = static_cast<MapEntry*>(entryPool().take());
    entry->hash = hashOf(key);
    entry->key = key;
    entry->value = value;
    link(entry);
    ++m_count;
    return true;
}

col::_array::ArrayP* MapTable::entries() const {
    auto* all = col::_array::ArrayP::create();
    all->reserve(m_count);
    for (u32 b = 0; b < m_buckets->size(); ++b)
        for (auto* entry = m_buckets->getAs<MapEntry>(b); entry; entry = entry->next)
            all->append(entry);
    return all;
}

void MapTable::clear() {
    for (u32 b = 0; b < m_buckets->size(); ++b) {
        auto* entry = m_buckets->getAs<MapEntry>(b);
        while (entry) {
            MapEntry* next = entry->next;
            dispose(m_keyClearDestructor, entry->key);
            dispose(m_valueClearDestructor, entry->value);
            entryPool().giveBack(entry);
            entry = next;
        }
        m_buckets->set(b, nullptr);
    }
    m_count = 0;
}

void MapTable::reset() {
    clear();
    m_buckets->dispose();
    m_sizeClass = 0;
    m_ignoreCase = false;
    m_keyClearDestructor = m_keyFinalDestructor = nullptr;
    m_valueClearDestructor = m_valueFinalDestructor = nullptr;
}

} // namespace s::map
