#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"

namespace s::file {

/// The path interface: a path text with the file-system operations on the
/// entry it names. `s::file::win::PathWin` is the platform implementation.
class IPath : public base::IObject, public thread::IPoolable {
public:
    /// A non-empty path was set and could be split.
    virtual bool isValid() const = 0;
    /// The entry exists.
    virtual bool exists() const = 0;
    /// The path every query uses (terminated, never null).
    virtual const char16_t* fullPathText() const = 0;
    /// Characters of the full path.
    virtual u32 length() const = 0;
    virtual bool isFolder() const = 0;
    virtual bool isFile() const = 0;
};

} // namespace s::file
