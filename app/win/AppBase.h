#pragma once

#include "app/IAppBase.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace s::reg {
class MappedData;
}
namespace s::process::commandline::win {
class CommandLine;
}
namespace s::gui {
class IWindow;
}

namespace s::app::win {

class SingleInstance;

/// Opens a web address in the user's browser; true when it was handed on.
using UriOpener = std::function<bool(const char16_t* uri)>;

/// The default opener: the desktop's handler for the address.
bool openUriWithDesktop(const char16_t* uri);

/// The absolute path of a file named on the command line (kernel bytes):
/// a "file://" address is turned into its path, a relative path is taken
/// from `workingFolder`; "." parts and doubled slashes are dropped ("..",
/// which may cross a symbolic link, is kept). Empty for an empty argument,
/// another kind of address, or a relative path without a working folder.
std::string absoluteArgumentPath(std::string_view argument, std::string_view workingFolder);

/// Receives the request of a later start: the files it was given (absolute
/// kernel paths, empty when none).
using PresentHandler = std::function<void(const std::vector<std::string>& files)>;

/// The process-wide services: command line, language pack, settings store
/// (the per-user registry store), program icons, skins.
///
/// `init` runs once on the main thread before any window exists; afterwards
/// the getters may be used from the user-interface thread. Releasing the
/// object saves the store (unless `saveSettings` was called) and releases
/// everything it holds.
class AppBase final : public IAppBase, public thread::IPoolable {
    S_POOLED_CLASS(AppBase)

public:
    AppBase();
    AppBase(const AppBase&) = delete;
    AppBase& operator=(const AppBase&) = delete;
    ~AppBase() override;

    /// Parses `argv` (null: this process's own arguments), finds the
    /// executable, loads the language pack in the system's language, draws
    /// the icons, opens the settings store and writes the program's identity
    /// into it, and applies the stored language. False when the language
    /// pack or the settings store could not be had; the object is usable
    /// either way (without a store nothing is read or stored).
    [[nodiscard]] bool init(int argc, const char* const* argv);

    /// Replaces the desktop's URI handler (tests, or a program that has no
    /// desktop).
    void setUriOpener(UriOpener opener);
    /// Attaches a skin manager (not owned) and makes the stored skin current.
    void setSkins(ISkinManager* skins);
    /// Receives the request of a later start to show the program; called on
    /// a listener thread, so the handler carries it to the window's thread.
    void setPresentHandler(PresentHandler handler);
    /// The usual handler: a later start brings `window` back from the task
    /// bar or from hiding and to the front, on the window's own thread, and
    /// then hands the files it was given to `openFiles` there (without
    /// waiting for it: the later start ends at once). Call again with null
    /// before the window is released (not on the window's thread: this
    /// waits for a request in progress).
    void presentWindowOnRequest(gui::IWindow* window,
                                std::function<void(const std::vector<std::string>& files)> openFiles = {});

    /// The files named on the command line (its plain arguments, a lone "-"
    /// excepted), as absolute kernel paths in their order; relative ones are
    /// taken from the current folder.
    std::vector<std::string> fileArguments() const;

    /// The checks before a window is built: without arguments, the silent
    /// installation's page; then the single-instance rule. True when this
    /// start should go on and show its window.
    bool checkStart();

    // -- IAppBase --
    lang::Localizer* getLocalizer() const override { return m_localizer; }
    map::IMappedData* getSettings() const override;
    const process::commandline::ICommandLine* getCommandLine() const override;
    const file::win::PathWin* getModule() const override { return m_module; }
    const file::win::PathWin* getModuleFolder() const override { return m_moduleFolder; }
    i32 getTextBase() const override { return m_textBase; }
    image::win::BufferedImage* getIcon16() const override { return m_icons[0]; }
    image::win::BufferedImage* getIcon32() const override { return m_icons[1]; }
    image::win::BufferedImage* getIcon64() const override { return m_icons[2]; }
    image::win::BufferedImage* getIcon128() const override { return m_icons[3]; }
    image::win::BufferedImage* getIcon256() const override { return m_icons[4]; }
    /// The icon closest to `size` from above (the largest for bigger sizes).
    image::win::BufferedImage* getIcon(i32 size) const;
    bool hasSkins() const override { return m_skins != nullptr; }
    ISkinManager* getSkins() const override { return m_skins; }
    const char16_t* getLanguage() override;
    bool setLanguage(const char16_t* name) override;
    const char16_t* getSkin() override;
    bool setSkin(const char16_t* name) override;
    [[nodiscard]] bool saveSettings() override;
    bool activateRunningInstance() override;
    bool checkSilentInstall() override;

    bool isSettingsSaved() const { return m_settingsSaved; }

    const char16_t* getClassName() const override { return u"s_app_win_AppBase"; }
    /// Saves the store unless saved explicitly, then releases everything.
    void reset() override;

    /// The registry value that a silent installation leaves in the
    /// product's key.
    static constexpr const char16_t* kSilentValue = u"Silent";
    /// The settings group of the skin's name (empty key).
    static constexpr const char16_t* kSkinGroup = u"Skin";

private:
    void findModule();
    void drawIcons();
    bool openStore();

    str::strbuffer::StrBuffer m_pathBuffer;
    str::strbuffer::StrBuffer m_scratch;
    i32 m_textBase = kTextBase;
    process::commandline::win::CommandLine* m_commandLine; // owned
    file::win::PathWin* m_module = nullptr;                // owned, null when unknown
    file::win::PathWin* m_moduleFolder = nullptr;          // owned, null when unknown
    lang::Localizer* m_localizer;                          // owned
    ISkinManager* m_skins = nullptr;                       // not owned
    image::win::BufferedImage* m_icons[5] = {};            // owned: 16, 32, 64, 128, 256
    bool m_settingsSaved = false;
    reg::MappedData* m_settings = nullptr; // owned, null until opened
    str::strbuffer::StrBuffer m_skinName;
    UriOpener m_openUri;
    PresentHandler m_onPresent;
    std::unique_ptr<SingleInstance> m_instance; // made by activateRunningInstance
};

} // namespace s::app::win
