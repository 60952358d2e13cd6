// The texts snipforge-cli prints that the window shows too, from the same
// language pack, in the system's language.

#include "foundation/lang/Localizer.h"
#include "foundation/str/StrBuffer.h"
#include "resources/Resources.h"
#include "tools/snipforge-cli/Command.h"

#include <mutex>

namespace s::cli {

lang::Localizer* localizer() {
    static lang::Localizer* pack = [] {
        lang::Localizer* l = lang::Localizer::create();
        const std::span<const u8> bytes = resources::languagePackXml();
        if (!l->loadUtf8(bytes.data(), static_cast<u32>(bytes.size()))) {
            l->release();
            return static_cast<lang::Localizer*>(nullptr);
        }
        // The first lookup picks the pack of the system's language (English
        // for a language without one); the window's stored choice is its own.
        (void)l->currentLanguage();
        return l;
    }();
    return pack;
}

std::string text(int id, const char* english) {
    lang::Localizer* l = localizer();
    if (!l || !l->hasText(id))
        return english;
    str::strbuffer::StrBuffer b;
    b.set(l->getText(id));
    b.replaceAll(u"\u00a0", u" ");
    return b.toStdString();
}

} // namespace s::cli
