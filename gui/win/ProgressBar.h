#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IProgressBar.h"
#include "gui/win/NativeControl.h"

namespace s::gui::win {

/// A progress display over a GtkProgressBar.
class ProgressBar final : public NativeControl, public IProgressBar {
    S_POOLED_CLASS(ProgressBar)

public:
    static constexpr u32 kMaxPooled = 0;

    ProgressBar();
    ~ProgressBar() override;
    const char16_t* getClassName() const override { return u"s_gui_win_ProgressBar"; }
    void reset() override;

    // -- IProgressBar --
    IComponent* asComponent() override { return this; }
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }
    void setFixedHeight(i32 px) override { Component::setFixedHeight(px); }
    void setRange(i32 min, i32 max) override;
    i32 getMin() const override { return m_min; }
    i32 getMax() const override { return m_max; }
    void setPosition(i32 pos) override;
    i32 getPosition() const override { return m_position; }
    double getFraction() const override;

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;

private:
    void applyFraction();

    i32 m_min = 0;
    i32 m_max = 100;
    i32 m_position = 0;
};

} // namespace s::gui::win
