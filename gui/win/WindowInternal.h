#pragma once

// What the parts of the window's implementation share: Window.cpp (life
// cycle, timers, title, painting), WindowEvents.cpp (named events across
// threads), WindowInput.cpp (mouse, keys, focus, wheel, drops) and
// WindowPlacement.cpp (size, minimum, position, the screen). Not for other
// code.

#include "gui/win/Window.h"

#include <gtk/gtk.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace s::gui::win {

struct Window::SendState {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::shared_ptr<Pending>> waiting; // guarded by mutex
    Window* window = nullptr;                      // user-interface thread; null once the window is gone
};

struct Window::TimerRecord {
    Window* window = nullptr;
    i32 id = 0;
    guint source = 0;
};

namespace window_detail {

inline Component* asImpl(IComponent* c) {
    return dynamic_cast<Component*>(c);
}

} // namespace window_detail

} // namespace s::gui::win
