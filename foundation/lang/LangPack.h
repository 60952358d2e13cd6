#pragma once

#include "foundation/base/IObject.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::col::_array {
class ArrayS32;
}
namespace s::str::strarray {
class StrArray;
}
namespace s::map {
class MapTable;
}

namespace s::lang {

/// The texts of one language: numbered texts in the order they were added,
/// and texts addressed by a key name. Filled once by the localizer and read
/// only afterwards, so any thread may read it while no one adds.
class LangPack final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(LangPack)

public:
    LangPack();
    LangPack(const LangPack&) = delete;
    LangPack& operator=(const LangPack&) = delete;
    ~LangPack() override;

    /// Null is taken as empty.
    void setNames(const char16_t* tagName, const char16_t* engName, const char16_t* trueName);
    /// Three lower-case letters, such as "eng".
    const char16_t* getTagName() const { return m_tagName.c_str(); }
    /// The English name with words joined by '_', such as "Portuguese_Brazilian".
    const char16_t* getEngName() const { return m_engName.c_str(); }
    /// The name in the language itself.
    const char16_t* getTrueName() const { return m_trueName.c_str(); }

    /// Appends the text of number `id`; an earlier text of the same number
    /// stays the one found.
    void addText(i32 id, const char16_t* text, i32 n = -1);
    /// The first text of number `id`, or null when the pack lacks it. The
    /// text belongs to the pack.
    const str::strbuffer::StrBuffer* findText(i32 id) const;
    /// The text of number `id`, or the empty string.
    const char16_t* getText(i32 id) const;
    u32 textCount() const;

    /// Adds the text of a key unless the key has one already; false then.
    bool addKeyText(const char16_t* key, const char16_t* text, i32 n = -1);
    bool hasKey(const char16_t* key) const;
    /// The text of `key`, or the empty string.
    const char16_t* getKeyText(const char16_t* key) const;

    const char16_t* getClassName() const override { return u"s_lang_LangPack"; }
    /// Drops names and texts.
    void reset() override;

private:
    const str::strbuffer::StrBuffer* findKeyText(const char16_t* key) const;

    col::_array::ArrayS32* m_ids;     // numbers, parallel to m_texts
    str::strarray::StrArray* m_texts; // owned strings
    str::strarray::StrArray* m_keys;  // key names, parallel to m_keyTexts
    str::strarray::StrArray* m_keyTexts;
    str::strbuffer::StrBuffer m_tagName;
    str::strbuffer::StrBuffer m_engName;
    str::strbuffer::StrBuffer m_trueName;
    map::MapTable* m_keyTable; // key name (own copy) -> text in m_keyTexts
};

} // namespace s::lang
