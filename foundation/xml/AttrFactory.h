#pragma once

#include "foundation/thread/PoolerBase.h"

namespace s::xml {

/// One attribute of an element. Element text is a record with an empty name.
/// Both strings are separately allocated (malloc), zero-terminated UTF-16;
/// `value` holds the escaped (file) form.
struct AttrRecord {
    u32 nameLength;
    char16_t* name;
    u32 valueLength;
    char16_t* value;
};

/// The process-wide pool of attribute records. A record it hands out is
/// zero-filled; a record handed back has its strings freed.
class AttrFactory : public thread::Factory {
public:
    AttrFactory() = default;
    ~AttrFactory() override;

    /// The one factory of the process, made on first use and never destroyed,
    /// so that documents held in other process-wide objects can still hand
    /// their records back while the process exits.
    static AttrFactory& instance();

    u32 sizeOf(void* item) const override;
    void* generate() override;
    /// Frees the two strings and zero-fills the record.
    void resetItem(void* item) override;
    /// Frees the two strings and the record.
    void destroyItem(void** item) override;

    const char16_t* getClassName() const override { return u"s_xml_AttrFactory"; }
    /// A separate, empty factory (the shared one is `instance()`).
    base::IObject* newInstance() const override { return new AttrFactory(); }
};

} // namespace s::xml
