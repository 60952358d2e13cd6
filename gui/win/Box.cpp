#include "gui/win/Box.h"

#include "gui/drawer/IDrawer.h"

namespace s::gui::win {

Box::~Box() {
    if (m_border)
        m_border->release();
}

void Box::reset() {
    Container::reset();
    m_acceptFiles = false;
    m_acceptUrls = false;
    m_droppedFiles.clear();
    m_droppedUrl.clear();
    m_wheelLines = 0;
    setBorder(nullptr);
    m_reportedX = m_reportedY = m_reportedW = m_reportedH = 0;
    m_dropListeners.clear();
    m_urlListeners.clear();
    m_wheelListeners.clear();
    m_moveListeners.clear();
    m_leftButtonListeners.clear();
}

void Box::showOnly(i32 index) {
    // Copy: a visibility listener could change the children.
    const std::vector<IComponent*> children = m_children;
    for (std::size_t i = 0; i < children.size(); ++i)
        children[i]->setVisible(static_cast<i32>(i) == index, true);
}

void Box::dropFiles(const std::vector<std::u16string>& paths) {
    if (!m_acceptFiles)
        return;
    m_droppedFiles.clear();
    for (const std::u16string& path : paths) {
        if (path.empty() || path.size() > kMaxDroppedPath)
            continue;
        m_droppedFiles.append(path.c_str(), static_cast<i32>(path.size()));
    }
    // Listeners read the first path at once: an empty list is no drop.
    if (m_droppedFiles.size() > 0)
        m_dropListeners.fire(this, kBoxFilesDropped);
}

void Box::dropUrl(const std::u16string& url) {
    if (!m_acceptUrls)
        return;
    m_droppedUrl = url;
    m_urlListeners.fire(this, kBoxUrlDropped);
}

bool Box::wheel(i32 lines, i32 x, i32 y) {
    const std::vector<IComponent*> children = m_children;
    for (IComponent* child : children) {
        auto* box = dynamic_cast<Box*>(child);
        if (!box || !box->isVisible())
            continue;
        const i32 cx = x - box->getX() - box->getOriginX();
        const i32 cy = y - box->getY() - box->getOriginY();
        if (cx < 0 || cy < 0 || cx >= box->getWidth() || cy >= box->getHeight())
            continue;
        if (box->wheel(lines, cx, cy))
            return true;
    }
    if (m_wheelListeners.empty())
        return false;
    m_wheelLines = lines;
    m_wheelListeners.fire(this, kBoxWheel);
    return true;
}

void Box::setBorder(drawer::IBorder* border) {
    if (border == m_border)
        return;
    if (m_border)
        m_border->release();
    m_border = border;
    redraw();
}

void Box::paint(MemDC& dc, i32 w, i32 h) {
    // The window has filled the background (or copied the parent's).
    if (m_border)
        m_border->paint(dc, 0, 0, w, h);
}

bool Box::onMouse(const MouseEvent& event) {
    if (event.kind != MouseEvent::kPress || event.button != 1 || m_leftButtonListeners.empty())
        return false;
    m_leftButtonListeners.fire(this, kBoxLeftButton);
    return true;
}

void Box::applyBounds() {
    Container::applyBounds();
    if (m_x == m_reportedX && m_y == m_reportedY && m_width == m_reportedW && m_height == m_reportedH)
        return;
    m_reportedX = m_x;
    m_reportedY = m_y;
    m_reportedW = m_width;
    m_reportedH = m_height;
    m_moveListeners.fire(this, kBoxMoved);
}

} // namespace s::gui::win
