#pragma once

#include "foundation/base/IObject.h"

#include <mutex>

namespace s::thread {

/// The recursive lock that every shared structure embeds.
///
/// It may also own one attached object, disposed of when the locker dies: by
/// the deleter when one is set, else through the destructor policy, else by
/// plain deletion. Satisfies BasicLockable, so `std::lock_guard` works on it.
class ObjLocker : public base::IObject {
public:
    using Deleter = void (*)(void*);

    ObjLocker() = default;
    ObjLocker(const ObjLocker&) = delete;
    ObjLocker& operator=(const ObjLocker&) = delete;
    ~ObjLocker() override;

    void lock() { m_lock.lock(); }
    void unlock() { m_lock.unlock(); }
    [[nodiscard]] bool tryLock() { return m_lock.try_lock(); }
    bool try_lock() { return m_lock.try_lock(); }

    /// Attaches an object the locker owns from now on. Without a deleter or
    /// destructor the object must be an `IObject` allocated with new.
    void attach(void* object, Deleter deleter = nullptr, base::IDestructor* destructor = nullptr);
    void* object() const { return m_object; }

    /// The underlying lock, for condition variables.
    std::recursive_mutex& native() { return m_lock; }

    const char16_t* getClassName() const override { return u"s_thread_ObjLocker"; }
    /// A new, unlocked locker; not pooled.
    base::IObject* newInstance() const override { return new ObjLocker(); }

private:
    void* m_object = nullptr;
    Deleter m_deleter = nullptr;
    base::IDestructor* m_destructor = nullptr;
    std::recursive_mutex m_lock;
};

} // namespace s::thread
