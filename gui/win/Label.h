#pragma once

#include "foundation/thread/Pool.h"
#include "gui/ILabel.h"
#include "gui/events/ListenerList.h"
#include "gui/win/Component.h"
#include "gui/win/TextStyle.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace s::gui::drawer {
class IText;
}
namespace s::gui::drawer::text::win {
class Basic;
}

namespace s::gui::win {

class FontSetting;

/// The toolkit-drawn label. It measures its text with the text drawer and
/// keeps the sizes per offered width, so that repeated layouts do not measure
/// again; any change of the text, the font or the layout flags drops them.
///
/// Sizes: a plain label's min and max size are its one-line text size. With
/// end ellipsis the min width is that of "..." and the max width the whole
/// line's. With word wrap the min width is the widest word, the max width the
/// unwrapped text's, and the height is the text's height wrapped to the width
/// the label was given last (`setSizeWithin`).
///
/// A clickable label shows its hover colour while the pointer is over it and
/// its pressed colour while the left button is held on it; a release over it
/// is a click: the link target is opened first, then code 1 goes to the click
/// listeners.
class Label final : public Component, public TextStyleOf<Label, ILabel> {
    S_POOLED_CLASS(Label)

public:
    static constexpr u32 kMaxPooled = 0;
    /// The hover (and pressed) colour of a clickable label until one is set.
    static constexpr u32 kDefaultHoverColor = 0x0000EE;
    static constexpr u32 kDisabledColor = 0x6D6D6D;
    /// Opens a link target; true when it could.
    using LinkOpener = std::function<bool(const char16_t* target)>;

    Label();
    ~Label() override;
    const char16_t* getClassName() const override { return u"s_gui_win_Label"; }
    void reset() override;
    IComponent* asComponent() override { return this; }

    // -- ITextStyle (the rest from TextStyleOf) --
    void fontChanged() override;

    // -- ILabel --
    void setWordWrap(bool wrap) override;
    bool isWordWrap() const override { return m_wordWrap; }
    void setEndEllipsis(bool ellipsis) override;
    bool isEndEllipsis() const override { return m_endEllipsis; }
    void setCenter(bool center) override;
    bool setText(const char16_t* text, bool redraw) override;
    const char16_t* getText() const override { return m_text.c_str(); }
    void setTextId(i32 id) override;
    i32 getTextId() const override { return m_textId; }
    void setTextFromOtherThread(const char16_t* text) override;
    void setTextDelayed(const char16_t* text) override;
    void setTextStyle(i32 style) override;
    void setClickable(bool clickable) override;
    bool isClickable() const override { return m_clickable; }
    void setLinkTarget(const char16_t* target) override;
    const char16_t* getLinkTarget() const override { return m_link.c_str(); }
    void addClickListener(events::IEventListener* l) override { m_clickListeners.add(l); }
    void setNormalColor(i32 r, i32 g, i32 b) override;
    void setHoverColor(i32 r, i32 g, i32 b) override;
    void setPressedColor(i32 r, i32 g, i32 b) override;

    // -- component --
    void setSizeWithin(i32 w, i32 h) override;
    void setEnabled(bool enabled) override;
    bool isDrawn() const override { return true; }
    void paint(MemDC& dc, i32 w, i32 h) override;
    bool onMouse(const MouseEvent& event) override;
    void onLanguageChanged() override;

    bool isHover() const { return m_hover; }
    bool isPressed() const { return m_pressed; }
    /// How many times the text was measured (each cached size counts once).
    i32 getMeasureCount() const { return m_measureCount; }

    /// Replaces how link targets are opened (null: the desktop's default
    /// handler again). Process-wide; for tests and for hosts without one.
    static void setLinkOpener(LinkOpener opener);
    /// Opens `target` the way a click does: a URI as it is, a path as a file
    /// URI, with the desktop's default handler (or the replacement).
    static bool openLink(const char16_t* target);

private:
    friend class TextStyleOf<Label, ILabel>;
    FontSetting* styleFont() const { return m_font; }
    void textColorChanged() { redraw(); }
    enum Look : i32 { kLookNormal, kLookHover, kLookPressed, kLookDisabled, kLookCount };
    /// Shared with callbacks queued on the user-interface thread, which must
    /// find out whether the label still exists.
    struct Guard;

    drawer::IText* textDrawer() const;
    u32 layoutFlags() const;
    /// The text's size at a wrap width (-1: one line); cached.
    void sizeAt(i32 width, i32* w, i32* h);
    /// Drops the cached sizes and sets the measured sizes again; true when
    /// the size limits changed.
    bool remeasure();
    /// Remeasure, then lay the parent out when the limits changed.
    void measureAndLayout();
    FontSetting* lookFont(Look look);
    void click();
    void setTextById();

    std::u16string m_text;
    i32 m_textId = -1;
    bool m_wordWrap = false;
    bool m_endEllipsis = false;
    bool m_center = false;
    bool m_clickable = false;
    std::u16string m_link;
    bool m_hover = false;
    bool m_pressed = false;
    events::ListenerList m_clickListeners;

    FontSetting* m_font;
    FontSetting* m_looks[kLookCount] = {}; // made on first use
    u32 m_lookRevision[kLookCount] = {};   // m_font's revision each look copied
    i32 m_lookColor[kLookCount] = {-1, static_cast<i32>(kDefaultHoverColor), -1,
                                   static_cast<i32>(kDisabledColor)};
    drawer::text::win::Basic* m_drawer;

    std::map<i32, std::pair<i32, i32>> m_sizes; // wrap width -> text size
    u32 m_sizesRevision = 0;                    // m_font's revision the sizes were made with
    i32 m_measureCount = 0;
    std::shared_ptr<Guard> m_guard;
};

} // namespace s::gui::win
