#pragma once

#include "foundation/col/array/ArrayP.h"
#include "foundation/xml/AttrFactory.h"

namespace s::xml {

/// The attribute records of one element, in document order. Element text is
/// held as records with an empty name.
///
/// Names are looked up case-insensitively and the first match wins. Adding
/// never replaces a record of the same name; callers that replace a value
/// remove the old record first. Records come from and return to
/// `AttrFactory::instance()`.
class Attributes : public base::IObject {
public:
    Attributes();
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    ~Attributes() override = default;

    u32 size() const { return m_records.size(); }
    const AttrRecord* get(u32 i) const { return m_records.getAs<AttrRecord>(i); }

    /// The first record named `name` (`length` -1: up to its terminating 0;
    /// null or empty: element text), its index through `index` when given.
    bool find(const char16_t* name, i32 length, u32* index) const;
    const AttrRecord* find(const char16_t* name, i32 length = -1) const;

    /// Appends a record with copies of `name` and the stored (already
    /// escaped) `value`. False when memory runs out.
    bool append(const char16_t* name, u32 nameLength, const char16_t* value, u32 valueLength);

    /// Removes record `i`.
    void remove(u32 i) { m_records.remove(i); }
    /// Removes every record named `name`; the number removed.
    u32 removeAll(const char16_t* name, i32 length = -1);
    /// Removes every record.
    void clear() { m_records.clear(); }

    const char16_t* getClassName() const override { return u"s_xml_Attributes"; }
    /// A fresh, empty object (not pooled); the caller deletes it.
    base::IObject* newInstance() const override { return new Attributes(); }

private:
    col::_array::ArrayP m_records; // AttrRecord*, owned through AttrFactory
};

} // namespace s::xml
