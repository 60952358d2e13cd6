#pragma once

#include "gui/ITextStyle.h"

namespace s::gui {

class IContainer;

/// Group box event codes (source = the group box): it takes dropped files
/// as a box does (accept them with the box's `setAcceptFiles`).
enum GroupBoxEvent : i32 {
    kGroupBoxFilesDropped = 1,
};

/// A titled container: a frame around its children with a caption at the
/// top left. The caption is a literal text or a language id; its look is the
/// text style of this interface.
class IGroupBox : public ITextStyle {
public:
    virtual IContainer* asContainer() = 0;
    /// A literal caption (clears the text id).
    virtual void setText(const char16_t* text) = 0;
    virtual const char16_t* getText() const = 0;
    /// The caption of `id` in the window's language, read when the group box
    /// joins a window and on every language change.
    virtual void setTextId(i32 id) = 0;
    virtual i32 getTextId() const = 0;
};

} // namespace s::gui
