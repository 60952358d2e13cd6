#include "mainwindow/dragndrop/Frame.h"

#include "foundation/file/win/OsText.h"
#include "foundation/lang/LangPack.h"
#include "foundation/lang/Localizer.h"
#include "foundation/map/IMappedData.h"
#include "gui/IWindow.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/dialogs/About3.h"
#include "gui/dialogs/win/FileOpener.h"
#include "gui/dialogs/win/FolderSelector.h"
#include "gui/drawer/border/win/UnderWindowMenu.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ComboBox.h"
#include "gui/win/FileManager.h"
#include "gui/win/Label.h"
#include "gui/win/MenuEx.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/Spacer.h"
#include "gui/win/StatusBar.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"


#include <algorithm>
#include <string>

namespace s::gui::dialogs::dragndrop {

namespace gw = ::s::gui::win;
using str::strbuffer::StrBuffer;
using menuitem::MenuItem;

namespace {

// Language-pack numbers of the frame's texts.
constexpr i32 kTextMakerName = 100000;
constexpr i32 kTextMakerPage = 101000;
constexpr i32 kTextVersion = 500010;
constexpr i32 kTextProductPage = 500003;
/// Shown as "Last Updated:" in the version window.
constexpr const char16_t* kReleaseDate = u"2026-12-09";
constexpr i32 kTextSaveAScene = 1100000;
constexpr i32 kTextCancel = 1006050;
constexpr i32 kTextReady = 609450;
constexpr i32 kTextKeepOnTop = 609100;
constexpr i32 kTextShowInFolder = 3010020;
constexpr i32 kTextOk = 2010001000;
constexpr i32 kTextNoFileManager = 3010021;

MenuItem* radioItem(lang::Localizer* localizer, i32 textId, i32 command) {
    MenuItem* item = MenuItem::makeText(localizer, textId, command);
    item->setRadio(true);
    return item;
}

MenuItem* radioLiteral(const char16_t* text, i32 command) {
    MenuItem* item = MenuItem::makeLiteral(text, command);
    item->setRadio(true);
    return item;
}

// Collapsed: no room in the layout and no native widgets on screen.
void collapse(gw::Container* c) {
    c->setFixedWidth(0, false);
    c->setFixedHeight(0, false);
    c->setVisible(false, false);
}

} // namespace

Frame::Frame(Dialog& dialog) : m_dialog(dialog), m_alive(std::make_shared<std::atomic<bool>>(true)) {}

Frame::~Frame() {
    m_alive->store(false);
    if (m_about)
        m_about->release();
}

void Frame::attach(gw::Window* window) {
    m_window = window;
    m_scale = m_dialog.displayScale();
    if (!m_store)
        applyStoredBehaviours();
}

void Frame::build(IComponent* contentPanel, const MenuState& menus) {
    gw::Window* window = m_window;
    const i32 s = m_scale;
    window->setKindColumn();
    window->setHGap(0);
    window->setVGap(0);

    m_menuBar = gw::MenuEx::create();
    m_menuBar->setPercentWidth(100);
    m_menuBar->setSizeCode(-1);
    m_menuBar->setItemMargins(6 * s, 3 * s);
    buildMenus(menus);
    m_menuBar->addCommandListener(this);
    window->add(m_menuBar);

    m_strip = gw::Box::create();
    m_strip->setKindColumn();
    m_strip->setPercentWidth(100, false);
    m_strip->setFixedHeight(7 * s, false);
    m_strip->setBorder(drawer::border::win::UnderWindowMenu::create());
    window->add(m_strip);

    buildContentArea(contentPanel);
    window->add(m_contentArea);

    m_bottomSpacer = gw::Spacer::create();
    m_bottomSpacer->setVertical();
    m_bottomSpacer->setFixedHeight(3 * s);
    window->add(m_bottomSpacer);

    buildStatusBar();
    window->add(m_statusBar);
}

void Frame::buildMenus(const MenuState& menus) {
    lang::Localizer* localizer = m_window->getLocalizer();

    m_fileMenu = gw::PopupMenu::create();
    m_fileMenu->setLocalizer(localizer);
    m_fileMenu->setTextId(608000);
    m_fileMenu->add(MenuItem::makeText(localizer, 608100, kCmdOpen));
    m_fileMenu->add(MenuItem::makeSeparator());
    m_fileMenu->add(radioItem(localizer, 608211, kCmdSameFolder));
    m_fileMenu->add(radioItem(localizer, 608221, kCmdSubFolder));
    m_fileMenu->add(radioItem(localizer, 608231, kCmdDesktop));
    if (menus.hasCustomEntry)
        m_fileMenu->add(radioLiteral(menus.customEntryText.c_str(), kCmdCustomFolder));
    m_fileMenu->add(MenuItem::makeSeparator());
    m_fileMenu->add(MenuItem::makeText(localizer, 608251, kCmdOtherFolder));
    m_fileMenu->checkRadio(menus.fileRadioPosition);
    m_menuBar->addMenu(m_fileMenu);

    m_viewMenu = gw::PopupMenu::create();
    m_viewMenu->setLocalizer(localizer);
    m_viewMenu->setTextId(609000);
    m_viewMenu->add(MenuItem::makeText(localizer, 609100, kCmdKeepOnTop));
    m_viewMenu->add(MenuItem::makeText(localizer, 609300, kCmdEasyDrag));
    m_viewMenu->add(MenuItem::makeText(localizer, 609350, kCmdMiddleClickClose));
    if (menus.hasSmartPrecise) {
        m_viewMenu->add(MenuItem::makeSeparator());
        m_viewMenu->add(MenuItem::makeText(localizer, 609360, kCmdSmartPrecise));
    }
    m_menuBar->addMenu(m_viewMenu);
    m_menuBar->setChecked(kCmdKeepOnTop, menus.keepOnTop);
    m_menuBar->setChecked(kCmdEasyDrag, menus.easyDrag);
    m_menuBar->setChecked(kCmdMiddleClickClose, menus.middleClickClose);
    if (menus.hasSmartPrecise)
        m_menuBar->setChecked(kCmdSmartPrecise, menus.smartPrecise);

    m_languageMenu = gw::PopupMenu::create();
    m_languageMenu->setLocalizer(localizer);
    m_languageMenu->setTextId(700000);
    m_languageMenu->add(MenuItem::makeText(localizer, 700001, kCmdTranslate));
    m_languageMenu->add(MenuItem::makeSeparator());
    if (localizer) {
        // Each language under its own name, so that a user who cannot read
        // the current language still finds theirs.
        for (u32 i = 0; i < localizer->packCount() && kCmdLanguageFirst + static_cast<i32>(i) < kCmdLanguageLimit; ++i)
            m_languageMenu->add(radioLiteral(localizer->pack(i)->getTrueName(), kCmdLanguageFirst + static_cast<i32>(i)));
    }
    if (menus.languageIndex >= 0)
        m_languageMenu->checkRadio(kCmdLanguageFirst + menus.languageIndex);
    m_menuBar->addMenu(m_languageMenu);

    m_aboutMenu = gw::PopupMenu::create();
    m_aboutMenu->setLocalizer(localizer);
    m_aboutMenu->setTextId(701000);
    m_aboutMenu->add(MenuItem::makeText(localizer, 701100, kCmdVersion));
    m_aboutMenu->add(MenuItem::makeText(localizer, 701150, kCmdShortcuts));
    m_aboutMenu->add(MenuItem::makeSeparator());
    m_aboutMenu->add(MenuItem::makeText(localizer, 701200, kCmdHomePage));
    m_aboutMenu->add(MenuItem::makeText(localizer, 701300, kCmdHelpPage));
    m_aboutMenu->add(MenuItem::makeText(localizer, 107000, kCmdMakerSite));
    if (m_showSupportEntry) {
        m_aboutMenu->add(MenuItem::makeSeparator());
        m_aboutMenu->add(MenuItem::makeText(localizer, 108100, kCmdSupportPage));
    }
    m_menuBar->addMenu(m_aboutMenu);
}

void Frame::buildContentArea(IComponent* contentPanel) {
    const i32 s = m_scale;
    m_contentArea = gw::Box::create();
    m_contentArea->setKindRow();
    m_contentArea->setPercentSize100();
    m_contentArea->setHGap(10 * s);
    m_contentArea->setVGap(7 * s);
    m_contentArea->setPadLeftRight(8 * s);
    m_contentArea->setAcceptFiles(true);
    m_contentArea->addDropListener(this);

    // The drop column serves the compact view only; it stays collapsed in
    // the large one.
    m_dropColumn = gw::Box::create();
    m_dropColumn->setKindColumn();
    m_dropColumn->setAcceptFiles(true);
    m_dropColumn->addDropListener(this);
    m_keepOnTopBox = gw::CheckBox::create();
    m_keepOnTopBox->setTextId(kTextKeepOnTop);
    m_dropColumn->add(m_keepOnTopBox);
    collapse(m_dropColumn);
    m_contentArea->add(m_dropColumn);

    m_mainColumn = gw::Box::create();
    m_mainColumn->setKindColumn();
    m_mainColumn->setPercentWidth(100, false);
    m_mainColumn->setPercentHeight(100, false);
    m_mainColumn->setVGap(4 * s);
    m_mainColumn->setHAlignLeft();
    m_mainColumn->setVAlignCenter();

    // The conversion type: a choice of one in this program, so collapsed.
    m_typeRow = gw::Box::create();
    m_typeRow->setKindRow();
    m_typeRow->setPercentWidth(100, false);
    auto* typeLabel = gw::Label::create();
    typeLabel->setTextId(1004000);
    m_typeRow->add(typeLabel);
    m_typeSelector = gw::ComboBox::create();
    m_typeSelector->setPercentWidth(100);
    auto* entry = combobox::ComboBoxItem::create();
    entry->setTextId(kTextSaveAScene, m_window->getLocalizer());
    m_typeSelector->addItem(entry);
    m_typeSelector->addSelectionListener(this);
    m_typeRow->add(m_typeSelector);
    collapse(m_typeRow);
    m_mainColumn->add(m_typeRow);

    m_contentPanel = contentPanel;
    if (contentPanel)
        m_mainColumn->add(contentPanel);

    m_sizeToggleRow = gw::Box::create();
    m_sizeToggleRow->setKindRow();
    collapse(m_sizeToggleRow);
    m_mainColumn->add(m_sizeToggleRow);

    m_contentArea->add(m_mainColumn);
}

void Frame::buildStatusBar() {
    const i32 s = m_scale;
    auto* statusBar = gw::StatusBar::create();
    m_statusBar = statusBar;
    m_statusBar->setKindRow();
    m_statusBar->setPercentWidth(100, false);
    m_statusBar->setPadding(2 * s);

    m_statusBox = gw::Box::create();
    m_statusBox->setKindRow();
    m_statusBox->setPercentSize100();
    m_statusBox->setPadLeftRight(2 * s);
    m_statusBox->setHAlignLeft();
    m_statusBox->setVAlignCenter();
    m_statusLabel = gw::Label::create();
    m_statusLabel->setTextId(kTextReady);
    m_statusLabel->setEndEllipsis(true);
    m_statusLabel->setSizeCode(100001);
    m_statusBox->add(m_statusLabel);
    m_progressText = gw::Label::create();
    m_progressText->setText(u"", false);
    m_progressText->setSizeCode(100001);
    m_statusBox->add(m_progressText);
    m_statusBar->add(m_statusBox);

    m_linkBox = gw::Box::create();
    m_linkBox->setKindRow();
    m_linkBox->setPercentHeight(100, false);
    m_linkBox->setPadLeftRight(3 * s);
    m_linkBox->setVAlignCenter();
    m_linkLabel = gw::Label::create();
    lang::Localizer* localizer = m_window->getLocalizer();
    m_linkLabel->setText(localizer && localizer->hasText(kTextMakerName) ? localizer->getText(kTextMakerName)
                                                                          : u"Zarvo",
                         false);
    m_linkLabel->setSizeCode(100001);
    m_linkLabel->setClickable(true);
    m_linkLabel->setNormalColor(51, 51, 51);
    m_linkLabel->setHoverColor(0, 0, 238);
    m_linkLabel->addClickListener(this);
    m_linkBox->add(m_linkLabel);
    m_statusBar->add(m_linkBox);

    m_progressBox = gw::Box::create();
    m_progressBox->setKindRow();
    m_progressBox->setPercentHeight(100, false);
    m_progressBox->setPadLeftRight(2 * s);
    m_progressBox->setVAlignCenter();
    m_progressBar = gw::ProgressBar::create();
    m_progressBar->setFixedWidth(100 * s);
    m_progressBar->setFixedHeight(16 * s);
    m_progressBox->add(m_progressBar);
    auto* gap = gw::Spacer::create();
    gap->setFixedWidth(7 * s);
    m_progressBox->add(gap);
    m_cancelButton = gw::Button::create();
    m_cancelButton->setTextId(kTextCancel);
    m_cancelButton->setFixedWidth(75 * s);
    m_cancelButton->setFixedHeight(18 * s);
    m_cancelButton->setSizeCode(-2);
    m_cancelButton->addActionListener(this);
    m_progressBox->add(m_cancelButton);
    m_progressBox->setFixedWidth(0, false);
    m_progressBox->setVisible(false, false);
    m_statusBar->add(m_progressBox);

    // The bar keeps its "#Resizer" grip as its last element.
    m_resizer = dynamic_cast<gw::Button*>(statusBar->getGrip());
}

void Frame::registerWindowEvents() {
    m_window->addCloseListener(this);
    m_window->addRestoreListener(this);
    m_window->addRightButtonListener(this);
    m_window->addNamedEventListener(static_cast<event::INamedEventListener*>(&m_dialog));
}

void Frame::restoreConvertTo() {
    map::IMappedData* settings = m_dialog.settings();
    i32 index = 0;
    if (settings) {
        StrBuffer stored;
        stored.set(settings->getString(kViewGroup, kConvertToKey, u""));
        for (i32 i = 0; i < m_typeSelector->getItemCount(); ++i) {
            if (stored.view() == std::u16string_view(m_typeSelector->getItem(i)->getText()))
                index = i;
        }
    }
    if (index == m_typeSelector->getSelectedIndex())
        onTypeSelected(); // no change to hear of; apply and store all the same
    else
        m_typeSelector->select(index, true);
}

void Frame::onTypeSelected() {
    const i32 index = m_typeSelector->getSelectedIndex();
    if (auto* pile = dynamic_cast<gw::Box*>(m_contentPanel); pile && pile->getKind() == gw::kPile)
        pile->showOnly(index);
    relayoutAndFit();
    if (map::IMappedData* settings = m_dialog.settings(); settings && m_typeSelector->getSelectedItem())
        settings->setString(kViewGroup, kConvertToKey, m_typeSelector->getSelectedItem()->getText());
}

void Frame::setCompactView(bool compact, bool rememberCurrentSize) {
    const i32 s = m_scale;
    map::IMappedData* settings = m_dialog.settings();
    StrBuffer group;
    group.append(u"MainWindow\\").append(Dialog::viewGroupFor(s));
    if (rememberCurrentSize && settings) {
        settings->setS32(group.c_str(), m_compactView ? u"SmallWidth" : u"LargeWidth", m_window->getWidth());
        settings->setS32(group.c_str(), m_compactView ? u"SmallHeight" : u"LargeHeight", m_window->getHeight());
    }
    m_compactView = compact;
    m_dialog.setCompactView(compact);
    auto* panel = dynamic_cast<gw::Container*>(m_contentPanel);
    i32 width = 0;
    i32 height = 0;
    if (compact) {
        if (panel)
            collapse(panel);
        m_dropColumn->setFixedWidth(-1, false);
        m_dropColumn->setFixedHeight(-1, false);
        m_dropColumn->setPercentSize100();
        m_dropColumn->setVisible(true, false);
        width = settings ? settings->getS32(group.c_str(), u"SmallWidth", 250 * s) : 250 * s;
        height = settings ? settings->getS32(group.c_str(), u"SmallHeight", 250 * s) : 250 * s;
        fitStoredSize(250 * s, 250 * s, &width, &height);
    } else {
        collapse(m_dropColumn);
        if (panel) {
            panel->setPercentSize100();
            panel->setVisible(true, false);
        }
        width = settings ? settings->getS32(group.c_str(), u"LargeWidth", 700 * s) : 700 * s;
        height = settings ? settings->getS32(group.c_str(), u"LargeHeight", 680 * s) : 680 * s;
        fitStoredSize(700 * s, 680 * s, &width, &height);
    }
    m_window->resizeWindow(width, height);
    m_window->doLayout();
    m_window->redraw();
    if (settings)
        settings->setBool(kViewGroup, kCompactViewKey, compact);
}

void Frame::fitStoredSize(i32 defaultWidth, i32 defaultHeight, i32* width, i32* height) const {
    i32 areaW = 0;
    i32 areaH = 0;
    if (!m_window || !m_window->getWorkArea(&areaW, &areaH))
        return;
    // A size stored on a larger screen (or while the window was maximized,
    // by an older version) would open a window the screen cannot hold: the
    // default size is used instead, itself never larger than the screen.
    if (*width > areaW || *height > areaH || *width <= 0 || *height <= 0) {
        *width = defaultWidth;
        *height = defaultHeight;
    }
    *width = std::min(*width, areaW);
    *height = std::min(*height, areaH);
}

// -- IMenuView --

void Frame::setFileRadioMark(i32 position) {
    m_fileMenu->checkRadio(position);
}

void Frame::insertFileRadioEntry(i32 position, i32 command, const char16_t* text) {
    m_fileMenu->insertAt(position, radioLiteral(text, command));
}

void Frame::setItemText(i32 command, const char16_t* text) {
    for (i32 i = 0; i < m_menuBar->getMenuCount(); ++i)
        m_menuBar->getMenu(i)->setItemText(command, text);
}

bool Frame::isItemChecked(i32 command) const {
    return m_menuBar->isChecked(command);
}

void Frame::setItemChecked(i32 command, bool checked) {
    m_menuBar->setChecked(command, checked);
}

void Frame::setLanguageRadioMark(i32 index) {
    m_languageMenu->checkRadio(kCmdLanguageFirst + index);
}

void Frame::setKeepOnTopBox(bool checked) {
    m_keepOnTopBox->setChecked(checked, false);
}

bool Frame::askFolder(const char16_t* startFolder, const char16_t* title, StrBuffer& folder) {
    thread::Pooled<dialogs::win::FolderSelector> selector(thread::makePooled<dialogs::win::FolderSelector>());
    if (!selector->show(m_window, startFolder, title))
        return false;
    folder.set(selector->getPath());
    return folder.length() > 0;
}

bool Frame::askFilesToOpen(const char16_t* startFolder, const char16_t* filterName, const char16_t* filterPattern,
                           str::strarray::StrArray& paths) {
    thread::Pooled<dialogs::win::FileOpener> opener(thread::makePooled<dialogs::win::FileOpener>());
    opener->setOptions(true, true);
    opener->setInitialDir(startFolder);
    opener->addFileType(filterName, filterPattern);
    if (!opener->show(m_window))
        return false;
    for (const std::u16string& path : opener->getPaths())
        paths.append(path.c_str(), static_cast<i32>(path.size()));
    return paths.size() > 0;
}

bool Frame::askFileToSave(const char16_t* startFolder, const char16_t* fileName, const std::vector<FileType>& types,
                          std::u16string& path) {
    thread::Pooled<dialogs::win::FileOpener> saver(thread::makePooled<dialogs::win::FileOpener>());
    saver->setSaveMode();
    saver->setInitialDir(startFolder);
    saver->setFileName(fileName);
    for (const FileType& type : types)
        saver->addFileType(type.description.c_str(), type.pattern.c_str());
    if (!saver->show(m_window))
        return false;
    path = saver->getPath();
    return !path.empty();
}

void Frame::openUrl(const char16_t* url) {
    (void)gw::Label::openLink(url); // no handler for links: nothing better to do than stay
}

void Frame::showVersionWindow() {
    if (!m_about) {
        m_about = gui::dialogs::About3::create();
        m_about->setLocalizer(m_dialog.localizer());
        m_about->setInfo(m_dialog.text(kTextVersion, u""), kReleaseDate, m_dialog.text(kTextProductPage, u""));
    }
    m_about->show(m_scale);
}

void Frame::relayoutAndFit() {
    if (!m_window)
        return;
    // Twice: labels measured in the first run can change what the second
    // one hands out.
    m_window->doLayout();
    m_window->doLayout();
    m_window->fitToMinimum();
}

// -- IWindowBehaviour --

bool Frame::isKeepOnTop() const {
    return m_window && m_window->isKeepOnTop();
}

void Frame::setKeepOnTop(bool onTop) {
    if (m_window)
        m_window->setKeepOnTop(onTop);
    if (m_store)
        m_store->storeKeepOnTop(onTop);
    else if (map::IMappedData* settings = m_dialog.settings())
        settings->setBool(kViewGroup, kKeepOnTopKey, onTop);
}

bool Frame::isEasyDrag() const {
    return m_window && m_window->isEasyDrag();
}

void Frame::setEasyDrag(bool easyDrag) {
    if (m_window)
        m_window->setEasyDrag(easyDrag);
    if (m_store)
        m_store->storeEasyDrag(easyDrag);
    else if (map::IMappedData* settings = m_dialog.settings())
        settings->setBool(kViewGroup, kEasyDragKey, easyDrag);
}

const char16_t* Frame::getMiddleClickAction() const {
    return m_window ? m_window->getMiddleClickAction() : kActionDoNothing;
}

void Frame::setMiddleClickAction(const char16_t* action) {
    if (m_window)
        m_window->setMiddleClickAction(action);
    if (m_store)
        m_store->storeMiddleClickAction(action);
    else if (map::IMappedData* settings = m_dialog.settings())
        settings->setString(kViewGroup, kOnMClickKey, action);
}

void Frame::applyStoredBehaviours() {
    map::IMappedData* settings = m_dialog.settings();
    if (!settings || !m_window)
        return;
    m_window->setKeepOnTop(settings->getBool(kViewGroup, kKeepOnTopKey, false));
    m_window->setEasyDrag(settings->getBool(kViewGroup, kEasyDragKey, true));
    const std::u16string_view stored = settings->getString(kViewGroup, kOnMClickKey, kActionClose);
    // The window compares actions by identity: hand it the constants.
    const char16_t* action = stored == kActionIconize  ? kActionIconize
                             : stored == kActionClose ? kActionClose
                                                      : kActionDoNothing;
    m_window->setMiddleClickAction(action);
}

// -- IDialogObserver --

void Frame::onFileLoaded(const char16_t* name, const char16_t* durationText, const char16_t* sizeText) {
    if (m_content)
        m_content->onFileLoaded(name, durationText, sizeText);
}

void Frame::onPositionsChanged(i64 startUs, i64 endUs) {
    if (m_content)
        m_content->onPositionsChanged(startUs, endUs);
}

void Frame::onEditingChanged(i32 editing) {
    if (m_content)
        m_content->onEditingChanged(editing);
}

void Frame::onCutModeChanged(i32 mode) {
    if (m_content)
        m_content->onCutModeChanged(mode);
}

void Frame::onControlsEnabled(bool enabled) {
    if (m_content)
        m_content->onControlsEnabled(enabled);
}

void Frame::onBusyChanged(bool busy) {
    if (m_content)
        m_content->onBusyChanged(busy);
}

void Frame::onStatusText(const char16_t* text) {
    if (m_statusLabel)
        m_statusLabel->setText(text, true);
    if (m_content)
        m_content->onStatusText(text);
}

void Frame::onProgress(i64 range, i64 value) {
    // A range the bar cannot hold leaves it as it is.
    if (m_progressBar && range >= 0 && range <= kMaxProgressRange) {
        m_progressBar->setRange(0, static_cast<i32>(range));
        const i64 clamped = value < 0 ? 0 : (value > range ? range : value);
        m_progressBar->setPosition(static_cast<i32>(clamped));
    }
    if (m_content)
        m_content->onProgress(range, value);
}

void Frame::onProgressBoxShown(bool shown) {
    if (m_progressBox) {
        if (shown) {
            m_linkBox->setFixedWidth(0, false);
            m_linkBox->setVisible(false, false);
            m_progressBox->setFixedWidth(-1, false);
            m_progressBox->setVisible(true, false);
        } else {
            m_progressText->setText(u"", true);
            m_progressBox->setFixedWidth(0, false);
            m_progressBox->setVisible(false, false);
            m_linkBox->setFixedWidth(-1, false);
            m_linkBox->setVisible(true, false);
        }
        m_statusBar->doLayout();
    }
    if (m_content)
        m_content->onProgressBoxShown(shown);
}

bool Frame::onImageReady() {
    return m_content && m_content->onImageReady();
}

void Frame::onMessage(const char16_t* text) {
    if (gw::UIThread::isUiThread() || !gw::UIThread::instance().isRunning()) {
        presentMessage(text);
        return;
    }
    // From the worker: the box must not hold the worker, which may hold
    // locks the window waits for; the text is copied and shown later.
    std::u16string copy = text ? text : u"";
    std::shared_ptr<std::atomic<bool>> alive = m_alive;
    // Refused only once the interface thread has ended: then there is no
    // window to show it in.
    (void)gw::UIThread::instance().post([this, alive, copy] {
        if (alive->load())
            presentMessage(copy.c_str());
    });
}

void Frame::onSceneSaved(const char16_t* text, const char16_t* path) {
    const bool onTop = m_window && m_window->isKeepOnTop();
    if (onTop)
        m_window->setKeepOnTop(false);
    bool show = false;
    if (m_savedPresenter)
        show = m_savedPresenter(text);
    else if (m_presenter)
        m_presenter(text);
    else
        show =
            gw::MessageBoxW::runActionBox(m_window, text, m_dialog.text(kTextShowInFolder, u"Show in Folder"),
                                          m_dialog.text(kTextOk, u"OK"));
    if (onTop)
        m_window->setKeepOnTop(true);
    if (m_content)
        m_content->onSceneSaved(text, path);
    if (!show || !path)
        return;
    StrBuffer folder;
    folder.set(path);
    u32 slash = 0;
    if (folder.lastIndexOf(u'/', &slash))
        folder.setLength(slash > 0 ? slash : 1);
    StrBuffer failed;
    failed
        .append(m_dialog.text(kTextNoFileManager,
                              u"No file manager could be started. The scene is in this folder:"))
        .append(u"\r\n")
        .append(folder);
    std::u16string message = failed.c_str();
    std::shared_ptr<std::atomic<bool>> alive = m_alive;
    gw::showInFileManager(file::win::toOsText(path), [this, alive, message](bool shown) {
        if (shown)
            return;
        // Refused only when the interface thread has ended, with the window.
        (void)gw::UIThread::instance().post([this, alive, message] {
            if (alive->load())
                presentMessage(message.c_str());
        });
    });
}

void Frame::presentMessage(const char16_t* text) {
    // A window that stays on top would cover its own message box.
    const bool onTop = m_window && m_window->isKeepOnTop();
    if (onTop)
        m_window->setKeepOnTop(false);
    if (m_presenter)
        m_presenter(text);
    else // one button: its answer carries no choice
        (void)gw::MessageBoxW::runBox(m_window, gw::MessageBoxW::kInfo, text, nullptr);
    if (onTop)
        m_window->setKeepOnTop(true);
    if (m_content)
        m_content->onMessage(text);
}

// -- events --

void Frame::onEvent(IComponent* source, i32 code) {
    if (!source)
        return;
    if (m_window && source == static_cast<IComponent*>(m_window)) {
        if (code == kWindowClose) {
            // A maximized or minimized window's size is the screen's, not
            // one the user chose: the size from before is kept.
            if (m_window->isMaximized() || m_window->isMinimized())
                m_dialog.onClose(0, 0);
            else
                m_dialog.onClose(m_window->getWidth(), m_window->getHeight());
        }
        else if (code == kWindowRestore)
            m_window->doLayout();
        // Right button: the window has no size toggle to switch.
        return;
    }
    if (source == m_menuBar && code == kMenuCommand) {
        m_dialog.onCommand(m_menuBar->getCommand());
    } else if (source == m_cancelButton && code == kButtonAction) {
        m_dialog.requestStop(false);
    } else if ((source == m_contentArea || source == m_dropColumn) && code == kBoxFilesDropped) {
        auto* box = static_cast<gw::Box*>(source);
        if (const str::strarray::StrArray* dropped = box->getDroppedFiles())
            (void)m_dialog.openPaths(*dropped); // false: busy, or a folder its check reported
    } else if (source == m_linkLabel && code == kLabelClick) {
        m_dialog.openMakerPage();
    } else if (source == m_typeSelector && code == kComboBoxSelectionChanged) {
        onTypeSelected();
    }
}

} // namespace s::gui::dialogs::dragndrop
