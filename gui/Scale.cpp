#include "gui/Scale.h"

#include <atomic>

namespace s::gui {

namespace {
std::atomic<i32> g_scale{1};
}

i32 displayScale() { return g_scale.load(std::memory_order_relaxed); }

void setDisplayScale(i32 scale) {
    g_scale.store(scale == 2 || scale == 4 ? scale : 1, std::memory_order_relaxed);
}

} // namespace s::gui
