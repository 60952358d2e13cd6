#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"

#include <string>
#include <vector>

namespace s::image::win {
class BufferedImage;
}
namespace s::gui::win {
class MemDC;
class FontSetting;
} // namespace s::gui::win

// The drawer interfaces: small pooled objects that know how one kind of
// control looks. Every paint takes the memory context of the control's
// off-screen buffer and a rectangle (left, top, right, bottom exclusive);
// nothing is painted when left >= right or top >= bottom. Colours are r, g, b
// in 0..255; `s` is the display scale unless an argument says otherwise.
namespace s::gui::drawer {

/// Paints a rectangle; the base of every drawer.
class IDrawer : public base::IObject, public thread::IPoolable {
public:
    virtual void paint(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) = 0;
};

/// Frames around a rectangle.
class IBorder : public IDrawer {};

/// Layout flags of the text drawer.
enum TextFlags : u32 {
    kTextSingleLine = 0,
    kTextCenter = 1,      ///< centred single line with end ellipsis
    kTextWordWrap = 2,    ///< broken into lines at word boundaries
    kTextEndEllipsis = 4, ///< single line cut with "..." at the end
    kTextRight = 8,       ///< right-aligned single line
};

/// Label text with effects (the font setting's style 0..7). Text is drawn
/// and measured without mnemonic-prefix processing.
class IText : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintText(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                           win::FontSetting& font, u32 flags, bool enabled) = 0;
    /// The size the text takes with `font`: wrapped to `width` with
    /// kTextWordWrap (width <= 0: unwrapped), else one line.
    virtual void measure(const char16_t* text, win::FontSetting& font, u32 flags, i32 width, i32* outWidth,
                         i32* outHeight) = 0;
};

/// An image buffer in a rectangle.
class IImage : public IDrawer {
public:
    using IDrawer::paint;
    /// `backBuffer`: the control's buffer (for alpha compositing).
    virtual void paintImage(win::MemDC& dc, ::s::image::win::BufferedImage* backBuffer, i32 left, i32 top, i32 right,
                            i32 bottom, ::s::image::win::BufferedImage* picture, bool scale, bool withBorder,
                            bool blendAlpha) = 0;
};

/// The titles of a menu bar as the menu drawer lays them out and paints them.
struct MenuBarState {
    std::vector<std::u16string> titles;
    /// Per title, the index of its underlined (mnemonic) character; -1 or
    /// missing: none.
    std::vector<i32> mnemonics;
    i32 hot = -1;            ///< title under the mouse or open; -1 none
    bool mouseDown = false;  ///< left button held
    i32 marginX = 6;         ///< item margins (already scaled)
    i32 marginY = 3;
    bool lastAtRight = false; ///< the last title stands against the right edge
    bool lastAsLink = false;  ///< the last title is a link (0, 0, 204), underlined while hot
    win::FontSetting* font = nullptr;
};

/// Menu bar titles.
class IMenu : public IDrawer {
public:
    using IDrawer::paint;
    /// The title boxes (left, top, right, bottom per title), all as tall as
    /// the tallest; `width` is the bar's width (for lastAtRight).
    virtual void layoutTitles(const MenuBarState& state, i32 width, std::vector<i32>* boxes) = 0;
    virtual void paintBar(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const MenuBarState& state) = 0;
};

/// Status bar background (and size grip).
class IStatusBar : public IDrawer {};

/// Button states of the button drawer.
enum ButtonState : i32 { kButtonNormal = 0, kButtonHot = 1, kButtonPressed = 2 };

/// Button face, frame, text or vector icon.
class IButton : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintButton(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 state,
                             const char16_t* text, bool enabled, win::FontSetting* font, bool focused,
                             bool toggled) = 0;
    /// Draws the vector icon `name` ("#Play", "#Color-00ff0000", ...) in the
    /// content rectangle; false when `name` names no icon (nothing drawn).
    virtual bool paintIcon(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* name, i32 r,
                           i32 g, i32 b) = 0;
};

class ICheckBox : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintCheck(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool checked, bool hot,
                            bool enabled) = 0;
};

class IRadioButton : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintRadio(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool checked, bool hot,
                            bool enabled) = 0;
};

class IScrollBar : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintScrollBar(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool vertical,
                                i32 position, i32 page, i32 range) = 0;
    virtual i32 getWidth() const = 0;
};

