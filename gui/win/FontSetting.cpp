#include "gui/win/FontSetting.h"

#include "gui/Scale.h"
#include "gui/win/Text.h"

#include <pango/pango.h>

namespace s::gui::win {

Font::~Font() { reset(); }

void Font::reset() {
    if (m_description)
        pango_font_description_free(m_description);
    m_description = nullptr;
}

void Font::setDescription(PangoFontDescription* description) {
    reset();
    m_description = description;
}

FontSetting::FontSetting() : m_height(heightForPoints(10, displayScale())) {}

FontSetting::~FontSetting() {
    if (m_font)
        m_font->release();
}

void FontSetting::reset() {
    if (m_font)
        m_font->release();
    m_font = nullptr;
    m_face = u"Sans";
    m_height = heightForPoints(10, displayScale());
    m_weight = 400;
    m_explicitHeight = false;
    m_explicitWeight = false;
    m_italic = m_underline = m_strikeOut = false;
    m_color = 0;
    m_shadowColor = 0x777777;
    m_outlineColor2 = 0xFFFFFF;
    m_style = 0;
    ++m_revision;
}

bool FontSetting::sizeCodeToPoints(i32 code, i32* points, i32* weight) {
    if (code >= -99 && code <= 99) {
        *points = code + 10;
        *weight = 400;
        return true;
    }
    if ((code >= 100 && code <= 999) || (code >= -999 && code <= -100)) {
        *points = code % 100 + 14;
        *weight = 700;
        return true;
    }
    if (code == 100001) {
        *points = 8;
        *weight = 400;
        return true;
    }
    return false;
}

i32 FontSetting::heightForPoints(i32 points, i32 scale) {
    const i32 h = points * scale;
    if (h == 1)
        return -1;
    if (h > 100)
        return -13;
    return -((h - 2) / 3) - 1 - h;
}

void FontSetting::setSizeCode(i32 code) {
    i32 points = 0;
    i32 weight = 0;
    if (!sizeCodeToPoints(code, &points, &weight))
        return;
    if (!m_explicitWeight)
        m_weight = weight;
    if (!m_explicitHeight)
        m_height = heightForPoints(points, displayScale());
    changed();
}

void FontSetting::setFace(const char16_t* face) {
    m_face = face ? face : u"Sans";
    changed();
}

void FontSetting::setHeight(i32 height) {
    m_height = height;
    m_explicitHeight = true;
    changed();
}

void FontSetting::setWeight(i32 weight) {
    m_weight = weight;
    m_explicitWeight = true;
    changed();
}

void FontSetting::setItalic(bool italic) {
    m_italic = italic;
    changed();
}

void FontSetting::setUnderline(bool underline) {
    m_underline = underline;
    changed();
}

void FontSetting::setStrikeOut(bool strikeOut) {
    m_strikeOut = strikeOut;
    changed();
}

namespace {
u32 rgb(i32 r, i32 g, i32 b) {
    return (static_cast<u32>(r & 255) << 16) | (static_cast<u32>(g & 255) << 8) | static_cast<u32>(b & 255);
}
} // namespace

void FontSetting::setColor(i32 r, i32 g, i32 b) {
    m_color = rgb(r, g, b);
    ++m_revision;
}

void FontSetting::setShadowColor(i32 r, i32 g, i32 b) {
    m_shadowColor = rgb(r, g, b);
    ++m_revision;
}

void FontSetting::setOutlineColor2(i32 r, i32 g, i32 b) {
    m_outlineColor2 = rgb(r, g, b);
    ++m_revision;
}

void FontSetting::setStyle(i32 style) {
    m_style = style;
    ++m_revision;
}

void FontSetting::copyFrom(const FontSetting& other) {
    m_face = other.m_face;
    m_height = other.m_height;
    m_weight = other.m_weight;
    m_explicitHeight = other.m_explicitHeight;
    m_explicitWeight = other.m_explicitWeight;
    m_italic = other.m_italic;
    m_underline = other.m_underline;
    m_strikeOut = other.m_strikeOut;
    m_color = other.m_color;
    m_shadowColor = other.m_shadowColor;
    m_outlineColor2 = other.m_outlineColor2;
    m_style = other.m_style;
    changed();
}

void FontSetting::changed() {
    if (m_font)
        m_font->release();
    m_font = nullptr;
    ++m_revision;
}

Font* FontSetting::getFont() {
    if (!m_font) {
        PangoFontDescription* d = pango_font_description_new();
        pango_font_description_set_family(d, toUtf8(m_face.c_str()).c_str());
        pango_font_description_set_absolute_size(d, static_cast<double>(getPixelHeight()) * PANGO_SCALE);
        pango_font_description_set_weight(d, static_cast<PangoWeight>(m_weight));
        pango_font_description_set_style(d, m_italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        m_font = Font::create();
        m_font->setDescription(d);
    }
    return m_font;
}

PangoFontDescription* FontSetting::getDescription() { return getFont()->getDescription(); }

} // namespace s::gui::win
