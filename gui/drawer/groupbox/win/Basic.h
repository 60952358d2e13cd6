#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"

namespace s::gui::drawer::text::win {
class Basic;
}

namespace s::gui::drawer::groupbox::win {

/// The plain group frame: an etched line (grey with a white line inside it)
/// around the rectangle, its top edge at the middle of the caption's line,
/// and the caption at the top left, the line broken behind it.
class Basic final : public IGroupBox {
    S_POOLED_CLASS(Basic)

public:
    static constexpr u32 kLineColor = 0xA0A0A0;
    /// Where the caption starts, from the left edge (times the display scale).
    static constexpr i32 kCaptionIndent = 8;

    Basic();
    Basic(const Basic&) = delete;
    Basic& operator=(const Basic&) = delete;
    ~Basic() override;
    const char16_t* getClassName() const override { return u"s_gui_drawer_groupbox_win_Basic"; }
    void reset() override {}

    /// The frame without a caption.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    /// `font` null: the default text style.
    void paintGroup(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* caption,
                    gui::win::FontSetting* font) override;
    /// The height the caption's line takes (0 for an empty caption).
    i32 captionHeight(const char16_t* caption, gui::win::FontSetting* font);

private:
    text::win::Basic* m_text;
    gui::win::FontSetting* m_defaultFont;
};

} // namespace s::gui::drawer::groupbox::win
