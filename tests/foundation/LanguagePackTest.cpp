// The language pack built into the program, read as a document: every text
// in every language is a translation of its own (a missing element would
// silently show English), and each translation keeps what the program and
// the user rely on in the English text: its line breaks, the no-break spaces
// that pad labels and buttons, numbers, key names, quoted file names and the
// product's name.

#include "foundation/lang/Localizer.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/Node.h"
#include "resources/Resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

using s::str::strbuffer::StrBuffer;

// Texts that are the same in every language, so no language needs an
// element of its own for them: names, addresses and values the program
// stores or compares.
constexpr int kSameInEveryLanguage[] = {
    100000,  // the maker's name
    101000,  // the maker's web address
    105000,  // the maker's full name
    106000,  // the translation page's address
    108000,  // the software list's address
    108200,  // the support page's address
    108500,  // the contact page's address
    300000,  // the registry identifier: the settings are stored under it
    500000,  // the product's name
    500003,  // the product page's address
    500004,  // the help page's address
    500006,  // the download page's address
    500010,  // the version number
    500020,  // the release date
    500030,  // the supported system's name
    500100,  // the product's support page address
    608121,  // the open dialog's file pattern
    608225,  // the sub folder's name: cuts go to the same folder in every language
};

std::string utf8(const StrBuffer& b) {
    return b.toStdString();
}

struct Pack {
    std::vector<std::string> tags;                              // in pack order, English first
    std::map<int, std::map<std::string, std::string>> texts;   // id -> tag -> text (UTF-8)
    std::map<std::string, std::string> trueNames;              // tag -> trueName
};

Pack readPack() {
    Pack pack;
    const auto bytes = s::resources::languagePackXml();
    auto document = s::thread::makePooled<s::xml::Node>();
    EXPECT_TRUE(document->parseUtf8(bytes.data(), static_cast<s::u32>(bytes.size())));
    if (const s::xml::Node* languages = document->getChild(u"languages")) {
        for (s::u32 i = 0; i < languages->childCount(); ++i) {
            const s::xml::Node* entry = languages->getChild(i);
            if (!entry->nameEquals(u"entry"))
                continue;
            auto tag = s::thread::adopt(entry->getString(nullptr, u"tagName", u"", false));
            auto own = s::thread::adopt(entry->getString(nullptr, u"trueName", u"", false));
            pack.tags.push_back(utf8(*tag));
            pack.trueNames[utf8(*tag)] = utf8(*own);
        }
    }
    if (const s::xml::Node* entries = document->getChild(u"entries")) {
        StrBuffer text;
        for (s::u32 i = 0; i < entries->childCount(); ++i) {
            const s::xml::Node* entry = entries->getChild(i);
            if (!entry->nameEquals(u"entry"))
                continue;
            auto id = s::thread::adopt(entry->getString(nullptr, u"id", u"", false));
            const int number = id->toS32();
            for (s::u32 c = 0; c < entry->childCount(); ++c) {
                const s::xml::Node* child = entry->getChild(c);
                if (child->isComment())
                    continue;
                child->getString(&text, nullptr, u"", false);
                StrBuffer name;
                name.set(child->getName(), static_cast<s::i32>(child->getNameLength()));
                pack.texts[number][utf8(name)] = utf8(text);
            }
        }
    }
    return pack;
}

const Pack& builtInPack() {
    static const Pack pack = readPack();
    return pack;
}

bool sameInEveryLanguage(int id) {
    return std::find(std::begin(kSameInEveryLanguage), std::end(kSameInEveryLanguage), id) !=
           std::end(kSameInEveryLanguage);
}

std::multiset<std::string> matches(const std::string& text, const std::regex& pattern, int group = 0) {
    std::multiset<std::string> out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it)
        out.insert((*it)[group].str());
    return out;
}

std::set<std::string> distinct(const std::multiset<std::string>& all) {
    return std::set<std::string>(all.begin(), all.end());
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++n;
    return n;
}

