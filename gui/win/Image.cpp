#include "gui/win/Image.h"

#include "gui/Scale.h"
#include "gui/drawer/image/win/Basic.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <cairo.h>
#include <glib.h>

#include <algorithm>

namespace s::gui::win {

Image::Image() : m_drawer(drawer::image::win::Basic::create()) {}

Image::~Image() {
    stopBusyTimer();
    dropImage();
    m_drawer->release();
}

void Image::reset() {
    stopBusyTimer();
    m_busyWanted = false;
    m_busyShown = false;
    dropImage();
    m_updating = false;
    m_keepAspect = true;
    m_withBorder = false;
    m_blendAlpha = false;
    Component::reset();
}

void Image::dropImage() {
    if (m_image && m_owned)
        m_image->release();
    m_image = nullptr;
    m_owned = false;
}

void Image::setImage(s::image::win::BufferedImage* image, bool owned) {
    if (image != m_image)
        dropImage();
    m_image = image;
    m_owned = image && owned;
    if (!m_updating)
        redraw();
}

void Image::setPercentWidth(i32 p) {
    Component::setPercentWidth(p);
    if (p >= 0)
        Component::setFixedWidth(-1);
}

void Image::setPercentHeight(i32 p) {
    Component::setPercentHeight(p);
    if (p >= 0)
        Component::setFixedHeight(-1);
}

void Image::setKeepAspect(bool keep) {
    m_keepAspect = keep;
    redraw();
}

void Image::setWithBorder(bool border) {
    m_withBorder = border;
    redraw();
}

void Image::setBlendAlpha(bool blend) {
    m_blendAlpha = blend;
    redraw();
}

void Image::stopBusyTimer() {
    if (m_busySource)
        g_source_remove(m_busySource);
    m_busySource = 0;
}

int Image::onBusyDue(void* data) {
    auto* self = static_cast<Image*>(data);
    self->m_busySource = 0;
    if (self->m_busyWanted && !self->m_busyShown) {
        self->m_busyShown = true;
        self->redraw();
    }
    return G_SOURCE_REMOVE;
}

void Image::setBusy(bool busy, i32 delayMs) {
    if (!busy) {
        stopBusyTimer();
        m_busyWanted = false;
        if (m_busyShown) {
            m_busyShown = false;
            redraw();
        }
        return;
    }
    if (m_busyWanted)
        return;
    m_busyWanted = true;
    if (delayMs <= 0) {
        m_busyShown = true;
        redraw();
        return;
    }
    m_busySource = g_timeout_add(static_cast<guint>(delayMs), reinterpret_cast<GSourceFunc>(onBusyDue), this);
}

void Image::placePicture(i32 iw, i32 ih, i32 w, i32 h, bool keepAspect, i32 out[4]) {
    out[0] = 0;
    out[1] = 0;
    out[2] = w;
    out[3] = h;
    if (!keepAspect || iw <= 0 || ih <= 0 || w <= 0 || h <= 0)
        return;
    // Compare w / iw with h / ih without rounding: the narrower ratio wins.
    i64 dw = w;
    i64 dh = h;
    if (static_cast<i64>(w) * ih > static_cast<i64>(h) * iw)
        dw = std::max<i64>(1, (static_cast<i64>(iw) * h + ih / 2) / ih);
    else
        dh = std::max<i64>(1, (static_cast<i64>(ih) * w + iw / 2) / iw);
    out[0] = static_cast<i32>((w - dw) / 2);
    out[1] = static_cast<i32>((h - dh) / 2);
    out[2] = out[0] + static_cast<i32>(dw);
    out[3] = out[1] + static_cast<i32>(dh);
}

void Image::paint(MemDC& dc, i32 w, i32 h) {
    if (m_updating || !m_image || m_image->getWidth() <= 0 || m_image->getHeight() <= 0)
        return;
    // The frame goes around the picture, so the picture is placed inside it.
    const i32 frame = m_withBorder ? displayScale() : 0;
    i32 box[4];
    placePicture(m_image->getWidth(), m_image->getHeight(), w - 2 * frame, h - 2 * frame, m_keepAspect, box);
    m_drawer->paintImage(dc, dc.getImage(), box[0], box[1], box[2] + 2 * frame, box[3] + 2 * frame, m_image, true,
                         m_withBorder, m_blendAlpha);
    if (m_busyShown)
        paintBusy(dc.getContext(), box[0] + frame, box[1] + frame, box[2] + frame, box[3] + frame);
}

void Image::paintBusy(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom) {
    if (!cr || right <= left || bottom <= top)
        return;
    cairo_save(cr);
    // The old picture stays recognisable, dimmed, under three dots.
    cairo_set_source_rgba(cr, 0, 0, 0, 0.45);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_fill(cr);
    const i32 dot = std::max(4, std::min(right - left, bottom - top) / 24);
    const i32 cx = (left + right) / 2;
    const i32 cy = (top + bottom) / 2;
    cairo_set_source_rgb(cr, 1, 1, 1);
    for (i32 i = -1; i <= 1; ++i)
        cairo_rectangle(cr, cx + i * 2 * dot - dot / 2, cy - dot / 2, dot, dot);
    cairo_fill(cr);
    cairo_restore(cr);
}

} // namespace s::gui::win
