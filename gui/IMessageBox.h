#pragma once

#include "foundation/base/Types.h"

namespace s::gui {

/// Modal message boxes over the application's main window, titled with the
/// application's caption. Callable from any thread: the box runs on the
/// user-interface thread and the caller waits for the answer. Without a
/// display the text goes to the error output and every question is
/// answered No.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    /// Information icon, OK.
    virtual void showInfo(const char16_t* text) = 0;
    /// Exclamation icon, OK.
    virtual void showWarning(const char16_t* text) = 0;
    /// Stop icon, OK.
    virtual void showError(const char16_t* text) = 0;
    /// Question icon, Yes/No: true for Yes.
    virtual bool askYesNo(const char16_t* text) = 0;
    /// Question icon, Yes/No/Cancel: false for Cancel (or a box closed
    /// otherwise); else true with `*yes` set (true for Yes).
    virtual bool askYesNoCancel(const char16_t* text, bool* yes) = 0;
    /// A box mode (0, 1 or 2) kept for callers that choose one; the boxes
    /// above do not depend on it.
    virtual void setMode(i32 mode) = 0;
    virtual i32 getMode() const = 0;
};

} // namespace s::gui
