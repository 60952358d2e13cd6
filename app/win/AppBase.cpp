#include "app/win/AppBase.h"

#include "app/ISkinManager.h"
#include "app/process/commandline/win/CommandLine.h"
#include "app/win/ProgramIcon.h"
#include "app/win/SingleInstance.h"
#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/lang/Localizer.h"
#include "foundation/reg/MappedData.h"
#include "foundation/reg/win/RegDir.h"
#include "gui/IWindow.h"
#include "image/win/BufferedImage.h"
#include "resources/Resources.h"

#include <climits>
#include <cstdlib>
#include <gio/gio.h>
#include <string_view>
#include <unistd.h>

namespace s::app::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr i32 kIconSizes[5] = {16, 32, 64, 128, 256};

bool sameText(const char16_t* a, const char16_t* b) {
    return std::u16string_view(a ? a : u"") == std::u16string_view(b ? b : u"");
}

} // namespace

bool openUriWithDesktop(const char16_t* uri) {
    if (!uri || !*uri)
        return false;
    const std::string text = file::win::toOsText(uri);
    GError* error = nullptr;
    const bool ok = g_app_info_launch_default_for_uri(text.c_str(), nullptr, &error);
    if (error)
        g_error_free(error);
    return ok;
}

std::string absoluteArgumentPath(std::string_view argument, std::string_view workingFolder) {
    std::string path;
    if (argument.starts_with("file://")) {
        const std::string uri(argument);
        gchar* host = nullptr;
        gchar* name = g_filename_from_uri(uri.c_str(), &host, nullptr);
        // Only this machine's files: another host's path is not ours.
        const bool local = !host || !*host || std::string_view(host) == "localhost";
        if (name && local)
            path = name;
        g_free(name);
        g_free(host);
        if (path.empty())
            return {};
    } else if (argument.starts_with("/")) {
        path = argument;
    } else if (!argument.empty() && !workingFolder.empty() && workingFolder[0] == '/') {
        path.append(workingFolder).append("/").append(argument);
    } else {
        return {};
    }
    // "a//b" and "a/./b" are "a/b"; a trailing "/." or "/" goes.
    std::string out;
    size_t at = 0;
    while (at < path.size()) {
        size_t end = path.find('/', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + at, end - at);
        if (!part.empty() && part != ".")
            out.append("/").append(part);
        at = end + 1;
    }
    return out.empty() ? std::string("/") : out;
}

AppBase::AppBase()
    : m_commandLine(process::commandline::win::CommandLine::create()), m_localizer(lang::Localizer::create()),
      m_openUri(openUriWithDesktop) {}

AppBase::~AppBase() {
    reset();
    m_commandLine->release();
    m_localizer->release();
}

bool AppBase::init(int argc, const char* const* argv) {
    if (argv)
        m_commandLine->parse(argc, argv);
    else
        m_commandLine->parseOwnProcess();
    findModule();

    // The localizer chooses the system's language on its first lookup.
    const std::span<const u8> pack = resources::languagePackXml();
    const bool packLoaded = m_localizer->loadUtf8(pack.data(), static_cast<u32>(pack.size()));
    drawIcons();
    if (!openStore())
        return false;

    map::IMappedData& store = *m_settings;
    store.setAutoSave(false);
    store.setString(u"SoftwareID", u"", m_localizer->getText(kTextRegistryId));
    store.setString(u"Version", u"", m_localizer->getText(m_textBase + kTextVersion));
    m_localizer->applyStoredLanguage(store);
    if (m_skins)
        setSkins(m_skins);
    store.setAutoSave(true);
    // Whatever was written while saving was off goes out now.
    const bool saved = store.touch();
    return packLoaded && saved;
}

void AppBase::findModule() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return;
    m_module = file::win::newPathOs(std::string_view(buffer, static_cast<size_t>(n)));
    m_moduleFolder = m_module->parent();
}

void AppBase::drawIcons() {
    for (size_t i = 0; i < std::size(kIconSizes); ++i) {
        if (!m_icons[i])
            m_icons[i] = drawProgramIcon(kIconSizes[i]);
    }
}

bool AppBase::openStore() {
    const char16_t* id = m_localizer->getText(kTextRegistryId);
    if (!*id)
        return false;
    reg::MappedData::storeKeyPath(m_pathBuffer, id);
    m_settings = reg::MappedData::create();
    if (m_settings->open(m_pathBuffer.c_str()))
        return true;
    m_settings->release();
    m_settings = nullptr;
    return false;
}

image::win::BufferedImage* AppBase::getIcon(i32 size) const {
    for (size_t i = 0; i < std::size(kIconSizes); ++i) {
        if (kIconSizes[i] >= size)
            return m_icons[i];
    }
    return m_icons[std::size(kIconSizes) - 1];
}

map::IMappedData* AppBase::getSettings() const {
    return m_settings;
}

const process::commandline::ICommandLine* AppBase::getCommandLine() const {
    return m_commandLine;
}

