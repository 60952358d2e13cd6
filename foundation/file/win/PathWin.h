#pragma once

#include "foundation/file/IPath.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <string_view>

namespace s::col::_array {
class ArrayP;
class ArrayU08;
} // namespace s::col::_array
namespace s::str::strarray {
class StrArray;
}

namespace s::file::win {

class FileInputStream;
class FileOutputStream;
class PathArray;

/// A path that is split once and caches what it learns about the entry it
/// names, with the file-system operations the application needs.
///
/// Paths use "/" and have no drive: "/home/u/clip.final.mp4" splits into the
/// folder part "/home/u/", the title "clip.final" and the extension ".mp4".
/// A name that starts with a dot and has no other dot (".config") is all
/// title. Trailing "/" are dropped ("/a/b/" is "/a/b"); the root "/" stays
/// "/". A relative path stays relative. Any character except "/" and the
/// zero character may appear in a name, ":" included; texts handed to the
/// kernel are the names' bytes (see OsText.h), so every name read from a
/// folder works in every operation.
///
/// Caches (attributes, status, volume root, file-system kind, size on disk)
/// are filled by the first query and not refreshed by the object's own
/// operations: to see a changed entry, set the path again or use a new
/// object. The time getters re-read when asked to refresh.
///
/// Pooled (take with `create()` or a factory below, hand back with
/// `release()`); not locked: one thread at a time. Operations never throw and
/// report failure by false, empty or zero results. Paths of 3 or fewer
/// characters ("/", "/ab") are refused by rename, folder making, removal,
/// copying and moving; empty-file creation and recycling refuse paths of
/// fewer than 4 characters.
///
/// Operations returning a new object (a path, a string, an array) hand it to
/// the caller, who releases it. "Into" operations write into `out`
/// (replacing its text unless `append`), or into a new string from the pool
/// when `out` is null, and return it. The text accessors (`folderForm()` to
/// `extNoDot()`) return text held in the object's scratch string, valid until
/// the next such call on the same object.
class PathWin : public IPath {
    S_POOLED_CLASS(PathWin)

public:
    /// Attribute bits of `getAttributes()`.
    enum Attribute : u32 {
        kReadOnly = 0x1,        ///< no write permission for anybody
        kHidden = 0x2,          ///< the name starts with "."
        kSystem = 0x4,          ///< never set on this platform
        kFolder = 0x10,         ///< a folder, or a symbolic link to one
        kArchive = 0x20,        ///< never set on this platform
        kNormal = 0x80,         ///< a file with none of the other bits
        kReparsePoint = 0x400,  ///< a symbolic link
        kInvalid = 0xFFFFFFFFu, ///< the word of an entry that does not exist
    };

    /// File-system kinds of `isNtfs()` and `isFatFamily()`.
    enum FsKind : i32 {
        kFsUnknown = -1,
        kFsOther = 0,
        kFsFat = 1,
        kFsFat32 = 2,
        kFsVfat = 3,
        kFsNtfs = 4,
        kFsHpfs = 5
    };

    PathWin() = default;
    PathWin(const PathWin&) = delete;
    PathWin& operator=(const PathWin&) = delete;
    ~PathWin() override = default;

