#pragma once

#include "foundation/base/Types.h"

namespace s::image::win {
class BufferedImage;
}

namespace s::gui {

class IComponent;

/// Shows an image buffer scaled into the component's area.
///
/// A role interface like the other control interfaces: the control itself is
/// reached through `asComponent`.
class IImage {
public:
    virtual ~IImage() = default;
    virtual IComponent* asComponent() = 0;

    /// The picture to show (null for none). With `owned` the control releases
    /// it when it is replaced or when the control is released; otherwise the
    /// caller keeps it alive while it is shown.
    virtual void setImage(image::win::BufferedImage* image, bool owned) = 0;
    virtual image::win::BufferedImage* getImage() const = 0;
    virtual bool hasImage() const = 0;
    /// True holds painting while the owner replaces the pixels; after false
    /// the owner redraws.
    virtual void setUpdating(bool updating) = 0;
    virtual bool isUpdating() const = 0;

    /// A percent clears the fixed size of that direction.
    virtual void setPercentWidth(i32 p) = 0;
    virtual void setPercentHeight(i32 p) = 0;
    virtual void setFixedWidth(i32 px) = 0;
    virtual void setFixedHeight(i32 px) = 0;

    /// Keep the picture's proportions, centred in the area (on by default).
    virtual void setKeepAspect(bool keep) = 0;
    /// A black frame of the display scale's thickness around the picture.
    virtual void setWithBorder(bool border) = 0;
    /// Composite a picture with transparent pixels over the background.
    virtual void setBlendAlpha(bool blend) = 0;

    /// Marks the picture as being replaced by one that is still coming: the
    /// mark (the picture dimmed, three dots in its middle) shows once
    /// `delayMs` have passed without a call with false, and goes with that
    /// call. A second true while one is pending keeps the first's start.
    /// User-interface thread.
    virtual void setBusy(bool busy, i32 delayMs) {
        (void)busy;
        (void)delayMs;
    }
    /// Whether the busy mark is on show.
    virtual bool isBusyShown() const { return false; }
};

} // namespace s::gui
