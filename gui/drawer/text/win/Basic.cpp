#include "gui/drawer/text/win/Basic.h"

#include "gui/win/FontSetting.h"
#include "gui/win/Text.h"
#include "image/win/MemDC.h"

#include <pango/pangocairo.h>

#include <vector>

namespace s::gui::drawer::text::win {

using gui::win::FontSetting;

namespace {

/// A one-pixel surface per thread to lay text out on when nothing is being
/// painted; text sizes do not depend on the target, only on the font options,
/// which are the defaults of image surfaces here as when painting.
struct MeasureSurface {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    ~MeasureSurface() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

cairo_t* measureContext() {
    thread_local MeasureSurface surface;
    return surface.cr;
}

/// Which single layout mode wins when a caller combines flags.
u32 effectiveMode(u32 flags) {
    if (flags & kTextCenter)
        return kTextCenter;
    if (flags & kTextWordWrap)
        return kTextWordWrap;
    if (flags & kTextEndEllipsis)
        return kTextEndEllipsis;
    return flags & kTextRight;
}

/// Single lines do not break at line feeds: they become spaces.
std::string lineText(const char16_t* text, u32 mode) {
    std::string s = gui::win::toUtf8(text);
    if (mode != kTextWordWrap)
        for (char& c : s)
            if (c == '\n' || c == '\r')
                c = ' ';
    return s;
}

/// `underlineFrom` .. `underlineTo`: a byte range of `text` underlined on
/// its own (a mnemonic), none when empty.
PangoLayout* makeLayout(cairo_t* cr, const std::string& text, FontSetting& font, u32 mode, i32 width,
                        i32 underlineFrom = 0, i32 underlineTo = 0) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, font.getDescription());
    if (font.isUnderline() || font.isStrikeOut() || underlineFrom < underlineTo) {
        PangoAttrList* attrs = pango_attr_list_new();
        if (font.isUnderline())
            pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.isStrikeOut())
            pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        if (underlineFrom < underlineTo && !font.isUnderline()) {
            PangoAttribute* mark = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            mark->start_index = static_cast<guint>(underlineFrom);
            mark->end_index = static_cast<guint>(underlineTo);
            pango_attr_list_insert(attrs, mark);
        }
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    if (mode == kTextWordWrap) {
        if (width > 0) {
            pango_layout_set_width(layout, width * PANGO_SCALE);
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
        }
    } else {
        pango_layout_set_single_paragraph_mode(layout, TRUE);
    }
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
    return layout;
}

i32 lineWidth(cairo_t* cr, const std::string& text, FontSetting& font) {
    PangoLayout* layout = makeLayout(cr, text, font, kTextSingleLine, 0);
    int w = 0;
    int h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    return w;
}

/// The longest start of `text` that fits `width` together with "...", or the
/// text itself when it fits whole.
std::string fitWithEllipsis(cairo_t* cr, const std::string& text, FontSetting& font, i32 width) {
    if (lineWidth(cr, text, font) <= width)
        return text;
    std::vector<std::size_t> cuts; // character starts, then the end
    for (const char* p = text.c_str(); *p; p = g_utf8_next_char(p))
        cuts.push_back(static_cast<std::size_t>(p - text.c_str()));
    // Binary search over the number of characters kept; 0 always "fits" (the
    // dots alone are then clipped by the rectangle).
    std::size_t lo = 0;
    std::size_t hi = cuts.size();
    while (lo < hi) {
        const std::size_t mid = (lo + hi + 1) / 2;
        if (lineWidth(cr, text.substr(0, cuts[mid]) + "...", font) <= width)
            lo = mid;
        else
            hi = mid - 1;
    }
    return text.substr(0, lo < cuts.size() ? cuts[lo] : text.size()) + "...";
}

void showAt(cairo_t* cr, PangoLayout* layout, double x, double y, u32 rgb) {
    cairo_set_source_rgb(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
}

constexpr u32 kBlack = 0x000000;
constexpr u32 kWhite = 0xFFFFFF;

} // namespace

void Basic::paintText(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                      FontSetting& font, u32 flags, bool enabled) {
    paintMarked(dc, left, top, right, bottom, text, font, flags, enabled, -1);
}

void Basic::paintMarked(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                        FontSetting& font, u32 flags, bool enabled, i32 markIndex) {
    cairo_t* cr = dc.getContext();
    if (!cr || !text || left >= right || top >= bottom)
        return;
    const u32 mode = effectiveMode(m_center ? kTextCenter : flags);
    const i32 width = right - left;
    const i32 height = bottom - top;
    std::string line = lineText(text, mode);
    if (mode == kTextCenter || mode == kTextEndEllipsis)
        line = fitWithEllipsis(cr, line, font, width);
    // The marked character's bytes; an ellipsis may have cut it off.
    i32 markFrom = 0;
    i32 markTo = 0;
    if (markIndex >= 0) {
        const std::u16string_view whole(text);
        if (static_cast<size_t>(markIndex) < whole.size()) {
            markFrom = static_cast<i32>(gui::win::toUtf8(text, static_cast<size_t>(markIndex)).size());
            markTo = static_cast<i32>(gui::win::toUtf8(text, static_cast<size_t>(markIndex) + 1).size());
            if (markTo > static_cast<i32>(line.size()))
                markFrom = markTo = 0;
        }
    }
    PangoLayout* layout = makeLayout(cr, line, font, mode, width, markFrom, markTo);
    int lw = 0;
    int lh = 0;
    pango_layout_get_pixel_size(layout, &lw, &lh);
    double x = left;
    double y = top;
    if (mode == kTextCenter) {
        x = left + (width - lw) / 2;
        y = top + (height - lh) / 2;
    } else if (mode == kTextRight) {
        x = right - lw;
    }

    cairo_save(cr);
    cairo_rectangle(cr, left, top, width, height);
    cairo_clip(cr);
    const u32 colour = font.getColor();
    switch (font.getStyle()) {
    case 1:
    case 7: {
        const u32 outline = font.getStyle() == 1 ? font.getShadowColor() : font.getOutlineColor2();
        for (i32 dy = -1; dy <= 1; ++dy)
            for (i32 dx = -1; dx <= 1; ++dx)
                if (dx != 0 || dy != 0)
                    showAt(cr, layout, x + dx, y + dy, outline);
        showAt(cr, layout, x, y, colour);
        break;
    }
    case 2:
        showAt(cr, layout, x + 1, y + 1, enabled ? 0x777777 : 0xEEEEEE);
        showAt(cr, layout, x, y, colour);
        break;
    case 3:
        showAt(cr, layout, x + 2, y + 2, kBlack);
        showAt(cr, layout, x, y, kWhite);
        showAt(cr, layout, x + 1, y + 1, colour);
        break;
    case 4:
        showAt(cr, layout, x, y, kWhite);
        showAt(cr, layout, x, y + 2, kBlack);
        showAt(cr, layout, x, y + 1, colour);
        break;
    case 5:
        showAt(cr, layout, x + 2, y + 2, kWhite);
        showAt(cr, layout, x, y, kBlack);
        showAt(cr, layout, x + 1, y + 1, colour);
        break;
    case 6:
        showAt(cr, layout, x, y, kBlack);
        showAt(cr, layout, x, y + 2, kWhite);
        showAt(cr, layout, x, y + 1, colour);
        break;
    default:
        showAt(cr, layout, x, y, colour);
        break;
    }
    cairo_restore(cr);
    g_object_unref(layout);
}

void Basic::measure(const char16_t* text, FontSetting& font, u32 flags, i32 width, i32* outWidth,
                    i32* outHeight) {
    cairo_t* cr = measureContext();
    const u32 mode = effectiveMode(flags);
    PangoLayout* layout = makeLayout(cr, lineText(text ? text : u"", mode), font, mode, width);
    int w = 0;
    int h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    if (outWidth)
        *outWidth = w;
    if (outHeight)
        *outHeight = h;
}

} // namespace s::gui::drawer::text::win
