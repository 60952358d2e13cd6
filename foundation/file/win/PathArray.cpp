#include "foundation/file/win/PathArray.h"

#include "foundation/file/Extension.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/CaseMap.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace s::file::win {

using str::strbuffer::StrBuffer;

int compareForSort(std::u16string_view a, std::u16string_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    if (const int c = str::compareIgnoringCase(a.data(), b.data(), static_cast<u32>(common)))
        return c;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

namespace {

struct Item {
    void* path;
    u8 kind;
};

// Runs shorter than this are sorted by insertion.
constexpr size_t kInsertionRun = 7;

// The stable merge sort: sorts dest[low, high), using src (which holds the
// same elements) as the other half of the work space.
template <class Less> void mergeSort(Item* src, Item* dest, size_t low, size_t high, const Less& less) {
    const size_t length = high - low;
    if (length < kInsertionRun) {
        for (size_t i = low + 1; i < high; ++i) {
            for (size_t j = i; j > low && less(dest[j], dest[j - 1]); --j) {
                const Item t = dest[j];
                dest[j] = dest[j - 1];
                dest[j - 1] = t;
            }
        }
        return;
    }
    const size_t mid = (low + high) / 2;
    mergeSort(dest, src, low, mid, less);
    mergeSort(dest, src, mid, high, less);
    // The two halves are in order already: nothing to merge.
    if (!less(src[mid], src[mid - 1])) {
        for (size_t i = low; i < high; ++i)
            dest[i] = src[i];
        return;
    }
    for (size_t i = low, p = low, q = mid; i < high; ++i) {
        if (q >= high || (p < mid && !less(src[q], src[p])))
            dest[i] = src[p++];
        else
            dest[i] = src[q++];
    }
}

constexpr i64 kSizeLabels[] = {1024, 10240, 102400, 1048576, 10485760, 104857600, 1073741824};
constexpr size_t kSizeLabelCount = sizeof kSizeLabels / sizeof kSizeLabels[0];

std::u16string joinedInFolder(const char16_t* folder, std::u16string_view name) {
    std::u16string out(folder ? folder : u"");
    if (out.empty() || out.back() != u'/')
        out += u'/';
    out += name;
    return out;
}

} // namespace

PathArray::PathArray() {
    setElementDestructor(&thread::poolOf<PathWin>());
}

void PathArray::reset() {
    ArrayP::reset();
    setElementDestructor(&thread::poolOf<PathWin>());
    m_kinds.clear();
    m_kindsRecorded = false;
    m_fromList.clear();
}

void PathArray::sortBy(SortKey key) {
    const u32 n = size();
    if (n < 2)
        return;
    std::vector<Item> items(n);
    for (u32 i = 0; i < n; ++i)
        items[i] = {get(i), static_cast<u8>(i < m_kinds.size() ? m_kinds[i] : 0)};
    std::vector<Item> work = items;
    const auto keyOf = [key](const Item& item) {
        const auto* p = static_cast<const PathWin*>(item.path);
        return key == SortKey::Path ? p->fullPathStr().view() : std::u16string_view(p->extText());
    };
    const auto less = [&](const Item& a, const Item& b) { return compareForSort(keyOf(a), keyOf(b)) < 0; };
    mergeSort(work.data(), items.data(), 0, n, less);
    for (u32 i = 0; i < n; ++i)
        set(i, items[i].path);
    if (m_kindsRecorded) {
        for (u32 i = 0; i < n && i < m_kinds.size(); ++i)
            m_kinds[i] = items[i].kind;
    }
}

void PathArray::sortByPath() {
    sortBy(SortKey::Path);
}

void PathArray::sortByExt() {
    sortBy(SortKey::Ext);
}

col::_array::ArrayP* PathArray::groupBySize(bool above) const {
    auto* groups = col::_array::ArrayP::create();
    groups->setElementDestructor(&thread::poolOf<Extension>());
    Extension* byLabel[kSizeLabelCount] = {};
    for (u32 i = 0; i < size(); ++i) {
        const PathWin* p = path(i);
        if (!p->isFile() || !p->exists())
            continue;
        const i64 bytes = p->size(false, true, nullptr, nullptr, true);
        size_t label = kSizeLabelCount;
        if (above) {
            for (size_t k = 0; k < kSizeLabelCount && label == kSizeLabelCount; ++k) {
                if (kSizeLabels[k] > bytes)
                    label = k;
            }
        } else {
            for (size_t k = kSizeLabelCount; k > 0 && label == kSizeLabelCount; --k) {
                if (kSizeLabels[k - 1] <= bytes)
                    label = k - 1;
            }
        }
        if (label == kSizeLabelCount)
            continue;
        if (!byLabel[label]) {
            byLabel[label] = Extension::create();
            byLabel[label]->key().set(kSizeLabels[label]);
        }
        byLabel[label]->paths()->appendPath(p->fullPathText());
    }
    for (Extension* group : byLabel) {
        if (group)
            groups->append(static_cast<base::IObject*>(group));
    }
    return groups;
}

col::_array::ArrayP* PathArray::groupBySizeAbove() const {
    return groupBySize(true);
}

col::_array::ArrayP* PathArray::groupBySizeBelow() const {
    return groupBySize(false);
}

void PathArray::recordKinds() {
    m_kinds.assign(size(), 0);
    for (u32 i = 0; i < size(); ++i)
        m_kinds[i] = path(i)->isFolder() ? 1 : 0;
    m_kindsRecorded = true;
}

bool PathArray::recordedKind(u32 i) const {
    return m_kindsRecorded && i < m_kinds.size() && m_kinds[i] != 0;
}

PathArray* PathArray::placedWithSuffix(const char16_t* folder, const char16_t* suffix) const {
    PathArray* out = PathArray::create();
    StrBuffer name;
    for (u32 i = 0; i < size(); ++i) {
        path(i)->nameInto(&name, false);
        if (name.length() == 0)
            name.set(u"root"); // the root folder has no name of its own
        name.append(suffix);
        out->appendPath(joinedInFolder(folder, name.view()).c_str());
    }
    out->m_kinds = m_kinds;
    out->m_kindsRecorded = m_kindsRecorded;
    return out;
}

PathArray* PathArray::placedIn(const char16_t* folder) const {
    return placedWithSuffix(folder, u"");
}

PathArray* PathArray::shortcutsIn(const char16_t* folder) const {
    return placedWithSuffix(folder, u".lnk");
}

void PathArray::makeUnique() {
    for (u32 i = 0; i < size(); ++i) {
        PathWin* p = path(i);
        struct stat st;
        if (!p->isValid() || ::lstat(p->osPathBytes().c_str(), &st) != 0)
            continue;
        PathWin* unique = p->numberedUnique();
        p->release();
        set(i, static_cast<base::IObject*>(unique));
    }
}

int PathArray::transferAllTo(const char16_t* folder, bool move, bool notify) {
    PathHandle target(newPath(folder));
    if (!target->isValid())
        return kBatchFailed;
    if (target->isFolderShortcut()) {
        PathHandle resolved(target->folderShortcutTargetPath());
        if (!resolved)
            return kBatchFailed;
        target = std::move(resolved);
    }
    if (!target->exists() && !target->makeFolder(false))
        return kBatchFailed;
    PathHandle check(newPath(target->fullPathText()));
    if (!check->isFolder())
        return kBatchFailed;
    if (notify)
        recordKinds();
    thread::Pooled<PathArray> targets(placedIn(target->fullPathText()));
    bool skipped = false;
    bool failed = false;
    for (u32 i = 0; i < size(); ++i) {
        PathWin* from = path(i);
        PathWin* to = targets->path(i);
        struct stat st;
        if (::lstat(from->osPathBytes().c_str(), &st) != 0) {
            failed = true; // nothing to copy or move
            continue;
        }
        if (::lstat(to->osPathBytes().c_str(), &st) == 0) {
            skipped = true; // never replaced without asking
            continue;
        }
        bool ok;
        if (move) {
            ok = from->moveTo(to->fullPathText(), false);
        } else if (from->isSymbolicLink()) {
            // A shortcut is copied as a shortcut, also when its target is gone.
            PathHandle stored(from->shortcutTarget());
            ok = stored && ::symlink(stored->osPathBytes().c_str(), to->osPathBytes().c_str()) == 0;
        } else {
            ok = from->copyTo(to->fullPathText(), false);
        }
        failed = failed || !ok;
    }
    if (notify) {
        targets->notifyCreated();
        if (move)
            notifyDeleted();
    }
    return failed ? kBatchFailed : skipped ? kBatchPartial : kBatchDone;
}

int PathArray::copyAllTo(const char16_t* folder, bool notify) {
    return transferAllTo(folder, false, notify);
}

int PathArray::moveAllTo(const char16_t* folder, bool notify) {
    return transferAllTo(folder, true, notify);
}

int PathArray::createShortcutsIn(const char16_t* folder) {
    thread::Pooled<PathArray> links(shortcutsIn(folder));
    bool skipped = false;
    bool failed = false;
    for (u32 i = 0; i < size(); ++i) {
        PathWin* from = path(i);
        if (!from->exists())
            continue;
        PathWin* link = links->path(i);
        struct stat st;
        if (::lstat(link->osPathBytes().c_str(), &st) == 0) {
            skipped = true;
            continue;
        }
        failed = !from->createShortcutAt(link->fullPathText(), false) || failed;
    }
    return failed ? kBatchFailed : skipped ? kBatchPartial : kBatchDone;
}

int PathArray::deleteAll() {
    bool failed = false;
    for (u32 i = 0; i < size(); ++i) {
        PathWin* p = path(i);
        struct stat st;
        if (!p->isValid() || ::lstat(p->osPathBytes().c_str(), &st) != 0)
            continue;
        failed = !p->recycle(false, false) || failed;
    }
    return failed ? kBatchFailed : kBatchDone;
}

void PathArray::appendPath(const char16_t* text) {
    append(static_cast<base::IObject*>(newPath(text)));
}

const StrBuffer& PathArray::buildFromList() {
    m_fromList.clear();
    for (u32 i = 0; i < size(); ++i)
        m_fromList.append(path(i)->fullPathStr()).append(u'\0');
    m_fromList.append(u'\0');
    return m_fromList;
}

} // namespace s::file::win
