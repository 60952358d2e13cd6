#pragma once

#include "foundation/thread/Pool.h"
#include "gui/ISlider.h"
#include "gui/events/ListenerList.h"
#include "gui/win/NativeControl.h"

typedef struct _cairo cairo_t;

namespace s::gui::win {

/// An integer position in a range. Without a drawer of its own it is a
/// GtkScale and the platform handles dragging, clicks, keys and the wheel;
/// every value the scale reports is read back, clamped and, when it differs,
/// stored and raised. With a drawer (or a second thumb) it is a drawing area
/// painted through the drawer that handles the mouse itself.
///
/// Keys in both forms: Up grows the position by a page, Down shrinks it by
/// a page.
class Slider final : public NativeControl, public ISlider {
    S_POOLED_CLASS(Slider)

public:
    static constexpr u32 kMaxPooled = 0;
    /// Width of a thumb's place when a press picks a thumb in range mode.
    static constexpr i32 kThumbPlace = 10;

    Slider();
    ~Slider() override;
    const char16_t* getClassName() const override { return u"s_gui_win_Slider"; }
    void reset() override;

    // -- ISlider --
    IComponent* asComponent() override { return this; }
    void setThumbLength(i32 px) override;
    i32 getThumbLength() const override { return m_thumbLength; }
    void setRange(i32 min, i32 max) override;
    i32 getMin() const override { return m_min; }
    i32 getMax() const override { return m_max; }
    i32 getPosition() const override { return m_position; }
    void setPosition(i32 pos) override;
    void setTickFrequency(i32 n) override;
    i32 getTickFrequency() const override { return m_tickFrequency; }
    i32 getPageSize() const override { return m_pageSize; }
    i32 getLineSize() const override { return m_lineSize; }
    void setTickMarks(bool tickMarks) override;
    bool hasTickMarks() const override { return m_tickMarks; }
    void addChangeListener(events::IEventListener* l) override { m_changeListeners.add(l); }
    void setDrawer(drawer::ISlider* drawer, bool owned) override;
    drawer::ISlider* getDrawer() const override { return m_drawer; }
    void setRangeMode(bool rangeMode) override;
    bool isRangeMode() const override { return m_rangeMode; }
    i32 getSecondPosition() const override { return m_second; }
    void setSecondPosition(i32 pos) override;
    void setPercentWidth(i32 p) override { Component::setPercentWidth(p); }
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }
    void setFixedHeight(i32 px) override { Component::setFixedHeight(px); }

    // -- input (public for tests) --
    /// The platform's scale reports `value`: clamped, stored, code 0 when
    /// it differs from the stored position.
    void userValue(double value);
    /// A key (GDK key value); true when the slider used it.
    bool userKey(u32 keyval);
    /// The drawn slider's mouse, in its own coordinates along the slider
    /// (`x`) for a slider `width` pixels wide.
    void userPress(i32 x, i32 width);
    void userDrag(i32 x, i32 width);
    void userRelease();
    /// Wheel lines, positive away from the user.
    void userWheel(i32 lines);

    /// The position of the point `x` along a drawn slider `width` wide:
    /// round(min + (max - min) * (x - channel left) / (channel right -
    /// channel left)), not yet clamped.
    i32 positionAt(i32 x, i32 width) const;
    /// Which thumb a press at `x` takes in range mode: 1 the first, 2 the
    /// second, 0 none.
    i32 thumbAt(i32 x, i32 width) const;
    /// The channel of a drawn slider `width` wide (the drawer's, or the
    /// plain one without a drawer).
    void channel(i32 width, i32* left, i32* right) const;

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;
    void beforeUnrealize() override;

private:
    bool isDrawnSlider() const { return m_drawer || m_rangeMode; }
    i32 clampFirst(i32 pos) const;
    i32 clampSecond(i32 pos) const;
    /// Stores a user's move of thumb `thumb` (1 or 2) and raises code 0 when
    /// it changed the position.
    void moveThumb(i32 thumb, i32 pos);
    /// Rebuilds the widget after a change between the platform's and the
    /// drawn slider.
    void rebuildWidget();
    void applyToWidget();
    void applyMarks();
    void applyThumbCss();
    void remeasure();
    void paintDrawn(cairo_t* cr, i32 w, i32 h);
    void paintPlain(cairo_t* cr, i32 w, i32 h);
    u32 parentBackground() const;

    static void onValueChanged(void* widget, void* data);
    static int onKeyPress(void* widget, void* event, void* data);
    static int onDraw(void* widget, cairo_t* cr, void* data);
    static int onPress(void* widget, void* event, void* data);
    static int onRelease(void* widget, void* event, void* data);
    static int onMotion(void* widget, void* event, void* data);
    static int onCrossing(void* widget, void* event, void* data);
    static int onScroll(void* widget, void* event, void* data);

    i32 m_min = 0;
    i32 m_max = 100;
    i32 m_position = 0;
    i32 m_second = 100;
    i32 m_tickFrequency = 1;
    i32 m_pageSize = 10;
    i32 m_lineSize = 1;
    bool m_tickMarks = false;
    i32 m_thumbLength = -1; // -1: the platform's
    drawer::ISlider* m_drawer = nullptr;
    bool m_ownsDrawer = false;
    bool m_rangeMode = false;
    events::ListenerList m_changeListeners;
    bool m_updating = false; // the widget is being set from the stored state
    i32 m_dragThumb = 0;     // thumb held by the mouse (1, 2), 0 none
    bool m_hot = false;
    double m_wheelRest = 0;  // smooth scrolling not yet a whole line
};

} // namespace s::gui::win
