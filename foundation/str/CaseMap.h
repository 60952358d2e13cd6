#pragma once

#include "foundation/base/Types.h"

namespace s::str {

/// The C library's wide case mappings applied to one UTF-16 unit. They use a
/// fixed UTF-8 C locale, so the result does not depend on the locale the
/// process runs in (GTK sets the user's). Surrogates map to themselves.
char16_t lowerCase(char16_t c);
char16_t upperCase(char16_t c);

/// Whether two units are equal ignoring case (by `lowerCase`).
inline bool equalsIgnoringCase(char16_t a, char16_t b) { return a == b || lowerCase(a) == lowerCase(b); }

/// Compares `n` units as `lowerCase` values; negative, 0 or positive.
int compareIgnoringCase(const char16_t* a, const char16_t* b, u32 n);

} // namespace s::str
