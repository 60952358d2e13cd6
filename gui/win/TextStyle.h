#pragma once

#include "gui/ITextStyle.h"
#include "gui/win/FontSetting.h"

namespace s::gui::win {

/// The text-style operations of `Role` (a control interface that extends
/// ITextStyle) done once for every control that draws or shows text: each
/// goes to the control's own font setting, then a change of the font calls
/// the control's `fontChanged` (measure again, repaint) and a change of the
/// colour its `textColorChanged` (repaint).
///
/// `Self` is the control itself (it derives from this class): it answers
/// `styleFont()` with its font setting (never null) and has
/// `textColorChanged()`; both may be private with this class as a friend.
template <class Self, class Role> class TextStyleOf : public Role {
public:
    void setSizeCode(i32 code) override {
        font().setSizeCode(code);
        self().fontChanged();
    }
    void setFontFace(const char16_t* face) override {
        font().setFace(face);
        self().fontChanged();
    }
    void setFontHeight(i32 height) override {
        font().setHeight(height);
        self().fontChanged();
    }
    i32 getFontHeight() const override { return font().getHeight(); }
    void setBold(bool bold) override {
        font().setBold(bold);
        self().fontChanged();
    }
    bool isBold() const override { return font().getWeight() >= 700; }
    void setItalic(bool italic) override {
        font().setItalic(italic);
        self().fontChanged();
    }
    bool isItalic() const override { return font().isItalic(); }
    void setUnderline(bool underline) override {
        font().setUnderline(underline);
        self().fontChanged();
    }
    bool isUnderline() const override { return font().isUnderline(); }
    void setTextColor(i32 r, i32 g, i32 b) override {
        font().setColor(r, g, b);
        self().textColorChanged();
    }
    u32 getTextColor() const override { return font().getColor(); }
    FontSetting* getFontSetting() override { return &font(); }

private:
    Self& self() { return static_cast<Self&>(*this); }
    FontSetting& font() const { return *static_cast<const Self&>(*this).styleFont(); }
};

} // namespace s::gui::win
