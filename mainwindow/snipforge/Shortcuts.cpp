#include "mainwindow/snipforge/Shortcuts.h"

#include "gui/IWindow.h"
#include "gui/win/Button.h"
#include "gui/win/MenuEx.h"
#include "gui/win/TextField.h"
#include "gui/win/Window.h"
#include "mainwindow/dragndrop/Frame.h"
#include "mainwindow/snipforge/CutterPanel.h"
#include "mainwindow/snipforge/Dialog.h"

#include <gtk/gtk.h>

namespace s::video::gui::dialogs::snipforge {

namespace sg = ::s::gui;

namespace {

constexpr i64 kSecond = 1000000;

} // namespace

i64 arrowStep(i32 modifiers, bool precise, bool* frames) {
    const bool shift = (modifiers & sg::kKeyShift) != 0;
    const bool control = (modifiers & sg::kKeyControl) != 0;
    *frames = false;
    if (control)
        return shift ? kSecondStepsUs[3] : kSecondStepsUs[2];
    if (shift)
        return precise ? kSecondStepsUs[0] : kSecondStepsUs[1];
    if (precise) {
        *frames = true;
        return kFrameSteps[0];
    }
    return kSecondStepsUs[0];
}

KeyAction keyActionFor(i32 keyCode, i32 modifiers) {
    const bool control = (modifiers & sg::kKeyControl) != 0;
    const bool alt = (modifiers & sg::kKeyAlt) != 0;
    const bool shift = (modifiers & sg::kKeyShift) != 0;
    if (alt) {
        // Alt with a letter or digit opens a menu; the arrows are the
        // window manager's or the toolkit's.
        const bool letter =
            (keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9') || keyCode == 0;
        return !control && letter ? KeyAction::kMenuByLetter : KeyAction::kNone;
    }
    switch (keyCode) {
    case sg::kKeyCodeLeft:
        return KeyAction::kStepBack;
    case sg::kKeyCodeRight:
        return KeyAction::kStepForward;
    default:
        break;
    }
    if (control) {
        if (shift)
            return KeyAction::kNone;
        switch (keyCode) {
        case 'O':
            return KeyAction::kOpen;
        case 'S':
            return KeyAction::kSave;
        case 'Q':
        case 'W':
            return KeyAction::kQuit;
        default:
            return KeyAction::kNone;
        }
    }
    switch (keyCode) {
    case sg::kKeyCodeHome:
        return shift ? KeyAction::kNone : KeyAction::kGoToStart;
    case sg::kKeyCodeEnd:
        return shift ? KeyAction::kNone : KeyAction::kGoToEnd;
    case 'I':
    case sg::kKeyCodeBracketLeft:
        return KeyAction::kStartHere;
    case 'O':
    case sg::kKeyCodeBracketRight:
        return KeyAction::kEndHere;
    case sg::kKeyCodeF10:
        return shift ? KeyAction::kNone : KeyAction::kFirstMenu;
    case sg::kKeyCodeEscape:
        return KeyAction::kRevertTime;
    default:
        return KeyAction::kNone;
    }
}

Shortcuts::Shortcuts(Dialog& dialog, ::s::gui::dialogs::dragndrop::Frame& frame, CutterPanel& panel)
    : m_dialog(dialog), m_frame(frame), m_panel(panel) {}

void Shortcuts::attach(::s::gui::win::Window* window) {
    m_window = window;
    if (window)
        window->addKeyListener(this);
}

i32 Shortcuts::focusedTimeField() const {
    for (i32 which : {kEditStart, kEditEnd}) {
        ::s::gui::win::TextField* field = m_panel.timeField(which);
        if (field && field->getWidget() && gtk_widget_is_focus(field->getWidget()))
            return which;
    }
    return -1;
}

bool Shortcuts::editingEnabled() const {
    // The editing controls are alive while a file is loaded and no cut runs.
    return m_panel.saveButton() && m_panel.saveButton()->isEnabled();
}

bool Shortcuts::perform(KeyAction action, i32 modifiers, char32_t letter) {
    switch (action) {
    case KeyAction::kNone:
        return false;
    case KeyAction::kOpen:
        m_dialog.onCommand(::s::gui::dialogs::dragndrop::kCmdOpen);
        return true;
    case KeyAction::kQuit:
        if (m_window)
            m_window->close();
        return true;
    case KeyAction::kFirstMenu:
        return m_frame.menuBar() && m_frame.menuBar()->openMenuByKeyboard(0);
    case KeyAction::kMenuByLetter: {
        ::s::gui::win::MenuEx* bar = m_frame.menuBar();
        return bar && bar->openMenuByKeyboard(bar->titleForMnemonic(letter));
    }
    default:
        break;
    }
    if (!editingEnabled())
        return false;
    switch (action) {
    case KeyAction::kStepBack:
    case KeyAction::kStepForward: {
        bool frames = false;
        const i64 amount = arrowStep(modifiers, m_dialog.cutMode() == kPreciseMode, &frames);
        const i64 signedAmount = action == KeyAction::kStepBack ? -amount : amount;
        if (frames)
            m_dialog.stepFrames(signedAmount);
        else
            m_dialog.step(signedAmount);
        return true;
    }
    case KeyAction::kGoToStart:
        m_dialog.chooseMarker(kEditStart);
        return true;
    case KeyAction::kGoToEnd:
        m_dialog.chooseMarker(kEditEnd);
        return true;
    case KeyAction::kStartHere:
        m_dialog.setMarkerHere(kEditStart);
        return true;
    case KeyAction::kEndHere:
        m_dialog.setMarkerHere(kEditEnd);
        return true;
    case KeyAction::kSave: {
        // A time typed but not yet entered counts, as it would for a click
        // on the button (which takes the focus from the field first).
        const i32 typing = focusedTimeField();
        if (typing >= 0)
            m_dialog.onTimeCommitted(typing);
        if (m_dialog.isTimeInvalid(kEditStart) || m_dialog.isTimeInvalid(kEditEnd))
            return true; // the status bar says which text is no time
        (void)m_dialog.saveScene(); // false: busy, nothing loaded, or a folder its check reported
        return true;
    }
    case KeyAction::kRevertTime: {
        const i32 typing = focusedTimeField();
        if (typing < 0)
            return false;
        m_dialog.revertTime(typing);
        return true;
    }
    default:
        return false;
    }
}

void Shortcuts::onEvent(sg::IComponent* source, i32 code) {
    if (!m_window || source != static_cast<sg::IComponent*>(m_window) || code != sg::kWindowKey)
        return;
    const i32 modifiers = m_window->getKeyModifiers();
    if (perform(keyActionFor(m_window->getKeyCode(), modifiers), modifiers, m_window->getKeyChar()))
        m_window->setKeyHandled();
}

} // namespace s::video::gui::dialogs::snipforge
