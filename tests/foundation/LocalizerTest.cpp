#include "foundation/lang/Localizer.h"
#include "foundation/lang/LangPack.h"
#include "foundation/xml/MappedData.h"
#include "resources/Resources.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <string_view>

using s::lang::ILanguageListener;
using s::lang::LangPack;
using s::lang::Localizer;
using s::thread::makePooled;
using s::thread::Pooled;

namespace {

std::u16string text(const char16_t* t) {
    return t ? std::u16string(t) : u"<null>";
}

Pooled<Localizer> loaded(std::string_view xml, const char16_t* system = u"English") {
    auto localizer = makePooled<Localizer>();
    localizer->setSystemLanguage(system);
    EXPECT_TRUE(
        localizer->loadUtf8(reinterpret_cast<const s::u8*>(xml.data()), static_cast<s::u32>(xml.size())));
    return localizer;
}

Pooled<Localizer> builtIn(const char16_t* system = u"English") {
    const auto pack = s::resources::languagePackXml();
    return loaded(std::string_view(reinterpret_cast<const char*>(pack.data()), pack.size()), system);
}

class CountingListener : public ILanguageListener {
public:
    void onEvent(s::base::IObject* source, s::i32 code) override {
        ++calls;
        lastSource = source;
        lastCode = code;
    }
    int calls = 0;
    s::base::IObject* lastSource = nullptr;
    s::i32 lastCode = -1;
};

constexpr std::string_view kSmallPack = R"(<lang>
<languages>
<entry tagName="eng" engName="English" trueName="English"/>
<entry tagName="deu" engName="German" trueName="Deutsch"/>
<entry tagName="fra" engName="French" trueName="Français"/>
</languages>
<entries>
<entry id="100">comment<eng>Open...</eng><deu>Öffnen...</deu><fra>Ouvrir...</fra></entry>
<entry id="200">only English<eng>Save</eng><xxx>ignored</xxx></entry>
<entry id="300">French first<fra>Bonjour</fra><eng>Hello</eng></entry>
<entry id="400"><eng>Start: </eng><deu>  Line&#10;two&#160;</deu></entry>
<entry id="empty">key<eng>by name</eng><deu>beim Namen</deu></entry>
</entries>
</lang>)";

} // namespace

TEST(Localizer, MissingTranslationsGetTheEntrysFirstText) {
    auto loc = loaded(kSmallPack);
    ASSERT_EQ(loc->packCount(), 3u);
    EXPECT_EQ(text(loc->pack(2)->getTrueName()), u"Fran\u00e7ais");
    loc->selectLanguage(u"German");
    EXPECT_EQ(text(loc->getText(100)), u"\u00d6ffnen...");
    EXPECT_EQ(text(loc->getText(200)), u"Save") << "no deu element: English";
    EXPECT_EQ(text(loc->getText(300)), u"Bonjour") << "the first element is the fallback, whatever its tag";
    EXPECT_EQ(text(loc->getText(400)), u"Line\ntwo ") << "trimmed, then entities resolved";
    EXPECT_EQ(text(loc->getKeyText(u"empty")), u"beim Namen");
    EXPECT_EQ(text(loc->getText(999)), u"");
    EXPECT_FALSE(loc->hasText(999));
    loc->selectLanguage(u"French");
    EXPECT_EQ(text(loc->getText(200)), u"Save");
    EXPECT_EQ(text(loc->getKeyText(u"empty")), u"by name");
    loc->selectLanguage(u"English");
    EXPECT_EQ(text(loc->getText(400)), u"Start:\u00a0") << "a trailing no-break space survives trimming";
    EXPECT_EQ(loc->findPackByTag(u"deu"), loc->pack(1));
    EXPECT_EQ(loc->findPackByTag(u"DEU"), nullptr);
}

TEST(Localizer, SelectingCallsListenersOnlyOnARealChange) {
    auto loc = loaded(kSmallPack);
    CountingListener a, b;
    loc->addListener(&a);
    loc->addListener(&b);
    loc->selectLanguage(u"english");
    loc->selectLanguage(u"ENGLISH");
    EXPECT_EQ(a.calls, 0);
    loc->selectLanguage(u"Klingon"); // no pack: English, which is current
    EXPECT_EQ(a.calls, 0);
    loc->selectLanguage(u"gErMaN");
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(b.calls, 1);
    EXPECT_EQ(a.lastSource, loc.get());
    EXPECT_EQ(a.lastCode, 0);
    EXPECT_EQ(text(loc->currentLanguage()), u"German");
    loc->removeListener(&a);
    loc->selectLanguage(u"Klingon"); // back to English
    EXPECT_EQ(a.calls, 1);
    EXPECT_EQ(b.calls, 2);
    EXPECT_EQ(text(loc->currentLanguage()), u"English");
}

