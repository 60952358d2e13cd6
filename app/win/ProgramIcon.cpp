#include "app/win/ProgramIcon.h"

#include "image/Pixel.h"
#include "image/win/BufferedImage.h"

#include <cairo.h>

namespace s::app::win {

namespace {

void setColour(cairo_t* cr, u32 rgb) {
    cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
}

void roundedRectangle(cairo_t* cr, double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -1.5707963, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, 1.5707963);
    cairo_arc(cr, x + r, y + h - r, r, 1.5707963, 3.1415927);
    cairo_arc(cr, x + r, y + r, r, 3.1415927, 4.712389);
    cairo_close_path(cr);
}

// Drawn on a 16-unit grid.
void paintIcon(cairo_t* cr) {
    constexpr u32 kStrip = 0x2E3A46;
    constexpr u32 kHoles = 0xE8EEF2;
    constexpr u32 kFrame = 0x5FA8D3;
    constexpr u32 kCut = 0xF0623A;

    setColour(cr, kStrip);
    roundedRectangle(cr, 0.5, 2, 15, 12, 1.5);
    cairo_fill(cr);

    setColour(cr, kHoles);
    for (int i = 0; i < 4; ++i) {
        cairo_rectangle(cr, 1.75 + i * 3.5, 2.75, 1.5, 1.25);
        cairo_rectangle(cr, 1.75 + i * 3.5, 12.0, 1.5, 1.25);
    }
    cairo_fill(cr);

    setColour(cr, kFrame);
    cairo_rectangle(cr, 1.5, 5, 5.5, 6);
    cairo_rectangle(cr, 9, 5, 5.5, 6);
    cairo_fill(cr);

    // The cut: a slanted blade through the gap between the two frames, with
    // the ring of a scissors' handle at its foot.
    setColour(cr, kCut);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, 9.6, 0.9);
    cairo_line_to(cr, 6.6, 12.2);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.2);
    cairo_arc(cr, 6.2, 13.6, 1.5, 0, 6.2831853);
    cairo_stroke(cr);
}

} // namespace

image::win::BufferedImage* drawProgramIcon(i32 size) {
    if (size < 1)
        return nullptr;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, size / 16.0, size / 16.0);
    paintIcon(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    image::win::BufferedImage* icon = image::win::BufferedImage::create();
    if (!icon->allocate(size, size)) {
        icon->release();
        cairo_surface_destroy(surface);
        return nullptr;
    }
    // cairo keeps premultiplied alpha; the buffer keeps it straight.
    const u8* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (i32 y = 0; y < size; ++y) {
        const u32* in = reinterpret_cast<const u32*>(data + static_cast<i64>(y) * stride);
        image::Pixel* out = icon->getRow(y);
        for (i32 x = 0; x < size; ++x) {
            const u32 p = in[x];
            const u32 a = p >> 24;
            if (a == 0) {
                out[x] = 0;
                continue;
            }
            const auto straight = [a](u32 c) { return (c * 255 + a / 2) / a; };
            out[x] = image::packPixel(a, straight((p >> 16) & 0xFF), straight((p >> 8) & 0xFF),
                                      straight(p & 0xFF));
        }
    }
    icon->setHasAlpha(true);
    cairo_surface_destroy(surface);
    return icon;
}

} // namespace s::app::win
