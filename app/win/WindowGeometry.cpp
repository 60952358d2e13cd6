#include "app/win/WindowGeometry.h"

#include <algorithm>
#include <atomic>

namespace s::app::win {

namespace {
std::atomic<IScreenInfo*> g_screenInfo{nullptr};
} // namespace

bool isOnScreen(const Rect& window, const Rect& screen) {
    if (window.width <= kMinVisible || window.height <= kMinVisible)
        return false;
    const i64 across = std::min(window.right(), screen.right()) - std::max<i64>(window.x, screen.x);
    const i64 down = std::min(window.bottom(), screen.bottom()) - std::max<i64>(window.y, screen.y);
    return across >= kMinVisible && down >= kMinVisible;
}

Rect keepOnScreen(const Rect& window, const Rect& screen) {
    Rect moved = window;
    if (moved.right() > screen.right())
        moved.x = static_cast<i32>(screen.right() - moved.width);
    if (moved.bottom() > screen.bottom())
        moved.y = static_cast<i32>(screen.bottom() - moved.height);
    moved.x = std::max(moved.x, screen.x);
    moved.y = std::max(moved.y, screen.y);
    return moved;
}

Rect centreIn(const Rect& window, const Rect& area) {
    Rect moved = window;
    moved.x =
        static_cast<i32>(std::max<i64>(area.x, area.x + (static_cast<i64>(area.width) - window.width) / 2));
    moved.y =
        static_cast<i32>(std::max<i64>(area.y, area.y + (static_cast<i64>(area.height) - window.height) / 2));
    return moved;
}

IScreenInfo* screenInfo() {
    return g_screenInfo.load(std::memory_order_acquire);
}

void setScreenInfo(IScreenInfo* info) {
    g_screenInfo.store(info, std::memory_order_release);
}

} // namespace s::app::win
