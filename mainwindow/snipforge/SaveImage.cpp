// "Save as Image": the picture on show written as an image file.

#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/map/IMappedData.h"
#include "foundation/thread/Pool.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/snipforge/Dialog.h"
#include "mainwindow/snipforge/ImageTypes.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

namespace s::video::gui::dialogs::snipforge {

namespace {

namespace dnd = ::s::gui::dialogs::dragndrop;

constexpr const char16_t* kLastDirKey = u"LastAccessedDirPath";
constexpr const char16_t* kLastExtensionKey = u"LastScreenshotExtension";

bool isFolder(const std::u16string& path) {
    struct stat st {};
    return !path.empty() && ::stat(file::win::toOsText(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

void Dialog::saveFrameAsImage() {
    if (!m_view || !m_menu)
        return;
    image::win::BufferedImage* shown = m_view->previewImage();
    // The 16 x 9 black picture stands in before anything is loaded.
    if (!shown || shown->getWidth() <= 16 || shown->getHeight() <= 9)
        return;
    // A frame arriving while the dialog is open must not change what is saved.
    thread::Pooled<image::win::BufferedImage> copy = thread::makePooled<image::win::BufferedImage>();
    if (!shown->copy(copy.get()))
        return;

    map::IMappedData* store = settings();
    const std::u16string desktop = file::win::desktopFolder().c_str();
    std::u16string folder = store ? store->getString(dnd::kViewGroup, kLastDirKey, desktop.c_str()) : desktop;
    // A remembered folder that went away: the desktop again.
    if (!isFolder(folder))
        folder = desktop;
    std::u16string extension = store ? store->getString(dnd::kViewGroup, kLastExtensionKey, u"png") : u"png";
    if (extension.empty())
        extension = u"png";

    std::vector<dnd::IMenuView::FileType> types;
    for (const ImageTypeInfo* type : offeredImageTypes(extension))
        types.push_back({type->description, type->pattern});
    std::u16string path;
    if (!m_menu->askFileToSave(folder.c_str(), proposedCaptureName(folder, extension).c_str(), types, path))
        return;

    const size_t slash = path.find_last_of(u'/');
    const std::u16string chosenFolder =
        slash == std::u16string::npos ? folder : path.substr(0, slash == 0 ? 1 : slash);
    const std::u16string chosenExtension = extensionOf(path);
    if (store) {
        store->setString(dnd::kViewGroup, kLastDirKey, chosenFolder.c_str());
        store->setString(dnd::kViewGroup, kLastExtensionKey, chosenExtension.c_str());
    }

    const ImageTypeInfo* type = imageTypeForExtension(chosenExtension);
    str::strbuffer::StrBuffer message;
    if (!type) {
        message.set(text(3011000,
                         u"The picture was not saved: the file name must end in an image type the program "
                         u"can write."));
        message.append(u"\n");
        message.append(text(3011001, u"Supported types:"));
        message.append(u" ");
        message.append(supportedExtensionsText());
        showMessageNotOnTop(message.c_str());
        return;
    }
    int error = 0;
    switch (writeImageFile(copy.get(), type->type, store, file::win::toOsText(path).c_str(), &error)) {
    case ImageWriteResult::kWritten:
        return;
    case ImageWriteResult::kNothingEncoded:
        message.set(text(3011020,
                         u"The picture was not saved: its image settings make no picture (an icon needs at "
                         u"least one size and one colour depth)."));
        break;
    case ImageWriteResult::kWriteFailed: {
        message.set(text(3011010, u"The picture could not be saved:"));
        message.append(u"\n");
        message.append(path.c_str());
        if (error) {
            message.append(u"\n");
            message.append(file::win::fromOsText(std::strerror(error)).c_str());
        }
        break;
    }
    }
    showMessageNotOnTop(message.c_str());
}

} // namespace s::video::gui::dialogs::snipforge
