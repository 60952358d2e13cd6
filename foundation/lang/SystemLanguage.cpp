// The system's user-interface language, from the POSIX locale variables,
// as the English language names the language packs are known by.

#include "foundation/lang/Localizer.h"

#include <cstdlib>
#include <mutex>

namespace s::lang {

namespace {

struct LanguageName {
    const char* code; // ISO 639 code as locale names carry it
    const char* name; // upper case, words joined by '_'
};

// Languages by code. Those with a pack of their own must give that pack's
// name; the others only need to give no pack's name, so they get English.
constexpr LanguageName kLanguages[] = {
    {"af", "AFRIKAANS"},   {"am", "AMHARIC"},    {"ar", "ARABIC"},     {"as", "ASSAMESE"},
    {"az", "AZERI"},       {"be", "BELARUSIAN"}, {"bg", "BULGARIAN"},  {"bn", "BENGALI"},
    {"br", "BRETON"},      {"bs", "BOSNIAN"},    {"ca", "CATALAN"},    {"cs", "CZECH"},
    {"cy", "WELSH"},       {"da", "DANISH"},     {"de", "GERMAN"},     {"dsb", "LOWER_SORBIAN"},
    {"el", "GREEK"},       {"en", "ENGLISH"},    {"es", "SPANISH"},    {"et", "ESTONIAN"},
    {"eu", "BASQUE"},      {"fa", "PERSIAN"},    {"fi", "FINNISH"},    {"fil", "FILIPINO"},
    {"fo", "FAEROESE"},    {"fr", "FRENCH"},     {"fy", "FRISIAN"},    {"ga", "IRISH"},
    {"gd", "GAELIC"},      {"gl", "GALICIAN"},   {"gu", "GUJARATI"},   {"ha", "HAUSA"},
    {"he", "HEBREW"},      {"hi", "HINDI"},      {"hr", "CROATIAN"},   {"hsb", "UPPER_SORBIAN"},
    {"hu", "HUNGARIAN"},   {"hy", "ARMENIAN"},   {"id", "INDONESIAN"}, {"ig", "IGBO"},
    {"in", "INDONESIAN"},  {"is", "ICELANDIC"},  {"it", "ITALIAN"},    {"iw", "HEBREW"},
    {"ja", "JAPANESE"},    {"ka", "GEORGIAN"},   {"kk", "KAZAK"},      {"km", "KHMER"},
    {"kn", "KANNADA"},     {"ko", "KOREAN"},     {"ky", "KYRGYZ"},     {"lb", "LUXEMBOURGISH"},
    {"lo", "LAO"},         {"lt", "LITHUANIAN"}, {"lv", "LATVIAN"},    {"mi", "MAORI"},
    {"mk", "MACEDONIAN"},  {"ml", "MALAYALAM"},  {"mn", "MONGOLIAN"},  {"mr", "MARATHI"},
    {"ms", "MALAY"},       {"mt", "MALTESE"},    {"nb", "NORWEGIAN"},  {"ne", "NEPALI"},
    {"nl", "DUTCH"},       {"nn", "NORWEGIAN"},  {"no", "NORWEGIAN"},  {"oc", "OCCITAN"},
    {"or", "ORIYA"},       {"pa", "PUNJABI"},    {"pl", "POLISH"},     {"ps", "PASHTO"},
    {"pt", "PORTUGUESE"},  {"rm", "ROMANSH"},    {"ro", "ROMANIAN"},   {"ru", "RUSSIAN"},
    {"rw", "KINYARWANDA"}, {"sa", "SANSKRIT"},   {"se", "SAMI"},       {"si", "SINHALESE"},
    {"sk", "SLOVAK"},      {"sl", "SLOVENIAN"},  {"sq", "ALBANIAN"},   {"sr", "SERBIAN"},
    {"sv", "SWEDISH"},     {"sw", "SWAHILI"},    {"ta", "TAMIL"},      {"te", "TELUGU"},
    {"tg", "TAJIK"},       {"th", "THAI"},       {"tk", "TURKMEN"},    {"tn", "TSWANA"},
    {"tr", "TURKISH"},     {"tt", "TATAR"},      {"ug", "UIGHUR"},     {"uk", "UKRAINIAN"},
    {"ur", "URDU"},        {"uz", "UZBEK"},      {"vi", "VIETNAMESE"}, {"wo", "WOLOF"},
    {"xh", "XHOSA"},       {"yo", "YORUBA"},     {"zh", "CHINESE"},    {"zu", "ZULU"},
};

std::u16string capitalized(std::string_view upper) {
    std::u16string out;
    for (char c : upper)
        out.push_back(static_cast<char16_t>(out.empty() || c < 'A' || c > 'Z' ? c : c - 'A' + 'a'));
    return out;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The upper-case name of a language whose name depends on more than its code.
const char* specialName(std::string_view language, std::string_view territory, std::string_view script) {
    if (language == "zh") {
        if (territory == "tw" || territory == "hk" || territory == "mo" || script == "hant")
            return "CHINESE_TRADITIONAL";
        if (territory == "cn" || territory == "sg" || script == "hans")
            return "CHINESE_SIMPLIFIED";
        return nullptr;
    }
    if (language == "pt") {
        if (territory == "br")
            return "PORTUGUESE_BRAZILIAN";
        if (territory == "pt")
            return "PORTUGUESE_PORTUGAL";
        return nullptr;
    }
    if (language == "sr") {
        // glibc names the Latin script "@latin"; Cyrillic is the default.
        return script == "latin" || script == "latn" ? "SERBIAN_LATIN" : "SERBIAN_CYRILLIC";
    }
    return nullptr;
}

} // namespace

std::u16string Localizer::languageNameOfLocale(std::string_view locale) {
    // language[_territory][.codeset][@modifier]
    const std::string_view full = locale;
    std::string_view modifier;
    if (const size_t at = locale.find('@'); at != std::string_view::npos) {
        modifier = locale.substr(at + 1);
        locale = locale.substr(0, at);
    }
    if (const size_t dot = locale.find('.'); dot != std::string_view::npos)
        locale = locale.substr(0, dot);
    if (full == "C" || full == "POSIX" || locale == "C" || locale == "POSIX")
        return u"English";
    std::string_view territory;
    std::string_view language = locale;
    if (const size_t bar = locale.find_first_of("_-"); bar != std::string_view::npos) {
        territory = locale.substr(bar + 1);
        language = locale.substr(0, bar);
    }
    const std::string lang = lowered(language);
    std::string terr = lowered(territory);
    std::string script = lowered(modifier);
    // "zh-Hant-TW" style names carry the script before the territory.
    if (const size_t bar = terr.find_first_of("_-"); bar != std::string::npos) {
        script = terr.substr(0, bar);
        terr = terr.substr(bar + 1);
    } else if (terr.size() == 4) {
        script = terr;
        terr.clear();
    }
    if (const char* name = specialName(lang, terr, script))
        return capitalized(name);
    for (const LanguageName& entry : kLanguages) {
        if (lang == entry.code)
            return capitalized(entry.name);
    }
    return {};
}

const char16_t* Localizer::systemLanguageName() {
    static std::once_flag once;
    static std::u16string name;
    std::call_once(once, [] {
        // The messages locale as the C library takes it: LC_ALL, else
        // LC_MESSAGES, else LANG; none is the C locale.
        std::string_view messages = "C";
        for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(variable);
            if (value && *value) {
                messages = value;
                break;
            }
        }
        // LANGUAGE is a priority list ("pt_BR:pt:en") that programs follow
        // only when the messages locale is not "C" (C.UTF-8 is another
        // locale), so a program started with LANG=C speaks English as the
        // others do.
        const char* list = std::getenv("LANGUAGE");
        const bool plain = messages == "C" || messages == "POSIX";
        if (list && *list && !plain) {
            std::string_view first(list);
            first = first.substr(0, first.find(':'));
            if (!first.empty()) {
                name = languageNameOfLocale(first);
                return;
            }
        }
        name = languageNameOfLocale(messages);
    });
    return name.c_str();
}

} // namespace s::lang
