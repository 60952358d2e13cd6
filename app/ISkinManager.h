#pragma once

#include "foundation/base/Types.h"

namespace s::gui::drawer {
class ISkin;
}

namespace s::app {

/// What the application shell needs of a skin manager: the names it knows
/// and which skin is current. The toolkit's skin families are adapted to it
/// by whoever attaches skins to the application.
class ISkinManager {
public:
    virtual ~ISkinManager() = default;
    /// Whether a skin of that name exists (names compare exactly).
    virtual bool hasSkin(const char16_t* name) const = 0;
    /// The current skin's name; never null.
    virtual const char16_t* getCurrentSkinName() const = 0;
    /// Makes the named skin current and tells the manager's listeners; false
    /// (nothing changed) for an unknown name.
    virtual bool setCurrentSkin(const char16_t* name) = 0;
    /// The current skin that windows paint with (owned by the manager);
    /// null when the manager's windows use the plain drawers.
    virtual gui::drawer::ISkin* getCurrentSkin() const { return nullptr; }
};

} // namespace s::app
