// The generic dialog's menu commands and the menus' starting state.

#include "foundation/file/win/PathWin.h"
#include "foundation/lang/LangPack.h"
#include "foundation/lang/Localizer.h"
#include "foundation/map/IMappedData.h"
#include "gui/IWindow.h"
#include "mainwindow/dragndrop/Dialog.h"

namespace s::gui::dialogs::dragndrop {

using str::strbuffer::StrBuffer;

namespace {

// Web addresses live in the language pack, so that a translation can point
// at a page in its own language. The product's own texts start at 500000.
constexpr i32 kTextBase = 500000;
constexpr i32 kMakerPageText = 101000;
constexpr i32 kTranslatePageText = 106000;
constexpr i32 kHomePageText = kTextBase + 3;
constexpr i32 kHelpPageText = kTextBase + 4;
constexpr i32 kSupportPageText = kTextBase + 100;
constexpr i32 kShortcutsText = 701160;

i32 radioPositionOf(i32 mode) {
    switch (mode) {
    case kOutputCustom:
        return kPosCustomFolder;
    case kOutputSubFolder:
        return kPosSubFolder;
    case kOutputDesktop:
        return kPosDesktop;
    default:
        return kPosSameFolder;
    }
}

} // namespace

void Dialog::customEntryText(StrBuffer& out, const char16_t* folder) const {
    out.clear();
    out.append(text(608249, u"Output to:\u00a0")).append(u'"').append(folder).append(u'"');
}

void Dialog::menuState(MenuState& out) {
    if (m_outputFolderMode == kOutputCustom && m_customOutputFolder.length() == 0)
        m_outputFolderMode = kOutputSameFolder; // as the folder check would; not stored
    out.fileRadioPosition = radioPositionOf(m_outputFolderMode);
    out.hasCustomEntry = m_customOutputFolder.length() > 0;
    out.customEntryText.clear();
    if (out.hasCustomEntry)
        customEntryText(out.customEntryText, m_customOutputFolder.c_str());
    m_customEntryInMenu = out.hasCustomEntry;
    if (m_behaviour) {
        out.keepOnTop = m_behaviour->isKeepOnTop();
        out.easyDrag = m_behaviour->isEasyDrag();
        out.middleClickClose = m_behaviour->getMiddleClickAction() == gui::kActionClose;
    }
    out.languageIndex = -1;
    if (lang::Localizer* localizer = m_context.localizer) {
        lang::LangPack* current = localizer->currentPack();
        for (u32 i = 0; i < localizer->packCount(); ++i) {
            if (localizer->pack(i) == current)
                out.languageIndex = static_cast<i32>(i);
        }
    }
}

void Dialog::onCommand(i32 command) {
    switch (command) {
    case kCmdOpen:
        openByDialog();
        return;
    case kCmdSameFolder:
    case kCmdSubFolder:
    case kCmdDesktop: {
        const i32 mode = command == kCmdSameFolder  ? kOutputSameFolder
                         : command == kCmdSubFolder ? kOutputSubFolder
                                                    : kOutputDesktop;
        setOutputFolderMode(mode);
        if (m_menu)
            m_menu->setFileRadioMark(radioPositionOf(mode));
        return;
    }
    case kCmdCustomFolder: {
        // The entry can outlive its folder (emptied since the menu was made).
        const i32 mode = m_customOutputFolder.length() > 0 ? kOutputCustom : kOutputSameFolder;
        setOutputFolderMode(mode);
        if (m_menu)
            m_menu->setFileRadioMark(radioPositionOf(mode));
        return;
    }
    case kCmdOtherFolder:
        chooseOutputFolderByDialog();
        return;
    case kCmdKeepOnTop: {
        if (!m_menu)
            return;
        const bool onTop = !m_menu->isItemChecked(kCmdKeepOnTop);
        m_menu->setItemChecked(kCmdKeepOnTop, onTop);
        m_menu->setKeepOnTopBox(onTop);
        if (m_behaviour)
            m_behaviour->setKeepOnTop(onTop);
        return;
    }
    case kCmdEasyDrag: {
        if (!m_menu)
            return;
        const bool easyDrag = !m_menu->isItemChecked(kCmdEasyDrag);
        m_menu->setItemChecked(kCmdEasyDrag, easyDrag);
        if (m_behaviour)
            m_behaviour->setEasyDrag(easyDrag);
        return;
    }
    case kCmdMiddleClickClose: {
        if (!m_menu)
            return;
        const bool wasChecked = m_menu->isItemChecked(kCmdMiddleClickClose);
        m_menu->setItemChecked(kCmdMiddleClickClose, !wasChecked);
        if (m_behaviour)
            m_behaviour->setMiddleClickAction(wasChecked ? gui::kActionDoNothing : gui::kActionClose);
        return;
    }
    case kCmdVersion:
        if (m_menu)
            m_menu->showVersionWindow();
        return;
    case kCmdShortcuts:
        notifyMessage(text(kShortcutsText, u"Keyboard shortcuts"));
        return;
    default:
        break;
    }

    i32 page = 0;
    switch (command) {
    case kCmdTranslate:
        page = kTranslatePageText;
        break;
    case kCmdHomePage:
        page = kHomePageText;
        break;
    case kCmdHelpPage:
        page = kHelpPageText;
        break;
    case kCmdMakerSite:
        page = kMakerPageText;
        break;
    case kCmdSupportPage:
        page = kSupportPageText;
        break;
    default:
        if (command >= kCmdLanguageFirst && command < kCmdLanguageLimit)
            selectLanguage(command - kCmdLanguageFirst);
        return;
    }
    const char16_t* url = text(page, u"");
    if (m_menu && url[0] != 0)
        m_menu->openUrl(url);
}

void Dialog::openMakerPage() {
    const char16_t* url = text(kMakerPageText, u"");
    if (m_menu && url[0] != 0)
        m_menu->openUrl(url);
}

void Dialog::selectLanguage(i32 index) {
    lang::Localizer* localizer = m_context.localizer;
    if (!localizer || index < 0 || static_cast<u32>(index) >= localizer->packCount())
        return;
    const char16_t* name = localizer->pack(static_cast<u32>(index))->getEngName();
    localizer->selectLanguage(name);
    // The user's choice from now on, instead of the system's language.
    if (m_context.settings)
        m_context.settings->setString(lang::kLanguageGroup, u"", name);
    // The status line holds a text, not a number: an idle window says
    // "Ready" in the new language (a running job sends its next status soon).
    if (!isBusy())
        notifyStatus(text(609450, u"Ready"));
    if (m_menu) {
        m_menu->setLanguageRadioMark(index);
        m_menu->relayoutAndFit();
    }
}

void Dialog::openByDialog() {
    if (!m_menu)
        return;
    StrBuffer start;
    start.set(file::win::desktopFolder());
    if (m_context.settings)
        start.set(m_context.settings->getString(kFileGroup, kLastBrowsedFileLoadDirKey, start.c_str()));
    str::strarray::StrArray paths;
    if (!m_menu->askFilesToOpen(start.c_str(), text(608120, u"Video Files (*.*)"), text(608121, u"*.*"),
                                paths) ||
        paths.size() == 0)
        return;
    file::win::PathHandle first(file::win::newPath(*paths.get(0)));
    if (first->exists() && m_context.settings) {
        file::win::PathHandle folder(first->parentOrNull());
        if (folder && folder->exists() && folder->isFolder())
            m_context.settings->setString(kFileGroup, kLastBrowsedFileLoadDirKey, folder->fullPathText());
    }
    (void)openPaths(paths); // false: busy, nothing chosen, or a folder its check reported
}

void Dialog::chooseOutputFolderByDialog() {
    if (!m_menu)
        return;
    StrBuffer start;
    start.set(file::win::desktopFolder());
    if (m_context.settings)
        start.set(m_context.settings->getString(kFileGroup, kLastBrowsedOutputDirKey, start.c_str()));
    StrBuffer folder;
    if (!m_menu->askFolder(start.c_str(), text(608255, u"Please select the output folder."), folder) ||
        folder.length() == 0)
        return;
    chooseCustomOutputFolder(folder.c_str());
    StrBuffer entry;
    customEntryText(entry, folder.c_str());
    // Whether the menu has the entry, not whether a folder was set: the
    // folder may have been emptied while the entry stayed.
    if (!m_customEntryInMenu) {
        m_menu->insertFileRadioEntry(kPosCustomFolder, kCmdCustomFolder, entry.c_str());
        m_customEntryInMenu = true;
    } else {
        m_menu->setItemText(kCmdCustomFolder, entry.c_str());
    }
    m_menu->setFileRadioMark(kPosCustomFolder);
}

} // namespace s::gui::dialogs::dragndrop
