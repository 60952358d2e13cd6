#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IGroupBox.h"
#include "gui/win/Box.h"
#include "gui/win/TextStyle.h"

#include <string>

namespace s::gui::drawer::groupbox::win {
class Basic;
}

namespace s::gui::win {

class FontSetting;

/// A box with a frame and a caption, drawn by the group box drawer (the
/// window skin's, else its own plain one). Everything a box does (layout,
/// dropped files with code 1, wheel) it does too. Its padding keeps the
/// children inside the frame: 6 times the display scale on the sides and
/// the bottom, the caption's height plus 4 times the scale at the top; a
/// padding set afterwards replaces it until the caption or font changes.
class GroupBox final : public Box, public TextStyleOf<GroupBox, IGroupBox> {
    S_POOLED_CLASS(GroupBox)

public:
    static constexpr u32 kMaxPooled = 0;

    GroupBox();
    ~GroupBox() override;
    const char16_t* getClassName() const override { return u"s_gui_win_GroupBox"; }
    void reset() override;
    IContainer* asContainer() override { return this; }
    IComponent* asComponent() override { return this; }

    // -- ITextStyle (the rest from TextStyleOf) --
    void fontChanged() override;

    // -- IGroupBox --
    void setText(const char16_t* text) override;
    const char16_t* getText() const override { return m_caption.c_str(); }
    void setTextId(i32 id) override;
    i32 getTextId() const override { return m_textId; }

    // -- drawn component --
    void paint(MemDC& dc, i32 w, i32 h) override;
    void onLanguageChanged() override;

private:
    friend class TextStyleOf<GroupBox, IGroupBox>;
    FontSetting* styleFont() const { return m_font; }
    void textColorChanged() { redraw(); }
    /// Padding for the caption, then the layouts.
    void captionChanged();

    std::u16string m_caption;
    i32 m_textId = -1;
    FontSetting* m_font;
    drawer::groupbox::win::Basic* m_drawer;
};

} // namespace s::gui::win