// The no-break spaces at the start and at the end of a text (labels end in
// one so that the value after them keeps its distance; the Yes and No
// buttons are padded with them).
std::pair<size_t, size_t> padding(const std::string& text) {
    const std::string nbsp = "\u00a0";
    size_t lead = 0;
    while (text.compare(lead * nbsp.size(), nbsp.size(), nbsp) == 0)
        ++lead;
    size_t trail = 0;
    while (text.size() >= (trail + 1) * nbsp.size() &&
           text.compare(text.size() - (trail + 1) * nbsp.size(), nbsp.size(), nbsp) == 0)
        ++trail;
    return {lead, trail};
}

// What a translation must carry over from the English text unchanged;
// numbers and key names as often as the English text has them.
struct Kept {
    std::multiset<std::string> numbers; // "75.5", "0:01:15.500", "30"
    std::multiset<std::string> keys;    // "Ctrl+Shift+Left", "Home", "Esc"
    std::set<std::string> quoted;   // "_error.txt", "Cuts"
    std::set<std::string> names;    // "Snipforge", "Zarvo"
};

Kept keptOf(const std::string& english) {
    static const std::regex number(R"(\d+(?:[.:]\d+)*)");
    static const std::regex combo(R"((?:(?:Ctrl|Shift|Alt)\+)+(?:[A-Z][A-Za-z0-9]*|\[|\]))");
    static const std::regex key(R"((^|[^A-Za-z])(Left|Right|Home|End|Esc|Tab|Enter|F10)(?![A-Za-z]))");
    static const std::regex quoted("\"([^\"]+)\"");
    static const std::regex name(R"(Snipforge|Zarvo)");
    Kept kept;
    kept.numbers = matches(english, number);
    kept.keys = matches(english, combo);
    if (!kept.keys.empty()) { // a list of shortcuts: the plain key names too
        for (const std::string& k : matches(english, key, 2))
            kept.keys.insert(k);
    }
    kept.quoted = distinct(matches(english, quoted, 1));
    kept.names = distinct(matches(english, name));
    return kept;
}

std::vector<std::string> missingFrom(const std::string& translation, const std::set<std::string>& wanted) {
    std::vector<std::string> missing;
    for (const std::string& w : wanted) {
        if (translation.find(w) == std::string::npos)
            missing.push_back(w);
    }
    return missing;
}

// What `wanted` holds more often than `found` does.
std::vector<std::string> missingFrom(const std::multiset<std::string>& found,
                                     const std::multiset<std::string>& wanted) {
    std::vector<std::string> missing;
    for (auto it = wanted.begin(); it != wanted.end(); it = wanted.upper_bound(*it)) {
        if (found.count(*it) < wanted.count(*it))
            missing.push_back(*it + " x" + std::to_string(wanted.count(*it)));
    }
    return missing;
}

std::string joined(const std::vector<std::string>& parts) {
    std::string out;
    for (const std::string& p : parts)
        out += (out.empty() ? "" : ", ") + p;
    return out;
}

} // namespace

TEST(LanguagePack, EveryLanguageHasItsOwnTextForEveryShownText) {
    const Pack& pack = builtInPack();
    ASSERT_EQ(pack.tags.size(), 40u);
    ASSERT_EQ(pack.tags[0], "eng");
    std::map<std::string, int> missing;
    for (const auto& [id, texts] : pack.texts) {
        ASSERT_TRUE(texts.count("eng")) << id << " has no English text";
        if (sameInEveryLanguage(id))
            continue;
        for (size_t t = 1; t < pack.tags.size(); ++t) {
            const std::string& tag = pack.tags[t];
            const auto it = texts.find(tag);
            if (it == texts.end() || it->second.empty()) {
                ADD_FAILURE() << "text " << id << " (\"" << texts.at("eng") << "\") has no " << tag
                              << " translation";
                ++missing[tag];
            }
        }
    }
    EXPECT_TRUE(missing.empty()) << missing.size() << " languages lack texts";
}

TEST(LanguagePack, ElementsNameOnlyTheLanguagesOfThePack) {
    // A misspelt tag would be ignored by the loader and show English.
    const Pack& pack = builtInPack();
    const std::set<std::string> tags(pack.tags.begin(), pack.tags.end());
    for (const auto& [id, texts] : pack.texts) {
        for (const auto& [tag, text] : texts)
            EXPECT_TRUE(tags.count(tag)) << "text " << id << " has an element <" << tag << ">";
    }
}

