#include "gui/events/Enablers.h"

namespace s::gui::events {

void TargetSwitch::onEvent(IComponent* source, i32 /*code*/) {
    if (!source || source != m_source)
        return;
    // A target's own listeners may add targets: walk a copy.
    const std::vector<IComponent*> targets = m_targets;
    for (IComponent* target : targets)
        apply(target);
}

} // namespace s::gui::events
