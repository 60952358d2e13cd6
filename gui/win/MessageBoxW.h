#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "gui/IMessageBox.h"

#include <string>

namespace s::gui {
class IWindow;
}

namespace s::gui::win {

/// The platform message boxes (GtkMessageDialog), modal over the process's
/// main window. See IMessageBox for the threads.
class MessageBoxW final : public base::IObject, public thread::IPoolable, public IMessageBox {
    S_POOLED_CLASS(MessageBoxW)

public:
    /// Kinds of box for `runBox`.
    enum Kind : i32 { kInfo = 0, kWarning = 1, kError = 2, kYesNo = 3, kYesNoCancel = 4 };
    /// The caption before the application sets one.
    static constexpr const char16_t* kDefaultCaption = u"Snipforge";

    MessageBoxW() = default;
    const char16_t* getClassName() const override { return u"s_gui_win_MessageBoxW"; }
    void reset() override { m_mode = 0; }

    void showInfo(const char16_t* text) override { runBox(nullptr, kInfo, text, nullptr); }
    void showWarning(const char16_t* text) override { runBox(nullptr, kWarning, text, nullptr); }
    void showError(const char16_t* text) override { runBox(nullptr, kError, text, nullptr); }
    bool askYesNo(const char16_t* text) override { return runBox(nullptr, kYesNo, text, nullptr); }
    bool askYesNoCancel(const char16_t* text, bool* yes) override;
    void setMode(i32 mode) override { m_mode = mode < 0 || mode > 2 ? 0 : mode; }
    i32 getMode() const override { return m_mode; }

    /// The window boxes are modal over; null for none. Any thread.
    static void setMainWindow(IWindow* window);
    static IWindow* getMainWindow();
    /// Called by a window that goes away: it stops being the main window.
    static void forgetMainWindow(IWindow* window);
    /// The title of every box. Any thread.
    static void setCaption(const char16_t* caption);
    static std::u16string getCaption();

    /// Shows one box of `kind` over `parent` (the main window when null)
    /// and waits for it. The answer: true for OK, Yes; for kYesNoCancel
    /// false on Cancel, else true with `*yes` set. Any thread.
    static bool runBox(IWindow* parent, i32 kind, const char16_t* text, bool* yes);
    /// An information box with two buttons, `actionLabel` and `closeLabel`
    /// (the default, also Escape and the close box); true when the action
    /// button was chosen. Any thread.
    static bool runActionBox(IWindow* parent, const char16_t* text, const char16_t* actionLabel,
                             const char16_t* closeLabel);

    /// When the environment variable SNIPFORGE_MESSAGE_LOG names a file,
    /// the text of every box is appended to it as it shows, followed by a
    /// line "--" (for driving the program from outside).
    static constexpr const char* kMessageLogVariable = "SNIPFORGE_MESSAGE_LOG";

private:
    i32 m_mode = 0;
};

} // namespace s::gui::win
