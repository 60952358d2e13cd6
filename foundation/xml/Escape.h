#pragma once

#include "foundation/base/Types.h"

#include <string>

namespace s::xml {

/// The two kinds of stored value. They escape different character sets:
///
/// | character | attribute value | element text |
/// |-----------|-----------------|--------------|
/// | LF        | `&#10;`         | `&#10;`      |
/// | CR        | `&#13;`         | `&#13;`      |
/// | `"`       | `&quot;`        | unchanged    |
/// | `&`       | `&amp;`         | `&amp;`      |
/// | `<`       | `&lt;`          | `&lt;`       |
/// | `>`       | unchanged       | `&gt;`       |
/// | space     | unchanged       | `&#160;`     |
///
/// Unescaping turns back exactly the entities of the same column; any other
/// ampersand stays literal (so "&gt;" in an attribute reads as four
/// characters, and "&#160;" in text is a plain space, not a no-break space).
enum class ValueKind { Attribute, Text };

/// The kind of the value stored under `name`: element text for a null or
/// empty name.
inline ValueKind kindOfName(const char16_t* name) {
    return name && *name ? ValueKind::Attribute : ValueKind::Text;
}

/// Appends the stored (escaped) form of `n` characters of `value`.
void appendEscaped(std::u16string& out, const char16_t* value, u32 n, ValueKind kind);

/// Appends the plain form of `n` stored characters. Element text is trimmed:
/// tab, LF, CR and space at either end go, but never characters that an
/// entity produced.
void appendUnescaped(std::u16string& out, const char16_t* stored, u32 n, ValueKind kind);

/// XML white space as the reader sees it: tab, LF, CR, space.
inline bool isXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// -- number texts --

/// The C library's decimal conversion: leading white space, an optional
/// sign, digits up to the first other character; 0 without digits.
/// Saturates at the 64-bit limits; narrower callers truncate the result.
i64 parseDecimal(const char16_t* text);

/// A floating-point number in the C locale's syntax (leading white space,
/// sign, digits, '.', exponent, "inf", "nan"); 0 when there is none. The
/// decimal separator never depends on the process locale.
double parseDouble(const char16_t* text);

/// "%f" of `value` (six decimals) in the C locale, appended.
void appendFixed(std::u16string& out, double value);

/// Decimal text of a signed or unsigned 64-bit value, appended.
void appendDecimal(std::u16string& out, i64 value);
void appendDecimal(std::u16string& out, u64 value);

/// Case-insensitive equality of two UTF-16 ranges (the C library's wide
/// lower-case mapping per unit).
bool equalsIgnoreCase(const char16_t* a, u32 an, const char16_t* b, u32 bn);

} // namespace s::xml
