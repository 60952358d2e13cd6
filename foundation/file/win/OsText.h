#pragma once

#include "foundation/base/Types.h"

#include <string>
#include <string_view>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::file::win {

// Conversions between the library's UTF-16 path texts and the byte strings
// the kernel takes as file names.
//
// Linux file names are bytes, not necessarily valid UTF-8. So that every name
// read from a folder can be handed back to the kernel unchanged, a byte that
// is not part of a valid UTF-8 sequence becomes the lone surrogate
// U+DC00 + byte when decoding, and such a surrogate becomes that byte again
// when encoding. Valid UTF-8 never decodes to those surrogates, so the round
// trip is exact for any name.

/// Appends the kernel form of `n` UTF-16 units to `out`.
void appendOsText(const char16_t* text, u32 n, std::string& out);

/// The kernel form of a UTF-16 text.
std::string toOsText(std::u16string_view text);

/// Appends the UTF-16 form of the kernel bytes to `out`.
void appendFromOsText(std::string_view bytes, str::strbuffer::StrBuffer& out);

/// The UTF-16 form of kernel bytes.
std::u16string fromOsText(std::string_view bytes);

} // namespace s::file::win
