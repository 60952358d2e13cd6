#pragma once

#include "foundation/base/Types.h"

typedef struct _cairo cairo_t;

namespace s::gui::drawer {

/// Draws the vector icon `name` ("#Play", "#Stop", "#Color-00ff0000", ...)
/// into the content rectangle left, top, right, bottom (exclusive) in the
/// colour (red, green, blue) at scale `s` (values below 1 mean the display
/// scale). Icons are made of filled rectangles only.
///
/// Returns true when `name` names an icon, also when the rectangle is empty
/// or inverted (then nothing is painted); false otherwise, with nothing
/// painted, so that the caller draws the name as text. "#Color-" needs
/// exactly eight hex digits (0xAABBGGRR order: the last six digits are
/// blue, green, red); "#Resizer" reaches 2s beyond the right and bottom.
bool paintIcon(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, const char16_t* name, i32 red, i32 green,
               i32 blue, i32 s);

/// True when `name` names an icon that `paintIcon` draws.
bool isIconName(const char16_t* name);

} // namespace s::gui::drawer