    const char16_t* getClassName() const override { return u"s_file_win_PathWin"; }
    /// Compare, test equality and hash as the full path text does.
    int compareTo(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;
    int compareToIgnoreCase(const base::IObject* other,
                            const base::IComparator* comparator = nullptr) const override;
    bool equals(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;
    bool equalsIgnoreCase(const base::IObject* other,
                          const base::IComparator* comparator = nullptr) const override;
    i32 hashCode() const override;
    i32 hashCodeIgnoreCase() const override;

    /// Empties every text and cache; the object becomes invalid.
    void reset() override { clear(); }

    // -- state and kind --
    /// Does nothing.
    virtual void dump() const {}
    virtual void clear();
    bool isValid() const override { return m_valid; }
    /// Valid and beginning with "/".
    virtual bool isAbsolute() const;
    /// Valid and the entry exists (symbolic links are followed).
    bool exists() const override;
    virtual bool isNtfs() const;
    virtual bool isFatFamily() const;
    /// The attribute word (cached); `kInvalid` when the entry does not exist.
    virtual u32 getAttributes() const;
    /// Only the read-only bit can be changed here; hidden and system cannot be
    /// added (false), the other bits are derived from the entry and ignored.
    /// True at once when all bits are already set.
    virtual bool addAttributes(u32 bits);
    /// Applies the read-only bit of `value`; the other bits are ignored. True
    /// at once when the cached word already equals `value`.
    virtual bool setAttributes(u32 value);
    /// Access tests of the calling process.
    virtual bool canRead() const;
    virtual bool canWrite() const;
    virtual bool canReadWrite() const;
    /// The kind tests are false for an entry that does not exist.
    bool isFolder() const override;
    virtual bool isEmptyFolder() const;
    bool isFile() const override;
    /// A path naming a named stream of a file (see `setStream`). Paths set
    /// from text never are: a ":" in a name is an ordinary character.
    virtual bool isStream() const { return m_streamPath; }
    virtual bool isHidden() const;
    virtual bool isSystem() const;
    virtual bool isArchive() const;
    /// A symbolic link (not part of the attribute tests of the listings'
    /// callers, but useful to them).
    bool isSymbolicLink() const;
    virtual bool isExe() const;
    /// A shortcut file: a ".lnk" name that is a symbolic link (to anything,
    /// or dangling) or a file.
    virtual bool isLnk() const;
    virtual bool isUrl() const;
    /// A folder whose child "target.lnk" is a shortcut whose target exists
    /// and is a folder.
    virtual bool isFolderShortcut() const;
    /// Network paths have no form of their own here: always false / empty.
    virtual bool isUnc() const { return false; }
    virtual const char16_t* uncHost() const { return u""; }
    /// There are no drives: always false.
    virtual bool isBareDrive() const { return false; }
    virtual bool hasDrive() const { return false; }
    /// The first character of the full path (0 when empty).
    virtual char16_t driveLetter() const;
    /// Both are absolute paths on the same mounted file system.
    [[nodiscard]] virtual bool isSameVolume(const char16_t* text) const;
    /// `text` relative to this path (as a folder when `asFolder` or when this
    /// is an existing folder, else relative to its folder); `text` itself
    /// when the two are not on the same volume. Common parts are whole
    /// names: "/a/bc" and "/a/bd/x" share "/a/".
    virtual const char16_t* relativize(const char16_t* text, bool asFolder);
    /// `text` with its leading "../" (and "./") groups resolved against this
    /// path; absolute texts come back unchanged. More groups than levels stop
    /// at the root.
    virtual const char16_t* resolve(const char16_t* text, bool asFolder);

    // -- texts --
    const char16_t* fullPathText() const override { return m_fullPath.c_str(); }
    const str::strbuffer::StrBuffer& fullPathStr() const { return m_fullPath; }
    /// The text handed to the platform: the full path (there is no
    /// extended-length form here).
    virtual const char16_t* osPath() const { return m_fullPath.c_str(); }
    /// The full path as the bytes the kernel takes.
    const std::string& osPathBytes() const { return m_os; }
    u32 length() const override { return m_fullPath.length(); }
    /// The mount point of the file system that holds the entry (or its
    /// nearest existing parent), ending in "/". Cached.
    virtual const char16_t* volumeRoot() const;
    virtual const char16_t* extText() const { return m_ext.c_str(); }

    // -- sizes and times --
    /// The entry's size in bytes (0 when missing). With `sumFolder` for a
    /// folder: the sum over its files (and, with `withSubfolders`, its real
    /// sub-folders; symbolic links are never followed), counting into the
    /// optional counters.
    virtual i64 size(bool sumFolder = false, bool withSubfolders = true, u32* fileCount = nullptr,
                     u32* folderCount = nullptr, bool withFiles = true) const;
    /// The size rounded up to the file system's allocation unit. Cached.
    virtual i64 sizeOnDisk() const;
    virtual void setStreamSize(i64 value) { m_streamSize = value; }
    /// Seconds since 1970 (UTC). Creation is the birth time where the file
    /// system records it, else the last write.
    virtual i64 creationTime(bool refresh = false) const;
    virtual i64 lastAccessTime(bool refresh = false) const;
    virtual i64 lastWriteTime(bool refresh = false) const;
    /// Sets the last write and access times (seconds since 1970; negative
    /// leaves a time unchanged). The creation time cannot be set here and is
    /// ignored. The flag matching the entry's kind (hidden, read-only,
    /// normal) decides whether anything happens; with `recursive` a folder's
    /// entries are done first.
    virtual bool setTimes(i64 creation, i64 lastWrite, i64 lastAccess, bool forNormal, bool forReadOnly,
                          bool forHidden, bool forSystem, bool recursive);

    // -- permissions --
    /// Write permission when `canWrite()`, else read-only.
    virtual bool applyWritable();
    /// Read-only removes every write bit; writable adds the owner's.
    virtual bool setWritable(bool flag);
    virtual bool makeWritable() { return setWritable(true); }
    /// Hiding would need a rename here: true only when already hidden.
    virtual bool hide() { return addAttributes(kHidden); }

    // -- changing the file system --
    /// Renames to `target` when it does not exist; never replaces and never
    /// copies between file systems.
    [[nodiscard]] virtual bool renameTo(const char16_t* target);
    /// Makes the folder (and missing parents); false when it exists.
    [[nodiscard]] virtual bool makeFolder(bool notify = false);
    /// Makes an empty file (and missing parents); false when it exists.
    [[nodiscard]] virtual bool createEmptyFile(bool notify = false);
    /// True when the parent folder exists or could be made.
    [[nodiscard]] virtual bool makeParent();
    /// Removes the entry; a folder with everything below it. Read-only
    /// entries are removed too; symbolic links are removed, never followed.
    /// True when the entry is gone (also when it never existed).
    [[nodiscard]] virtual bool remove(bool notify = false, bool onRebootIfFails = false);
    /// There is no deletion at the next start on this platform: false.
    [[nodiscard]] virtual bool removeOnReboot() { return false; }
    /// Moves the entry to the user's trash (the freedesktop trash: the home
    /// trash for entries on the home file system, else the file system's
    /// ".Trash-<uid>"), writing its ".trashinfo" record.
    [[nodiscard]] virtual bool recycle(bool showUi = false, bool notify = false);
    /// Copies a file, or a folder with everything below it (symbolic links
    /// inside are skipped). A folder is never copied into itself.
    [[nodiscard]] virtual bool copyTo(const char16_t* target, bool overwrite);
    /// Moves or renames; across file systems by copying and then removing the
    /// source. Replaces an existing target only when `replace`.
    [[nodiscard]] virtual bool moveTo(const char16_t* target, bool replace, bool notify = false);
    /// Renames the entry to random names in its folder, `passes` times: each
    /// character of the name except "." becomes one of A-Z, a-z, 1-9 (a name
    /// shorter than 3 characters first gets "__" appended, and all but its
    /// last character are replaced). A pass tries up to 20 names; a name that
    /// is taken is never replaced. The final path goes to `outPath` (when
    /// given); the content is untouched. The entry is made writable first and
    /// made read-only again afterwards when it was and `restoreAttributes`.
    /// True when at least one rename succeeded.
    [[nodiscard]] virtual bool scrambleName(u32 passes, str::strbuffer::StrBuffer* outPath,
                                            bool restoreAttributes);
    /// Makes a shortcut to this entry at `linkPath` (".lnk" appended unless
    /// it ends so, ignoring case): a symbolic link holding this entry's
    /// absolute path. When this entry is a shortcut itself, the shortcut is
    /// copied. An existing link or file there is replaced only with
    /// `overwrite`, and then atomically; a folder there is never replaced.
    /// A symbolic link has no room for arguments: non-empty `arguments` are
    /// refused (false). False when this entry does not exist.
    [[nodiscard]] virtual bool createShortcutAt(const char16_t* linkPath, bool overwrite,
                                                const char16_t* arguments = nullptr);
    /// Writes an internet shortcut for `url` at this path (".url" appended
    /// unless it ends so, ignoring case) in the form "[InternetShortcut]",
    /// "URL=<url>". An existing file is replaced (atomically) only with
    /// `overwrite`. Addresses with line breaks or zero characters, which
    /// would add lines to the file, are refused.
    [[nodiscard]] virtual bool createInternetShortcut(const char16_t* url, bool overwrite);

    // -- name forms --
    virtual str::strbuffer::StrBuffer* fullPathInto(str::strbuffer::StrBuffer* out, bool append) const;
    /// The full path followed by "/" (the root stays "/").
    virtual str::strbuffer::StrBuffer* folderFormInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* folderForm();
    /// The parent folder, or null for the root and for a bare relative name.
    [[nodiscard]] virtual PathWin* parentOrNull() const;
    /// The folder part ending in "/" (empty for a bare relative name).
    virtual str::strbuffer::StrBuffer* folderInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* folder();
    /// The folder part without its trailing "/" ("/" for the root).
    virtual str::strbuffer::StrBuffer* folderNoSlashInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* folderNoSlash();
    virtual str::strbuffer::StrBuffer* nameInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* name();
    virtual str::strbuffer::StrBuffer* titleInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* titleText();
    virtual str::strbuffer::StrBuffer* extInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* extWithDot();
    /// The extension without its dot; nothing for a lone ".".
    virtual str::strbuffer::StrBuffer* extNoDotInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* extNoDot();
    /// "File folder" for a folder, "MP4 File" for clip.mp4, "File" without
    /// an extension.
    virtual str::strbuffer::StrBuffer* typeNameInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* typeName();
    /// The size as a short text ("532 bytes", "1.46 MB"); nothing for an
    /// existing folder.
    virtual str::strbuffer::StrBuffer* sizeTextInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* sizeText();
    /// The address held by an internet shortcut: only for an existing file
    /// whose extension is ".url"; nothing otherwise.
    virtual str::strbuffer::StrBuffer* urlInto(str::strbuffer::StrBuffer* out, bool append) const;
    virtual const char16_t* url();
    /// The full path of the target of a folder shortcut (see
    /// `isFolderShortcut`); nothing for anything else.
    virtual str::strbuffer::StrBuffer* folderShortcutTargetInto(str::strbuffer::StrBuffer* out,
                                                                bool append) const;
    virtual const char16_t* folderShortcutTarget();

    // -- derived paths (new objects; the caller releases them) --
    [[nodiscard]] virtual PathWin* child(const char16_t* name) const;
    /// Folder + title + `newExt`.
    [[nodiscard]] virtual PathWin* withExtension(const char16_t* newExt) const;
    /// For an existing folder: folder + name + suffix; otherwise folder +
    /// title + suffix + ext.
    [[nodiscard]] virtual PathWin* withSuffix(const char16_t* suffix) const;
    /// This path when nothing exists there; else the first free
    /// "title (n).ext" (for a folder "name (n)"), n = 1, 2, ...
    [[nodiscard]] virtual PathWin* numberedUnique() const;
    /// The same with the number directly after the name: "clip1.mp4".
    [[nodiscard]] virtual PathWin* numberedUniquePlain() const;
    /// The folder part as a path (invalid for a bare relative name).
    [[nodiscard]] virtual PathWin* parent() const;
    /// The target stored in this shortcut (a symbolic link of any name), as
    /// an absolute path: a relative target counts from the link's folder.
    /// Returned also when the target no longer exists (check `exists()`);
    /// null when this is not a symbolic link.
    [[nodiscard]] virtual PathWin* shortcutTarget() const;
    /// The target of a folder shortcut as a path; null for anything else.
    [[nodiscard]] virtual PathWin* folderShortcutTargetPath() const;
    /// The entry after (`forward`) or before this one among the names of its
    /// folder that the listing rule shows (`listNames(false, false)`),
    /// restricted to names ending, ignoring case, with one of `extensions`
    /// (all names when null or empty) and with `sorted` in the sort order of
    /// `PathArray` (else in the file system's order). With `wrap` the end
    /// continues at the other end. Null when there is no other entry: fewer
    /// than two names, at an end without `wrap`, or this name not among them
    /// in an unsorted list (in a sorted one, the position it would take
    /// counts).
    [[nodiscard]] virtual PathWin* neighbour(bool forward, const str::strarray::StrArray* extensions,
                                             bool sorted, bool wrap) const;

    // -- listings --
    /// The folder holds at least one entry that the listing rule lets
    /// through.
    virtual bool hasEntries(bool all) const;
    /// Names (or full paths) of the entries that the listing rule lets
    /// through, in the file system's order: all of them, sub-folders only,
    /// files only. The listing rule always skips "." and ".." and symbolic
    /// links; unless `all`, it also skips hidden entries while hidden
    /// entries are not shown (see `setShowHiddenEntries`).
    [[nodiscard]] virtual str::strarray::StrArray* listNames(bool fullPaths, bool all) const;
    [[nodiscard]] virtual str::strarray::StrArray* listFolderNames(bool fullPaths, bool all) const;
    [[nodiscard]] virtual str::strarray::StrArray* listFileNames(bool fullPaths, bool all) const;
    /// The same selections as path objects appended to `out` (a new array
    /// that releases its paths when disposed, when `out` is null). With
    /// `recursive`, each sub-folder met is listed right after it is handled
    /// (depth first); the file selection descends without adding folders.
    virtual col::_array::ArrayP* listEntries(bool all, bool recursive, col::_array::ArrayP* out) const;
    virtual col::_array::ArrayP* listFolders(bool all, bool recursive, col::_array::ArrayP* out) const;
    virtual col::_array::ArrayP* listFiles(bool all, bool recursive, col::_array::ArrayP* out) const;
    /// The same three listings into a `PathArray` (a new one when `out` is
    /// null).
    virtual PathArray* listEntriesAsPathArray(bool all, bool recursive, PathArray* out) const;
    virtual PathArray* listFoldersAsPathArray(bool all, bool recursive, PathArray* out) const;
    virtual PathArray* listFilesAsPathArray(bool all, bool recursive, PathArray* out) const;
    /// Wildcard searches: the name part of this path may hold "*" (any run
    /// of characters) and "?" (one character); other characters match
    /// themselves, case counting as on the file system. Matching entries of
    /// the folder part that the listing rule lets through are appended to
    /// `out` (a new `PathArray` when null): files only, or files and folders.
    /// With `recursive` every sub-folder is searched the same way, depth
    /// first; symbolic links are never followed, so a link loop ends and each
    /// entry is found once.
    virtual col::_array::ArrayP* findFiles(bool all, bool recursive, col::_array::ArrayP* out) const;
    virtual col::_array::ArrayP* findEntries(bool all, bool recursive, col::_array::ArrayP* out) const;

    // -- named streams (extended attributes "user.<name>") --
    /// Makes this a path naming the stream `stream` of the entry `file`: full
    /// path file + ":" + stream. Invalid when the stream name is empty, holds
    /// "/" or a zero character, or is too long for the file system.
    PathWin* setStream(const char16_t* file, const char16_t* stream);
    /// The stream's name (empty for other paths).
    const str::strbuffer::StrBuffer& streamName() const { return m_streamName; }
    /// The named streams of this entry as stream paths with their sizes,
    /// appended to `out` (a new `PathArray` when null). Other extended
    /// attributes (access lists, security labels) are never listed. Nothing
    /// when the entry is missing or its file system has no user attributes.
    virtual col::_array::ArrayP* listStreams(col::_array::ArrayP* out) const;
    /// The entry has named streams; with `deep`, for a folder, also any entry
    /// below it.
    virtual bool hasStreams(bool deep) const;
    /// Removes the named streams of the entry (with `deep`, for a folder,
    /// also of every entry below it). True when none is left.
    virtual bool removeStreams(bool deep);

    /// Whether the entry could be opened for reading and writing while no
    /// other open of it exists (in this process or any other): for a folder,
    /// every entry below it. True for an empty file. The entry is made
    /// writable for the test and made read-only again afterwards when it was
    /// and `restoreAttributes`.
    [[nodiscard]] virtual bool canOpenExclusively(bool restoreAttributes);

    // -- file contents --
    /// A stream from the pool opened for reading (returned also when the
    /// open failed; check `isOpen()`). The caller disposes of it. Named
    /// streams are read and written whole (`readAll`, `writeAll`): the two
    /// stream factories give unopened streams for them.
    [[nodiscard]] virtual FileInputStream* openInputStream() const;
    /// Makes the parent folders, then a stream from the pool opened for
    /// writing (returned also when the open failed).
    [[nodiscard]] virtual FileOutputStream* openOutputStream(bool append);
    /// The whole file into `bytes` (size = the file's size, stream position
    /// 0). False when it cannot be read completely.
    [[nodiscard]] virtual bool readAll(col::_array::ArrayU08* bytes) const;
    /// The array's bytes into the file. Replacing a file goes through a
    /// temporary file and a rename, so the old content survives any failure.
    /// For a named stream the value is replaced in one step (its entry must
    /// exist); on a file system without user attributes the write fails and
    /// nothing is made in its place.
    [[nodiscard]] virtual bool writeAll(const col::_array::ArrayU08* bytes, bool append);
    /// The text as UTF-8 without a byte-order mark or terminator.
    [[nodiscard]] virtual bool writeText(const str::strbuffer::StrBuffer& text, bool append);

    /// The extension equals `text`, ignoring case.
    virtual bool extEquals(const char16_t* text) const;

    // -- setting --
    virtual PathWin* set(const str::strbuffer::StrBuffer& text);
    virtual PathWin* set(const char16_t* text);
    /// `n` characters of `text` (-1: up to its terminating zero).
    PathWin* set(const char16_t* text, i32 n);
    /// From the kernel's bytes (UTF-8 or any other bytes of a file name).
    PathWin* setOs(std::string_view bytes);

private:
    /// Where a text getter writes: `out` (emptied unless appending), or a
    /// new buffer the caller releases when `out` is null.
    static str::strbuffer::StrBuffer* outFor(str::strbuffer::StrBuffer* out, bool append);
    enum class Select { All, Folders, Files };
    bool fillStat() const;
    bool passesListing(const char* name, bool isLink, bool all) const;
    template <class Fn> bool forEachEntry(Fn&& fn) const;
    void listInto(Select select, bool all, bool recursive, col::_array::ArrayP* out) const;
    str::strarray::StrArray* listNamesOf(Select select, bool fullPaths, bool all) const;
    PathWin* numbered(bool plain) const;
    const char16_t* scratchOf(str::strbuffer::StrBuffer* (PathWin::*into)(str::strbuffer::StrBuffer*, bool)
                                  const);
    bool copyFileTo(const PathWin& target, bool overwrite) const;
    bool copyFolderTo(const PathWin& target, bool overwrite) const;
    void splitFullPath();
    bool isShortcutLink() const;
    std::string shortcutTargetOs() const;
    void findInto(bool withFolders, bool all, bool recursive, col::_array::ArrayP* out) const;
    bool streamExists() const;
    i64 streamValueSize() const;
    bool readStream(col::_array::ArrayU08* bytes) const;
    bool writeStream(const col::_array::ArrayU08* bytes, bool append);
    bool removeStream();
    bool createEmptyStream();
    bool removeStreamsHere();

    // Fields. The texts keep their storage for the object's whole life.
    mutable str::strbuffer::StrBuffer m_scratch;    // text of the text accessors
    str::strbuffer::StrBuffer m_inputText;          // the text that was set
    mutable str::strbuffer::StrBuffer m_volumeRoot; // cache of volumeRoot()
    str::strbuffer::StrBuffer m_dir;                // folder part with its trailing "/"
    std::string m_os;                               // the full path as kernel bytes
    mutable i64 m_size = 0;
    mutable i64 m_lastAccess = 0;
    mutable i64 m_lastWrite = 0;
    mutable i64 m_creation = 0;
    mutable i64 m_sizeOnDisk = -1;
    mutable bool m_statCached = false;
    bool m_valid = false;
    bool m_streamPath = false;
    mutable i64 m_streamSize = -1;
    str::strbuffer::StrBuffer m_streamName; // name of the stream of a stream path
    std::string m_streamFileOs;             // kernel path of a stream path's entry
    std::string m_streamAttr;               // the stream's attribute name, "user.<name>"
    mutable bool m_attributesCached = false;
    mutable u32 m_attributes = 0;
    mutable i32 m_fsKind = kFsUnknown;
    str::strbuffer::StrBuffer m_ext;      // extension with its dot
    str::strbuffer::StrBuffer m_fullPath; // the text every query uses
    str::strbuffer::StrBuffer m_title;    // name without extension
};

using PathHandle = thread::Pooled<PathWin>;

// -- factories: each returns a path from the pool; the caller releases it --
[[nodiscard]] PathWin* newPath(const char16_t* text);
[[nodiscard]] PathWin* newPath(const str::strbuffer::StrBuffer& text);
/// The two texts joined directly.
[[nodiscard]] PathWin* newPath(const char16_t* first, const char16_t* second);
/// From the kernel's bytes (UTF-8 at platform boundaries: arguments, dialogs).
[[nodiscard]] PathWin* newPathOs(std::string_view bytes);
/// folder + "/" + name.
[[nodiscard]] PathWin* newChildPath(const char16_t* folder, const char16_t* name);
/// folder + "/" + name + ".lnk".
[[nodiscard]] PathWin* newShortcutPath(const char16_t* folder, const char16_t* name);
/// The named stream `stream` of the entry `file` (see `PathWin::setStream`).
[[nodiscard]] PathWin* newStreamPath(const char16_t* file, const char16_t* stream);

// -- process-wide functions --
/// The user's desktop folder (XDG_DESKTOP_DIR of user-dirs.dirs, else
/// ~/Desktop when it exists, else the home folder). Owned by the library; do
/// not release. Any thread.
const str::strbuffer::StrBuffer& desktopFolder();
/// Whether the user has no desktop folder, so that `desktopFolder()` is the
/// home folder. Any thread.
bool desktopFolderIsHome();
/// The root of the file system that holds the system: "/".
const char16_t* systemDriveRoot();
/// A new, empty, uniquely named file ("NEWxxxxxx.tmp") in the temporary
/// folder ($TMPDIR, else /tmp); null when none could be made.
[[nodiscard]] PathWin* newTempFile();
/// The temporary folder ($TMPDIR when it names a folder, else /tmp).
std::string tempFolderOs();

/// Whether listings without `all` include hidden (dot) entries. Off by
/// default, as in the desktop's file managers. Any thread.
void setShowHiddenEntries(bool show);
bool showHiddenEntries();

} // namespace s::file::win
