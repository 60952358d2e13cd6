#pragma once

#include "foundation/base/Types.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"

#include <string>
#include <vector>

namespace s::gui::dialogs::dragndrop {

/// The ids the menu bar reports for its items.
enum MenuCommand : i32 {
    kCmdTranslate = 0,       ///< the translation page
    kCmdLanguageFirst = 2,   ///< language index 0; one id per language
    kCmdLanguageLimit = 100, ///< first id after the language range
    kCmdKeepOnTop = 100,
    kCmdEasyDrag = 120,
    kCmdMiddleClickClose = 125,
    kCmdSmartPrecise = 130, ///< the cutter's "re-encode only the edges" choice
    kCmdOpen = 300,
    kCmdCustomFolder = 310,
    kCmdSameFolder = 321,
    kCmdSubFolder = 322,
    kCmdDesktop = 323,
    kCmdOtherFolder = 330,
    kCmdVersion = 10000,
    kCmdShortcuts = 10050, ///< the list of keyboard shortcuts
    kCmdHomePage = 10100,
    kCmdHelpPage = 10200,
    kCmdMakerSite = 10900,
    kCmdSupportPage = 10950,
};

/// Positions of the output-folder entries in the File menu (0 is "Open...",
/// 1 a separator).
enum FileMenuPosition : i32 {
    kPosSameFolder = 2,
    kPosSubFolder = 3,
    kPosDesktop = 4,
    kPosCustomFolder = 5, ///< present only while a custom folder exists
};

/// What the dialog needs of the menu bar and of the window's standard
/// dialogs when it carries out a menu command. The window implements it over
/// its menus, the folder selector, the file opener and the version window.
/// All calls come on the window's thread.
class IMenuView {
public:
    virtual ~IMenuView() = default;

    /// Moves the radio mark of the output-folder group to a File-menu
    /// position (`FileMenuPosition`).
    virtual void setFileRadioMark(i32 position) = 0;
    /// Inserts a radio entry of the output-folder group at `position` of the
    /// File menu, reporting `command`.
    virtual void insertFileRadioEntry(i32 position, i32 command, const char16_t* text) = 0;
    /// Replaces the text of the item that reports `command`.
    virtual void setItemText(i32 command, const char16_t* text) = 0;
    virtual bool isItemChecked(i32 command) const = 0;
    virtual void setItemChecked(i32 command, bool checked) = 0;
    /// Moves the radio mark of the Language menu to the entry of a language
    /// index (the pack's order).
    virtual void setLanguageRadioMark(i32 index) = 0;
    /// The hidden "Keep on Top" check box beside the drop box.
    virtual void setKeepOnTopBox(bool checked) = 0;

    /// The folder selector, modal: true and the folder when one was chosen,
    /// false when it was cancelled.
    [[nodiscard]] virtual bool askFolder(const char16_t* startFolder, const char16_t* title,
                                         str::strbuffer::StrBuffer& folder) = 0;
    /// The file opener, modal, several files allowed: appends the chosen
    /// paths to `paths`; true when there is at least one.
    [[nodiscard]] virtual bool askFilesToOpen(const char16_t* startFolder, const char16_t* filterName,
                                              const char16_t* filterPattern,
                                              str::strarray::StrArray& paths) = 0;
    /// Opens a web address in the default browser.
    virtual void openUrl(const char16_t* url) = 0;
    /// Shows the version window, made on first use and kept.
    virtual void showVersionWindow() = 0;
    /// Lays the window out twice and fits it to its minimum size.
    virtual void relayoutAndFit() = 0;
    /// One type of the file saver: its description and its patterns
    /// ("*.jpeg;*.jpg").
    struct FileType {
        std::u16string description;
        std::u16string pattern;
    };
    /// The file saver, modal: opens on `startFolder` with `fileName` and the
    /// types, the first selected. True and the chosen path when the user
    /// confirmed (the saver itself asked before naming an existing file);
    /// false when cancelled or when there is no saver.
    [[nodiscard]] virtual bool askFileToSave(const char16_t* /*startFolder*/, const char16_t* /*fileName*/,
                                             const std::vector<FileType>& /*types*/,
                                             std::u16string& /*path*/) {
        return false;
    }
};

/// The window behaviours a menu command switches. Each setter also stores
/// the value (the application's window state does that); the getters give
/// the window's current state, which is the stored one once the window was
/// attached to its state. The window forwards these to `gui::IWindow`.
class IWindowBehaviour {
public:
    virtual ~IWindowBehaviour() = default;
    virtual bool isKeepOnTop() const = 0;
    virtual void setKeepOnTop(bool onTop) = 0;
    virtual bool isEasyDrag() const = 0;
    virtual void setEasyDrag(bool easyDrag) = 0;
    /// `gui::kActionClose`, `gui::kActionIconize` or `gui::kActionDoNothing`,
    /// compared by identity.
    virtual const char16_t* getMiddleClickAction() const = 0;
    virtual void setMiddleClickAction(const char16_t* action) = 0;
};

/// How the menus look when the window builds them.
struct MenuState {
    /// Where the output-folder radio mark sits (`FileMenuPosition`).
    i32 fileRadioPosition = kPosSameFolder;
    /// Whether the File menu has the custom-folder entry (command 310) at
    /// position 5, and its text.
    bool hasCustomEntry = false;
    str::strbuffer::StrBuffer customEntryText;
    bool keepOnTop = false;
    bool easyDrag = true;
    bool middleClickClose = true;
    /// Whether the View menu offers the precise cut that re-encodes only
    /// the edges (the cutter's windows do), and whether it is checked.
    bool hasSmartPrecise = false;
    bool smartPrecise = true;
    /// The current language's index in the pack's order; -1 without a
    /// localizer.
    i32 languageIndex = -1;
};

} // namespace s::gui::dialogs::dragndrop
