#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IWindow.h"

namespace s::lang {
class Localizer;
}
namespace s::gui::win {
class Button;
class CheckBox;
class Label;
class Window;
} // namespace s::gui::win

namespace s::gui::dialogs {

/// The Yes/No confirmation window with an optional "Don't ask me again"
/// check box. `ask` shows it modally over a parent window and returns when
/// it closed; then `getAnswer` and `isDontAskAgain` tell the outcome.
///
/// Keys: Tab moves the focus between Yes and No, Enter clicks the focused
/// button (Yes has the focus at first). Closing the window by other means
/// answers No.
///
/// Threads: the window is the toolkit's, so `ask` runs on the user-interface
/// thread; called elsewhere it is carried there and the caller waits. While
/// the window is up the thread keeps serving every window (its own wait loop
/// dispatches events in 100 ms steps).
class FlexAsker final : public base::IObject, public thread::IPoolable, public events::IEventListener {
    S_POOLED_CLASS(FlexAsker)

public:
    static constexpr u32 kMaxPooled = 0;
    static constexpr i32 kDefaultTitleId = 400300;
    static constexpr i32 kDefaultMessageId = 400320;

    FlexAsker() = default;
    FlexAsker(const FlexAsker&) = delete;
    FlexAsker& operator=(const FlexAsker&) = delete;
    ~FlexAsker() override;
    const char16_t* getClassName() const override { return u"s_gui_dialogs_FlexAsker"; }
    /// Releases the window; the text ids and the check box come back to
    /// their defaults, the answer to No.
    void reset() override;

    /// The source of the texts by id; English built-ins without one.
    void setLocalizer(lang::Localizer* localizer) { m_localizer = localizer; }
    void setYesTextId(i32 id) { m_yesTextId = id; }
    void setNoTextId(i32 id) { m_noTextId = id; }
    void setCheckTextId(i32 id) { m_checkTextId = id; }
    void setShowCheckBox(bool show) { m_showCheckBox = show; }

    /// Shows the question and waits for the answer. Null title or message
    /// take the default texts ("Confirmation Dialog", "Are you sure you want
    /// to proceed this operation?"). A null parent: shown uncentred,
    /// nothing is disabled. True when Yes was chosen.
    bool ask(IWindow* parent, const char16_t* title, const char16_t* message);

    bool getAnswer() const { return m_answer; }
    bool isDontAskAgain() const { return m_dontAskAgain; }
    /// The asker's window while it is up (tests drive it); null otherwise.
    win::Window* getWindow() const { return m_window; }
    win::Button* getYesButton() const { return m_yesButton; }
    win::Button* getNoButton() const { return m_noButton; }
    win::CheckBox* getCheckBox() const { return m_checkBox; }

    void onEvent(IComponent* source, i32 code) override;

private:
    const char16_t* text(i32 id, const char16_t* english) const;
    void focusButton(bool yes);
    bool askHere(IWindow* parent, const char16_t* title, const char16_t* message);

    lang::Localizer* m_localizer = nullptr;
    i32 m_yesTextId = 400330;
    i32 m_noTextId = 400340;
    i32 m_checkTextId = 400380;
    bool m_showCheckBox = true;
    // User-interface thread:
    win::Window* m_window = nullptr;
    win::Button* m_yesButton = nullptr;
    win::Button* m_noButton = nullptr;
    win::CheckBox* m_checkBox = nullptr;
    win::Label* m_message = nullptr;
    bool m_focusYes = true;
    bool m_answer = false;
    bool m_dontAskAgain = false;
};

} // namespace s::gui::dialogs
