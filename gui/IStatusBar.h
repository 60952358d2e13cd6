#pragma once

#include "foundation/base/Types.h"

namespace s::gui {

class IComponent;
class IContainer;

/// The bar at the bottom of a window: a container whose last element is the
/// window's resize grip (a "#Resizer" button). Children added later go in
/// front of the grip.
///
/// A role interface like the other control interfaces: the bar itself is
/// reached through `asContainer`.
class IStatusBar {
public:
    virtual ~IStatusBar() = default;
    virtual IContainer* asContainer() = 0;
    /// The grip; null after it was removed.
    virtual IComponent* getGrip() const = 0;
    virtual void setPadding(i32 px) = 0;
    virtual void setHGap(i32 px) = 0;
};

} // namespace s::gui
