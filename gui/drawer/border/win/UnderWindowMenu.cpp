#include "gui/drawer/border/win/UnderWindowMenu.h"

#include "image/win/MemDC.h"

namespace s::gui::drawer::border::win {

void UnderWindowMenu::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    if (left >= right || top >= bottom)
        return;
    fillRect(dc.getContext(), left, top, right - left, 1, kLine);
    if (top + 1 < bottom)
        fillRect(dc.getContext(), left, top + 1, right - left, 1, kHighlight);
}

} // namespace s::gui::drawer::border::win
