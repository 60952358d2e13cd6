#pragma once

#include "foundation/base/IObject.h"
#include "foundation/io/Streams.h"

namespace s::file {

/// A byte stream that reads a file.
class IFileInputStream : public base::IObject, public io::IInputStream {
public:
    /// Opens the file at `path` for reading; false when it cannot be opened.
    [[nodiscard]] virtual bool open(const char16_t* path) = 0;
    virtual bool isOpen() const = 0;
    const char16_t* getClassName() const override { return u"s_file_IFileInputStream"; }
};

/// A buffered byte stream that writes a file and can read it back through
/// the same handle.
class IFileOutputStream : public base::IObject, public io::IOutputStream, public io::IInputStream {
public:
    /// Opens the file at `path` for writing: at its end when `append` (made
    /// when missing), else created or truncated.
    [[nodiscard]] virtual bool open(const char16_t* path, bool append) = 0;
    virtual bool isOpen() const = 0;
    const char16_t* getClassName() const override { return u"s_file_IFileOutputStream"; }
};

} // namespace s::file
