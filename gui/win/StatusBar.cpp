#include "gui/win/StatusBar.h"

#include "gui/IButton.h"
#include "gui/IWindow.h"
#include "gui/Scale.h"
#include "gui/drawer/statusbar/win/Basic.h"
#include "gui/win/Button.h"

#include <algorithm>

namespace s::gui::win {

StatusBar::StatusBar() : m_drawer(drawer::statusbar::win::Basic::create()) {
    setVAlignBottom();
    addGrip();
}

StatusBar::~StatusBar() { m_drawer->release(); }

void StatusBar::reset() {
    m_grip = nullptr;
    Container::reset();
    m_drawer->reset();
    setVAlignBottom();
    addGrip();
}

void StatusBar::addGrip() {
    Button* grip = Button::create();
    grip->setText(kResizerText);
    const i32 side = kGripSize * displayScale();
    grip->setFixedWidth(side);
    grip->setFixedHeight(side);
    Container::add(grip);
    m_grip = grip;
}

IComponent* StatusBar::getGrip() const { return m_grip; }

void StatusBar::add(IComponent* child) {
    Container::add(child);
    if (!m_grip || child == m_grip)
        return;
    auto it = std::find(m_children.begin(), m_children.end(), m_grip);
    if (it != m_children.end())
        std::rotate(it, it + 1, m_children.end());
}

void StatusBar::remove(IComponent* child, bool destroyContents) {
    if (child && child == m_grip)
        m_grip = nullptr;
    Container::remove(child, destroyContents);
}

void StatusBar::removeAll(bool destroyContents) {
    std::vector<IComponent*> others;
    for (IComponent* child : m_children)
        if (child != m_grip)
            others.push_back(child);
    m_children.clear();
    if (m_grip)
        m_children.push_back(m_grip);
    for (IComponent* child : others) {
        child->setParent(nullptr);
        if (destroyContents)
            child->release();
    }
    doLayout();
}

void StatusBar::paint(MemDC& dc, i32 w, i32 h) {
    drawer::IStatusBar* drawer = m_drawer;
    if (m_window)
        if (drawer::ISkin* skin = m_window->getSkin(); skin && skin->getStatusBar())
            drawer = skin->getStatusBar();
    drawer->paint(dc, 0, 0, w, h);
}

} // namespace s::gui::win
