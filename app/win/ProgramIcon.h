#pragma once

#include "foundation/base/Types.h"

namespace s::image::win {
class BufferedImage;
}

namespace s::app::win {

/// The program's icon at `size` x `size` pixels (a film strip with a cut
/// across it), drawn for any size so that every icon size is sharp. A new
/// pooled buffer the caller owns; null when `size` < 1 or no memory.
[[nodiscard]] image::win::BufferedImage* drawProgramIcon(i32 size);

} // namespace s::app::win
