#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/ObjLocker.h"

namespace s::col::_array {
class ArrayP;
}

namespace s::thread {

/// A pool of plain records with optional size accounting.
///
/// Subclasses make, reset and destroy the records. With `sizeAccounting` 0
/// (every pool here) only the count limit applies.
class PoolerBase : public base::IObject, public base::IGenerator, public base::IDestructor {
public:
    PoolerBase();
    PoolerBase(const PoolerBase&) = delete;
    PoolerBase& operator=(const PoolerBase&) = delete;
    /// Destroys every held record.
    ~PoolerBase() override;

    virtual u32 sizeOf(void* item) const;
    /// Keeps `item` (after `resetItem`) while the limits allow, else destroys
    /// it. A `size` of -1 means `sizeOf(item)`.
    virtual void giveBack(void* item, i32 size);
    /// A held record, or a new one from `generate()`.
    virtual void* take();
    virtual void resetItem(void* item) = 0;
    virtual void destroyItem(void** item) = 0;

    void destroy(void** slot) override;

    u32 pooledCount();
    void setSizeAccounting(bool on) { m_sizeAccounting = on ? 1 : 0; }
    u32 pooledSize() const { return m_pooledSize; }

    const char16_t* getClassName() const override { return u"s_thread_PoolerBase"; }

protected:
    /// Destroys every held record through `destroyItem`. Concrete pools call it
    /// from their destructors, where their overrides still exist.
    void drain();

    ObjLocker m_lock;
    col::_array::ArrayP* m_pool; // guarded by m_lock
    u32 m_maxPooled = 1000;
    u32 m_maxItemSize = 1024;
    u32 m_maxTotalSize = 102400;
    u32 m_pooledSize = 0; // guarded by m_lock
    u32 m_sizeAccounting = 0;
};

/// The abstract record factory; it adds nothing but its name.
class Factory : public PoolerBase {
public:
    const char16_t* getClassName() const override { return u"s_thread_Factory"; }
};

} // namespace s::thread
