#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"

namespace s::gui::drawer::image::win {

/// The plain picture drawer: an image buffer blitted (or scaled) into a
/// rectangle, optionally framed, optionally composited over the background
/// when the picture has transparent pixels.
class Basic final : public IImage {
    S_POOLED_CLASS(Basic)

public:
    Basic() = default;
    const char16_t* getClassName() const override { return u"s_gui_drawer_image_win_Basic"; }
    void reset() override {}

    /// Without a picture there is nothing to paint.
    void paint(gui::win::MemDC& /*dc*/, i32, i32, i32, i32) override {}
    /// With `withBorder` a black frame of the display scale's thickness comes
    /// first and the picture goes inside it. The picture's filtered version is
    /// drawn when it has filters. Without `blendAlpha`, or when the picture
    /// has no transparent pixels, the picture replaces the pixels (its alpha
    /// is ignored); otherwise it is composited into `backBuffer`, which must
    /// be the image `dc` draws into.
    void paintImage(gui::win::MemDC& dc, s::image::win::BufferedImage* backBuffer, i32 left, i32 top, i32 right,
                    i32 bottom, s::image::win::BufferedImage* picture, bool scale, bool withBorder,
                    bool blendAlpha) override;
};

} // namespace s::gui::drawer::image::win
