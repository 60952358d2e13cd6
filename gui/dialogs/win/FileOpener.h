#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <vector>

namespace s::gui {
class IWindow;
}

namespace s::gui::dialogs::win {

/// The file open/save dialog as the application uses it: set the options,
/// `show`, then read the chosen path(s). Taken from its pool per use.
///
/// Threads: `show` runs the dialog on the user-interface thread; called
/// from another thread it is carried there and waits.
class FileOpener : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(FileOpener)

public:
    FileOpener() = default;
    const char16_t* getClassName() const override { return u"s_gui_dialogs_win_FileOpener"; }
    /// Open mode, links followed, single selection, every text empty.
    void reset() override;

    /// Modal over `parent` (may be null). True when the user confirmed;
    /// `paths` is emptied first, `path` and `paths` are set on success and
    /// kept from before on cancel. A parent kept on top is switched off
    /// while the dialog runs and then restored. False without a display.
    bool show(IWindow* parent);
    /// Also selects the open dialog.
    void setOptions(bool multiSelect, bool followLinks);
    void setSaveMode() { m_openMode = false; }
    const char16_t* getPath() const { return m_path.c_str(); }
    const std::vector<std::u16string>& getPaths() const { return m_paths; }
    void setInitialDir(const char16_t* dir) { m_initialDir = dir ? dir : u""; }
    void setFileName(const char16_t* name) { m_fileName = name ? name : u""; }
    void setDefaultExt(const char16_t* ext) { m_defaultExt = ext ? ext : u""; }
    /// Appends "description|pattern|" to the filter; the first type added
    /// is the one selected when the dialog opens.
    void addFileType(const char16_t* description, const char16_t* pattern);

    bool isOpenMode() const { return m_openMode; }
    bool isFollowLinks() const { return m_followLinks; }
    bool isMultiSelect() const { return m_multiSelect; }
    const std::u16string& getInitialDir() const { return m_initialDir; }
    const std::u16string& getFileName() const { return m_fileName; }
    const std::u16string& getDefaultExt() const { return m_defaultExt; }
    const std::u16string& getFilter() const { return m_filter; }

    /// The save dialog's reaction to a newly picked file type: the current
    /// full path text followed by the extension of the type's pattern (from
    /// its last "."), the extension already there kept. Empty text stays
    /// empty; a pattern without a usable extension ("*", "*.*") leaves the
    /// text as it is.
    static std::u16string nameForTypeChange(const std::u16string& fullPathText, const std::u16string& pattern);

private:
    bool m_openMode = true;
    std::u16string m_path;
    std::u16string m_initialDir;
    std::u16string m_fileName;
    std::u16string m_defaultExt;
    std::u16string m_filter;
    bool m_followLinks = true;
    bool m_multiSelect = false;
    std::vector<std::u16string> m_paths;
};

} // namespace s::gui::dialogs::win
