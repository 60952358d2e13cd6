#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <utility>
#include <vector>

typedef struct _GtkWindow GtkWindow;
typedef struct _GtkWidget GtkWidget;

namespace s::gui::dialogs::win {

/// One run of the platform's file chooser (GtkFileChooserDialog) with the
/// options of an open or save dialog: file types in the order given (the
/// first selected), initial folder and name, default extension, multiple
/// selection in open mode, a confirmation before overwriting in save mode,
/// and in save mode the extension of a newly picked file type appended to
/// the typed name. User-interface thread.
class FileDialogEx : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(FileDialogEx)

public:
    static constexpr u32 kMaxPooled = 0;

    FileDialogEx() = default;
    FileDialogEx(const FileDialogEx&) = delete;
    FileDialogEx& operator=(const FileDialogEx&) = delete;
    ~FileDialogEx() override;
    const char16_t* getClassName() const override { return u"s_gui_dialogs_win_FileDialogEx"; }
    void reset() override;

    void setOpenMode(bool open) { m_open = open; }
    void setMultiSelect(bool multi) { m_multiSelect = multi; }
    void setFollowLinks(bool follow) { m_followLinks = follow; }
    void setInitialDir(const std::u16string& dir) { m_initialDir = dir; }
    void setFileName(const std::u16string& name) { m_fileName = name; }
    /// Without a leading dot ("jpg"); a leading dot is ignored.
    void setDefaultExt(const std::u16string& ext) { m_defaultExt = ext; }
    /// Description and pattern ("*.jpeg;*.jpg") of one file type.
    void addFileType(const std::u16string& description, const std::u16string& pattern);
    /// The types in the order added.
    const std::vector<std::pair<std::u16string, std::u16string>>& getFileTypes() const { return m_types; }

    /// Runs the dialog modally over `parent` (may be null). True when the
    /// user confirmed; the chosen paths are then in `paths` (several only
    /// with multiple selection in open mode).
    bool run(GtkWindow* parent, std::vector<std::u16string>* paths);

    /// The dialog while it runs (for the type-change handler); else null.
    GtkWidget* getDialog() const { return m_dialog; }
    /// The save-mode reaction to a newly picked file type.
    void onTypeChanged();

private:
    /// The chosen path in save mode with the default extension added when
    /// the name has none.
    std::string withDefaultExt(const std::string& path) const;
    bool confirmOverwrite(const std::string& path);

    bool m_open = true;
    bool m_multiSelect = false;
    bool m_followLinks = true;
    std::u16string m_initialDir;
    std::u16string m_fileName;
    std::u16string m_defaultExt;
    std::vector<std::pair<std::u16string, std::u16string>> m_types;
    GtkWidget* m_dialog = nullptr;
    std::vector<void*> m_filters; // GtkFileFilter*, in the order of m_types, while the dialog runs
};

} // namespace s::gui::dialogs::win
