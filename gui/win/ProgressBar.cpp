#include "gui/win/ProgressBar.h"

#include "gui/Scale.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::gui::win {

ProgressBar::ProgressBar() {
    const i32 s = displayScale();
    setMeasuredSize(100 * s, 16 * s);
}

ProgressBar::~ProgressBar() { unrealize(); }

void ProgressBar::reset() {
    NativeControl::reset();
    m_min = 0;
    m_max = 100;
    m_position = 0;
    const i32 s = displayScale();
    setMeasuredSize(100 * s, 16 * s);
}

void ProgressBar::setRange(i32 min, i32 max) {
    m_min = min;
    m_max = max;
    applyFraction();
}

void ProgressBar::setPosition(i32 pos) {
    m_position = pos;
    applyFraction();
}

double ProgressBar::getFraction() const {
    if (m_max <= m_min)
        return 0.0;
    const double f = (static_cast<double>(m_position) - m_min) / (static_cast<double>(m_max) - m_min);
    return std::clamp(f, 0.0, 1.0);
}

GtkWidget* ProgressBar::createWidget() { return gtk_progress_bar_new(); }

void ProgressBar::afterRealize() {
    // The bar fills the height the layout gives it.
    setWidgetCss("progressbar { min-width: 0; }\n"
                 "progressbar trough, progressbar progress { min-width: 0; }\n");
    applyFraction();
}

void ProgressBar::applyFraction() {
    if (m_widget)
        gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(m_widget), getFraction());
}

} // namespace s::gui::win
