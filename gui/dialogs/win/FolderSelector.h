#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>

namespace s::gui {
class IWindow;
}

namespace s::gui::dialogs::win {

/// The folder browser: the platform's folder chooser, modal over a window.
/// Threads as FileOpener.
class FolderSelector : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(FolderSelector)

public:
    static constexpr const char16_t* kDefaultTitle = u"Please Select the Destination";

    FolderSelector() = default;
    const char16_t* getClassName() const override { return u"s_gui_dialogs_win_FolderSelector"; }
    void reset() override { m_path.clear(); }

    /// Title null or empty: the default title. With `initialPath` the
    /// chooser starts there (in its parent when it is no folder). True when
    /// a folder with a file-system path was chosen; it is then `getPath()`.
    /// A parent kept on top is switched off meanwhile, restored and brought
    /// back to the front afterwards. False without a display.
    bool show(IWindow* parent, const char16_t* initialPath, const char16_t* title);
    const char16_t* getPath() const { return m_path.c_str(); }

private:
    std::u16string m_path;
};

} // namespace s::gui::dialogs::win
