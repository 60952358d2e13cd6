#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/skin/Slots.h"

namespace s::gui::drawer::skin {

/// A skin of the "Thin" family: one scheme's drawers under its name.
class Thin final : public Slots {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_skin_Thin"; }
};

} // namespace s::gui::drawer::skin
