#include "gui/drawer/window/win/Thin.h"

#include "image/win/MemDC.h"

#include <algorithm>
#include <span>

namespace s::gui::drawer::window::win {

namespace {

constexpr i32 kSmallInsets[] = {2, 1};
constexpr i32 kRoundedInsets[] = {5, 3, 2, 2, 1};

/// How far row k (counted from the corner's edge) starts in from the side.
std::span<const i32> insetsOf(i32 style) {
    if (style == Thin::kSmall)
        return kSmallInsets;
    if (style == Thin::kRounded)
        return kRoundedInsets;
    return {};
}

i32 insetAt(std::span<const i32> insets, i32 row) {
    return row >= 0 && row < static_cast<i32>(insets.size()) ? insets[static_cast<std::size_t>(row)] : 0;
}

} // namespace

void Thin::reset() {
    m_background = Rgb{255, 255, 255};
    m_frame = Rgb{120, 120, 120};
    m_transparent = true;
    m_topCorners = m_bottomCorners = kSquare;
    m_parts = {};
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 h = bottom - top;
    const std::span<const i32> topInsets = insetsOf(m_topCorners);
    const std::span<const i32> bottomInsets = insetsOf(m_bottomCorners);
    // Row by row: the inset of a row is the larger of the top and the bottom
    // staircase (they meet only in very low windows).
    auto insetOfRow = [&](i32 row) { return std::max(insetAt(topInsets, row), insetAt(bottomInsets, h - 1 - row)); };

    if (!m_transparent)
        for (i32 row = 0; row < h; ++row) {
            const i32 in = insetOfRow(row);
            fillLTRB(cr, left + in, top + row, right - in, top + row + 1, m_background);
        }

    for (i32 row = 0; row < h; ++row) {
        const i32 in = insetOfRow(row);
        const bool edgeRow = row == 0 || row == h - 1;
        if (edgeRow) {
            fillLTRB(cr, left + in, top + row, right - in, top + row + 1, m_frame);
            continue;
        }
        // The staircase joins the previous (outer) row's start: a row that
        // steps in by more than one pixel gets a run, not a single pixel.
        const i32 outer = row < h / 2 ? insetOfRow(row - 1) : insetOfRow(row + 1);
        const i32 run = std::max(1, outer - in);
        fillRect(cr, left + in, top + row, run, 1, m_frame);
        fillRect(cr, right - in - run, top + row, run, 1, m_frame);
    }
}

} // namespace s::gui::drawer::window::win
