#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

/// Button event codes (source = the button).
enum ButtonEvent : i32 {
    kButtonAction = 1,      ///< clicked: action listeners
    kButtonAfterAction = 2, ///< clicked, after the action listeners and the toggle change
    kButtonPress = 3,       ///< left button went down inside, and each auto-repeat tick
};

/// Timer ids of the auto-repeat: the first delay, then the repeat.
inline constexpr i32 kButtonDelayTimerId = 20001;
inline constexpr i32 kButtonRepeatTimerId = 20002;
inline constexpr i32 kButtonDelayMs = 500;
inline constexpr i32 kButtonRepeatMs = 100;

/// Texts that make a button something other than a captioned push button.
inline constexpr char16_t kResizerText[] = u"#Resizer";
inline constexpr char16_t kColorTextPrefix[] = u"#Color-";

/// A push button: an action button, a toggle button, a colour swatch
/// ("#Color-00BBGGRR") or the window's resize grip ("#Resizer").
class IButton : public ITextStyle {
public:
    /// A literal text; it is not translated.
    virtual void setText(const char16_t* text) = 0;
    virtual const char16_t* getText() const = 0;
    /// The text of `id` in the window's language, read again on every
    /// language change.
    virtual void setTextId(i32 id) = 0;
    virtual i32 getTextId() const = 0;

    /// Max size in percent of the parent's inner size; -1 none.
    virtual void setPercentWidth(i32 p) = 0;
    virtual void setPercentHeight(i32 p) = 0;
    /// -1 none.
    virtual void setFixedWidth(i32 px) = 0;
    virtual void setFixedHeight(i32 px) = 0;

    virtual void addActionListener(events::IEventListener* l) = 0;
    virtual void addAfterActionListener(events::IEventListener* l) = 0;
    virtual void addPressListener(events::IEventListener* l) = 0;

    /// While the left button is held inside, code 3 repeats (first after
    /// 500 ms, then every 100 ms).
    virtual void setAutoRepeat(bool autoRepeat) = 0;
    virtual bool isAutoRepeat() const = 0;
    /// A toggle button flips on a click: released to pressed always, pressed
    /// to released only with `clickReleases`. `a` and `b` are kept for the
    /// drawer.
    virtual void setToggle(bool isToggle, bool clickReleases, i32 a, i32 b) = 0;
    virtual bool isToggle() const = 0;
    /// The pressed state of a toggle button.
    virtual bool isToggled() const = 0;
    virtual void setToggled(bool toggled) = 0;

    /// Makes the button a colour swatch: text "#Color-00BBGGRR" (lower-case
    /// hexadecimal digits).
    virtual void setColor(i32 r, i32 g, i32 b) = 0;

    /// Clicks the button as the user would: code 1, the toggle change, code 2.
    virtual void click() = 0;
};

} // namespace s::gui
