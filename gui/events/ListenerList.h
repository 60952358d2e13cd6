#pragma once

#include "gui/events/IEventListener.h"

#include <vector>

namespace s::gui::events {

/// One event kind's listeners, called in the order they were added.
/// Duplicates are allowed and are then called twice. Not locked: listeners
/// are added while the interface is built, on the thread that builds it.
class ListenerList {
public:
    void add(IEventListener* listener) {
        if (listener)
            m_listeners.push_back(listener);
    }
    void remove(IEventListener* listener) { std::erase(m_listeners, listener); }
    bool empty() const { return m_listeners.empty(); }
    std::size_t size() const { return m_listeners.size(); }
    void clear() { m_listeners.clear(); }
    /// Calls every listener with (source, code). A listener added during the
    /// call is not called this time.
    void fire(IComponent* source, i32 code) const {
        const std::size_t n = m_listeners.size();
        for (std::size_t i = 0; i < n && i < m_listeners.size(); ++i)
            m_listeners[i]->onEvent(source, code);
    }

private:
    std::vector<IEventListener*> m_listeners;
};

} // namespace s::gui::events
