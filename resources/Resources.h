#pragma once

#include "foundation/base/Types.h"

#include <span>

namespace s::resources {

/// The language-pack document (UTF-8 XML) built into the program. The bytes
/// live as long as the process; a zero byte follows them (not counted).
std::span<const u8> languagePackXml();

} // namespace s::resources
