#pragma once

#include "foundation/base/Types.h"

namespace s::gui {

/// The display scale of the process: 1, 2 or 4. Every pixel size the
/// application gives the toolkit is multiplied by it by the caller; the
/// toolkit itself scales only its own margins, icons and font heights.
/// Set once at start-up before the first window is made; read from any thread.
i32 displayScale();
void setDisplayScale(i32 scale);

} // namespace s::gui
