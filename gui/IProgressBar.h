#pragma once

#include "foundation/base/Types.h"

namespace s::gui {

class IComponent;

/// A progress display: an int position in an int range.
class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    virtual IComponent* asComponent() = 0;

    virtual void setFixedWidth(i32 px) = 0;
    virtual void setFixedHeight(i32 px) = 0;
    virtual void setRange(i32 min, i32 max) = 0;
    virtual i32 getMin() const = 0;
    virtual i32 getMax() const = 0;
    /// Stored as given; the bar shows it clamped into the range.
    virtual void setPosition(i32 pos) = 0;
    virtual i32 getPosition() const = 0;
    /// (position - min) / (max - min) within 0..1; 0 for an empty range.
    virtual double getFraction() const = 0;
};

} // namespace s::gui
