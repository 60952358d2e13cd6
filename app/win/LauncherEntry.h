#pragma once

#include "foundation/base/Types.h"

namespace s::app::win {

/// Where a window's progress is mirrored on the desktop's task bar or dock.
/// Any thread; never blocks.
class ITaskbar {
public:
    virtual ~ITaskbar() = default;
    /// `progress` in 0 ... 1; shown only when `visible`.
    virtual void update(bool visible, double progress) = 0;
};

/// The desktop's launcher entry of the program: the progress is announced
/// as the "Update" signal of "com.canonical.Unity.LauncherEntry" on the
/// session bus, which docks and task bars listen to. Without a session bus
/// nothing is sent. The bus is connected on a thread of its own at the first
/// update, so no caller waits for it; updates made before the connection
/// exists are dropped except the last, which is sent once connected.
class LauncherEntry final : public ITaskbar {
public:
    /// The one entry of the process (never destroyed).
    static LauncherEntry& instance();

    void update(bool visible, double progress) override;

    /// The desktop file the entry belongs to.
    static constexpr const char* kAppUri = "application://snipforge.desktop";

private:
    LauncherEntry() = default;
};

} // namespace s::app::win