TEST(Localizer, LocaleNamesMapToThePacksLanguages) {
    struct Case {
        const char* locale;
        const char16_t* name; // systemLanguageName form
        const char16_t* tag;  // the pack chosen on first use
    };
    const Case cases[] = {
        {"de_DE.UTF-8", u"German", u"deu"},
        {"pt_BR", u"Portuguese_brazilian", u"bra"},
        {"pt_PT", u"Portuguese_portugal", u"bra"},
        {"sr_RS", u"Serbian_cyrillic", u"cpn"},
        {"ja_JP.eucJP", u"Japanese", u"jpn"},
        {"ar_EG.UTF-8", u"Arabic", u"ara"},
        {"he_IL.UTF-8", u"Hebrew", u"heb"},
        {"pt_BR.UTF-8", u"Portuguese_brazilian", u"bra"},
        {"pt_PT.UTF-8", u"Portuguese_portugal", u"bra"},
        {"pt_AO.UTF-8", u"Portuguese", u"por"},
        {"zh_HK.UTF-8", u"Chinese_traditional", u"zht"},
        {"zh_TW", u"Chinese_traditional", u"zht"},
        {"zh_CN.UTF-8", u"Chinese_simplified", u"zhs"},
        {"zh_SG", u"Chinese_simplified", u"zhs"},
        {"sr_RS@latin", u"Serbian_latin", u"srp"},
        {"sr_RS.UTF-8", u"Serbian_cyrillic", u"cpn"},
        {"hr_HR.UTF-8", u"Croatian", u"hrv"},
        {"bs_BA.UTF-8", u"Bosnian", u"eng"},
        {"is_IS.UTF-8", u"Icelandic", u"eng"},
        {"de_AT.UTF-8@euro", u"German", u"deu"},
        {"nb_NO.UTF-8", u"Norwegian", u"nor"},
        {"fa_IR", u"Persian", u"per"},
        {"C", u"English", u"eng"},
        {"C.UTF-8", u"English", u"eng"},
        {"xx_YY", u"", u"eng"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        const std::u16string name = Localizer::languageNameOfLocale(c.locale);
        EXPECT_EQ(name, c.name);
        auto loc = builtIn(name.c_str());
        EXPECT_EQ(text(loc->currentPack()->getTagName()), c.tag);
    }
    // Venetian is chosen only by the user.
    EXPECT_EQ(Localizer::languageNameOfLocale("vec_IT.UTF-8"), u"");
}

TEST(Localizer, BuiltInPackHasEveryLanguageAndTheEnglishTexts) {
    auto loc = builtIn();
    ASSERT_EQ(loc->packCount(), 40u);
    EXPECT_EQ(text(loc->pack(0)->getTagName()), u"eng");
    EXPECT_EQ(text(loc->pack(25)->getTagName()), u"bra");
    EXPECT_EQ(text(loc->pack(25)->getEngName()), u"Portuguese_Brazilian");
    EXPECT_EQ(text(loc->pack(39)->getTagName()), u"vec");
    EXPECT_EQ(text(loc->pack(18)->getTrueName()), u"\u65e5\u672c\u8a9e");
    for (s::u32 i = 0; i < loc->packCount(); ++i)
        EXPECT_EQ(loc->pack(i)->textCount(), loc->pack(0)->textCount()) << "pack " << i;
    // 115 texts of the first version, 15 of the open and save messages, 4
    // of the keyboard, 4 of saving a frame and 3 of the edges-only precise
    // cut.
    EXPECT_EQ(loc->pack(0)->textCount(), 149u);

    loc->selectLanguage(u"English");
    EXPECT_EQ(text(loc->getText(1090000)), u"Lossless cut  (very fast)");
    EXPECT_EQ(text(loc->getText(1090010)), u"Precise cut  (re-encode and slow)");
    EXPECT_EQ(text(loc->getText(300000)), u"Zarvo Snipforge");
    EXPECT_EQ(text(loc->getText(500010)), u"1.17");
    EXPECT_EQ(text(loc->getText(608221)), u"Output to:  Sub Folder - \"Cuts\"");
    EXPECT_EQ(text(loc->getText(608249)), u"Output to:\u00a0");
    EXPECT_EQ(text(loc->getText(608225)), u"Cuts");
    EXPECT_EQ(text(loc->getText(1101000)), u"Start:\u00a0");
    EXPECT_EQ(text(loc->getText(400330)), u"\u00a0      Yes      \u00a0");
    EXPECT_EQ(text(loc->getText(3007200)), u"The program failed to find the audio stream in the file.\n"
                                           u"Please be aware that the audio may not get saved together.");
    EXPECT_EQ(text(loc->getText(2010001000)), u"OK");
    EXPECT_EQ(text(loc->getText(3010020)), u"Show in Folder");
    EXPECT_EQ(text(loc->getText(701150)), u"Keyboard Shortcuts");
    EXPECT_EQ(text(loc->getText(1104000)), u"Not a time:");
    for (int id : {100000, 101000, 609450, 700001, 1002000, 3008002})
        EXPECT_TRUE(loc->hasText(id)) << id;

    // Names, the version and the registry identifier stay as they are in
    // every language; the menu texts are translated.
    loc->selectLanguage(u"Japanese");
    EXPECT_EQ(text(loc->getText(300000)), u"Zarvo Snipforge");
    EXPECT_EQ(text(loc->getText(500010)), u"1.17");
    EXPECT_EQ(text(loc->getText(608225)), u"Cuts");
    EXPECT_EQ(text(loc->getText(608221)), u"\u4fdd\u5b58\u5148:  \u30b5\u30d6\u30d5\u30a9\u30eb\u30c0\u30fc\u300cCuts\u300d");
    EXPECT_EQ(text(loc->getText(1101000)), u"\u958b\u59cb:\u00a0");
}

TEST(Localizer, StoredLanguageIsAppliedAndRepairedAtStartUp) {
    s::test::TempDir dir;
    auto store = makePooled<s::xml::MappedData>();
    ASSERT_TRUE(store->open(dir.u16("SaveData.xml").c_str()));

    // Nothing stored: the system's language, and nothing written.
    auto loc = builtIn(u"German");
    EXPECT_TRUE(loc->applyStoredLanguage(*store));
    EXPECT_EQ(text(loc->currentLanguage()), u"German");
    EXPECT_FALSE(store->hasKey(s::lang::kLanguageGroup, u""));

    // A stored choice wins over the system's language.
    ASSERT_TRUE(store->setString(s::lang::kLanguageGroup, u"", u"Portuguese_Brazilian"));
    loc = builtIn(u"German");
    EXPECT_TRUE(loc->applyStoredLanguage(*store));
    EXPECT_EQ(text(loc->currentLanguage()), u"Portuguese_Brazilian");

    // A name no pack has selects English and is overwritten.
    ASSERT_TRUE(store->setString(s::lang::kLanguageGroup, u"", u"Klingon"));
    loc = builtIn(u"German");
    EXPECT_TRUE(loc->applyStoredLanguage(*store));
    EXPECT_EQ(text(loc->currentLanguage()), u"English");
    EXPECT_EQ(text(store->getString(s::lang::kLanguageGroup, u"", u"")), u"English");
}

TEST(Localizer, BrokenDocumentsLoadNothingOrWhatIsThere) {
    auto loc = makePooled<Localizer>();
    const std::string_view noLanguages =
        "<lang><entries><entry id=\"1\"><eng>x</eng></entry></entries></lang>";
    EXPECT_FALSE(
        loc->loadUtf8(reinterpret_cast<const s::u8*>(noLanguages.data()), s::u32(noLanguages.size())));
    EXPECT_EQ(loc->packCount(), 0u);
    EXPECT_EQ(text(loc->getText(1)), u"");
    loc->selectLanguage(u"English"); // no packs: nothing to do, no crash
    EXPECT_EQ(text(loc->currentLanguage()), u"");
    const std::string_view truncated =
        R"(<lang><languages><entry tagName="eng" engName="English"/></languages><entr)";
    EXPECT_FALSE(loc->loadUtf8(reinterpret_cast<const s::u8*>(truncated.data()), s::u32(truncated.size())));
}

TEST(Localizer, SystemLanguageComesFromTheFirstSetLocaleVariable) {
    // The name is computed once per process: look in a fresh child each time.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto expectSystemName = [](const char* language, const char* lcAll, const char* lcMessages,
                               const char* lang, const char16_t* expected) {
        auto put = [](const char* variable, const char* value) {
            if (value)
                setenv(variable, value, 1);
            else
                unsetenv(variable);
        };
        put("LANGUAGE", language);
        put("LC_ALL", lcAll);
        put("LC_MESSAGES", lcMessages);
        put("LANG", lang);
        std::exit(text(Localizer::systemLanguageName()) == expected ? 0 : 1);
    };
    EXPECT_EXIT(
        expectSystemName("pt_BR:pt:en", "de_DE.UTF-8", nullptr, "fr_FR.UTF-8", u"Portuguese_brazilian"),
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName("", nullptr, "sr_RS@latin", "fr_FR.UTF-8", u"Serbian_latin"),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName(nullptr, nullptr, nullptr, "zh_HK.UTF-8", u"Chinese_traditional"),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName(nullptr, nullptr, nullptr, nullptr, u"English"), testing::ExitedWithCode(0), "");
    // LC_ALL before LC_MESSAGES before LANG.
    EXPECT_EXIT(expectSystemName(nullptr, "fa_IR", "nb_NO.UTF-8", "de_DE.UTF-8", u"Persian"),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName(nullptr, "", "nb_NO.UTF-8", "de_DE.UTF-8", u"Norwegian"),
                testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName(nullptr, nullptr, nullptr, "de_DE.UTF-8", u"German"), testing::ExitedWithCode(0),
                "");
    // LANGUAGE counts only under a locale that is not C, as for every
    // program that reads message catalogues.
    EXPECT_EXIT(expectSystemName("de_DE", nullptr, nullptr, "C", u"English"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName("de_DE", nullptr, nullptr, "C.UTF-8", u"German"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName("de_DE", nullptr, nullptr, nullptr, u"English"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(expectSystemName("zh_TW:zh", nullptr, nullptr, "en_US.UTF-8", u"Chinese_traditional"),
                testing::ExitedWithCode(0), "");
}