void AppBase::setUriOpener(UriOpener opener) {
    m_openUri = opener ? std::move(opener) : UriOpener(openUriWithDesktop);
}

void AppBase::setSkins(ISkinManager* skins) {
    m_skins = skins;
    if (!skins)
        return;
    const char16_t* stored = getSkin();
    if (!sameText(stored, skins->getCurrentSkinName()))
        skins->setCurrentSkin(stored);
    m_skinName.set(skins->getCurrentSkinName());
}

void AppBase::setPresentHandler(PresentHandler handler) {
    m_onPresent = std::move(handler);
    if (m_instance)
        m_instance->setPresentHandler(m_onPresent);
}

void AppBase::presentWindowOnRequest(gui::IWindow* window,
                                     std::function<void(const std::vector<std::string>& files)> openFiles) {
    if (!window) {
        setPresentHandler(nullptr);
        return;
    }
    setPresentHandler([window, openFiles](const std::vector<std::string>& files) {
        window->invoke([window, &files, &openFiles] {
            if (window->isClosed())
                return;
            if (window->isMinimized())
                window->restore();
            window->showWindow(true, true);
            window->activate(true);
            if (!files.empty() && openFiles)
                openFiles(files);
        });
    });
}

std::vector<std::string> AppBase::fileArguments() const {
    std::string cwd;
    if (char* folder = ::getcwd(nullptr, 0)) {
        cwd = folder;
        std::free(folder);
    }
    std::vector<std::string> files;
    for (u32 i = 0; i < m_commandLine->count(); ++i) {
        const std::u16string_view argument(m_commandLine->argument(i));
        if (m_commandLine->isSwitch(i) || argument == u"-")
            continue;
        std::string path = absoluteArgumentPath(file::win::toOsText(argument), cwd);
        if (!path.empty())
            files.push_back(std::move(path));
    }
    return files;
}

const char16_t* AppBase::getLanguage() {
    const char16_t* current = m_localizer->currentLanguage();
    return m_settings ? m_settings->getString(lang::kLanguageGroup, u"", current) : current;
}

bool AppBase::setLanguage(const char16_t* name) {
    m_localizer->selectLanguage(name);
    return !m_settings || m_settings->setString(lang::kLanguageGroup, u"", m_localizer->currentLanguage());
}

const char16_t* AppBase::getSkin() {
    const char16_t* current = m_skins ? m_skins->getCurrentSkinName() : m_skinName.c_str();
    if (!m_settings)
        return current;
    const char16_t* stored = m_settings->getString(kSkinGroup, u"", current);
    return m_skins && !m_skins->hasSkin(stored) ? current : stored;
}

bool AppBase::setSkin(const char16_t* name) {
    m_skinName.set(name ? name : u"");
    return !m_settings || m_settings->setString(kSkinGroup, u"", m_skinName.c_str());
}

bool AppBase::saveSettings() {
    // Only a save that worked spares the save at release.
    if (!m_settings || !m_settings->save())
        return false;
    m_settingsSaved = true;
    return true;
}

bool AppBase::activateRunningInstance() {
    if (!m_instance) {
        m_instance = std::make_unique<SingleInstance>();
        m_instance->setPresentHandler(m_onPresent);
    }
    if (m_instance->acquire())
        return false;
    // The other instance may be busy; it still runs, so this start ends
    // whether or not it answered in time.
    [[maybe_unused]] const bool answered = m_instance->notifyRunning(fileArguments());
    return true;
}

bool AppBase::checkSilentInstall() {
    m_pathBuffer.set(u"Software\\Zarvo\\");
    m_pathBuffer.append(m_localizer->getText(kTextRegistryId));
    auto key = thread::makePooled<reg::win::RegDir>();
    if (!key->open(m_pathBuffer.c_str(), false) || !key->hasValue(kSilentValue))
        return false;
    // A marker that cannot be removed would open the page at every start.
    if (!key->deleteValue(kSilentValue))
        return false;
    return m_openUri && m_openUri(m_localizer->getText(m_textBase + kTextWebPage));
}

bool AppBase::checkStart() {
    if (m_commandLine->count() == 0)
        checkSilentInstall();
    return !activateRunningInstance();
}

void AppBase::reset() {
    if (m_settings) {
        if (!m_settingsSaved)
            (void)m_settings->save();
        m_settings->release();
        m_settings = nullptr;
    }
    m_instance.reset();
    m_commandLine->reset();
    if (m_module)
        m_module->release();
    if (m_moduleFolder)
        m_moduleFolder->release();
    m_module = m_moduleFolder = nullptr;
    m_localizer->reset();
    for (image::win::BufferedImage*& icon : m_icons) {
        if (icon)
            icon->release();
        icon = nullptr;
    }
    m_skins = nullptr;
    m_skinName.reset();
    m_pathBuffer.reset();
    m_scratch.reset();
    m_settingsSaved = false;
    m_openUri = openUriWithDesktop;
    m_onPresent = nullptr;
}

} // namespace s::app::win
