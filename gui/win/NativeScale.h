#pragma once

#include "foundation/base/Types.h"

#include <string>

namespace s::gui::win {

/// Makes what GTK draws by itself follow the process's display scale, as
/// the toolkit-drawn components do: the default font (menus, pop-up menus,
/// message boxes, the file dialogs) and the theme's fixed sizes of check
/// and radio indicators, sliders, text fields, buttons, combo-box arrows,
/// menu items and scroll bars. The controls' own style sheets stay above
/// it, so sizes a control sets itself win.
///
/// Applies `displayScale()` when it differs from what was applied last (at
/// scale 1 it takes back what a larger scale changed). Called wherever a
/// native window is made. User-interface thread; nothing without a display.
void applyNativeScale();

/// The screen-wide style sheet for `scale` (empty at scale 1).
std::string nativeScaleCss(i32 scale);

} // namespace s::gui::win
