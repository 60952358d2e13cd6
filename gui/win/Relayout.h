#pragma once

namespace s::gui {
class IComponent;
}

namespace s::gui::win {

/// A component's measured size changed: its parent lays out again, and so on
/// upwards for as long as a container's own size limits change with it.
/// Nothing happens before the component is in a window (the window lays the
/// whole tree out when it is shown). User-interface thread once in a window.
void layoutAfterMeasure(IComponent* component);

} // namespace s::gui::win
