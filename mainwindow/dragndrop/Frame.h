#pragma once

#include "gui/events/IEventListener.h"
#include "mainwindow/dragndrop/Dialog.h"
#include "mainwindow/dragndrop/IDialogObserver.h"
#include "mainwindow/dragndrop/IMenuView.h"

#include <atomic>
#include <functional>
#include <memory>

namespace s::gui {
class IComponent;
}
namespace s::gui::win {
class Box;
class Button;
class CheckBox;
class Container;
class ComboBox;
class Label;
class MenuEx;
class PopupMenu;
class ProgressBar;
class Spacer;
class Window;
} // namespace s::gui::win
namespace s::gui::dialogs {
class About3;
}

namespace s::gui::dialogs::dragndrop {

/// Where the window behaviours (keep on top, easy drag, middle click) are
/// stored. The application's window state implements it; without one the
/// frame stores them itself in the dialog's settings.
class IBehaviourStore {
public:
    virtual ~IBehaviourStore() = default;
    virtual void storeKeepOnTop(bool onTop) = 0;
    virtual void storeEasyDrag(bool easyDrag) = 0;
    /// `gui::kActionClose`, `gui::kActionIconize` or `gui::kActionDoNothing`.
    virtual void storeMiddleClickAction(const char16_t* action) = 0;
};

/// Keys the frame stores the behaviours under when it has no behaviour store
/// (group `kViewGroup`).
inline constexpr const char16_t* kKeepOnTopKey = u"KeepOnTop";
inline constexpr const char16_t* kEasyDragKey = u"EasyDrag";
inline constexpr const char16_t* kOnMClickKey = u"OnMClick";
inline constexpr const char16_t* kCompactViewKey = u"CompactView";
inline constexpr const char16_t* kConvertToKey = u"ConvertTo";

/// The widgets of a drag-and-drop dialog's window around its content panel:
/// the menu bar, the strip under it, the content area that takes dropped
/// files, and the status bar with its link and progress boxes. It is the
/// dialog's view for everything that is not the content panel's business:
/// menus (IMenuView), window behaviours (IWindowBehaviour) and the generic
/// notifications (IDialogObserver); the others are passed on to the content
/// observer. It routes the frame's own events (menu commands, Cancel, drops,
/// the link label, the window's close, restore and right-button events) to
/// the dialog.
///
/// Threads: built and used on the user-interface thread, except `onMessage`,
/// which may come from the dialog's worker and is then carried over.
/// The frame must outlive the window's event delivery (release the window
/// first, or close it).
class Frame final : public IMenuView,
                    public IWindowBehaviour,
                    public IDialogObserver,
                    public gui::events::IEventListener {
public:
    /// Shows a message modally; the default is the platform's message box.
    using MessagePresenter = std::function<void(const char16_t* text)>;

    explicit Frame(Dialog& dialog);
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame() override;

    /// Not owned; set before `build`.
    void setBehaviourStore(IBehaviourStore* store) { m_store = store; }
    /// The About menu's support entry (command 10950) and its separator.
    void setShowSupportEntry(bool show) { m_showSupportEntry = show; }
    void setMessagePresenter(MessagePresenter presenter) { m_presenter = std::move(presenter); }
    /// Shows the message of a saved scene modally; true when the user asked
    /// to see the file in the file manager. The default is a box with a
    /// "Show in Folder" button (without it, the message presenter's box).
    using SavedPresenter = std::function<bool(const char16_t* text)>;
    void setSavedPresenter(SavedPresenter presenter) { m_savedPresenter = std::move(presenter); }
    /// The content panel's notifications: every notification is passed on
    /// after the frame's own handling. Not owned.
    void setContentObserver(IDialogObserver* observer) { m_content = observer; }

    /// Takes the window and, without a behaviour store, applies the stored
    /// behaviours to it. Call first: the dialog's menu state reads them.
    void attach(gui::win::Window* window);
    /// Builds the frame into the attached window (laid out as a column):
    /// menu bar, strip, content area holding `contentPanel` (owned by the
    /// tree from then on), spacer and status bar. The menus are made from
    /// `menus`. When `contentPanel` is a pile box, the type selector shows
    /// its children. Call once, before the window shows.
    void build(gui::IComponent* contentPanel, const MenuState& menus);
    /// Registers the frame with the window for the close, restore and
    /// right-button events and the dialog for the named events.
    void registerWindowEvents();
    /// Applies the stored conversion type and stores it back.
    void restoreConvertTo();

    /// Compact: the content panel is collapsed and the drop column shown,
    /// the window takes the small size; else the large one. The sizes come
    /// from the settings (defaults 250 x 250 and 700 x 680 times the
    /// display scale); with `rememberCurrentSize` the current size is first
    /// stored for the layout being left. Stores "CompactView".
    void setCompactView(bool compact, bool rememberCurrentSize);

    gui::win::Window* window() const { return m_window; }
    gui::win::MenuEx* menuBar() const { return m_menuBar; }
    gui::win::PopupMenu* fileMenu() const { return m_fileMenu; }
    gui::win::PopupMenu* viewMenu() const { return m_viewMenu; }
    gui::win::PopupMenu* languageMenu() const { return m_languageMenu; }
    gui::win::PopupMenu* aboutMenu() const { return m_aboutMenu; }
    /// The version window; null before it was first shown.
    gui::dialogs::About3* versionWindow() const { return m_about; }
    gui::win::Box* strip() const { return m_strip; }
    gui::win::Box* contentArea() const { return m_contentArea; }
    gui::win::Box* dropColumn() const { return m_dropColumn; }
    gui::win::Box* mainColumn() const { return m_mainColumn; }
    gui::win::ComboBox* typeSelector() const { return m_typeSelector; }
    gui::IComponent* contentPanel() const { return m_contentPanel; }
    gui::win::Container* statusBar() const { return m_statusBar; }
    gui::win::Label* statusLabel() const { return m_statusLabel; }
    gui::win::Label* progressText() const { return m_progressText; }
    gui::win::Box* linkBox() const { return m_linkBox; }
    gui::win::Label* linkLabel() const { return m_linkLabel; }
    gui::win::Box* progressBox() const { return m_progressBox; }
    gui::win::ProgressBar* progressBar() const { return m_progressBar; }
    gui::win::Button* cancelButton() const { return m_cancelButton; }
    gui::win::Button* resizer() const { return m_resizer; }

    // -- IMenuView --
    void setFileRadioMark(i32 position) override;
    void insertFileRadioEntry(i32 position, i32 command, const char16_t* text) override;
    void setItemText(i32 command, const char16_t* text) override;
    bool isItemChecked(i32 command) const override;
    void setItemChecked(i32 command, bool checked) override;
    void setLanguageRadioMark(i32 index) override;
    void setKeepOnTopBox(bool checked) override;
    [[nodiscard]] bool askFolder(const char16_t* startFolder, const char16_t* title,
                                 str::strbuffer::StrBuffer& folder) override;
    [[nodiscard]] bool askFilesToOpen(const char16_t* startFolder, const char16_t* filterName,
                                      const char16_t* filterPattern, str::strarray::StrArray& paths) override;
    [[nodiscard]] bool askFileToSave(const char16_t* startFolder, const char16_t* fileName,
                                     const std::vector<FileType>& types, std::u16string& path) override;
    void openUrl(const char16_t* url) override;
    void showVersionWindow() override;
    void relayoutAndFit() override;

    // -- IWindowBehaviour --
    bool isKeepOnTop() const override;
    void setKeepOnTop(bool onTop) override;
    bool isEasyDrag() const override;
    void setEasyDrag(bool easyDrag) override;
    const char16_t* getMiddleClickAction() const override;
    void setMiddleClickAction(const char16_t* action) override;

    // -- IDialogObserver --
    void onFileLoaded(const char16_t* name, const char16_t* durationText, const char16_t* sizeText) override;
    void onPositionsChanged(i64 startUs, i64 endUs) override;
    void onEditingChanged(i32 editing) override;
    void onCutModeChanged(i32 mode) override;
    void onControlsEnabled(bool enabled) override;
    void onBusyChanged(bool busy) override;
    void onStatusText(const char16_t* text) override;
    void onProgress(i64 range, i64 value) override;
    void onProgressBoxShown(bool shown) override;
    bool onImageReady() override;
    /// Any thread; see the class comment.
    void onMessage(const char16_t* text) override;
    /// The saved-scene box; "Show in Folder" hands `path` to the file
    /// manager without waiting for it, and says so when none could be
    /// started.
    void onSceneSaved(const char16_t* text, const char16_t* path) override;

    // -- events of the frame's controls and the window --
    void onEvent(gui::IComponent* source, i32 code) override;

    /// The largest range the progress bar takes.
    static constexpr i64 kMaxProgressRange = 16777215;

private:
    void buildMenus(const MenuState& menus);
    void buildContentArea(gui::IComponent* contentPanel);
    void buildStatusBar();
    /// A stored window size that does not fit the screen's work area becomes
    /// the default size; the result never exceeds the work area.
    void fitStoredSize(i32 defaultWidth, i32 defaultHeight, i32* width, i32* height) const;
    /// A modal message on the user-interface thread; the window does not
    /// stay on top while it shows.
    void presentMessage(const char16_t* text);
    /// The behaviours stored in the settings, applied to the window (only
    /// without a behaviour store: the application's store applies them).
    void applyStoredBehaviours();
    void onTypeSelected();

    Dialog& m_dialog;
    i32 m_scale = 1;
    IBehaviourStore* m_store = nullptr;
    IDialogObserver* m_content = nullptr;
    MessagePresenter m_presenter;
    SavedPresenter m_savedPresenter;
    bool m_showSupportEntry = false;
    bool m_compactView = false;
    /// Cleared when the frame goes: a message posted from a worker checks
    /// it on the user-interface thread before it touches the frame.
    std::shared_ptr<std::atomic<bool>> m_alive;

    // The tree owns these; user-interface thread.
    gui::win::Window* m_window = nullptr;
    gui::win::MenuEx* m_menuBar = nullptr;
    gui::win::PopupMenu* m_fileMenu = nullptr;
    gui::win::PopupMenu* m_viewMenu = nullptr;
    gui::win::PopupMenu* m_languageMenu = nullptr;
    gui::win::PopupMenu* m_aboutMenu = nullptr;
    gui::dialogs::About3* m_about = nullptr; // the version window, made on first use
    gui::win::Box* m_strip = nullptr;
    gui::win::Box* m_contentArea = nullptr;
    gui::win::Box* m_dropColumn = nullptr;
    gui::win::CheckBox* m_keepOnTopBox = nullptr;
    gui::win::Box* m_mainColumn = nullptr;
    gui::win::Box* m_typeRow = nullptr;
    gui::win::ComboBox* m_typeSelector = nullptr;
    gui::IComponent* m_contentPanel = nullptr;
    gui::win::Box* m_sizeToggleRow = nullptr;
    gui::win::Spacer* m_bottomSpacer = nullptr;
    gui::win::Container* m_statusBar = nullptr;
    gui::win::Box* m_statusBox = nullptr;
    gui::win::Label* m_statusLabel = nullptr;
    gui::win::Label* m_progressText = nullptr;
    gui::win::Box* m_linkBox = nullptr;
    gui::win::Label* m_linkLabel = nullptr;
    gui::win::Box* m_progressBox = nullptr;
    gui::win::ProgressBar* m_progressBar = nullptr;
    gui::win::Button* m_cancelButton = nullptr;
    gui::win::Button* m_resizer = nullptr;
};

} // namespace s::gui::dialogs::dragndrop
