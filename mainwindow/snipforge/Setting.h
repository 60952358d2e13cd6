#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::video::gui::dialogs::snipforge {

/// The job the cutter window hands to its worker task. Filled under the
/// dialog's job lock before the task starts; read by the task under the same
/// lock.
class Setting final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Setting)

public:
    /// Values of `mode`.
    enum Mode : i32 {
        kFirstPath = 1,     ///< act on the first queued path
        kOtherSelector = 2, ///< the conversion-type selector is not at its first entry
    };

    Setting() = default;
    Setting(const Setting&) = delete;
    Setting& operator=(const Setting&) = delete;

    /// mode 1, open (not cut), both positions 0.
    void reset() override {
        mode = kFirstPath;
        cut = false;
        startUs = 0;
        endUs = 0;
    }
    const char16_t* getClassName() const override { return u"s_video_gui_dialogs_snipforge_Setting"; }

    i32 mode = kFirstPath;
    bool cut = false; ///< false: open and probe the file; true: cut the scene
    i64 startUs = 0;
    i64 endUs = 0;
};

} // namespace s::video::gui::dialogs::snipforge
