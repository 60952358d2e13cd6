#pragma once

#include "gui/ITextStyle.h"
#include "gui/win/FontSetting.h"
#include "gui/win/NativeControl.h"
#include "gui/win/TextStyle.h"

#include <string>

namespace s::gui::win {

/// What the text controls share: the caption, given literally or by
/// language id, and the font setting (its text-style operations come from
/// TextStyleOf). The measured size comes from the widget once it exists and
/// is estimated with Pango before, so that layouts work without a display.
class TextControlBase : public NativeControl {
public:
    TextControlBase();
    ~TextControlBase() override;
    void reset() override;

    /// Re-reads a text given by id (also when the control joins a window).
    void onLanguageChanged() override;

    /// The size of `text` in `font` on one line, in pixels. Needs no display.
    static void measureText(const std::u16string& text, FontSetting& font, i32* w, i32* h);

    /// Applies the font to the widget and measures again.
    void fontChanged();

    void setBackgroundColor(i32 r, i32 g, i32 b, bool redraw) override;
    void setBackgroundTransparent(bool redraw) override;

protected:
    void setLiteralText(const char16_t* text);
    void setTextById(i32 id);
    /// Takes `text` (null reads as empty) as m_text, and shows and measures
    /// it when it differs.
    void showText(const char16_t* text);
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
/// ITextStyle part of `Role` works on the control's font setting, and each
/// change applies the font to the widget.
template <class Role>
class TextControl : public TextControlBase, public TextStyleOf<TextControl<Role>, Role> {
public:
    IComponent* asComponent() override { return this; }
    void fontChanged() override { TextControlBase::fontChanged(); }

private:
    friend class TextStyleOf<TextControl<Role>, Role>;
    FontSetting* styleFont() const { return m_font; }
    void textColorChanged() {
        applyStyle();
        redraw();
    }
};

} // namespace s::gui::win
