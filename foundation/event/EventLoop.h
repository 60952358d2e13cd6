#pragma once

#include "foundation/event/INamedEventListener.h"
#include "foundation/event/NamedEvents.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace s::event {

/// A plain thread that delivers named events to its listeners: the receiver
/// of the headless front end and of tests, in the place of a window.
///
/// `sendEvent` hands the event to the loop thread and blocks until every
/// listener has run there; called on the loop thread itself (from a
/// listener), it runs the listeners at once, nested. Before `start()` and
/// from `stop()` on, `sendEvent` returns 0 at once, and senders still waiting
/// when the loop stops are released with 0: closing never deadlocks. A
/// listener that blocks forever still blocks its sender and `stop()`.
class EventLoop final : public base::IObject, public INamedEventTarget, public INamedEventSource {
public:
    EventLoop() = default;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;
    /// Stops the loop. Must not run on the loop thread.
    ~EventLoop() override;

    /// Starts the loop thread; false when it already runs or could not be
    /// made. A stopped loop may be started again.
    [[nodiscard]] bool start();
    /// Ends the loop: pending events are dropped (their senders get 0) and
    /// new ones are refused. From any thread; from another thread it also
    /// waits for the loop thread to end (after the listener running now). On
    /// the loop thread it only asks, and the thread ends after the current
    /// event; the destructor or a later `stop()` then collects it.
    void stop();
    /// Whether the loop accepts events.
    bool isRunning() const;
    /// Whether the caller runs on the loop thread.
    bool isLoopThread() const;

    /// From any thread. Listeners are not owned; one added during a delivery
    /// is called from the next event on. A listener must be removed before it
    /// dies, and not while it may be running on the loop thread (remove it
    /// from the loop thread itself, or after `stop()`).
    void addNamedEventListener(INamedEventListener* listener);
    void removeNamedEventListener(INamedEventListener* listener);

    i64 sendEvent(const char16_t* name, i64 a, i64 b, base::IObject* object) override;

    // INamedEventSource: only on the loop thread, inside a listener.
    const char16_t* getEventName() const override { return m_current.name; }
    i64 getEventA() const override { return m_current.a; }
    i64 getEventB() const override { return m_current.b; }
    base::IObject* getEventObject() const override { return m_current.object; }
    void setEventResult(i64 value) override { m_current.result = value; }

    const char16_t* getClassName() const override { return u"s_event_EventLoop"; }
    /// A new, stopped loop; not pooled.
    base::IObject* newInstance() const override { return new EventLoop(); }

private:
    /// One event on its way; it lives in the sender's frame.
    struct Request {
        const char16_t* name = nullptr;
        i64 a = 0;
        i64 b = 0;
        base::IObject* object = nullptr;
        i64 result = 0;
        bool done = false;
    };

    void run();
    /// Runs the listeners for `request` on the loop thread and stores the
    /// result in it.
    void deliver(Request& request);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the loop waits on it for work or stop
    std::condition_variable m_done; // senders wait on it for their result
    // Guarded by m_mutex:
    std::deque<Request*> m_queue;
    std::vector<INamedEventListener*> m_listeners;
    bool m_running = false;  // accepts events
    bool m_stopping = false; // the loop thread is asked to end
    std::thread::id m_loopId;
    std::thread m_thread; // started and joined under the rules of start()/stop()

    // Only on the loop thread: the event being delivered.
    Request m_current;
};

} // namespace s::event
