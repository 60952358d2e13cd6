#include "gui/drawer/menu/win/Basic.h"

#include "gui/drawer/text/win/Basic.h"
#include "gui/win/FontSetting.h"
#include "image/win/MemDC.h"

#include <cairo.h>

#include <algorithm>

namespace s::gui::drawer::menu::win {

using gui::win::FontSetting;

Basic::Basic()
    : m_text(text::win::Basic::create()), m_defaultFont(FontSetting::create()), m_hotFont(FontSetting::create()),
      m_linkFont(FontSetting::create()) {}

Basic::~Basic() {
    m_text->release();
    m_defaultFont->release();
    m_hotFont->release();
    m_linkFont->release();
}

void Basic::reset() {
    m_highlight = true;
    m_highlightColor = kHighlight;
    m_pressOffset = false;
    m_hotSource = nullptr;
    m_linkSource = nullptr;
}

FontSetting& Basic::normalFont(const MenuBarState& state) { return state.font ? *state.font : *m_defaultFont; }

void Basic::derive(FontSetting& target, FontSetting& source, u32* seenRevision, const FontSetting** seenSource,
                   u32 colour, bool underline) {
    if (*seenSource == &source && *seenRevision == source.getRevision() && target.getColor() == colour &&
        target.isUnderline() == underline)
        return;
    target.copyFrom(source);
    target.setColor(static_cast<i32>((colour >> 16) & 255), static_cast<i32>((colour >> 8) & 255),
                    static_cast<i32>(colour & 255));
    target.setUnderline(underline);
    *seenSource = &source;
    *seenRevision = source.getRevision();
}

void Basic::layoutTitles(const MenuBarState& state, i32 width, std::vector<i32>* boxes) {
    if (!boxes)
        return;
    boxes->clear();
    FontSetting& font = normalFont(state);
    i32 x = 0;
    i32 tallest = 0;
    for (const std::u16string& title : state.titles) {
        i32 w = 0;
        i32 h = 0;
        m_text->measure(title.c_str(), font, kTextSingleLine, 0, &w, &h);
        const i32 boxW = w + 2 * state.marginX;
        tallest = std::max(tallest, h + 2 * state.marginY);
        boxes->insert(boxes->end(), {x, 0, x + boxW, 0});
        x += boxW;
    }
    for (std::size_t i = 0; i < boxes->size(); i += 4)
        (*boxes)[i + 3] = tallest;
    if (state.lastAtRight && !boxes->empty()) {
        // Against the right edge, but never over the title before it.
        const std::size_t last = boxes->size() - 4;
        const i32 boxW = (*boxes)[last + 2] - (*boxes)[last];
        const i32 left = std::max((*boxes)[last], width - boxW);
        (*boxes)[last] = left;
        (*boxes)[last + 2] = left + boxW;
    }
}

void Basic::paintBar(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const MenuBarState& state) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    std::vector<i32> boxes;
    layoutTitles(state, right - left, &boxes);
    FontSetting& normal = normalFont(state);
    const i32 count = static_cast<i32>(state.titles.size());

    cairo_save(cr);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_clip(cr);
    for (i32 i = 0; i < count; ++i) {
        const i32 bl = left + boxes[4 * i];
        const i32 bt = top + boxes[4 * i + 1];
        const i32 br = left + boxes[4 * i + 2];
        const i32 bb = top + boxes[4 * i + 3];
        const bool last = i == count - 1;
        const bool hot = i == state.hot;
        const bool link = last && state.lastAsLink;
        const bool filled = m_highlight && hot && !last;

        FontSetting* font = &normal;
        if (filled) {
            cairo_set_source_rgb(cr, ((m_highlightColor >> 16) & 255) / 255.0,
                                 ((m_highlightColor >> 8) & 255) / 255.0, (m_highlightColor & 255) / 255.0);
            cairo_rectangle(cr, bl, bt, br - bl, bb - bt);
            cairo_fill(cr);
            derive(*m_hotFont, normal, &m_hotRevision, &m_hotSource, kHighlightText, normal.isUnderline());
            font = m_hotFont;
        } else if (link) {
            derive(*m_linkFont, normal, &m_linkRevision, &m_linkSource, kLinkColor, hot);
            font = m_linkFont;
        }
        i32 dx = 0;
        if (hot && m_pressOffset)
            dx = state.mouseDown ? 1 : -1;
        const std::size_t at = static_cast<std::size_t>(i);
        const i32 mnemonic = at < state.mnemonics.size() ? state.mnemonics[at] : -1;
        m_text->paintMarked(dc, bl + state.marginX + dx, bt + state.marginY + dx, br - state.marginX + dx,
                            bb - state.marginY + dx, state.titles[at].c_str(), *font, kTextSingleLine, true,
                            mnemonic);
    }
    cairo_restore(cr);
}

} // namespace s::gui::drawer::menu::win
