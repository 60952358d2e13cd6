#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/listbox/win/Rows.h"

namespace s::gui::drawer::listbox::win {

/// The plain list drawer in the system's colours: white rows, black text,
/// the selection in (0, 120, 215) with white text, no alternate rows.
class Basic final : public Rows {
    S_POOLED_CLASS(Basic)

public:
    Basic() { reset(); }
    const char16_t* getClassName() const override { return u"s_gui_drawer_listbox_win_Basic"; }
    void reset() override { resetRows(Rgb{255, 255, 255}, Rgb{0, 0, 0}, Rgb{0, 120, 215}, Rgb{255, 255, 255}); }
};

} // namespace s::gui::drawer::listbox::win
