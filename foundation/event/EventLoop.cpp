#include "foundation/event/EventLoop.h"

#include <algorithm>
#include <system_error>

namespace s::event {

EventLoop::~EventLoop() {
    stop();
}

bool EventLoop::start() {
    std::thread previous;
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            return false;
        previous = std::move(m_thread);
    }
    // A loop that stopped itself from a listener left its thread for us.
    if (previous.joinable())
        previous.join();

    std::lock_guard lock(m_mutex);
    if (m_running || m_thread.joinable())
        return false; // another caller started it meanwhile
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        return false;
    }
    // The thread takes m_mutex before it does anything, so it sees these.
    m_loopId = m_thread.get_id();
    m_stopping = false;
    m_running = true;
    return true;
}

void EventLoop::stop() {
    std::thread ending;
    {
        std::lock_guard lock(m_mutex);
        m_running = false;
        m_stopping = true;
        m_wake.notify_all();
        if (std::this_thread::get_id() == m_loopId)
            return;
        ending = std::move(m_thread);
        m_loopId = {};
    }
    if (ending.joinable())
        ending.join();
}

bool EventLoop::isRunning() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

bool EventLoop::isLoopThread() const {
    std::lock_guard lock(m_mutex);
    return m_thread.joinable() && std::this_thread::get_id() == m_loopId;
}

void EventLoop::addNamedEventListener(INamedEventListener* listener) {
    if (!listener)
        return;
    std::lock_guard lock(m_mutex);
    m_listeners.push_back(listener);
}

void EventLoop::removeNamedEventListener(INamedEventListener* listener) {
    std::lock_guard lock(m_mutex);
    auto it = std::find(m_listeners.begin(), m_listeners.end(), listener);
    if (it != m_listeners.end())
        m_listeners.erase(it);
}

i64 EventLoop::sendEvent(const char16_t* name, i64 a, i64 b, base::IObject* object) {
    Request request;
    request.name = name;
    request.a = a;
    request.b = b;
    request.object = object;

    std::unique_lock lock(m_mutex);
    if (!m_running)
        return 0;
    if (std::this_thread::get_id() == m_loopId) {
        // A listener sends: queueing would wait for ourselves.
        lock.unlock();
        deliver(request);
        return request.result;
    }
    m_queue.push_back(&request);
    m_wake.notify_one();
    m_done.wait(lock, [&request] { return request.done; });
    return request.result;
}

void EventLoop::run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        if (m_stopping)
            break;
        Request* request = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        deliver(*request);
        lock.lock();
        request->done = true; // the sender may return from here on
        m_done.notify_all();
    }
    // Release everyone still waiting; their events are dropped.
    for (Request* request : m_queue) {
        request->result = 0;
        request->done = true;
    }
    m_queue.clear();
    m_done.notify_all();
}

void EventLoop::deliver(Request& request) {
    std::vector<INamedEventListener*> listeners;
    {
        std::lock_guard lock(m_mutex);
        listeners = m_listeners;
    }
    // A nested delivery (a listener sending) must not clobber the outer
    // event its caller is still reading.
    const Request outer = m_current;
    m_current = Request{request.name, request.a, request.b, request.object, 0, false};
    for (INamedEventListener* listener : listeners) {
        {
            // Skip one that an earlier listener removed.
            std::lock_guard lock(m_mutex);
            if (std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
                continue;
        }
        listener->onNamedEvent(*this);
    }
    request.result = m_current.result;
    m_current = outer;
}

} // namespace s::event
