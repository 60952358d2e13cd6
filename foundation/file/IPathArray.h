#pragma once

#include "foundation/col/array/ArrayP.h"

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::file {

/// A list of path objects with batch operations on its elements. It is an
/// owning `ArrayP` of path objects, so it can be passed wherever a listing
/// takes its `out` array; `s::file::win::PathArray` implements it.
///
/// The batch operations that change the file system (`copyAllTo`,
/// `moveAllTo`, `createShortcutsIn`, `deleteAll`) answer with a `BatchResult`.
class IPathArray : public col::_array::ArrayP {
public:
    /// Results of the batch operations.
    enum BatchResult : int {
        kBatchFailed = 0,  ///< the operation failed, or an element could not be done
        kBatchPartial = 1, ///< the rest succeeded, but some elements were skipped
        kBatchDone = 2,    ///< every element was done
    };

    /// Sorts by full path (`sortByPath`) or by extension (`sortByExt`),
    /// ignoring case over the common length of two texts and then putting
    /// the shorter first; elements with equal keys keep their order.
    /// Recorded kinds move with their elements.
    virtual void sortByPath() = 0;
    virtual void sortByExt() = 0;
    /// Whether each element is a folder, kept until recorded again or reset.
    virtual void recordKinds() = 0;
    virtual bool hasRecordedKinds() const = 0;
    /// The kind recorded for element `i` (false when none was recorded).
    virtual bool recordedKind(u32 i) const = 0;
    /// Appends a path object made from `text`.
    virtual void appendPath(const char16_t* text) = 0;
    /// Fills the list form (the full paths, each followed by a zero
    /// character, and one more zero character at the end) and returns it.
    virtual const str::strbuffer::StrBuffer& buildFromList() = 0;
    /// The list form as `buildFromList` last left it.
    virtual const str::strbuffer::StrBuffer& getFromList() const = 0;
};

} // namespace s::file
