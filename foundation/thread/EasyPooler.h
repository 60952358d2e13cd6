#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/ObjLocker.h"

namespace s::col::_array {
class ArrayP;
}

namespace s::thread {

/// A last-in-first-out pool of idle objects of one class.
///
/// Objects are made by `generateFn` when the pool is empty and reset by
/// `resetFn` when handed back; a give-back to a full pool (or to one with
/// `maxPooled` 0) destroys the object at once. Generation and destruction run
/// outside the lock. Any thread may take and give back.
class EasyPooler : public base::IObject, public base::IGenerator, public base::IDestructor {
public:
    using GenerateFn = void* (*)();
    using ObjectFn = void (*)(void*);

    EasyPooler(u32 maxPooled, GenerateFn generateFn, ObjectFn destroyFn, ObjectFn resetFn);
    EasyPooler(const EasyPooler&) = delete;
    EasyPooler& operator=(const EasyPooler&) = delete;
    /// Destroys every idle object in index order. Only at process exit.
    ~EasyPooler() override;

    /// The most recently returned object, or a new one.
    void* take();
    /// Resets and keeps `object` (null is ignored), or destroys it when full.
    void giveBack(void* object);

    /// Destroys every idle object in index order and keeps no more: later
    /// give-backs destroy at once. For pools that must stay reachable after
    /// their idle objects are gone (the per-class pools at process exit).
    void close();

    u32 maxPooled() const { return m_maxPooled; }
    /// Idle objects held now.
    u32 pooledCount();

    void* generate() override { return take(); }
    void destroy(void** slot) override;

    const char16_t* getClassName() const override { return u"s_thread_EasyPooler"; }
    /// A new, empty pooler with the same limits and functions.
    base::IObject* newInstance() const override;

private:
    ObjLocker m_lock;
    col::_array::ArrayP* m_pool; // guarded by m_lock
    u32 m_maxPooled;             // guarded by m_lock (0 after close())
    GenerateFn m_generateFn;
    ObjectFn m_destroyFn;
    ObjectFn m_resetFn;
};

} // namespace s::thread
