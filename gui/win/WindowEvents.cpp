// The window's named events: listeners, and delivery on the user-interface
// thread for events sent from any thread.

#include "gui/win/Window.h"
#include "gui/win/WindowInternal.h"

#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <condition_variable>
#include <mutex>

namespace s::gui::win {

using window_detail::asImpl;

void Window::addNamedEventListener(events::IEventListener* l) {
    if (l)
        m_namedListeners.push_back({l, nullptr});
}

void Window::addNamedEventListener(event::INamedEventListener* l) {
    if (l)
        m_namedListeners.push_back({nullptr, l});
}

void Window::deliverNamed(Pending& p) {
    // A listener may send again on this thread: the outer event is kept.
    const char16_t* name = m_eventName;
    const i64 a = m_eventA;
    const i64 b = m_eventB;
    base::IObject* object = m_eventObject;
    const i64 result = m_eventResult;
    m_eventName = p.name;
    m_eventA = p.a;
    m_eventB = p.b;
    m_eventObject = p.object;
    m_eventResult = 0;
    const std::size_t n = m_namedListeners.size();
    for (std::size_t i = 0; i < n && i < m_namedListeners.size(); ++i) {
        const NamedListener l = m_namedListeners[i];
        if (l.toolkit)
            l.toolkit->onEvent(this, kWindowNamedEvent);
        else
            l.model->onNamedEvent(*this);
    }
    p.result = m_eventResult;
    m_eventName = name;
    m_eventA = a;
    m_eventB = b;
    m_eventObject = object;
    m_eventResult = result;
}

i64 Window::sendEvent(const char16_t* name, i64 a, i64 b, base::IObject* object) {
    if (!m_realized.load() || m_closed.load())
        return 0;
    if (UIThread::isUiThread()) {
        Pending p{name, a, b, object};
        deliverNamed(p);
        return p.result;
    }
    std::shared_ptr<SendState> state;
    auto pending = std::make_shared<Pending>();
    pending->name = name;
    pending->a = a;
    pending->b = b;
    pending->object = object;
    {
        // m_send is swapped only on the interface thread while the window is
        // torn down; a sender racing with that is a caller error.
        state = m_send;
        std::lock_guard lock(state->mutex);
        // The window closes before it releases its senders under this lock:
        // one closed since the check above will not release this one.
        if (m_closed.load())
            return 0;
        state->waiting.push_back(pending);
    }
    std::function<void()> run = [state, pending] {
        {
            std::lock_guard lock(state->mutex);
            if (pending->done)
                return;
        }
        Window* window = state->window;
        Pending copy = *pending;
        copy.result = 0;
        if (window && window->m_realized.load() && !window->m_closed.load())
            window->deliverNamed(copy);
        std::lock_guard lock(state->mutex);
        if (!pending->done) {
            pending->result = copy.result;
            pending->done = true;
        }
        std::erase(state->waiting, pending);
        state->changed.notify_all();
    };
    // Below GTK's layout and redraw, so that the interface repaints between
    // the events of a busy worker.
    if (!UIThread::instance().post(std::move(run), true)) {
        std::lock_guard lock(state->mutex);
        std::erase(state->waiting, pending);
        return 0;
    }
    // Two things end the wait, and both notify: the job (an accepted one
    // always runs, also when the loop stops meanwhile) and the window
    // closing (releaseSenders).
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return pending->done; });
    return pending->result;
}

void Window::releaseSenders() {
    std::shared_ptr<SendState> state = m_send;
    if (!state)
        return;
    std::lock_guard lock(state->mutex);
    for (auto& p : state->waiting) {
        if (!p->done) {
            p->done = true;
            p->result = 0;
        }
    }
    state->waiting.clear();
    state->changed.notify_all();
}

} // namespace s::gui::win
