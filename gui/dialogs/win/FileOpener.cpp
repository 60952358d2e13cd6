#include "gui/dialogs/win/FileOpener.h"

#include "gui/IWindow.h"
#include "gui/dialogs/win/FileDialogEx.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

namespace s::gui::dialogs::win {

using gui::win::UIThread;

void FileOpener::reset() {
    m_openMode = true;
    m_path.clear();
    m_initialDir.clear();
    m_fileName.clear();
    m_defaultExt.clear();
    m_filter.clear();
    m_followLinks = true;
    m_multiSelect = false;
    m_paths.clear();
}

void FileOpener::setOptions(bool multiSelect, bool followLinks) {
    m_multiSelect = multiSelect;
    m_followLinks = followLinks;
    m_openMode = true;
}

void FileOpener::addFileType(const char16_t* description, const char16_t* pattern) {
    m_filter += description ? description : u"";
    m_filter += u'|';
    m_filter += pattern ? pattern : u"";
    m_filter += u'|';
}

std::u16string FileOpener::nameForTypeChange(const std::u16string& fullPathText, const std::u16string& pattern) {
    if (fullPathText.empty())
        return fullPathText;
    const std::size_t dot = pattern.rfind(u'.');
    if (dot == std::u16string::npos)
        return fullPathText;
    std::u16string ext = pattern.substr(dot);
    if (const std::size_t end = ext.find_first_of(u"; "); end != std::u16string::npos)
        ext.erase(end);
    // "*.*" and the like name no extension: appending it would make a name
    // with wildcards in it.
    if (ext.size() < 2 || ext.find_first_of(u"*?") != std::u16string::npos)
        return fullPathText;
    return fullPathText + ext;
}

bool FileOpener::show(IWindow* parent) {
    m_paths.clear();
    if (!UIThread::instance().start())
        return false;
    bool ok = false;
    std::vector<std::u16string> chosen;
    UIThread::instance().invoke([&] {
        const bool onTop = parent && parent->isKeepOnTop();
        if (onTop)
            parent->setKeepOnTop(false);
        auto dialog = thread::makePooled<FileDialogEx>();
        dialog->setOpenMode(m_openMode);
        dialog->setMultiSelect(m_multiSelect);
        dialog->setFollowLinks(m_followLinks);
        dialog->setInitialDir(m_initialDir);
        dialog->setFileName(m_fileName);
        dialog->setDefaultExt(m_defaultExt);
        // The filter text holds description|pattern| pairs in call order.
        std::size_t start = 0;
        while (start < m_filter.size()) {
            const std::size_t bar1 = m_filter.find(u'|', start);
            if (bar1 == std::u16string::npos)
                break;
            std::size_t bar2 = m_filter.find(u'|', bar1 + 1);
            if (bar2 == std::u16string::npos)
                bar2 = m_filter.size();
            dialog->addFileType(m_filter.substr(start, bar1 - start), m_filter.substr(bar1 + 1, bar2 - bar1 - 1));
            start = bar2 + 1;
        }
        GtkWindow* owner = parent && parent->isRealized() ? GTK_WINDOW(parent->getNativeHandle()) : nullptr;
        ok = dialog->run(owner, &chosen);
        if (onTop)
            parent->setKeepOnTop(true);
    });
    if (!ok || chosen.empty())
        return false;
    m_path = chosen.front();
    m_paths = std::move(chosen);
    return true;
}

} // namespace s::gui::dialogs::win
