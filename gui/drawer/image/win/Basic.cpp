#include "gui/drawer/image/win/Basic.h"

#include "gui/Scale.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <cairo.h>

namespace s::gui::drawer::image::win {

void Basic::paintImage(gui::win::MemDC& dc, s::image::win::BufferedImage* backBuffer, i32 left, i32 top,
                       i32 right, i32 bottom, s::image::win::BufferedImage* picture, bool scale, bool withBorder,
                       bool blendAlpha) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    if (withBorder) {
        const i32 s = displayScale();
        cairo_save(cr);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
        cairo_rectangle(cr, left, top, right - left, bottom - top);
        if (right - left > 2 * s && bottom - top > 2 * s)
            cairo_rectangle(cr, left + s, top + s, right - left - 2 * s, bottom - top - 2 * s);
        cairo_fill(cr);
        cairo_restore(cr);
        left += s;
        top += s;
        right -= s;
        bottom -= s;
        if (left >= right || top >= bottom)
            return;
    }
    if (!picture || picture->getWidth() <= 0 || picture->getHeight() <= 0)
        return;
    s::image::win::BufferedImage* shown = picture->hasFilters() ? picture->getFiltered() : picture;
    if (!shown)
        return;
    const i32 w = right - left;
    const i32 h = bottom - top;
    if (!blendAlpha || !shown->hasAlpha() || !backBuffer) {
        shown->drawTo(cr, left, top, w, h, scale);
        return;
    }
    // Compositing writes the buffer's memory directly: cairo's pending work
    // goes in first, and cairo learns about the change afterwards.
    cairo_surface_t* target = cairo_get_target(cr);
    cairo_surface_flush(target);
    if (scale) {
        backBuffer->drawImage(left, top, w, h, shown, 0, 0, true);
    } else {
        // Unscaled: only what fits the rectangle.
        const i32 cw = w < shown->getWidth() ? w : shown->getWidth();
        const i32 ch = h < shown->getHeight() ? h : shown->getHeight();
        backBuffer->drawImage(left, top, cw, ch, shown, 0, 0, false);
    }
    cairo_surface_mark_dirty(target);
}

} // namespace s::gui::drawer::image::win
