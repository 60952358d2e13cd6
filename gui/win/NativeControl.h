#pragma once

#include "gui/win/Component.h"

#include <string>

typedef struct _GtkCssProvider GtkCssProvider;

namespace s::gui::win {

/// The common part of the standard controls, which each own one GTK widget:
/// signal connections that die with the widget, a per-widget style sheet,
/// and the rule that a control that goes away takes its widget with it
/// before its own state is gone.
///
/// All of it runs on the user-interface thread, where the widget lives.
class NativeControl : public Component {
public:
    NativeControl() = default;
    /// Destroys the widget while the signal connections can still be cut.
    ~NativeControl() override;

    void realize() override;

protected:
    /// Connects `handler` to `signal` of `instance` (the widget or one of its
    /// parts) with this control as the data.
    void connect(void* instance, const char* signal, void (*handler)(), bool after = false);
    /// Cuts every connection made by `connect` on `instance`.
    void disconnect(void* instance);
    /// Subclasses read back what the user changed first, then call this.
    void beforeUnrealize() override;
    void applyBounds() override;
    void applyVisibility() override;

    /// Replaces the widget's own style sheet (CSS for the widget and its
    /// inner nodes). Empty removes it. Needs the widget.
    void setWidgetCss(const std::string& css);

    /// The widget's natural size, or false without a widget.
    bool preferredSize(i32* w, i32* h) const;

    /// The control's own colour in CSS ("#rrggbb"); the stored colour is
    /// 0x00BBGGRR.
    std::string backgroundCss() const;

private:
    /// Whether the control has an area on screen: a size of its own and
    /// no collapsed container above it. Widgets do not shrink below their
    /// minimum size and sit side by side in one fixed container, so a
    /// control in a collapsed row would otherwise still show.
    bool hasArea() const;
    /// Shows the widget when the control is showing and has an area.
    void syncShown();

    GtkCssProvider* m_css = nullptr;
};

/// Casts signal data back to the control that connected it.
template <class T>
T* controlOf(void* data) {
    return static_cast<T*>(static_cast<NativeControl*>(data));
}

} // namespace s::gui::win
