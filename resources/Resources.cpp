#include "resources/Resources.h"

extern const unsigned char snipforge_language_pack[];
extern const unsigned long snipforge_language_pack_size;

namespace s::resources {

std::span<const u8> languagePackXml() {
    return {snipforge_language_pack, snipforge_language_pack_size};
}

} // namespace s::resources
