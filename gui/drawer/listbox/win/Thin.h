#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/listbox/win/Rows.h"

namespace s::gui::drawer::listbox::win {

/// The list drawer of the skins, in a scheme's colours. After reset: white
/// rows, black text, selection (68, 68, 68) with white text, alternate rows
/// (243, 243, 243).
class Thin final : public Rows {
    S_POOLED_CLASS(Thin)

public:
    Thin() { reset(); }
    const char16_t* getClassName() const override { return u"s_gui_drawer_listbox_win_Thin"; }
    void reset() override {
        resetRows(Rgb{255, 255, 255}, Rgb{0, 0, 0}, Rgb{68, 68, 68}, Rgb{255, 255, 255});
        setAlternateColour(Rgb{243, 243, 243});
    }
};

} // namespace s::gui::drawer::listbox::win
