#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"

namespace s::gui::drawer::text::win {
class Basic;
}

namespace s::gui::drawer::menu::win {

/// The plain menu bar drawer: titles left to right, each in a box of its text
/// size plus the bar's margins, all boxes as tall as the tallest. With the
/// highlight switch on, the hot title is filled with the highlight colour and
/// written in the highlight-text colour, except the bar's last title, which is
/// never filled (it is the one that may stand at the right edge or act as a
/// link). With the press-offset switch on, the hot title's text moves by one
/// pixel down-right while the left button is held and up-left otherwise.
class Basic final : public IMenu {
    S_POOLED_CLASS(Basic)

public:
    /// The system's selection colours.
    static constexpr u32 kHighlight = 0x0078D7;
    static constexpr u32 kHighlightText = 0xFFFFFF;
    /// The colour of a last title drawn as a link.
    static constexpr u32 kLinkColor = 0x0000CC;

    Basic();
    Basic(const Basic&) = delete;
    Basic& operator=(const Basic&) = delete;
    ~Basic() override;
    const char16_t* getClassName() const override { return u"s_gui_drawer_menu_win_Basic"; }
    /// Highlight on in the system colour, press offset off.
    void reset() override;

    /// Without titles there is nothing to paint.
    void paint(gui::win::MemDC& /*dc*/, i32, i32, i32, i32) override {}
    void layoutTitles(const MenuBarState& state, i32 width, std::vector<i32>* boxes) override;
    void paintBar(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const MenuBarState& state) override;

    void setHighlight(bool on) { m_highlight = on; }
    bool isHighlight() const { return m_highlight; }
    /// 0x00RRGGBB.
    void setHighlightColor(u32 rgb) { m_highlightColor = rgb; }
    u32 getHighlightColor() const { return m_highlightColor; }
    void setPressOffset(bool on) { m_pressOffset = on; }
    bool isPressOffset() const { return m_pressOffset; }

private:
    /// The state's font, or the drawer's default one.
    gui::win::FontSetting& normalFont(const MenuBarState& state);
    /// `target` follows `source` (copied again after every change of it) and
    /// then gets its own colour and underline.
    void derive(gui::win::FontSetting& target, gui::win::FontSetting& source, u32* seenRevision,
                const gui::win::FontSetting** seenSource, u32 colour, bool underline);

    text::win::Basic* m_text;
    gui::win::FontSetting* m_defaultFont;
    gui::win::FontSetting* m_hotFont;
    gui::win::FontSetting* m_linkFont;
    const gui::win::FontSetting* m_hotSource = nullptr;
    u32 m_hotRevision = 0;
    const gui::win::FontSetting* m_linkSource = nullptr;
    u32 m_linkRevision = 0;
    bool m_highlight = true;
    u32 m_highlightColor = kHighlight;
    bool m_pressOffset = false;
};

} // namespace s::gui::drawer::menu::win
