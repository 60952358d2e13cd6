#include "mainwindow/snipforge/CutterWindow.h"

#include "foundation/map/IMappedData.h"
#include "gui/Scale.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"
#include "mainwindow/snipforge/Dialog.h"

namespace s::video::gui::dialogs::snipforge {

namespace dnd = ::s::gui::dialogs::dragndrop;

CutterWindow::CutterWindow(Dialog& dialog)
    : m_dialog(dialog), m_frame(dialog), m_panel(dialog), m_shortcuts(dialog, m_frame, m_panel) {}

CutterWindow::~CutterWindow() {
    // The dialog may outlive its widgets (it waits for its worker when it
    // goes); it must not call them afterwards.
    m_dialog.setView(nullptr);
    m_dialog.setObserver(nullptr);
    m_dialog.setMenuView(nullptr);
    m_dialog.setWindowBehaviour(nullptr);
}

bool CutterWindow::build(::s::gui::win::Window* window) {
    auto& ui = ::s::gui::win::UIThread::instance();
    if (::s::gui::win::UIThread::isUiThread()) {
        buildOnUiThread(window);
        return true;
    }
    if (ui.isRunning() && ui.invoke([this, window] { buildOnUiThread(window); }))
        return true;
    // No user-interface thread: the tree can still be built and laid out,
    // it just cannot be shown.
    buildOnUiThread(window);
    return false;
}

void CutterWindow::buildOnUiThread(::s::gui::win::Window* window) {
    const i32 scale = ::s::gui::displayScale();
    m_dialog.setDisplayScale(scale);
    if (!window->getLocalizer() && m_dialog.localizer())
        window->setLocalizer(m_dialog.localizer());
    m_dialog.loadSettings();

    // The dialog reads the window behaviours for the View menu's marks.
    m_dialog.setWindowBehaviour(&m_frame);
    m_dialog.setMenuView(&m_frame);
    m_dialog.setObserver(&m_frame);
    m_frame.setContentObserver(&m_panel);
    m_panel.setRelayout([this] { m_frame.relayoutAndFit(); });
    m_panel.setSaveImageHandler([this] { m_dialog.saveFrameAsImage(); });

    m_frame.attach(window);
    dnd::MenuState menus;
    m_dialog.menuState(menus);
    ::s::gui::IComponent* panel = m_panel.makeContentPanel(scale);
    m_frame.build(panel, menus);
    m_frame.restoreConvertTo();
    bool compact = false;
    if (map::IMappedData* settings = m_dialog.settings())
        compact = settings->getBool(dnd::kViewGroup, dnd::kCompactViewKey, false);
    m_frame.setCompactView(compact, false);

    // Native controls measure themselves when their widgets are made, and a
    // widget that is off screen then measures as nothing: make them at the
    // window's size while every row the cut mode may collapse still has its
    // natural size, and only then apply the cut mode.
    window->doLayout();
    if (::s::gui::win::UIThread::isUiThread())
        (void)window->createWindow(); // made early only to measure; showing makes it anyway
    m_panel.afterBuild();

    m_frame.registerWindowEvents();
    m_shortcuts.attach(window);
    window->doLayout();
    window->fitToMinimum();
    if (::s::gui::win::UIThread::isUiThread()) {
        window->keepOnScreen();
        window->showWindow(true, true);
    }
}

} // namespace s::video::gui::dialogs::snipforge
