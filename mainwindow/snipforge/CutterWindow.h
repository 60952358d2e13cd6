#pragma once

#include "mainwindow/dragndrop/Frame.h"
#include "mainwindow/snipforge/CutterPanel.h"
#include "mainwindow/snipforge/Shortcuts.h"

namespace s::gui::win {
class Window;
}

namespace s::video::gui::dialogs::snipforge {

class Dialog;

/// The cutter window's widgets: the generic frame with the cutter's panel
/// in it, tied to the cutter dialog. The application makes the window, the
/// dialog (with the window as its event target) and this object, calls
/// `build` and then waits for the window to close (`waitUntilClosed`) on its
/// own thread.
///
/// Life: the object must outlive the window's event delivery; release the
/// window first. On release it detaches itself from the dialog.
class CutterWindow final {
public:
    explicit CutterWindow(Dialog& dialog);
    CutterWindow(const CutterWindow&) = delete;
    CutterWindow& operator=(const CutterWindow&) = delete;
    ~CutterWindow();

    /// Not owned; set before `build`. See `Frame::setBehaviourStore`.
    void setBehaviourStore(::s::gui::dialogs::dragndrop::IBehaviourStore* store) { m_frame.setBehaviourStore(store); }

    /// Builds the window's content and shows the window: the display scale,
    /// the dialog's settings (output folder, custom folder, cut mode), the
    /// frame and the panel, the menus, the controls wired to the dialog,
    /// the stored conversion type and view, the window's close, restore,
    /// right-button, named and key events, layout, minimum size, on screen,
    /// shown. Runs itself on the user-interface thread when called
    /// elsewhere; false when that thread does not run (the tree is then
    /// built but nothing is shown).
    bool build(::s::gui::win::Window* window);

    ::s::gui::dialogs::dragndrop::Frame& frame() { return m_frame; }
    CutterPanel& panel() { return m_panel; }
    Shortcuts& shortcuts() { return m_shortcuts; }

private:
    void buildOnUiThread(::s::gui::win::Window* window);

    Dialog& m_dialog;
    ::s::gui::dialogs::dragndrop::Frame m_frame;
    CutterPanel m_panel;
    Shortcuts m_shortcuts;
};

} // namespace s::video::gui::dialogs::snipforge