TEST(LanguagePack, TranslationsKeepLineBreaksPaddingNumbersKeysAndNames) {
    const Pack& pack = builtInPack();
    for (const auto& [id, texts] : pack.texts) {
        const std::string& english = texts.at("eng");
        const Kept kept = keptOf(english);
        const size_t breaks = count(english, "\n");
        const auto pad = padding(english);
        for (const auto& [tag, text] : texts) {
            if (tag == "eng")
                continue;
            SCOPED_TRACE("text " + std::to_string(id) + " in " + tag + ": " + text);
            EXPECT_EQ(count(text, "\n"), breaks) << "line breaks";
            EXPECT_EQ(padding(text), pad) << "no-break spaces at the start and the end";
            const Kept found = keptOf(text);
            EXPECT_EQ(joined(missingFrom(found.numbers, kept.numbers)), "") << "numbers";
            EXPECT_EQ(joined(missingFrom(found.keys, kept.keys)), "") << "key names";
            EXPECT_EQ(joined(missingFrom(text, kept.quoted)), "") << "quoted names";
            EXPECT_EQ(joined(missingFrom(text, kept.names)), "") << "product and maker names";
        }
    }
}

TEST(LanguagePack, NoLanguageIsMostlyEnglish) {
    // A few texts are rightly the same as in English ("OK", "URL:", "1 min:");
    // a language pasted from English or left half done is not.
    const Pack& pack = builtInPack();
    for (size_t t = 1; t < pack.tags.size(); ++t) {
        const std::string& tag = pack.tags[t];
        int translated = 0;
        std::vector<std::string> asEnglish;
        for (const auto& [id, texts] : pack.texts) {
            const auto it = texts.find(tag);
            if (sameInEveryLanguage(id) || it == texts.end())
                continue;
            ++translated;
            if (it->second == texts.at("eng"))
                asEnglish.push_back(it->second);
        }
        EXPECT_LE(asEnglish.size() * 8, static_cast<size_t>(translated))
            << tag << ": " << asEnglish.size() << " of " << translated << " texts are English: " << joined(asEnglish);
        EXPECT_FALSE(pack.trueNames.at(tag).empty()) << tag;
    }
}

TEST(LanguagePack, TheLoaderShowsTheTranslations) {
    // Through the localizer as the windows read them: no English left where
    // a translation exists, and the padding that labels rely on survives.
    auto localizer = s::thread::makePooled<s::lang::Localizer>();
    localizer->setSystemLanguage(u"English");
    const auto bytes = s::resources::languagePackXml();
    ASSERT_TRUE(localizer->loadUtf8(bytes.data(), static_cast<s::u32>(bytes.size())));
    struct Case {
        const char16_t* language;
        int id;
        const char16_t* text;
    };
    const Case cases[] = {
        {u"German", 608100, u"\u00d6ffnen..."},
        {u"German", 1101000, u"Start:\u00a0"},
        {u"Japanese", 1090000, u"\u7121\u52a3\u5316\u30ab\u30c3\u30c8  (\u975e\u5e38\u306b\u9ad8\u901f)"},
        {u"Arabic", 1006050, u"\u0625\u0644\u063a\u0627\u0621"},
        {u"Portuguese_Brazilian", 608000, u"Arquivo"},
        {u"Portuguese", 608000, u"Ficheiro"},
        {u"Serbian_Cyrillic", 1200000, u"\u0421\u0430\u0447\u0443\u0432\u0430\u0458"},
        {u"Serbian_Latin", 1200000, u"Sa\u010duvaj"},
        {u"Russian", 400330, u"\u00a0      \u0414\u0430      \u00a0"},
        {u"Chinese_Traditional", 700000, u"\u8a9e\u8a00"},
        {u"Chinese_Simplified", 700000, u"\u8bed\u8a00"},
    };
    for (const Case& c : cases) {
        localizer->selectLanguage(c.language);
        StrBuffer got;
        got.set(localizer->getText(c.id));
        StrBuffer want;
        want.set(c.text);
        EXPECT_EQ(got.toStdString(), want.toStdString()) << c.id;
    }
}
