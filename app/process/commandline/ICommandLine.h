#pragma once

#include "foundation/base/IObject.h"

namespace s::process::commandline {

/// The program's arguments in order, without the program's own name.
class ICommandLine : public base::IObject {
public:
    virtual u32 count() const = 0;
    /// The argument at `i`, or null past the end. A switch reads as "-" and
    /// its name ("--verbose" and "-verbose" both read "-verbose").
    virtual const char16_t* argument(u32 i) const = 0;
};

} // namespace s::process::commandline
