#pragma once

#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace s::image::win {
class BufferedImage;
}

// The memory drawing context sits with the image buffer it draws into; the
// toolkit's drawers paint through it.
namespace s::gui::win {

/// A cairo context over an image buffer's own pixel memory, so that drawers
/// paint straight into the picture. The pixels are read and written as
/// cairo's ARGB32 (premultiplied alpha): identical to the buffer's format for
/// opaque pixels, which is what drawers paint on. Holds no idle objects.
class MemDC : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(MemDC)

public:
    static constexpr u32 kMaxPooled = 0;

    MemDC() = default;
    MemDC(const MemDC&) = delete;
    MemDC& operator=(const MemDC&) = delete;
    ~MemDC() override;

    const char16_t* getClassName() const override { return u"s_gui_win_MemDC"; }
    /// Finishes the drawing and, when the context owns its image, releases it.
    void reset() override;

    /// Starts drawing into `image` (its logical area). False when the image
    /// is empty or the context cannot be made; with `ownsImage` the image is
    /// released at the context's release either way.
    bool create(image::win::BufferedImage* image, bool ownsImage);
    /// The drawing context; null before `create`.
    cairo_t* getContext() const { return m_cr; }
    image::win::BufferedImage* getImage() const { return m_image; }
    /// Makes the drawing so far visible in the image's memory.
    void flush();

private:
    image::win::BufferedImage* m_image = nullptr;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    bool m_ownsImage = false;
};

} // namespace s::gui::win
