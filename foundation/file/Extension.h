#pragma once

#include "foundation/base/IObject.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::file::win {
class PathArray;
}

namespace s::file {

/// A group of path objects under a key text: the record of the grouping
/// operations of `PathArray` (the key is the group's label).
///
/// Compares, tests equality and hashes as its key does. The path list is
/// made on first use and owns its path objects. Pooled.
class Extension : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Extension)

public:
    Extension() = default;
    Extension(const Extension&) = delete;
    Extension& operator=(const Extension&) = delete;
    ~Extension() override;

    const char16_t* getClassName() const override { return u"s_file_Extension"; }
    /// Against another group (its key) or a string; other objects by address.
    int compareTo(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;
    int compareToIgnoreCase(const base::IObject* other,
                            const base::IComparator* comparator = nullptr) const override;
    bool equals(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;
    bool equalsIgnoreCase(const base::IObject* other,
                          const base::IComparator* comparator = nullptr) const override;
    i32 hashCode() const override { return m_key.hashCode(); }
    i32 hashCodeIgnoreCase() const override { return m_key.hashCodeIgnoreCase(); }

    str::strbuffer::StrBuffer& key() { return m_key; }
    const str::strbuffer::StrBuffer& key() const { return m_key; }
    /// The group's paths, made on first use; owned by the group.
    win::PathArray* paths();
    /// Null until `paths()` was first asked.
    const win::PathArray* pathsOrNull() const { return m_paths; }
    u32 pathCount() const;

    /// Empties the key and releases the path list.
    void reset() override;

private:
    const str::strbuffer::StrBuffer* keyOf(const base::IObject* other) const;

    str::strbuffer::StrBuffer m_key;
    win::PathArray* m_paths = nullptr; // owned; null until first asked
};

} // namespace s::file
