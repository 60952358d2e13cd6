#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>

typedef struct _PangoFontDescription PangoFontDescription;

namespace s::gui::win {

/// The platform font a text style resolves to: a Pango font description,
/// made on demand from a FontSetting. Holds no idle objects.
class Font final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Font)

public:
    static constexpr u32 kMaxPooled = 0;
    Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font() override;
    const char16_t* getClassName() const override { return u"s_gui_win_Font"; }
    void reset() override;

    /// Owned by the font; null before the font was made.
    PangoFontDescription* getDescription() const { return m_description; }
    /// Takes ownership of `description`.
    void setDescription(PangoFontDescription* description);

private:
    PangoFontDescription* m_description = nullptr;
};

/// A text style: face, character height, weight, italic, underline, strike
/// out, text colour and shadow/outline colours. Every change drops the font
/// (rebuilt lazily) and counts the revision, so that owners see they must
/// measure again.
///
/// Heights follow the platform convention: negative = character height in
/// pixels (without internal leading), as `heightForPoints` gives it.
class FontSetting final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(FontSetting)

public:
    FontSetting();
    FontSetting(const FontSetting&) = delete;
    FontSetting& operator=(const FontSetting&) = delete;
    ~FontSetting() override;
    const char16_t* getClassName() const override { return u"s_gui_win_FontSetting"; }
    /// The default style: "Sans", 10 points at the display scale, normal
    /// weight, black.
    void reset() override;

    /// Point size and weight of a size code: -99..99 normal, c + 10 points;
    /// 100..999 and -999..-100 bold, c % 100 + 14 points; 100001 normal 8
    /// points. False for other codes (nothing changes then).
    [[nodiscard]] static bool sizeCodeToPoints(i32 code, i32* points, i32* weight);
    /// The character height of p points at scale s (h = p x s): h = 1 gives
    /// -1, h > 100 gives -13, else -((h - 2) / 3) - 1 - h.
    [[nodiscard]] static i32 heightForPoints(i32 points, i32 scale);

    /// Applies a size code at the display scale. A weight or height set
    /// explicitly before is kept.
    void setSizeCode(i32 code);
    void setFace(const char16_t* face);
    const std::u16string& getFace() const { return m_face; }
    /// Explicit height (negative = pixels); later size codes keep it.
    void setHeight(i32 height);
    i32 getHeight() const { return m_height; }
    /// The character height in pixels (positive).
    i32 getPixelHeight() const { return m_height < 0 ? -m_height : m_height; }
    /// 400 normal, 700 bold. Explicit; later size codes keep it.
    void setWeight(i32 weight);
    i32 getWeight() const { return m_weight; }
    void setBold(bool bold) { setWeight(bold ? 700 : 400); }
    void setItalic(bool italic);
    bool isItalic() const { return m_italic; }
    void setUnderline(bool underline);
    bool isUnderline() const { return m_underline; }
    void setStrikeOut(bool strikeOut);
    bool isStrikeOut() const { return m_strikeOut; }
    /// Text colour, 0x00RRGGBB.
    void setColor(i32 r, i32 g, i32 b);
    u32 getColor() const { return m_color; }
    /// Shadow and outline colours of the text effects, 0x00RRGGBB.
    void setShadowColor(i32 r, i32 g, i32 b);
    u32 getShadowColor() const { return m_shadowColor; }
    void setOutlineColor2(i32 r, i32 g, i32 b);
    u32 getOutlineColor2() const { return m_outlineColor2; }
    /// Text effect style 0..7 (plain, outline, shadows); see the text drawer.
    void setStyle(i32 style);
    i32 getStyle() const { return m_style; }

    /// Copies every field of `other` (not its font).
    void copyFrom(const FontSetting& other);

    /// The font of this style, made on first use; owned by the setting.
    Font* getFont();
    /// The Pango description of `getFont()`.
    PangoFontDescription* getDescription();
    /// Counts changes; owners compare it to know when to measure again.
    u32 getRevision() const { return m_revision; }

private:
    void changed();

    std::u16string m_face = u"Sans";
    i32 m_height = -13;
    i32 m_weight = 400;
    bool m_explicitHeight = false;
    bool m_explicitWeight = false;
    bool m_italic = false;
    bool m_underline = false;
    bool m_strikeOut = false;
    u32 m_color = 0;
    u32 m_shadowColor = 0x777777;
    u32 m_outlineColor2 = 0xFFFFFF;
    i32 m_style = 0;
    Font* m_font = nullptr;
    u32 m_revision = 0;
};

} // namespace s::gui::win
