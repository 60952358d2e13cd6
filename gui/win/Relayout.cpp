#include "gui/win/Relayout.h"

#include "gui/IContainer.h"

namespace s::gui::win {

void layoutAfterMeasure(IComponent* component) {
    if (!component || !component->getWindow())
        return;
    IContainer* parent = component->getParent();
    while (parent) {
        IComponent* c = parent->asComponent();
        const i32 minW = c->getMinWidth();
        const i32 minH = c->getMinHeight();
        const i32 maxW = c->getMaxWidth();
        const i32 maxH = c->getMaxHeight();
        parent->doLayout();
        if (c->getMinWidth() == minW && c->getMinHeight() == minH && c->getMaxWidth() == maxW &&
            c->getMaxHeight() == maxH)
            break;
        parent = c->getParent();
    }
}

} // namespace s::gui::win
