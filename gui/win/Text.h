#pragma once

#include <string>

namespace s::gui::win {

/// UTF-16 texts of the library to the UTF-8 that GTK and Pango take, and
/// back. Invalid sequences become U+FFFD. Null gives the empty string.
std::string toUtf8(const char16_t* text);
std::string toUtf8(const char16_t* text, std::size_t n);
std::u16string fromUtf8(const char* text);

} // namespace s::gui::win
