#include "foundation/lang/LangPack.h"

#include "foundation/cleaner/Cleaners.h"
#include "foundation/col/array/Arrays.h"
#include "foundation/map/MapTable.h"
#include "foundation/str/StrArray.h"

namespace s::lang {

using str::strbuffer::StrBuffer;

LangPack::LangPack()
    : m_ids(new col::_array::ArrayS32()), m_texts(new str::strarray::StrArray()),
      m_keys(new str::strarray::StrArray()), m_keyTexts(new str::strarray::StrArray()),
      m_keyTable(new map::MapTable()) {
    // Keys go back to the string pool when cleared; at exit that pool may be
    // gone, so the table deletes them itself then.
    m_keyTable->setKeyDestructors(&thread::poolOf<StrBuffer>(), cleaner::CleanerIObject::get());
}

LangPack::~LangPack() {
    delete m_keyTable;
    delete m_keyTexts;
    delete m_keys;
    delete m_texts;
    delete m_ids;
}

void LangPack::setNames(const char16_t* tagName, const char16_t* engName, const char16_t* trueName) {
    m_tagName.set(tagName ? tagName : u"");
    m_engName.set(engName ? engName : u"");
    m_trueName.set(trueName ? trueName : u"");
}

void LangPack::addText(i32 id, const char16_t* text, i32 n) {
    m_ids->append(id);
    m_texts->append(text ? text : u"", text ? n : 0);
}

const StrBuffer* LangPack::findText(i32 id) const {
    // The packs hold a few hundred texts; a scan is as fast as a table.
    const u32 n = m_ids->size();
    const i32* ids = m_ids->data();
    for (u32 i = 0; i < n; ++i) {
        if (ids[i] == id)
            return m_texts->get(i);
    }
    return nullptr;
}

const char16_t* LangPack::getText(i32 id) const {
    const StrBuffer* text = findText(id);
    return text ? text->c_str() : u"";
}

u32 LangPack::textCount() const {
    return m_ids->size();
}

bool LangPack::addKeyText(const char16_t* key, const char16_t* text, i32 n) {
    if (!key || hasKey(key))
        return false;
    StrBuffer* value = StrBuffer::create();
    if (text)
        value->append(text, n);
    StrBuffer* name = StrBuffer::create();
    name->set(key);
    if (!m_keyTable->put(name, value)) {
        name->release();
        value->release();
        return false;
    }
    m_keys->append(key);
    m_keyTexts->append(value);
    return true;
}

const StrBuffer* LangPack::findKeyText(const char16_t* key) const {
    if (!key)
        return nullptr;
    auto probe = thread::makePooled<StrBuffer>();
    probe->set(key);
    return static_cast<const StrBuffer*>(m_keyTable->get(probe.get()));
}

bool LangPack::hasKey(const char16_t* key) const {
    return findKeyText(key) != nullptr;
}

const char16_t* LangPack::getKeyText(const char16_t* key) const {
    const StrBuffer* text = findKeyText(key);
    return text ? text->c_str() : u"";
}

void LangPack::reset() {
    m_keyTable->clear();
    m_keyTexts->clear();
    m_keys->clear();
    m_texts->clear();
    m_ids->clear();
    m_tagName.clear();
    m_engName.clear();
    m_trueName.clear();
}

} // namespace s::lang
