#include "foundation/thread/PoolerBase.h"

#include "foundation/col/array/ArrayP.h"

#include <mutex>

namespace s::thread {

PoolerBase::PoolerBase() : m_pool(new col::_array::ArrayP()) {}

PoolerBase::~PoolerBase() {
    // Overrides are gone by now: concrete pools drain() in their own
    // destructors, so anything left here has no way to be destroyed properly.
    delete m_pool;
}

void PoolerBase::drain() {
    for (u32 i = 0; i < m_pool->size(); ++i) {
        void* item = m_pool->get(i);
        destroyItem(&item);
    }
    m_pool->clear();
    m_pooledSize = 0;
}

u32 PoolerBase::sizeOf(void*) const { return 1024; }

void PoolerBase::giveBack(void* item, i32 size) {
    if (!item)
        return;
    {
        std::lock_guard guard(m_lock);
        if (m_sizeAccounting == 0) {
            if (m_pool->size() < m_maxPooled) {
                resetItem(item);
                m_pool->append(item);
                return;
            }
        } else {
            u32 bytes = size == -1 ? sizeOf(item) : static_cast<u32>(size);
            if (m_pool->size() < m_maxPooled && bytes <= m_maxItemSize &&
                m_pooledSize + bytes <= m_maxTotalSize) {
                resetItem(item);
                m_pool->append(item);
                m_pooledSize += bytes;
                return;
            }
        }
    }
    destroyItem(&item);
}

void* PoolerBase::take() {
    {
        std::lock_guard guard(m_lock);
        if (m_pool->size() > 0) {
            void* item = m_pool->popLast();
            if (m_sizeAccounting) {
                u32 bytes = sizeOf(item);
                m_pooledSize = bytes > m_pooledSize ? 0 : m_pooledSize - bytes;
            }
            return item;
        }
    }
    return generate();
}

void PoolerBase::destroy(void** slot) {
    if (!slot || !*slot)
        return;
    giveBack(*slot, -1);
    *slot = nullptr;
}

u32 PoolerBase::pooledCount() {
    std::lock_guard guard(m_lock);
    return m_pool->size();
}

} // namespace s::thread
