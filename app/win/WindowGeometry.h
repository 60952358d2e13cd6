#pragma once

#include "foundation/base/Types.h"

namespace s::app::win {

/// A rectangle in screen pixels.
struct Rect {
    i32 x = 0;
    i32 y = 0;
    i32 width = 0;
    i32 height = 0;

    i64 right() const { return static_cast<i64>(x) + width; }
    i64 bottom() const { return static_cast<i64>(y) + height; }
    bool operator==(const Rect&) const = default;
};

/// The fewest pixels of a window that must overlap the screen, and the
/// smallest width and height a window may have.
inline constexpr i32 kMinVisible = 10;

/// Whether a window at `window` counts as on screen: wider and taller than
/// 10 pixels, and overlapping the virtual screen (the bounding rectangle of
/// all monitors) by at least 10 pixels both horizontally and vertically.
bool isOnScreen(const Rect& window, const Rect& screen);

/// The window moved (never resized) so that it lies inside `screen`: first
/// left or up until its right and bottom edges are inside, then right or
/// down until its left and top edges are; a window larger than the screen
/// ends at the screen's left or top edge.
Rect keepOnScreen(const Rect& window, const Rect& screen);

/// The window moved to the centre of `area`, but never left of or above the
/// area's left and top edges.
Rect centreIn(const Rect& window, const Rect& area);

/// Where the screens are. Filled by the window layer from the display; the
/// application shell asks it when it places windows.
class IScreenInfo {
public:
    virtual ~IScreenInfo() = default;
    /// The bounding rectangle of all monitors; false when unknown.
    virtual bool getVirtualScreen(Rect* out) const = 0;
    /// The primary monitor's area without panels and docks; false when
    /// unknown.
    virtual bool getWorkArea(Rect* out) const = 0;
};

/// The process's screen information (not owned), or null while the window
/// layer has not set it. Any thread; set before windows are placed.
IScreenInfo* screenInfo();
void setScreenInfo(IScreenInfo* info);

} // namespace s::app::win
