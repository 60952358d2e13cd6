#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IWindow.h"

#include <string>

namespace s::lang {
class Localizer;
}
namespace s::gui::drawer {
class Skinner;
}
namespace s::gui::win {
class Button;
class Label;
class Window;
} // namespace s::gui::win

namespace s::gui::dialogs {

/// The version-information window: version, last update and the maker's
/// web address (a link opened with the desktop's default handler), with a
/// "Close" button and a close icon. Made on the first `show` in the
/// "Classic LG" look and kept; closing only hides it. Shown again after the
/// language changed, it is made again in the new language.
///
/// Threads: user-interface thread (carried there from elsewhere).
class About3 final : public base::IObject, public thread::IPoolable, public events::IEventListener {
    S_POOLED_CLASS(About3)

public:
    static constexpr u32 kMaxPooled = 0;
    static constexpr i32 kWidth = 340;
    static constexpr i32 kHeight = 285;

    About3() = default;
    About3(const About3&) = delete;
    About3& operator=(const About3&) = delete;
    ~About3() override;
    const char16_t* getClassName() const override { return u"s_gui_dialogs_About3"; }
    /// Releases the window and its skins.
    void reset() override;

    void setLocalizer(lang::Localizer* localizer) { m_localizer = localizer; }
    /// The application's values shown in the rows.
    void setInfo(const char16_t* version, const char16_t* lastUpdated, const char16_t* url);
    /// The text id of a second link row (-1: none) and its address.
    void setSecondLink(i32 textId, const char16_t* url);

    /// Builds the window on first use (sizes × `scaleFactor`) and shows it
    /// in front.
    void show(i32 scaleFactor);
    win::Window* getWindow() const { return m_window; }
    win::Label* getUrlLabel() const { return m_urlLabel; }

    void onEvent(IComponent* source, i32 code) override;

private:
    void build(i32 scale);
    const char16_t* text(i32 id, const char16_t* english) const;

    lang::Localizer* m_localizer = nullptr;
    std::u16string m_version;
    std::u16string m_updated;
    std::u16string m_url;
    i32 m_secondLinkId = -1;
    std::u16string m_secondUrl;
    std::u16string m_builtLanguage; // the language the window's texts are in
    // User-interface thread:
    win::Window* m_window = nullptr;
    drawer::Skinner* m_skinner = nullptr;
    win::Label* m_urlLabel = nullptr;
    win::Button* m_closeButton = nullptr;
    win::Button* m_closeIcon = nullptr;
};

} // namespace s::gui::dialogs
