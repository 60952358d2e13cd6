#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IButton.h"
#include "gui/events/ListenerList.h"
#include "gui/win/TextControl.h"

typedef struct _cairo cairo_t;

namespace s::gui::win {

/// A push button over a GtkButton. Besides captions it shows the toolkit's
/// vector icons ("#Play", a colour swatch "#Color-00BBGGRR", the window's
/// resize grip "#Resizer", ...) drawn into the button; a "#" text that
/// names no icon shows as text.
class Button final : public TextControl<IButton> {
    S_POOLED_CLASS(Button)

public:
    static constexpr u32 kMaxPooled = 0;

    Button();
    ~Button() override;
    const char16_t* getClassName() const override { return u"s_gui_win_Button"; }
    void reset() override;

    // -- IButton --
    void setText(const char16_t* text) override { setLiteralText(text); }
    const char16_t* getText() const override { return m_text.c_str(); }
    void setTextId(i32 id) override { setTextById(id); }
    i32 getTextId() const override { return m_textId; }
    void setPercentWidth(i32 p) override { Component::setPercentWidth(p); }
    void setPercentHeight(i32 p) override { Component::setPercentHeight(p); }
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }
    void setFixedHeight(i32 px) override { Component::setFixedHeight(px); }
    void addActionListener(events::IEventListener* l) override { m_actionListeners.add(l); }
    void addAfterActionListener(events::IEventListener* l) override { m_afterActionListeners.add(l); }
    void addPressListener(events::IEventListener* l) override { m_pressListeners.add(l); }
    void setAutoRepeat(bool autoRepeat) override;
    bool isAutoRepeat() const override { return m_autoRepeat; }
    void setToggle(bool isToggle, bool clickReleases, i32 a, i32 b) override;
    bool isToggle() const override { return m_toggle; }
    bool isToggled() const override { return m_toggled; }
    void setToggled(bool toggled) override;
    void setColor(i32 r, i32 g, i32 b) override;
    void click() override;

    /// The two values `setToggle` keeps for the drawer.
    i32 getToggleA() const { return m_toggleA; }
    i32 getToggleB() const { return m_toggleB; }
    bool isClickReleases() const { return m_clickReleases; }

    // -- input, as the widget reports it (public for tests) --
    /// Left button down inside: code 3, and the auto-repeat delay starts.
    void pressed();
    /// Left button up: both auto-repeat timers stop.
    void released();
    /// The pointer entered (true) or left the button.
    void setPointerInside(bool inside) { m_pointerInside = inside; }
    /// One tick of timer `id` (kButtonDelayTimerId or kButtonRepeatTimerId).
    void timerTick(i32 id);
    /// Whether timer `id` runs.
    bool isTimerRunning(i32 id) const;

    /// The colour of a "#Color-" text: true and r, g, b when `text` is one.
    [[nodiscard]] static bool parseColorText(const char16_t* text, i32* r, i32* g, i32* b);

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;
    void beforeUnrealize() override;
    void applyText() override;
    void estimateSize(i32 textW, i32 textH, i32* w, i32* h) const override;
    const char* cssNode() const override { return "button"; }
    void appendCss(std::string& css) const override;

private:
    bool isDrawnContent() const;
    void startTimer(i32 id);
    void stopTimer(i32 id);
    void applyToggled();
    void paintContent(cairo_t* cr, i32 w, i32 h);

    static int onButtonPress(void* widget, void* event, void* data);
    static int onButtonRelease(void* widget, void* event, void* data);
    static int onCrossing(void* widget, void* event, void* data);
    static void onClicked(void* widget, void* data);
    static int onTimer(void* data, i32 id);
    static int onDelayTimer(void* data);
    static int onRepeatTimer(void* data);
    static int onDrawContent(void* widget, cairo_t* cr, void* data);

    events::ListenerList m_actionListeners;
    events::ListenerList m_afterActionListeners;
    events::ListenerList m_pressListeners;
    bool m_autoRepeat = false;
    bool m_toggle = false;
    bool m_clickReleases = false;
    bool m_toggled = false;
    i32 m_toggleA = 0;
    i32 m_toggleB = 0;
    bool m_pointerInside = false;
    bool m_delayRunning = false;
    bool m_repeatRunning = false;
    u32 m_delaySource = 0;  // GLib source of the delay timer; 0 none
    u32 m_repeatSource = 0; // GLib source of the repeat timer; 0 none
};

} // namespace s::gui::win
