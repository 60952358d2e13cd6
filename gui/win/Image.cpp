#include "gui/win/Image.h"

#include "gui/Scale.h"
#include "gui/drawer/image/win/Basic.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::win {

Image::Image() : m_drawer(drawer::image::win::Basic::create()) {}

Image::~Image() {
    dropImage();
    m_drawer->release();
}

void Image::reset() {
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
}

} // namespace s::gui::win
