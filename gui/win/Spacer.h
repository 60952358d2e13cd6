#pragma once

#include "foundation/thread/Pool.h"
#include "gui/ISpacer.h"
#include "gui/win/Component.h"

namespace s::gui::win {

/// Empty space of the size it is given; drawn (its background only when it
/// has a colour of its own), never measured.
class Spacer : public Component, public ISpacer {
    S_POOLED_CLASS(Spacer)

public:
    static constexpr u32 kMaxPooled = 0;

    const char16_t* getClassName() const override { return u"s_gui_win_Spacer"; }
    IComponent* asComponent() override { return this; }
    void reset() override;

    void setHorizontal() override { m_vertical = false; }
    void setVertical() override { m_vertical = true; }
    bool isVertical() const override { return m_vertical; }
    void setPercentWidth(i32 p) override;
    void setPercentHeight(i32 p) override;
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }
    void setFixedHeight(i32 px) override { Component::setFixedHeight(px); }

    bool isDrawn() const override { return true; }

private:
    bool m_vertical = false;
};

} // namespace s::gui::win
