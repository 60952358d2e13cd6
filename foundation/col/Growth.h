#pragma once

#include "foundation/base/Types.h"

namespace s::col {

/// The capacity after growing `current` until it holds `needed` elements:
/// below 100 to 100, then x3 up to 10 million, x2 up to 50 million, x1.5 up to
/// 100 million, and x1.2 beyond. Arrays and strings share it.
u32 grownCapacity(u32 current, u64 needed);

} // namespace s::col
