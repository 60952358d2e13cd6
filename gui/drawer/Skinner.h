#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <vector>

namespace s::gui::drawer {

class ISkin;

/// Builds and keeps the named skins of one family: "Basic" (no skins; the
/// controls' plain drawers), "Thin" or "ThinWindow". The names and the skins
/// are two lists in the same order; the skinner owns the skins. One skin is
/// current: the first after a build, until another is chosen by name.
///
/// Used by one thread at a time (the user-interface thread once windows
/// exist).
class Skinner final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Skinner)

public:
    static constexpr const char16_t* kBasic = u"Basic";
    static constexpr const char16_t* kThin = u"Thin";
    static constexpr const char16_t* kThinWindow = u"ThinWindow";

    Skinner() = default;
    Skinner(const Skinner&) = delete;
    Skinner& operator=(const Skinner&) = delete;
    ~Skinner() override;
    const char16_t* getClassName() const override { return u"s_gui_drawer_Skinner"; }
    /// Releases the skins, empties both lists and returns to "Basic".
    void reset() override;

    /// A new skinner of family "ThinWindow", built. The caller releases it.
    [[nodiscard]] static Skinner* makeWindowSkinner();

    /// The family `build` makes; an unknown name builds no skins.
    void setKind(const char16_t* kind) { m_kind = kind ? kind : u""; }
    const std::u16string& getKind() const { return m_kind; }
    /// Builds the family's skins, one per colour scheme in the family's
    /// order, at the current display scale. Skins built before are released
    /// first, so building twice does not list a skin twice.
    void build();

    u32 getCount() const { return static_cast<u32>(m_skins.size()); }
    /// Null past the end.
    ISkin* getSkin(u32 index) const { return index < m_skins.size() ? m_skins[index] : nullptr; }
    /// Null past the end.
    const char16_t* getName(u32 index) const { return index < m_names.size() ? m_names[index].c_str() : nullptr; }
    const std::vector<std::u16string>& getNames() const { return m_names; }
    const std::vector<ISkin*>& getSkins() const { return m_skins; }
    /// The skin of that name (exact match), or null.
    ISkin* findSkin(const char16_t* name) const;
    /// Its index, or -1.
    i32 indexOf(const char16_t* name) const;

    /// Makes the named skin current; false (nothing changes) when no skin
    /// has that name.
    bool setCurrent(const char16_t* name);
    /// Null when the family has no skins.
    ISkin* getCurrent() const { return getSkin(static_cast<u32>(m_current)); }
    /// The current skin's name; empty when there is none.
    const char16_t* getCurrentName() const;

private:
    void clear();
    void add(const char16_t* name, ISkin* skin);
    void buildThin(i32 s);
    void buildThinWindow(i32 s);

    std::u16string m_kind = kBasic;
    std::vector<std::u16string> m_names;
    std::vector<ISkin*> m_skins; // owned
    i32 m_current = -1;
};

} // namespace s::gui::drawer
