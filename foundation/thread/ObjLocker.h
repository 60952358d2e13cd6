#pragma once

#include "foundation/base/IObject.h"

#include <functional>
#include <memory>
#include <mutex>

namespace s::thread {

/// The recursive lock that every shared structure embeds.
///
/// It may also own one attached object, disposed of when the locker dies: by
/// the deleter when one is set, else through the destructor policy, else by
/// plain deletion. Satisfies BasicLockable, so `std::lock_guard` works on it.
///
/// A waitable locker (made with `kWaitable`) also lets a thread wait for it
/// with `lockUnless`, a wait that something other than the lock's release
/// can end. Its every release then costs a notification, so only lockers
/// that are held for long get it.
class ObjLocker : public base::IObject {
public:
    using Deleter = void (*)(void*);
    enum Waitable { kWaitable };

    ObjLocker();
    explicit ObjLocker(Waitable);
    ObjLocker(const ObjLocker&) = delete;
    ObjLocker& operator=(const ObjLocker&) = delete;
    ~ObjLocker() override;

    void lock() { m_lock.lock(); }
    void unlock() {
        // Read before the release: once it is free the locker may be gone.
        Waiters* const waiters = m_waiters.get();
        m_lock.unlock();
        if (waiters)
            wake(*waiters);
    }
    [[nodiscard]] bool tryLock() { return m_lock.try_lock(); }
    bool try_lock() { return m_lock.try_lock(); }

    /// Takes the lock, unless `giveUp()` turns true before it is free: true
    /// when taken. `giveUp` is asked before the first wait, at every release
    /// of the lock and at every `wakeWaiters()`, under a lock of the
    /// locker's own (it must not take this locker); so whoever makes it true
    /// calls `wakeWaiters()` afterwards. Waitable lockers only. Any thread.
    [[nodiscard]] bool lockUnless(const std::function<bool()>& giveUp);
    /// Has the threads in `lockUnless` ask their `giveUp` again. Waitable
    /// lockers only. Any thread.
    void wakeWaiters();

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
    struct Waiters;
    static void wake(Waiters& waiters);

    void* m_object = nullptr;
    Deleter m_deleter = nullptr;
    base::IDestructor* m_destructor = nullptr;
    std::recursive_mutex m_lock;
    // Waitable lockers only; set by the constructor, never changed.
    std::unique_ptr<Waiters> m_waiters;
};

} // namespace s::thread
