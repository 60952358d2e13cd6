#pragma once

#include "foundation/base/IObject.h"
#include "foundation/io/Streams.h"

namespace s::str {

/// The string interface: a UTF-16 text that is also a byte stream over its
/// own characters. `s::str::strbuffer::StrBuffer` is its only implementation.
class IStr : public base::IObject, public io::IInputStream, public io::IOutputStream {
public:
    /// Characters in use.
    virtual u32 length() const = 0;
    /// The characters, not terminated; may be null when nothing was stored.
    virtual const char16_t* chars() const = 0;
    /// The characters followed by a 0. Never null.
    virtual const char16_t* c_str() const = 0;
    virtual char16_t charAt(u32 i) const = 0;
};

} // namespace s::str
