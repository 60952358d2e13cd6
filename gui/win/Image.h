#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IImage.h"
#include "gui/win/Component.h"

typedef struct _cairo cairo_t;

namespace s::gui::drawer::image::win {
class Basic;
}

namespace s::gui::win {

/// The toolkit-drawn picture. It measures nothing: its size comes from its
/// fixed or percent settings (a picture's pixel size must not dictate the
/// window's minimum). The picture is scaled into the area through the image
/// drawer, keeping its proportions and centred unless told otherwise.
class Image final : public Component, public IImage {
    S_POOLED_CLASS(Image)

public:
    static constexpr u32 kMaxPooled = 0;

    Image();
    ~Image() override;
    const char16_t* getClassName() const override { return u"s_gui_win_Image"; }
    void reset() override;
    IComponent* asComponent() override { return this; }

    // -- IImage --
    void setImage(s::image::win::BufferedImage* image, bool owned) override;
    s::image::win::BufferedImage* getImage() const override { return m_image; }
    bool hasImage() const override { return m_image != nullptr; }
    void setUpdating(bool updating) override { m_updating = updating; }
    bool isUpdating() const override { return m_updating; }
    void setPercentWidth(i32 p) override;
    void setPercentHeight(i32 p) override;
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }
    void setFixedHeight(i32 px) override { Component::setFixedHeight(px); }
    void setKeepAspect(bool keep) override;
    void setWithBorder(bool border) override;
    void setBlendAlpha(bool blend) override;
    void setBusy(bool busy, i32 delayMs) override;
    bool isBusyShown() const override { return m_busyShown; }

    /// Where a picture of iw x ih goes in an area of w x h: all of it, or
    /// with the proportions kept, the largest centred fit (at least 1 x 1).
    /// Returns left, top, right, bottom.
    static void placePicture(i32 iw, i32 ih, i32 w, i32 h, bool keepAspect, i32 out[4]);

    // -- drawn component --
    bool isDrawn() const override { return true; }
    void paint(MemDC& dc, i32 w, i32 h) override;

private:
    void dropImage();
    void stopBusyTimer();
    static int onBusyDue(void* data);
    static void paintBusy(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom);

    s::image::win::BufferedImage* m_image = nullptr;
    bool m_owned = false;
    bool m_updating = false;
    bool m_keepAspect = true;
    bool m_withBorder = false;
    bool m_blendAlpha = false;
    bool m_busyWanted = false; // a busy mark is asked for (shown or pending)
    bool m_busyShown = false;
    unsigned m_busySource = 0; // the pending GLib timeout, 0 for none
    drawer::image::win::Basic* m_drawer;
};

} // namespace s::gui::win
