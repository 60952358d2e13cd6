#pragma once

#include "foundation/base/Types.h"

namespace s::gui {

class IComponent;

/// Empty space between other components: it measures nothing and takes
/// only the sizes it is given.
///
/// A role interface like the other control interfaces: the spacer itself is
/// reached through `asComponent`.
class ISpacer {
public:
    virtual ~ISpacer() = default;
    virtual IComponent* asComponent() = 0;

    /// The direction the spacer separates in (a row's spacer is
    /// horizontal, a column's vertical); the sizes come from the setters.
    virtual void setHorizontal() = 0;
    virtual void setVertical() = 0;
    virtual bool isVertical() const = 0;
    /// Max size in percent of the parent's inner size; -1 none. Clears the
    /// fixed size of that direction.
    virtual void setPercentWidth(i32 p) = 0;
    virtual void setPercentHeight(i32 p) = 0;
    /// -1 none; else minimum = maximum = this value.
    virtual void setFixedWidth(i32 px) = 0;
    virtual void setFixedHeight(i32 px) = 0;
};

} // namespace s::gui
