#include "foundation/thread/ObjLocker.h"

#include <condition_variable>

namespace s::thread {

struct ObjLocker::Waiters {
    // Taken by a waiter from its failed try to its wait, and by the wakers
    // between their change and the notification, so that no wake-up falls
    // between a waiter's check and its wait. Lock order: a waiter holds it
    // while it tries the locker (a try never blocks); a releaser takes it
    // only after letting the locker go.
    std::mutex lock;
    std::condition_variable changed;
};

ObjLocker::ObjLocker() = default;

ObjLocker::ObjLocker(Waitable) : m_waiters(std::make_unique<Waiters>()) {}

ObjLocker::~ObjLocker() {
    if (!m_object)
        return;
    if (m_deleter)
        m_deleter(m_object);
    else if (m_destructor)
        m_destructor->destroy(&m_object);
    else
        delete static_cast<base::IObject*>(m_object);
    m_object = nullptr;
}

void ObjLocker::wake(Waiters& waiters) {
    { std::lock_guard<std::mutex> ordered(waiters.lock); }
    waiters.changed.notify_all();
}

void ObjLocker::wakeWaiters() {
    if (m_waiters)
        wake(*m_waiters);
}

bool ObjLocker::lockUnless(const std::function<bool()>& giveUp) {
    if (!m_waiters) {
        // Nothing would wake the wait: a plain locker is simply taken.
        if (giveUp())
            return false;
        m_lock.lock();
        return true;
    }
    std::unique_lock<std::mutex> waiting(m_waiters->lock);
    for (;;) {
        if (m_lock.try_lock())
            return true;
        if (giveUp())
            return false;
        m_waiters->changed.wait(waiting);
    }
}

void ObjLocker::attach(void* object, Deleter deleter, base::IDestructor* destructor) {
    m_object = object;
    m_deleter = deleter;
    m_destructor = destructor;
}

} // namespace s::thread
