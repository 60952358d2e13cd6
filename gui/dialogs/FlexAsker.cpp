#include "gui/dialogs/FlexAsker.h"

#include "foundation/lang/Localizer.h"
#include "gui/Scale.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/Spacer.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::gui::dialogs {

namespace {

win::Spacer* gap(i32 w, i32 h) {
    win::Spacer* s = win::Spacer::create();
    s->setFixedWidth(w * displayScale());
    s->setFixedHeight(h * displayScale());
    return s;
}

gboolean wakeUp(gpointer) {
    return G_SOURCE_CONTINUE;
}

} // namespace

FlexAsker::~FlexAsker() {
    reset();
}

void FlexAsker::reset() {
    if (m_window) {
        win::Window* window = m_window;
        m_window = nullptr;
        window->release();
    }
    m_yesButton = m_noButton = nullptr;
    m_checkBox = nullptr;
    m_message = nullptr;
    m_localizer = nullptr;
    m_yesTextId = 400330;
    m_noTextId = 400340;
    m_checkTextId = 400380;
    m_showCheckBox = true;
    m_focusYes = true;
    m_answer = false;
    m_dontAskAgain = false;
}

const char16_t* FlexAsker::text(i32 id, const char16_t* english) const {
    if (m_localizer && m_localizer->hasText(id))
        return m_localizer->getText(id);
    return english;
}

bool FlexAsker::ask(IWindow* parent, const char16_t* title, const char16_t* message) {
    if (win::UIThread::isUiThread())
        return askHere(parent, title, message);
    bool answer = false;
    if (!win::UIThread::instance().invoke([&] { answer = askHere(parent, title, message); }))
        return false;
    return answer;
}

bool FlexAsker::askHere(IWindow* parent, const char16_t* title, const char16_t* message) {
    m_answer = false;
    m_dontAskAgain = false;
    m_focusYes = true;
    if (m_window) {
        m_window->release();
        m_window = nullptr;
    }
    m_window = win::Window::create();
    m_window->setLocalizer(m_localizer);
    m_window->setTitle(title ? title : text(kDefaultTitleId, u"Confirmation Dialog"));
    m_window->setResizable(false);
    const i32 s = displayScale();

    win::Box* column = win::Box::create();
    column->setKindColumn();
    column->setPadding(12 * s);
    column->setHAlignCenter();
    m_message = win::Label::create();
    m_message->setText(message ? message
                               : text(kDefaultMessageId, u"Are you sure you want to proceed this operation?"),
                       false);
    column->add(m_message);
    m_checkBox = nullptr;
    if (m_showCheckBox) {
        column->add(gap(1, 8));
        m_checkBox = win::CheckBox::create();
        m_checkBox->setText(text(m_checkTextId, u"Don't ask me again"));
        m_checkBox->setChecked(false, false);
        m_checkBox->addCheckedListener(this);
        m_checkBox->addUncheckedListener(this);
        column->add(m_checkBox);
    }
    column->add(gap(1, 10));
    win::Box* buttons = win::Box::create();
    buttons->setKindRow();
    buttons->setHGap(10 * s);
    m_yesButton = win::Button::create();
    m_yesButton->setText(text(m_yesTextId, u"       Yes       "));
    m_yesButton->addActionListener(this);
    m_noButton = win::Button::create();
    m_noButton->setText(text(m_noTextId, u"       No       "));
    m_noButton->addActionListener(this);
    buttons->add(m_yesButton);
    buttons->add(m_noButton);
    column->add(buttons);
    m_window->add(column);
    m_window->addKeyListener(this);
    m_window->addCloseListener(this);

    if (!m_window->createWindow()) {
        // No display: nothing can be asked; the answer stays No.
        m_window->release();
        m_window = nullptr;
        return false;
    }
    m_window->doLayout();
    const i32 width = std::max(m_window->getMinWidth(), m_message->getMeasuredWidth() + 50);
    m_window->resizeWindow(width, m_window->getMinHeight());

    auto* own = static_cast<GtkWidget*>(m_window->getNativeHandle());
    GtkWidget* parentWidget = parent ? static_cast<GtkWidget*>(parent->getNativeHandle()) : nullptr;
    if (parentWidget) {
        gtk_window_set_transient_for(GTK_WINDOW(own), GTK_WINDOW(parentWidget));
        if (parent->isKeepOnTop())
            gtk_window_set_keep_above(GTK_WINDOW(own), TRUE);
        m_window->moveWindow(parent->getWindowX() + (parent->asComponent()->getWidth() - width) / 2,
                             parent->getWindowY() +
                                 (parent->asComponent()->getHeight() - m_window->getMinHeight()) / 2);
    }
    m_window->showWindow(true, true);
    focusButton(true);

    if (parentWidget)
        gtk_widget_set_sensitive(parentWidget, FALSE);
    // Serve every window of the thread until the asker closed; the timer
    // wakes the loop at least every 100 ms to look at the closed flag.
    const guint timer = g_timeout_add(100, wakeUp, nullptr);
    while (!m_window->isClosed())
        g_main_context_iteration(nullptr, TRUE);
    g_source_remove(timer);
    if (parentWidget)
        gtk_widget_set_sensitive(parentWidget, TRUE);
    if (m_checkBox)
        m_dontAskAgain = m_checkBox->isChecked();
    return m_answer;
}

void FlexAsker::focusButton(bool yes) {
    m_focusYes = yes;
    win::Button* b = yes ? m_yesButton : m_noButton;
    if (b && b->getWidget())
        gtk_widget_grab_focus(b->getWidget());
}

void FlexAsker::onEvent(IComponent* source, i32 code) {
    if (!m_window)
        return;
    if (source == m_yesButton && code == 1) {
        m_answer = true;
        m_window->close();
    } else if (source == m_noButton && code == 1) {
        m_answer = false;
        m_window->close();
    } else if (m_checkBox && source == m_checkBox) {
        m_dontAskAgain = m_checkBox->isChecked();
    } else if (source == m_window && code == kWindowKey) {
        if (m_window->getKeyCode() == gui::kKeyCodeTab) {
            focusButton(!m_focusYes);
            m_window->setKeyHandled();
        } else if (m_window->getKeyCode() == gui::kKeyCodeEnter) {
            // Enter that no focused button took: act on the remembered one.
            m_answer = m_focusYes;
            m_window->close();
        }
    }
}

} // namespace s::gui::dialogs
