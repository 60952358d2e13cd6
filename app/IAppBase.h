#pragma once

#include "foundation/base/IObject.h"

namespace s::map {
class IMappedData;
}
namespace s::lang {
class Localizer;
}
namespace s::file::win {
class PathWin;
}
namespace s::image::win {
class BufferedImage;
}
namespace s::process::commandline {
class ICommandLine;
}

namespace s::app {

class ISkinManager;

/// Language-pack numbers the shell reads.
inline constexpr i32 kTextRegistryId = 300000; ///< the product's registry identifier
inline constexpr i32 kTextBase = 500000;       ///< the product's display name
inline constexpr i32 kTextWebPage = 3;         ///< offset of the product's web page
inline constexpr i32 kTextVersion = 10;        ///< offset of the version text

/// The process-wide services of the program: command line, language pack,
/// settings store, program icons and skins. Made once at start-up and
/// released at the end; used from the main thread and the user-interface
/// thread, never at the same time.
class IAppBase : public base::IObject {
public:
    virtual lang::Localizer* getLocalizer() const = 0;
    /// Null when the store could not be opened.
    virtual map::IMappedData* getSettings() const = 0;
    virtual const process::commandline::ICommandLine* getCommandLine() const = 0;
    /// The executable and its folder.
    virtual const file::win::PathWin* getModule() const = 0;
    virtual const file::win::PathWin* getModuleFolder() const = 0;
    /// The language-pack number of the product's display name (500000).
    virtual i32 getTextBase() const = 0;

    /// The program icon at 16 ... 256 pixels; owned by the application base.
    virtual image::win::BufferedImage* getIcon16() const = 0;
    virtual image::win::BufferedImage* getIcon32() const = 0;
    virtual image::win::BufferedImage* getIcon64() const = 0;
    virtual image::win::BufferedImage* getIcon128() const = 0;
    virtual image::win::BufferedImage* getIcon256() const = 0;

    virtual bool hasSkins() const = 0;
    /// Null until a skin manager is attached.
    virtual ISkinManager* getSkins() const = 0;

    /// The stored language's English name ("Language", empty key), or the
    /// current language when nothing is stored.
    virtual const char16_t* getLanguage() = 0;
    /// Makes the language current and stores the name of the pack that was
    /// actually selected; false when storing failed.
    virtual bool setLanguage(const char16_t* name) = 0;
    /// The stored skin ("Skin", empty key); a name the skin manager does not
    /// know, or nothing stored, yields the current skin's name.
    virtual const char16_t* getSkin() = 0;
    virtual bool setSkin(const char16_t* name) = 0;

    /// Persists the settings store; true when that worked. Afterwards the
    /// store is not saved again when the application base is released.
    [[nodiscard]] virtual bool saveSettings() = 0;
    /// When another instance of this executable runs: asks it to bring its
    /// window to the front and returns true. Otherwise this instance becomes
    /// the one that others find, and false is returned.
    virtual bool activateRunningInstance() = 0;
    /// After a silent installation (the value "Silent" in the product's
    /// registry key): removes the marker and opens the product's web page.
    /// True when the page was opened.
    virtual bool checkSilentInstall() = 0;
};

} // namespace s::app
