#include "gui/win/Spacer.h"

namespace s::gui::win {

void Spacer::reset() {
    Component::reset();
    m_vertical = false;
}

void Spacer::setPercentWidth(i32 p) {
    Component::setPercentWidth(p);
    if (p >= 0)
        m_fixedW = -1;
}

void Spacer::setPercentHeight(i32 p) {
    Component::setPercentHeight(p);
    if (p >= 0)
        m_fixedH = -1;
}

} // namespace s::gui::win
