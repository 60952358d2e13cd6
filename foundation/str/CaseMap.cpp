#include "foundation/str/CaseMap.h"

#include <clocale>
#include <cwctype>
#include <initializer_list>
#include <locale.h>
#include <wctype.h>

namespace s::str {

namespace {

// A process-wide locale object for the case tables; made once, never freed
// (it must outlive every static that converts text at exit).
locale_t caseLocale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"})
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr)))
                return l;
        return static_cast<locale_t>(nullptr);
    }();
    return locale;
}

bool isSurrogate(char16_t c) { return c >= 0xd800 && c <= 0xdfff; }

char16_t narrow(char16_t original, wint_t mapped) {
    return mapped <= 0xffff ? static_cast<char16_t>(mapped) : original;
}

} // namespace

char16_t lowerCase(char16_t c) {
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
    if (isSurrogate(c))
        return c;
    locale_t l = caseLocale();
    return narrow(c, l ? towlower_l(c, l) : std::towlower(c));
}

char16_t upperCase(char16_t c) {
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    if (isSurrogate(c))
        return c;
    locale_t l = caseLocale();
    return narrow(c, l ? towupper_l(c, l) : std::towupper(c));
}

int compareIgnoringCase(const char16_t* a, const char16_t* b, u32 n) {
    for (u32 i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        int d = static_cast<int>(lowerCase(a[i])) - static_cast<int>(lowerCase(b[i]));
        if (d)
            return d;
    }
    return 0;
}

} // namespace s::str
