#pragma once

#include "gui/ITextStyle.h"
#include "gui/win/FontSetting.h"
#include "gui/win/NativeControl.h"

#include <string>

namespace s::gui::win {

/// What the text controls share: the caption, given literally or by
/// language id, and the font setting with its forwards. The measured size
/// comes from the widget once it exists and is estimated with Pango before,
/// so that layouts work without a display.
class TextControlBase : public NativeControl {
public:
    TextControlBase();
    ~TextControlBase() override;
    void reset() override;

    /// Re-reads a text given by id (also when the control joins a window).
    void onLanguageChanged() override;

    /// The size of `text` in `font` on one line, in pixels. Needs no display.
    static void measureText(const std::u16string& text, FontSetting& font, i32* w, i32* h);

    // -- font forwards (ITextStyle) --
    void setSizeCode(i32 code);
    void setFontFace(const char16_t* face);
    void setFontHeight(i32 height);
    i32 getFontHeight() const { return m_font->getHeight(); }
    void setBold(bool bold);
    bool isBold() const { return m_font->getWeight() >= 700; }
    void setItalic(bool italic);
    bool isItalic() const { return m_font->isItalic(); }
    void setUnderline(bool underline);
    bool isUnderline() const { return m_font->isUnderline(); }
    void setTextColor(i32 r, i32 g, i32 b);
    u32 getTextColor() const { return m_font->getColor(); }
    FontSetting* getFontSetting() { return m_font; }
    /// Applies the font to the widget and measures again.
    void fontChanged();

    void setBackgroundColor(i32 r, i32 g, i32 b, bool redraw) override;
    void setBackgroundTransparent(bool redraw) override;

protected:
    void setLiteralText(const char16_t* text);
    void setTextById(i32 id);
    /// Puts m_text into the widget (called with a widget only).
    virtual void applyText() {}
    /// The size before the widget exists, from the size of the text.
    virtual void estimateSize(i32 textW, i32 textH, i32* w, i32* h) const;
    /// The CSS node name of the widget ("button", "entry", ...): the style
    /// applies to that node, and its inner nodes inherit the font.
    virtual const char* cssNode() const = 0;
    /// Extra CSS rules of the control beside the font ones.
    virtual void appendCss(std::string& /*css*/) const {}
    /// Font and colours into the widget's style sheet.
    void applyStyle();
    /// Measures again (widget or estimate) and, when the size changed in a
    /// shown window, asks the parent to lay out again.
    void remeasure();
    void afterRealize() override;

    std::u16string m_text;
    i32 m_textId = -1;
    FontSetting* m_font; // owned
};

/// Binds a control's role interface to the shared implementation: the
/// ITextStyle part of `Role` is answered by TextControlBase.
template <class Role>
class TextControl : public TextControlBase, public Role {
public:
    IComponent* asComponent() override { return this; }
    void setSizeCode(i32 code) override { TextControlBase::setSizeCode(code); }
    void setFontFace(const char16_t* face) override { TextControlBase::setFontFace(face); }
    void setFontHeight(i32 height) override { TextControlBase::setFontHeight(height); }
    i32 getFontHeight() const override { return TextControlBase::getFontHeight(); }
    void setBold(bool bold) override { TextControlBase::setBold(bold); }
    bool isBold() const override { return TextControlBase::isBold(); }
    void setItalic(bool italic) override { TextControlBase::setItalic(italic); }
    bool isItalic() const override { return TextControlBase::isItalic(); }
    void setUnderline(bool underline) override { TextControlBase::setUnderline(underline); }
    bool isUnderline() const override { return TextControlBase::isUnderline(); }
    void setTextColor(i32 r, i32 g, i32 b) override { TextControlBase::setTextColor(r, g, b); }
    u32 getTextColor() const override { return TextControlBase::getTextColor(); }
    FontSetting* getFontSetting() override { return m_font; }
    void fontChanged() override { TextControlBase::fontChanged(); }
};

} // namespace s::gui::win
