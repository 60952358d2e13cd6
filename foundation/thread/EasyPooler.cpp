#include "foundation/thread/EasyPooler.h"

#include "foundation/col/array/ArrayP.h"

#include <mutex>

namespace s::thread {

EasyPooler::EasyPooler(u32 maxPooled, GenerateFn generateFn, ObjectFn destroyFn, ObjectFn resetFn)
    : m_pool(new col::_array::ArrayP()), m_maxPooled(maxPooled), m_generateFn(generateFn),
      m_destroyFn(destroyFn), m_resetFn(resetFn) {
    m_pool->reserve(2);
}

EasyPooler::~EasyPooler() {
    for (u32 i = 0; i < m_pool->size(); ++i)
        m_destroyFn(m_pool->get(i));
    m_pool->clear();
    delete m_pool;
}

void* EasyPooler::take() {
    {
        std::lock_guard guard(m_lock);
        if (m_pool->size() > 0)
            return m_pool->popLast();
    }
    return m_generateFn();
}

void EasyPooler::giveBack(void* object) {
    if (!object)
        return;
    {
        std::lock_guard guard(m_lock);
        if (m_pool->size() < m_maxPooled) {
            m_resetFn(object);
            m_pool->append(object);
            return;
        }
    }
    m_destroyFn(object);
}

void EasyPooler::close() {
    col::_array::ArrayP held;
    {
        std::lock_guard guard(m_lock);
        m_maxPooled = 0;
        for (u32 i = 0; i < m_pool->size(); ++i)
            held.append(m_pool->get(i));
        m_pool->clear();
    }
    // Outside the lock: a destructor may hand objects back to this pool.
    for (u32 i = 0; i < held.size(); ++i)
        m_destroyFn(held.get(i));
    held.clear();
}

u32 EasyPooler::pooledCount() {
    std::lock_guard guard(m_lock);
    return m_pool->size();
}

void EasyPooler::destroy(void** slot) {
    if (!slot || !*slot)
        return;
    giveBack(*slot);
    *slot = nullptr;
}

base::IObject* EasyPooler::newInstance() const {
    return new EasyPooler(m_maxPooled, m_generateFn, m_destroyFn, m_resetFn);
}

} // namespace s::thread
