#pragma once

#include "foundation/base/IObject.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <string_view>

namespace s::col::_array {
class ArrayP;
}
namespace s::xml {
class IXml;
}
namespace s::map {
class IMappedData;
}

namespace s::lang {

class LangPack;

/// Told after every change of the current language; it then fetches its texts
/// again. `onEvent` is called with the localizer and code 0.
class ILanguageListener {
public:
    virtual ~ILanguageListener() = default;
    virtual void onEvent(base::IObject* source, i32 code) = 0;
};

/// The settings group that holds the chosen language's English name as its
/// own value (empty key), at the root of the store.
inline constexpr const char16_t* kLanguageGroup = u"Language";

/// The program's texts in every language of the language pack, by number.
///
/// The document is loaded once; languages that lack the translation of an
/// entry get the entry's first text (English) at load time, so lookups never
/// fall back. The current language is chosen on first use from the system's
/// language and changes only through `selectLanguage`. Texts are read on the
/// user-interface thread; workers may read them too while no language change
/// happens at the same time.
class Localizer final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Localizer)

public:
    Localizer();
    Localizer(const Localizer&) = delete;
    Localizer& operator=(const Localizer&) = delete;
    ~Localizer() override;

    /// Adds the packs and texts of a parsed language-pack document (root
    /// "lang" with "languages" and "entries"). Child elements whose tag names
    /// no pack are ignored. False when the document gave no language.
    [[nodiscard]] bool load(const xml::IXml& document);
    /// Parses UTF-8 document text and loads it; false when the text is not a
    /// complete document or gave no language.
    [[nodiscard]] bool loadUtf8(const u8* bytes, u32 n);

    /// The current language's text of number `id`, or the empty string. The
    /// text belongs to the pack and stays valid while the localizer lives.
    const char16_t* getText(i32 id);
    /// Whether the current language has a non-empty text of number `id`.
    bool hasText(i32 id);
    /// The current language's text of a key name, or the empty string.
    const char16_t* getKeyText(const char16_t* key);

    /// Exact comparison of the tag ("eng").
    LangPack* findPackByTag(const char16_t* tag) const;
    /// The pack of an English language name, ignoring case; a Chinese,
    /// Portuguese or Serbian name without a pack of its own gets that
    /// language's main pack ("Portuguese_portugal" gets Portuguese_Brazilian).
    LangPack* findPackByName(const char16_t* name) const;

    /// Makes the language of `name` current (English when no pack has that
    /// name, else the first pack) and tells the listeners, in registration
    /// order. Nothing happens, and no listener is told, when that language is
    /// current already (whatever the letter case of `name`).
    void selectLanguage(const char16_t* name);
    /// The current pack's English name; empty without packs.
    const char16_t* currentLanguage();
    /// Null without packs.
    LangPack* currentPack();

    u32 packCount() const;
    LangPack* pack(u32 i) const;

    /// Listeners are not owned; each is called at most once per change.
    void addListener(ILanguageListener* listener);
    void removeListener(ILanguageListener* listener);

    /// The start-up choice: the system's language, then the one stored in
    /// `store` (group "Language", empty key); when the language finally
    /// selected has another name than the stored one (a name no pack has, or
    /// another letter case), its name is stored. Nothing is stored while the
    /// store has no choice, so the program keeps following the system's
    /// language until the user picks one. False when storing failed.
    bool applyStoredLanguage(map::IMappedData& store);

    /// Replaces the system's language for this localizer's choice on first
    /// use (an English language name, as `systemLanguageName` gives).
    void setSystemLanguage(const char16_t* name);

    /// The system's user-interface language as an English name
    /// ("Portuguese_brazilian"), from the first set one of LANGUAGE, LC_ALL,
    /// LC_MESSAGES and LANG; empty when it names no known language. Computed
    /// once per process.
    static const char16_t* systemLanguageName();
    /// The English name of a locale name such as "pt_BR.UTF-8",
    /// "sr_RS@latin" or "zh_HK"; "English" for "C" and "POSIX", empty when
    /// the language is unknown. The first letter is upper case, the rest
    /// lower case.
    static std::u16string languageNameOfLocale(std::string_view locale);

    const char16_t* getClassName() const override { return u"s_lang_Localizer"; }
    /// Drops every pack and listener.
    void reset() override;

private:
    void loadEntry(const xml::IXml& entry);
    /// The pack of the system's language, else the first; null without packs.
    LangPack* systemPack() const;
    /// Sets m_current on first use.
    LangPack* establishCurrent();

    col::_array::ArrayP* m_packs;     // LangPack*, owned through the LangPack pool
    col::_array::ArrayP* m_listeners; // ILanguageListener*, not owned
    LangPack* m_current = nullptr;    // null before the first lookup
    str::strbuffer::StrBuffer m_systemLanguage;
    bool m_systemLanguageSet = false;
};

} // namespace s::lang