/// Track and knob(s) of a slider that draws itself.
class ISlider : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintSlider(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 min, i32 max,
                             i32 position, i32 secondPosition, bool rangeMode, i32 thumbLength, bool hot,
                             bool pressed) = 0;
    /// The channel's first and last pixel along the slider for a width.
    virtual void getChannel(i32 width, i32 thumbLength, i32* channelLeft, i32* channelRight) = 0;
};

/// An up/down counter's face and its progress-like bar.
class ICounter : public IDrawer {
public:
    using IDrawer::paint;
    /// The bar filled to value / range (clamped to 0..range); range <= 0
    /// paints the empty face.
    virtual void paintCounter(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 value,
                              i32 range) = 0;
};
class IGroupBox : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintGroup(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* caption,
                            win::FontSetting* font) = 0;
};
/// Tab strip: `paint` draws the pane under the tabs, `paintTab` one tab.
class ITabBox : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintTab(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* title,
                          bool selected, bool hot, win::FontSetting* font) = 0;
};

/// One row of a list or tree, as the list drawer paints it.
struct ListRow {
    const char16_t* text = nullptr;
    i32 index = 0;         ///< row number (alternate rows are shaded)
    bool selected = false;
    bool hot = false;
    i32 level = 0;         ///< tree depth (indent)
    i32 tree = -1;         ///< -1 no tree mark, 0 closed, 1 open
    i32 check = -1;        ///< -1 no check mark, 0 unchecked, 1 checked
};

/// List and tree rows: `paint` fills the list's background.
class IListBox : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintRow(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const ListRow& row,
                          win::FontSetting* font) = 0;
};

/// Column headers: `paint` draws the strip, `paintHeader` one column.
class IListHeader : public IDrawer {
public:
    using IDrawer::paint;
    /// `sort`: 0 none, 1 ascending, -1 descending.
    virtual void paintHeader(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* title,
                             bool hot, bool pressed, i32 sort, win::FontSetting* font) = 0;
};

/// Combo box face with its drop button.
class ICombo : public IDrawer {
public:
    using IDrawer::paint;
    virtual void paintCombo(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                            bool hot, bool open, bool enabled, win::FontSetting* font) = 0;
};
/// Window background, frame and corners.
class IWindow : public IDrawer {};

/// A bundle of one drawer per control kind under a colour scheme; owns its
/// drawers.
class ISkin : public base::IObject, public thread::IPoolable {
public:
    virtual const char16_t* getName() const = 0;
    virtual void setName(const char16_t* name) = 0;
    virtual void setWindow(IWindow* d) = 0;
    virtual IWindow* getWindow() const = 0;
    virtual void setButton(IButton* d) = 0;
    virtual IButton* getButton() const = 0;
    virtual void setText(IText* d) = 0;
    virtual IText* getText() const = 0;
    virtual void setScrollBar(IScrollBar* d) = 0;
    virtual IScrollBar* getScrollBar() const = 0;
    virtual void setCheckBox(ICheckBox* d) = 0;
    virtual ICheckBox* getCheckBox() const = 0;
    virtual void setRadioButton(IRadioButton* d) = 0;
    virtual IRadioButton* getRadioButton() const = 0;
    virtual void setSlider(ISlider* d) = 0;
    virtual ISlider* getSlider() const = 0;
    virtual void setCounter(ICounter* d) = 0;
    virtual ICounter* getCounter() const = 0;
    virtual void setListHeader(IListHeader* d) = 0;
    virtual IListHeader* getListHeader() const = 0;
    virtual void setListBox(IListBox* d) = 0;
    virtual IListBox* getListBox() const = 0;
    virtual void setStatusBar(IStatusBar* d) = 0;
    virtual IStatusBar* getStatusBar() const = 0;
    virtual void setMenu(IMenu* d) = 0;
    virtual IMenu* getMenu() const = 0;
    virtual void setCombo(ICombo* d) = 0;
    virtual ICombo* getCombo() const = 0;
    virtual void setGroupBox(IGroupBox* d) = 0;
    virtual IGroupBox* getGroupBox() const = 0;
    virtual void setTabBox(ITabBox* d) = 0;
    virtual ITabBox* getTabBox() const = 0;
};

} // namespace s::gui::drawer
