#include "foundation/xml/AttrFactory.h"

#include <cstdlib>
#include <cstring>

namespace s::xml {

AttrFactory::~AttrFactory() { drain(); }

AttrFactory& AttrFactory::instance() {
    static AttrFactory* factory = new AttrFactory();
    return *factory;
}

u32 AttrFactory::sizeOf(void*) const { return sizeof(AttrRecord); }

void* AttrFactory::generate() { return std::calloc(1, sizeof(AttrRecord)); }

void AttrFactory::resetItem(void* item) {
    if (!item)
        return;
    auto* record = static_cast<AttrRecord*>(item);
    std::free(record->name);
    std::free(record->value);
    std::memset(record, 0, sizeof *record);
}

void AttrFactory::destroyItem(void** item) {
    if (!item || !*item)
        return;
    auto* record = static_cast<AttrRecord*>(*item);
    std::free(record->name);
    std::free(record->value);
    std::free(record);
    *item = nullptr;
}

} // namespace s::xml
