#include "gui/win/Text.h"

#include <glib.h>

namespace s::gui::win {

std::string toUtf8(const char16_t* text, std::size_t n) {
    std::string out;
    if (!text)
        return out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        char buf[6];
        const int len = g_unichar_to_utf8(static_cast<gunichar>(c), buf);
        out.append(buf, static_cast<std::size_t>(len));
    }
    return out;
}

std::string toUtf8(const char16_t* text) {
    if (!text)
        return {};
    std::size_t n = 0;
    while (text[n])
        ++n;
    return toUtf8(text, n);
}

std::u16string fromUtf8(const char* text) {
    std::u16string out;
    if (!text)
        return out;
    const char* p = text;
    const char* end = text + std::char_traits<char>::length(text);
    while (p < end) {
        gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            out.push_back(u'\uFFFD');
            ++p;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        p = g_utf8_next_char(p);
    }
    return out;
}

} // namespace s::gui::win
