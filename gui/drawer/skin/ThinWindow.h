#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/skin/Slots.h"

namespace s::gui::drawer::skin {

/// A skin of the "ThinWindow" family (the skins of windows with their own
/// look, such as the version window): one scheme's drawers under its name.
class ThinWindow final : public Slots {
    S_POOLED_CLASS(ThinWindow)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_skin_ThinWindow"; }
};

} // namespace s::gui::drawer::skin
