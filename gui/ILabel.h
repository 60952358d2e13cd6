#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

/// Label event codes (source = the label).
enum LabelEvent : i32 {
    kLabelClick = 1, ///< a clickable label was clicked
};

/// The timer id of a delayed text change.
inline constexpr i32 kLabelDelayTimerId = 100;
/// How long a delayed text change waits.
inline constexpr i32 kLabelDelayMs = 100;

/// A static or clickable text, drawn by the toolkit. Its text is measured with
/// its font: word-wrapped to the width it is offered when word wrap is on,
/// else as one line (with end ellipsis: cut with "..." when too long, so the
/// text never makes its parent wider). An "&" shows as itself.
class ILabel : public ITextStyle {
public:
    /// Broken into lines at word boundaries.
    virtual void setWordWrap(bool wrap) = 0;
    virtual bool isWordWrap() const = 0;
    /// One line, cut with "..." at the end when too long.
    virtual void setEndEllipsis(bool ellipsis) = 0;
    virtual bool isEndEllipsis() const = 0;
    /// One line, centred both ways (with end ellipsis).
    virtual void setCenter(bool center) = 0;
    /// A literal text (clears the text id). Returns whether the text changed;
    /// an equal text changes nothing and is not measured again. A change of
    /// the measured size lays the parent out again.
    virtual bool setText(const char16_t* text, bool redraw) = 0;
    virtual const char16_t* getText() const = 0;
    /// The text of `id` in the window's language, read when the label joins
    /// a window and on every language change.
    virtual void setTextId(i32 id) = 0;
    virtual i32 getTextId() const = 0;
    /// Any thread: the text is set on the user-interface thread.
    virtual void setTextFromOtherThread(const char16_t* text) = 0;
    /// Any thread: the text is set after a short delay; a newer delayed text
    /// replaces a waiting one and restarts the delay.
    virtual void setTextDelayed(const char16_t* text) = 0;
    /// The text effect style 0..7 (see the text drawer).
    virtual void setTextStyle(i32 style) = 0;

    /// Hover and pressed looks, and clicks.
    virtual void setClickable(bool clickable) = 0;
    virtual bool isClickable() const = 0;
    /// A document or web address opened with the desktop's default handler
    /// on a click, before the click listeners run. Empty for none.
    virtual void setLinkTarget(const char16_t* target) = 0;
    virtual const char16_t* getLinkTarget() const = 0;
    virtual void addClickListener(events::IEventListener* l) = 0;
    /// Text colours of a clickable label's normal and hover states (the
    /// pressed state shows the hover colour unless set itself).
    virtual void setNormalColor(i32 r, i32 g, i32 b) = 0;
    virtual void setHoverColor(i32 r, i32 g, i32 b) = 0;
    virtual void setPressedColor(i32 r, i32 g, i32 b) = 0;
};

} // namespace s::gui
