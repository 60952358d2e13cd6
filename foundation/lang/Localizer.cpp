#include "foundation/lang/Localizer.h"

#include "foundation/col/array/ArrayP.h"
#include "foundation/lang/LangPack.h"
#include "foundation/map/IMappedData.h"
#include "foundation/str/CaseMap.h"
#include "foundation/xml/Node.h"

#include <vector>

namespace s::lang {

using str::strbuffer::StrBuffer;

namespace {

bool equalsIgnoringCase(const char16_t* a, const char16_t* b) {
    const u32 n = base::charsLength(a);
    return n == base::charsLength(b) && str::compareIgnoringCase(a, b, n) == 0;
}

bool startsWithIgnoringCase(const char16_t* text, const char16_t* prefix) {
    const u32 n = base::charsLength(prefix);
    return base::charsLength(text) >= n && str::compareIgnoringCase(text, prefix, n) == 0;
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

Localizer::Localizer() : m_packs(new col::_array::ArrayP()), m_listeners(new col::_array::ArrayP()) {
    m_packs->setElementDestructor(&thread::poolOf<LangPack>());
}

Localizer::~Localizer() {
    // Delete rather than hand back: at exit the pack pool may be gone.
    for (u32 i = 0; i < m_packs->size(); ++i)
        delete m_packs->getAs<LangPack>(i);
    m_packs->setElementDestructor(nullptr);
    delete m_packs;
    delete m_listeners;
}

bool Localizer::load(const xml::IXml& document) {
    const xml::Node* languages = document.getChild(u"languages");
    const u32 before = m_packs->size();
    if (languages) {
        for (u32 i = 0; i < languages->childCount(); ++i) {
            const xml::Node* entry = languages->getChild(i);
            if (!entry->nameEquals(u"entry"))
                continue;
            LangPack* pack = LangPack::create();
            auto tag = thread::adopt(entry->getString(nullptr, u"tagName", u"", false));
            auto eng = thread::adopt(entry->getString(nullptr, u"engName", u"", false));
            auto own = thread::adopt(entry->getString(nullptr, u"trueName", u"", false));
            pack->setNames(tag->c_str(), eng->c_str(), own->c_str());
            m_packs->append(static_cast<void*>(pack));
        }
    }
    if (m_packs->size() == before)
        return false;
    if (const xml::Node* entries = document.getChild(u"entries")) {
        for (u32 i = 0; i < entries->childCount(); ++i) {
            const xml::Node* entry = entries->getChild(i);
            if (entry->nameEquals(u"entry"))
                loadEntry(*entry);
        }
    }
    return true;
}

bool Localizer::loadUtf8(const u8* bytes, u32 n) {
    auto document = thread::makePooled<xml::Node>();
    if (!document->parseUtf8(bytes, n))
        return false;
    return load(*document);
}

void Localizer::loadEntry(const xml::IXml& entry) {
    auto id = thread::adopt(entry.getString(nullptr, u"id", u"", false));
    if (id->length() == 0)
        return;
    const bool numbered = isDigit(id->charAt(0));
    const i32 number = numbered ? id->toS32() : 0;

    const u32 packs = m_packs->size();
    std::vector<bool> received(packs, false);
    auto fallback = thread::makePooled<StrBuffer>();
    auto text = thread::makePooled<StrBuffer>();
    for (u32 c = 0; c < entry.childCount(); ++c) {
        const xml::Node* child = entry.getChild(c);
        child->getString(text.get(), nullptr, u"", false);
        if (c == 0)
            fallback->set(*text);
        for (u32 p = 0; p < packs; ++p) {
            LangPack* pack = m_packs->getAs<LangPack>(p);
            if (!child->nameEquals(pack->getTagName(),
                                   static_cast<i32>(base::charsLength(pack->getTagName()))))
                continue;
            if (numbered)
                pack->addText(number, text->chars(), static_cast<i32>(text->length()));
            else
                pack->addKeyText(id->c_str(), text->chars(), static_cast<i32>(text->length()));
            received[p] = true;
            break;
        }
    }
    for (u32 p = 0; p < packs; ++p) {
        if (received[p])
            continue;
        LangPack* pack = m_packs->getAs<LangPack>(p);
        if (numbered)
            pack->addText(number, fallback->chars(), static_cast<i32>(fallback->length()));
        else
            pack->addKeyText(id->c_str(), fallback->chars(), static_cast<i32>(fallback->length()));
    }
}

LangPack* Localizer::systemPack() const {
    if (m_packs->size() == 0)
        return nullptr;
    const char16_t* system = m_systemLanguageSet ? m_systemLanguage.c_str() : systemLanguageName();
    LangPack* pack = findPackByName(system);
    return pack ? pack : m_packs->getAs<LangPack>(0);
}

LangPack* Localizer::establishCurrent() {
    if (!m_current)
        m_current = systemPack();
    return m_current;
}

const char16_t* Localizer::getText(i32 id) {
    LangPack* pack = establishCurrent();
    return pack ? pack->getText(id) : u"";
}

bool Localizer::hasText(i32 id) {
    LangPack* pack = establishCurrent();
    const StrBuffer* text = pack ? pack->findText(id) : nullptr;
    return text && text->length() > 0;
}

const char16_t* Localizer::getKeyText(const char16_t* key) {
    LangPack* pack = establishCurrent();
    return pack ? pack->getKeyText(key) : u"";
}

LangPack* Localizer::findPackByTag(const char16_t* tag) const {
    if (!tag)
        return nullptr;
    const u32 n = base::charsLength(tag);
    for (u32 i = 0; i < m_packs->size(); ++i) {
        LangPack* pack = m_packs->getAs<LangPack>(i);
        const char16_t* own = pack->getTagName();
        if (base::charsLength(own) == n && std::char_traits<char16_t>::compare(own, tag, n) == 0)
            return pack;
    }
    return nullptr;
}

LangPack* Localizer::findPackByName(const char16_t* name) const {
    if (!name || !*name)
        return nullptr;
    auto byName = [this](const char16_t* wanted) -> LangPack* {
        for (u32 i = 0; i < m_packs->size(); ++i) {
            LangPack* pack = m_packs->getAs<LangPack>(i);
            if (equalsIgnoringCase(pack->getEngName(), wanted))
                return pack;
        }
        return nullptr;
    };
    if (LangPack* pack = byName(name))
        return pack;
    // A language with several packs: its main pack first, then the other.
    static constexpr const char16_t* kFamilies[][3] = {
        {u"Chinese", u"CHINESE_SIMPLIFIED", u"CHINESE_TRADITIONAL"},
        {u"Portuguese", u"PORTUGUESE_BRAZILIAN", u"PORTUGUESE_PORTUGAL"},
        {u"Serbian", u"SERBIAN_CYRILLIC", u"SERBIAN_LATIN"},
    };
    for (const auto& family : kFamilies) {
        if (!startsWithIgnoringCase(name, family[0]))
            continue;
        if (LangPack* pack = byName(family[1]))
            return pack;
        return byName(family[2]);
    }
    return nullptr;
}

void Localizer::selectLanguage(const char16_t* name) {
    LangPack* current = establishCurrent();
    if (!current || (name && equalsIgnoringCase(current->getEngName(), name)))
        return;
    LangPack* pack = findPackByName(name);
    if (!pack)
        pack = findPackByName(u"English");
    if (!pack)
        pack = m_packs->getAs<LangPack>(0);
    if (pack == current)
        return;
    m_current = pack;
    // A listener may remove itself while being told; walk a copy.
    std::vector<ILanguageListener*> listeners;
    for (u32 i = 0; i < m_listeners->size(); ++i)
        listeners.push_back(m_listeners->getAs<ILanguageListener>(i));
    for (ILanguageListener* listener : listeners)
        listener->onEvent(this, 0);
}

const char16_t* Localizer::currentLanguage() {
    LangPack* pack = establishCurrent();
    return pack ? pack->getEngName() : u"";
}

LangPack* Localizer::currentPack() {
    return establishCurrent();
}

u32 Localizer::packCount() const {
    return m_packs->size();
}

LangPack* Localizer::pack(u32 i) const {
    return i < m_packs->size() ? m_packs->getAs<LangPack>(i) : nullptr;
}

void Localizer::addListener(ILanguageListener* listener) {
    if (listener)
        m_listeners->append(static_cast<void*>(listener));
}

void Localizer::removeListener(ILanguageListener* listener) {
    for (u32 i = 0; i < m_listeners->size(); ++i) {
        if (m_listeners->get(i) == listener) {
            m_listeners->remove(i, 1);
            return;
        }
    }
}

bool Localizer::applyStoredLanguage(map::IMappedData& store) {
    LangPack* system = systemPack();
    if (!system)
        return true;
    selectLanguage(system->getEngName());
    auto stored = thread::makePooled<StrBuffer>();
    stored->set(store.getString(kLanguageGroup, u"", currentLanguage()));
    selectLanguage(stored->c_str());
    if (stored->view() == std::u16string_view(currentLanguage()))
        return true;
    return store.setString(kLanguageGroup, u"", currentLanguage());
}

void Localizer::setSystemLanguage(const char16_t* name) {
    m_systemLanguage.set(name ? name : u"");
    m_systemLanguageSet = true;
}

void Localizer::reset() {
    m_packs->clear();
    m_listeners->clear();
    m_current = nullptr;
    m_systemLanguage.clear();
    m_systemLanguageSet = false;
}

} // namespace s::lang
