#include "gui/drawer/border/win/Plain.h"

#include "image/win/MemDC.h"

namespace s::gui::drawer::border::win {

void Plain::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    frameRect(dc.getContext(), left, top, right, bottom, 1, m_colour);
}

} // namespace s::gui::drawer::border::win
