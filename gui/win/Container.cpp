#include "gui/win/Container.h"

#include "gui/IWindow.h"
#include "gui/layout/Layouts.h"

#include <algorithm>
#include <cmath>

namespace s::gui::win {

namespace {

Component* asImpl(IComponent* c) {
    return dynamic_cast<Component*>(c);
}

i32 clampTo(i32 v, i32 lo, i32 hi) {
    return std::max(lo, std::min(v, hi));
}

} // namespace

Container::~Container() {
    std::vector<IComponent*> children;
    children.swap(m_children);
    for (IComponent* child : children) {
        child->setParent(nullptr);
        child->release();
    }
}

void Container::reset() {
    std::vector<IComponent*> children;
    children.swap(m_children);
    for (IComponent* child : children) {
        child->setParent(nullptr);
        child->release();
    }
    m_manager = nullptr;
    m_kind = kRow;
    m_hAlign = kAlignStart;
    m_vAlign = kAlignStart;
    m_hGap = m_vGap = 0;
    m_padLeft = m_padRight = m_padTop = m_padBottom = 0;
    m_minWidthFloor = -1;
    m_collapseW = m_collapseH = false;
    m_content = {};
    m_layoutDepth = 0;
    m_laidOutW = m_laidOutH = -1;
    m_layoutListeners.clear();
    Component::reset();
}

// -- children --

void Container::add(IComponent* child) {
    if (!child || child == this)
        return;
    if (IContainer* old = child->getParent()) {
        if (old == this)
            return; // already ours: owning it twice would release it twice
        old->remove(child, false);
    }
    m_children.push_back(child);
    child->setParent(this);
    child->setOrigin(m_padLeft, m_padTop);
    if (m_frozen)
        child->freeze();
    if (m_window && m_window->isRealized()) {
        if (Component* c = asImpl(child))
            c->realize();
    }
}

void Container::remove(IComponent* child, bool destroyContents) {
    auto it = std::find(m_children.begin(), m_children.end(), child);
    if (it == m_children.end())
        return;
    m_children.erase(it);
    child->setParent(nullptr);
    if (destroyContents)
        child->release();
    doLayout();
}

void Container::removeAll(bool destroyContents) {
    std::vector<IComponent*> children;
    children.swap(m_children);
    for (IComponent* child : children) {
        child->setParent(nullptr);
        if (destroyContents)
            child->release();
    }
    doLayout();
}

IComponent* Container::getChild(i32 i) const {
    if (i < 0 || i >= static_cast<i32>(m_children.size()))
        return nullptr;
    return m_children[static_cast<std::size_t>(i)];
}

// -- layout --

void Container::doLayout() {
    if (m_frozen)
        return;
    runLayout();
}

void Container::runLayout() {
    if (m_layoutDepth > 1)
        return;
    ++m_layoutDepth;
    m_content = {};
    m_laidOutW = m_width;
    m_laidOutH = m_height;
    if (!m_children.empty()) {
        if (m_manager) {
            m_manager->layout(this);
        } else {
            switch (m_kind) {
            case kColumn:
                m_content = layout::layoutColumn(this, m_hAlign, m_vAlign, m_vGap);
                break;
            case kFlow:
                m_content = layout::layoutFlow(this, m_hAlign, m_vAlign, m_hGap, m_vGap);
                break;
            case kPile:
                m_content = layout::layoutPile(this, m_hAlign, m_vAlign);
                break;
            default:
                m_content = layout::layoutRow(this, m_hAlign, m_vAlign, m_hGap);
                break;
            }
        }
    }
    m_layoutListeners.fire(this, 3);
    --m_layoutDepth;
}

ILayoutManager* Container::getLayoutManager() const {
    return m_manager ? m_manager : layout::FlowH::shared();
}

// -- sizes --

i32 Container::getInnerWidth() const {
    return std::max(0, m_width - m_padLeft - m_padRight);
}
i32 Container::getInnerHeight() const {
    return std::max(0, m_height - m_padTop - m_padBottom);
}
void Container::setInnerWidth(i32 w) {
    setWidth(std::max(0, w) + m_padLeft + m_padRight);
}
void Container::setInnerHeight(i32 h) {
    setHeight(std::max(0, h) + m_padTop + m_padBottom);
}

i32 Container::parentInnerWidth() const {
    return m_parent ? m_parent->asComponent()->getInnerWidth() : 0;
}
i32 Container::parentInnerHeight() const {
    return m_parent ? m_parent->asComponent()->getInnerHeight() : 0;
}

i32 Container::getMinWidth() const {
    if (m_collapseW)
        return 0;
    if (m_fixedW >= 0)
        return m_fixedW;
    return std::max(m_minWidthFloor, m_padLeft + m_padRight + m_content.minW);
}

i32 Container::getMinHeight() const {
    if (m_collapseH)
        return 0;
    if (m_fixedH >= 0)
        return m_fixedH;
    return m_padTop + m_padBottom + m_content.minH;
}

i32 Container::getMaxWidth() const {
    if (m_fixedW >= 0)
        return m_fixedW;
    if (m_percentW >= 0)
        return static_cast<i32>(std::lround(static_cast<double>(parentInnerWidth()) * m_percentW / 100.0));
    return m_padLeft + m_padRight + std::max(m_content.minW, m_content.maxW);
}

i32 Container::getMaxHeight() const {
    if (m_fixedH >= 0)
        return m_fixedH;
    if (m_percentH >= 0)
        return static_cast<i32>(std::lround(static_cast<double>(parentInnerHeight()) * m_percentH / 100.0));
    return m_padTop + m_padBottom + std::max(m_content.minH, m_content.maxH);
}

i32 Container::getInnerMinWidth() const {
    return std::max(0, getMinWidth() - m_padLeft - m_padRight);
}
i32 Container::getInnerMinHeight() const {
    return std::max(0, getMinHeight() - m_padTop - m_padBottom);
}
i32 Container::getInnerMaxWidth() const {
    return std::max(0, getMaxWidth() - m_padLeft - m_padRight);
}
i32 Container::getInnerMaxHeight() const {
    return std::max(0, getMaxHeight() - m_padTop - m_padBottom);
}

void Container::setSizeWithin(i32 w, i32 h) {
    // Frozen while it measures, so that each child is placed once at the end.
    const bool wasFrozen = m_frozen;
    if (!wasFrozen)
        freeze();
    setSize(clampTo(w, getMinWidth(), getMaxWidth()), m_height);
    runLayout();
    // The content's limits may have changed with the layout.
    const i32 nw = clampTo(w, getMinWidth(), getMaxWidth());
    if (nw != m_width) {
        setSize(nw, m_height);
        runLayout();
    }
    const i32 nh = h > 0 ? clampTo(h, getMinHeight(), getMaxHeight()) : getMinHeight();
    setSize(m_width, nh);
    if (!wasFrozen)
        unfreeze();
}

// -- freezing, state, native side --

void Container::freeze() {
    Component::freeze();
    for (IComponent* child : m_children)
        child->freeze();
}

void Container::unfreeze() {
    // Own bounds first: a size change lays the children out while they are
    // still frozen, so each of them is placed once.
    Component::unfreeze();
    // A copy: move listeners run as children apply their bounds.
    const std::vector<IComponent*> children = m_children;
    for (IComponent* child : children)
        child->unfreeze();
}

void Container::setEnabled(bool enabled) {
    // The enabled state belongs to the container alone; children keep theirs.
    Component::setEnabled(enabled);
}

void Container::realize() {
    Component::realize();
    for (IComponent* child : m_children) {
        if (Component* c = asImpl(child))
            c->realize();
    }
}

void Container::unrealize() {
    for (IComponent* child : m_children) {
        if (Component* c = asImpl(child))
            c->unrealize();
    }
    Component::unrealize();
}

void Container::applyBounds() {
    Component::applyBounds();
    // The children's offsets in the window moved with us: each is placed
    // again, once, whether or not a new layout moves it as well.
    for (IComponent* child : m_children) {
        Component* c = asImpl(child);
        if (!c)
            continue;
        c->freeze();
        c->m_dirty = true;
    }
    // A new size: lay the children out for it.
    if (m_width != m_laidOutW || m_height != m_laidOutH)
        doLayout();
    const std::vector<IComponent*> children = m_children;
    for (IComponent* child : children)
        child->unfreeze();
}

void Container::applyVisibility() {
    Component::applyVisibility();
    for (IComponent* child : m_children) {
        if (Component* c = asImpl(child))
            c->applyVisibility();
    }
}

void Container::onWindowChanged() {
    for (IComponent* child : m_children)
        child->setParent(this);
}

// -- padding --

void Container::setPadLeft(i32 px) {
    m_padLeft = px;
    for (IComponent* child : m_children)
        child->setOrigin(m_padLeft, m_padTop);
}

void Container::setPadRight(i32 px) {
    m_padRight = px;
    for (IComponent* child : m_children)
        child->setOrigin(m_padLeft, m_padTop);
}

void Container::setPadTop(i32 px) {
    m_padTop = px;
    for (IComponent* child : m_children)
        child->setOrigin(m_padLeft, m_padTop);
}

void Container::setPadBottom(i32 px) {
    m_padBottom = px;
    for (IComponent* child : m_children)
        child->setOrigin(m_padLeft, m_padTop);
}

void Container::setPadLeftRight(i32 px) {
    m_padLeft = px;
    setPadRight(px);
}

void Container::setPadTopBottom(i32 px) {
    m_padTop = px;
    setPadBottom(px);
}

void Container::setPadding(i32 px) {
    m_padLeft = m_padRight = m_padTop = px;
    setPadBottom(px);
}

// -- percent and fixed sizes --

namespace {
void relayoutParentOf(Container* c) {
    if (IContainer* parent = c->getParent())
        parent->asComponent()->relayout();
    else
        c->doLayout();
}
} // namespace

void Container::setPercentWidth(i32 p, bool relayout) {
    m_percentW = p < 0 ? -1 : p;
    if (m_percentW >= 0)
        m_fixedW = -1;
    if (relayout)
        relayoutParentOf(this);
}

void Container::setPercentHeight(i32 p, bool relayout) {
    m_percentH = p < 0 ? -1 : p;
    if (m_percentH >= 0)
        m_fixedH = -1;
    if (relayout)
        relayoutParentOf(this);
}

void Container::setFixedWidth(i32 px, bool relayout) {
    m_fixedW = px < 0 ? -1 : px;
    if (m_fixedW >= 0)
        m_percentW = -1;
    if (relayout)
        relayoutParentOf(this);
}

void Container::setFixedHeight(i32 px, bool relayout) {
    m_fixedH = px < 0 ? -1 : px;
    if (m_fixedH >= 0)
        m_percentH = -1;
    if (relayout)
        relayoutParentOf(this);
}

} // namespace s::gui::win
