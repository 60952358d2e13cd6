#pragma once

#include "app/win/WindowGeometry.h"

#include <mutex>

namespace s::app::win {

/// The monitors as GDK reports them, for window placement: the virtual
/// screen is the union of every monitor's geometry, the work area that of
/// the primary monitor (the first monitor when none is marked primary).
///
/// GDK is read only on the user-interface thread (`refresh`, and again by
/// itself whenever the monitors change); the getters answer from a copy and
/// may be called from any thread.
class GdkScreens final : public IScreenInfo {
public:
    GdkScreens() = default;
    GdkScreens(const GdkScreens&) = delete;
    GdkScreens& operator=(const GdkScreens&) = delete;
    /// Disconnects from the display: call `detach` on the user-interface
    /// thread first while that thread still runs.
    ~GdkScreens() override;

    /// Reads the monitors now and follows later changes. User-interface
    /// thread. False when there is no display or no monitor.
    bool refresh();
    /// Stops following monitor changes; the copies stay. User-interface
    /// thread.
    void detach();

    bool getVirtualScreen(Rect* out) const override;
    bool getWorkArea(Rect* out) const override;
    /// The primary monitor's size in device pixels (geometry times GDK's
    /// scale factor) and that factor; false when unknown.
    bool getPrimaryDeviceSize(i32* width, i32* height, i32* gdkFactor) const;

private:
    mutable std::mutex m_lock; // guards the copies below
    bool m_known = false;
    Rect m_virtual;
    Rect m_workArea;
    i32 m_deviceWidth = 0;
    i32 m_deviceHeight = 0;
    i32 m_factor = 1;
    unsigned long m_handler = 0; // monitor added/removed; user-interface thread
    void* m_display = nullptr;   // GdkDisplay the handler is on
};

/// The display scale for a primary monitor of `deviceWidth` x `deviceHeight`
/// device pixels when GDK already scales by `gdkFactor`: the program's scale
/// with GDK's own factor divided out, so that nothing is scaled twice; at
/// least 1.
[[nodiscard]] i32 programScaleFor(i32 deviceWidth, i32 deviceHeight, i32 gdkFactor);

} // namespace s::app::win
