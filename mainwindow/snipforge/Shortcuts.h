#pragma once

#include "foundation/base/Types.h"
#include "gui/events/IEventListener.h"

namespace s::gui::win {
class Window;
}
namespace s::gui::dialogs::dragndrop {
class Frame;
}

namespace s::video::gui::dialogs::snipforge {

class CutterPanel;
class Dialog;

/// What a key does in the cutter window.
enum class KeyAction : i32 {
    kNone,
    kStepBack,    ///< the edited marker back by the step of the modifiers
    kStepForward, ///< ... forward
    kGoToStart,   ///< edit the start marker and show its frame
    kGoToEnd,     ///< edit the end marker and show its frame
    kStartHere,   ///< the start marker to the frame on show
    kEndHere,     ///< the end marker to the frame on show
    kOpen,
    kSave,
    kQuit,
    kFirstMenu,   ///< the menu bar's first menu, for the keyboard
    kMenuByLetter, ///< Alt and a letter: the menu whose mnemonic it is
    kRevertTime,  ///< Escape in a time field: its marker's time again
};

/// The step of an arrow key with `modifiers` (`gui::KeyModifier` bits):
/// frames (`*frames` true) or microseconds. Plain: one frame in precise
/// mode, one second in lossless mode; Shift: one second in precise mode,
/// five in lossless mode; Ctrl: 30 s; Ctrl+Shift: 3 min.
i64 arrowStep(i32 modifiers, bool precise, bool* frames);

/// The action of a key code (`gui::IWindow::getKeyCode`) with modifiers.
KeyAction keyActionFor(i32 keyCode, i32 modifiers);

/// The cutter window's keyboard: listens to the window's keys that no
/// focused control used (typing in a time field stays the field's) and
/// carries them out on the dialog, the panel and the frame's menus.
///
/// Threads: user-interface thread.
class Shortcuts final : public ::s::gui::events::IEventListener {
public:
    Shortcuts(Dialog& dialog, ::s::gui::dialogs::dragndrop::Frame& frame, CutterPanel& panel);
    Shortcuts(const Shortcuts&) = delete;
    Shortcuts& operator=(const Shortcuts&) = delete;

    /// Listens to `window`'s keys.
    void attach(::s::gui::win::Window* window);

    /// Carries out `action` (`letter`: the key's character for
    /// kMenuByLetter); true when it was used.
    bool perform(KeyAction action, i32 modifiers, char32_t letter);

    void onEvent(::s::gui::IComponent* source, i32 code) override;

private:
    /// The marker whose time field has the keyboard focus; -1 none.
    i32 focusedTimeField() const;
    bool editingEnabled() const;

    Dialog& m_dialog;
    ::s::gui::dialogs::dragndrop::Frame& m_frame;
    CutterPanel& m_panel;
    ::s::gui::win::Window* m_window = nullptr;
};

} // namespace s::video::gui::dialogs::snipforge
