#pragma once

#include "foundation/file/IPathArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"

#include <string_view>
#include <vector>

namespace s::file::win {

class PathWin;

/// The sort order of `PathArray`: the two texts compared ignoring case over
/// their common length, and then the shorter first. Negative, 0 or positive.
int compareForSort(std::u16string_view a, std::u16string_view b);

/// An owning list of `PathWin` objects (disposed elements go back to the
/// path pool) with sorting, grouping and batch operations.
///
/// Recorded kinds are positional: they belong to the elements that were in
/// the list when `recordKinds()` ran, and the sorts move them along. Shell
/// change notices do not exist on this platform (file managers watch the
/// disk), so `notifyCreated` and `notifyDeleted` do nothing.
///
/// The batch operations carry out what the desktop's file manager would,
/// without its dialogs: they never replace an entry that already exists in
/// the target folder; such an element is skipped and the result is
/// `kBatchPartial` (the file manager's "skip"). Pooled; one thread at a time.
class PathArray : public IPathArray {
    S_POOLED_CLASS(PathArray)

public:
    PathArray();
    PathArray(const PathArray&) = delete;
    PathArray& operator=(const PathArray&) = delete;
    ~PathArray() override = default;

    const char16_t* getClassName() const override { return u"s_file_win_PathArray"; }

    PathWin* path(u32 i) const { return getAs<PathWin>(i); }

    void sortByPath() override;
    void sortByExt() override;

    /// Groups the existing files (folders and missing entries are left out)
    /// by size into new `Extension` records labelled "1024", "10240", ...,
    /// "1073741824": each file under the smallest label greater than its size
    /// (files of 1073741824 bytes or more are left out). Groups come in
    /// ascending order of their labels; empty groups are not made. The
    /// groups hold copies of the path objects. The caller releases the
    /// returned list, which releases its groups.
    [[nodiscard]] col::_array::ArrayP* groupBySizeAbove() const;
    /// The same under the largest label not greater than the size (files
    /// below 1024 bytes are left out).
    [[nodiscard]] col::_array::ArrayP* groupBySizeBelow() const;

    void recordKinds() override;
    bool hasRecordedKinds() const override { return m_kindsRecorded; }
    bool recordedKind(u32 i) const override;

    /// A new list with every element's name placed in `folder`, carrying the
    /// recorded kinds.
    [[nodiscard]] PathArray* placedIn(const char16_t* folder) const;
    /// A new list of shortcut paths in `folder` (name + ".lnk"; "root.lnk"
    /// for the root folder), carrying the recorded kinds.
    [[nodiscard]] PathArray* shortcutsIn(const char16_t* folder) const;
    /// Replaces every element that names an existing entry by its
    /// `numberedUnique()` path.
    void makeUnique();
    /// Nothing to send on this platform.
    void notifyCreated() const {}
    void notifyDeleted() const {}

    /// Copies (moves) every element into `folder`, made when missing; when
    /// `folder` is a folder shortcut, into its target. Symbolic links are
    /// copied as links. With `notify` the kinds are recorded first.
    [[nodiscard]] int copyAllTo(const char16_t* folder, bool notify = false);
    [[nodiscard]] int moveAllTo(const char16_t* folder, bool notify = false);
    /// Creates a shortcut in `folder` for every existing element.
    [[nodiscard]] int createShortcutsIn(const char16_t* folder);
    /// Moves every element that exists to the trash.
    [[nodiscard]] int deleteAll();

    void appendPath(const char16_t* text) override;
    const str::strbuffer::StrBuffer& buildFromList() override;
    const str::strbuffer::StrBuffer& getFromList() const override { return m_fromList; }

    /// Releases the elements, forgets the kinds and the list form.
    void reset() override;

private:
    enum class SortKey { Path, Ext };
    void sortBy(SortKey key);
    col::_array::ArrayP* groupBySize(bool above) const;
    PathArray* placedWithSuffix(const char16_t* folder, const char16_t* suffix) const;
    int transferAllTo(const char16_t* folder, bool move, bool notify);

    std::vector<u8> m_kinds; // one flag per element: 1 = was a folder
    bool m_kindsRecorded = false;
    str::strbuffer::StrBuffer m_fromList;
};

} // namespace s::file::win
