#pragma once

#include "foundation/base/Types.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

class IComponent;

namespace drawer {
class ISlider;
}

/// Code of the change listeners (source = the slider).
inline constexpr i32 kSliderChanged = 0;

/// An integer position in a range, moved by the user.
///
/// Without a drawer of its own the slider is the platform's; with one
/// (`setDrawer`) it paints through the drawer and handles the mouse itself,
/// and only then it can have a second thumb (`setRangeMode`).
class ISlider {
public:
    virtual ~ISlider() = default;
    virtual IComponent* asComponent() = 0;

    /// Length of the thumb along the slider in pixels.
    virtual void setThumbLength(i32 px) = 0;
    virtual i32 getThumbLength() const = 0;
    /// The positions are clamped into the new range.
    virtual void setRange(i32 min, i32 max) = 0;
    virtual i32 getMin() const = 0;
    virtual i32 getMax() const = 0;
    virtual i32 getPosition() const = 0;
    /// Clamps to [min, max] (in range mode also to at most the second
    /// position - 1). Raises nothing.
    virtual void setPosition(i32 pos) = 0;
    /// Also sets the page size to 10 x n and the line size to n.
    virtual void setTickFrequency(i32 n) = 0;
    virtual i32 getTickFrequency() const = 0;
    virtual i32 getPageSize() const = 0;
    virtual i32 getLineSize() const = 0;
    virtual void setTickMarks(bool tickMarks) = 0;
    virtual bool hasTickMarks() const = 0;

    virtual void addChangeListener(events::IEventListener* l) = 0;

    /// A drawer of its own; with `owned` the slider releases it when it is
    /// replaced and at the slider's release. Null returns to the platform's
    /// slider.
    virtual void setDrawer(drawer::ISlider* drawer, bool owned) = 0;
    virtual drawer::ISlider* getDrawer() const = 0;
    /// A second thumb that stays above the first (first <= second - 1).
    virtual void setRangeMode(bool rangeMode) = 0;
    virtual bool isRangeMode() const = 0;
    virtual i32 getSecondPosition() const = 0;
    /// Clamps to [min, max] and to at least the first position + 1; raises
    /// code 0 when the value changed.
    virtual void setSecondPosition(i32 pos) = 0;

    virtual void setPercentWidth(i32 p) = 0;
    virtual void setFixedWidth(i32 px) = 0;
    virtual void setFixedHeight(i32 px) = 0;
};

} // namespace s::gui
