#include "gui/layout/Layouts.h"

#include <algorithm>
#include <vector>

namespace s::gui::layout {

using win::ContentSize;

namespace {

/// Freezes the children for a layout run unless the container is frozen
/// itself (then whoever froze it unfreezes them).
class ChildFreeze {
public:
    ChildFreeze(win::Container* c, const std::vector<IComponent*>& children, bool visibleOnly)
        : m_children(children), m_active(!c->isFrozen()), m_visibleOnly(visibleOnly) {
        if (!m_active)
            return;
        for (IComponent* child : m_children)
            child->freeze();
    }
    /// Each child applies its new place once and is repainted.
    ~ChildFreeze() {
        if (!m_active)
            return;
        for (IComponent* child : m_children) {
            child->unfreeze();
            if (!m_visibleOnly || child->isVisible())
                child->redraw();
        }
    }
    ChildFreeze(const ChildFreeze&) = delete;
    ChildFreeze& operator=(const ChildFreeze&) = delete;

private:
    const std::vector<IComponent*>& m_children;
    bool m_active;
    bool m_visibleOnly;
};

/// The offset of something of `size` in `room` for an alignment (0 start,
/// 1 centre, 2 end); 0 when it does not fit.
i32 alignOffset(i32 align, i32 room, i32 size) {
    if (size >= room)
        return 0;
    if (align == win::kAlignCenter)
        return (room - size) / 2;
    if (align == win::kAlignEnd)
        return room - size;
    return 0;
}

/// One item along the main axis of a column or row (or a row of a flow).
struct Item {
    i32 size = 0; // current size along the axis
    i32 max = 0;  // largest size along the axis
};

/// Sums the items with gaps (a gap follows only items of size >= 1; a
/// trailing empty item gives back one gap). Returns {min sum, max sum}.
std::pair<i32, i32> sumWithGaps(const std::vector<Item>& items, i32 gap) {
    i32 minSum = 0;
    i32 maxSum = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0 && items[i - 1].size >= 1) {
            minSum += gap;
            maxSum += gap;
        }
        minSum += items[i].size;
        maxSum += std::max(items[i].max, items[i].size);
    }
    if (!items.empty()) {
        const Item& last = items.back();
        if (last.size == 0 && minSum >= 1)
            minSum -= gap;
        if (std::max(last.max, last.size) == 0 && maxSum >= 1)
            maxSum -= gap;
    }
    return {minSum, maxSum};
}

/// Hands the extra space `e` (available - minimum) to the items: in
/// proportion to how far each may still grow, then what truncation left
/// over in order; or every item its maximum when everything fits. Returns
/// the space left unused.
i32 distribute(std::vector<Item>& items, i32 available, i32 minSum, i32 maxSum) {
    i32 e = available - minSum;
    if (e < 1 || minSum >= maxSum)
        return std::max(0, e);
    if (available < maxSum) {
        const float factor = static_cast<float>(e) / static_cast<float>(maxSum - minSum);
        i32 given = 0;
        for (Item& item : items) {
            if (item.size < item.max) {
                const i32 grow = static_cast<i32>(factor * static_cast<float>(item.max - item.size));
                item.size += grow;
                given += grow;
            }
        }
        e -= given;
        for (Item& item : items) {
            if (e <= 0)
                break;
            const i32 take = std::min(e, item.max - item.size);
            if (take > 0) {
                item.size += take;
                e -= take;
            }
        }
        return std::max(0, e);
    }
    for (Item& item : items)
        item.size = std::max(item.size, item.max);
    return available - maxSum;
}

/// Column (vertical) or row (horizontal): one algorithm over either axis.
ContentSize layoutLine(win::Container* c, bool vertical, i32 hAlign, i32 vAlign, i32 gap) {
    // A copy: listeners that run while children are sized or placed may
    // change the container's list.
    const std::vector<IComponent*> children = c->getChildren();
    ChildFreeze freeze(c, children, false);

    // Cross axis: the largest minimum and maximum.
    i32 crossMin = 0;
    i32 crossMax = 0;
    for (IComponent* child : children) {
        const i32 mn = vertical ? child->getMinWidth() : child->getMinHeight();
        const i32 mx = vertical ? child->getMaxWidth() : child->getMaxHeight();
        crossMin = std::max(crossMin, mn);
        crossMax = std::max(crossMax, std::max(mn, mx));
    }
    const i32 cross = std::max(vertical ? c->getInnerWidth() : c->getInnerHeight(), crossMin);

    // Every child at its cross size and its minimum along the axis.
    std::vector<Item> items;
    items.reserve(children.size());
    for (IComponent* child : children) {
        if (vertical) {
            child->setSizeWithin(cross, 0);
            items.push_back({child->getHeight(), child->getMaxHeight()});
        } else {
            child->setSizeWithin(child->getMinWidth(), cross);
            items.push_back({child->getWidth(), child->getMaxWidth()});
        }
    }
    const auto [minSum, maxSum] = sumWithGaps(items, gap);
    // A child container's limits come from its own layout, which sizing it
    // has just run: report what they are now.
    crossMin = 0;
    crossMax = 0;
    for (IComponent* child : children) {
        const i32 mn = vertical ? child->getMinWidth() : child->getMinHeight();
        const i32 mx = vertical ? child->getMaxWidth() : child->getMaxHeight();
        crossMin = std::max(crossMin, mn);
        crossMax = std::max(crossMax, std::max(mn, mx));
    }

    const i32 inner = vertical ? c->getInnerHeight() : c->getInnerWidth();
    const i32 available = std::max(inner, minSum);
    const std::vector<Item> sized = items;
    i32 extra = distribute(items, available, minSum, maxSum);
    // An item of no size has no gap after it in the sums; one that grew
    // (a filler) gets one when placed. Hand out that much less, so that the
    // items after it stay inside the container.
    i32 newGaps = 0;
    for (std::size_t i = 0; i + 1 < items.size(); ++i) {
        if (sized[i].size == 0 && items[i].size >= 1)
            ++newGaps;
    }
    if (newGaps > 0 && gap > 0) {
        items = sized;
        extra = distribute(items, std::max(minSum, available - newGaps * gap), minSum, maxSum);
    }

    i32 pos = 0;
    const i32 mainAlign = vertical ? vAlign : hAlign;
    const i32 crossAlign = vertical ? hAlign : vAlign;
    if (extra >= 1) {
        if (mainAlign == win::kAlignCenter)
            pos = extra / 2;
        else if (mainAlign == win::kAlignEnd)
            pos = extra;
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        IComponent* child = children[i];
        const i32 size = items[i].size;
        if (vertical) {
            const i32 x = alignOffset(crossAlign, cross, child->getWidth());
            child->setBounds(x, pos, child->getWidth(), size);
        } else {
            const i32 y = alignOffset(crossAlign, cross, child->getHeight());
            child->setBounds(pos, y, size, child->getHeight());
        }
        pos += size + (size >= 1 ? gap : 0);
    }

    if (vertical)
        return {crossMin, minSum, crossMax, maxSum};
    return {minSum, crossMin, maxSum, crossMax};
}

} // namespace

ContentSize layoutColumn(win::Container* c, i32 hAlign, i32 vAlign, i32 gap) {
    return layoutLine(c, true, hAlign, vAlign, gap);
}

ContentSize layoutRow(win::Container* c, i32 hAlign, i32 vAlign, i32 gap) {
    return layoutLine(c, false, hAlign, vAlign, gap);
}

ContentSize layoutFlow(win::Container* c, i32 hAlign, i32 vAlign, i32 hGap, i32 vGap) {
    // A copy: listeners that run while children are sized or placed may
    // change the container's list.
    const std::vector<IComponent*> children = c->getChildren();
    ChildFreeze freeze(c, children, false);

    i32 widest = 0;
    for (IComponent* child : children)
        widest = std::max(widest, child->getMinWidth());
    const i32 w = std::max(c->getInnerWidth(), widest);
    for (IComponent* child : children)
        child->setSizeWithin(w, 0);
    widest = 0;
    for (IComponent* child : children)
        widest = std::max(widest, child->getMinWidth());

    // Fill the rows.
    struct Row {
        std::size_t first = 0;
        std::size_t end = 0; // one past the last child
        i32 width = 0;
    };
    std::vector<Row> rows;
    std::vector<Item> rowItems;
    i32 widthSum = 0;
    IComponent* prev = nullptr; // the child before, in any row
    for (std::size_t i = 0; i < children.size(); ++i) {
        IComponent* child = children[i];
        const i32 cw = child->getWidth();
        const bool gapBefore =
            prev && child->isVisible() && cw > 0 && prev->isVisible() && prev->getWidth() > 0;
        if (gapBefore)
            widthSum += hGap;
        widthSum += cw;
        const i32 need = cw + (gapBefore ? hGap : 0);
        if (rows.empty() || w - rows.back().width < need) {
            rows.push_back({i, i, cw});
            rowItems.push_back({});
        } else {
            rows.back().width += need;
        }
        rows.back().end = i + 1;
        Item& item = rowItems.back();
        item.size = std::max(item.size, child->getHeight());
        item.max = std::max(item.max, std::max(child->getMaxHeight(), child->getHeight()));
        prev = child;
    }

    i32 minSum = 0;
    i32 maxSum = 0;
    for (const Item& item : rowItems) {
        minSum += item.size;
        maxSum += item.max;
    }
    if (rows.size() > 1) {
        const i32 gaps = vGap * static_cast<i32>(rows.size() - 1);
        minSum += gaps;
        maxSum += gaps;
    }

    const i32 available = std::max(c->getInnerHeight(), minSum);
    std::vector<Item> grown = rowItems;
    const i32 extra = distribute(grown, available, minSum, maxSum);

    i32 y = 0;
    if (extra >= 1) {
        if (vAlign == win::kAlignCenter)
            y = extra / 2;
        else if (vAlign == win::kAlignEnd)
            y = extra;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        const i32 rowHeight = grown[r].size;
        const bool rowGrew = rowHeight > rowItems[r].size;
        i32 x = alignOffset(hAlign, w, row.width);
        IComponent* before = nullptr;
        for (std::size_t i = row.first; i < row.end; ++i) {
            IComponent* child = children[i];
            const i32 cw = child->getWidth();
            if (before && child->isVisible() && cw > 0 && before->isVisible() && before->getWidth() > 0)
                x += hGap;
            i32 ch = child->getHeight();
            if (rowGrew && ch < rowHeight)
                ch = std::max(ch, std::min(rowHeight, child->getMaxHeight()));
            child->setBounds(x, y, cw, ch);
            x += cw;
            before = child;
        }
        y += rowHeight + vGap;
    }

    return {widest, minSum, widthSum, maxSum};
}

ContentSize layoutPile(win::Container* c, i32 hAlign, i32 vAlign) {
    const std::vector<IComponent*> children = c->getChildren();
    ChildFreeze freeze(c, children, true);

    ContentSize content;
    for (IComponent* child : children) {
        if (!child->isVisible())
            continue;
        content.minW = std::max(content.minW, child->getMinWidth());
    }
    const i32 w = std::max(c->getInnerWidth(), content.minW);
    for (IComponent* child : children) {
        if (child->isVisible())
            child->setSizeWithin(w, 0);
    }
    content.minW = 0;
    for (IComponent* child : children) {
        if (!child->isVisible())
            continue;
        content.minW = std::max(content.minW, child->getMinWidth());
        content.minH = std::max(content.minH, child->getMinHeight());
        content.maxW = std::max(content.maxW, std::max(child->getMinWidth(), child->getMaxWidth()));
        content.maxH = std::max(content.maxH, std::max(child->getMinHeight(), child->getMaxHeight()));
    }
    const i32 h = std::max(c->getInnerHeight(), content.minH);
    for (IComponent* child : children) {
        if (!child->isVisible())
            continue;
        i32 ch = child->getHeight();
        const i32 maxH = child->getMaxHeight();
        if (ch < maxH)
            ch = std::max(child->getMinHeight(), std::min(h, maxH));
        const i32 cw = child->getWidth();
        child->setBounds(alignOffset(hAlign, w, cw), alignOffset(vAlign, h, ch), cw, ch);
    }
    return content;
}

// -- shared managers --

namespace {
win::Container* implOf(IContainer* container) {
    return container ? dynamic_cast<win::Container*>(container->asComponent()) : nullptr;
}
} // namespace

Vertical* Vertical::shared() {
    static Vertical* const instance = new Vertical();
    return instance;
}

void Vertical::layout(IContainer* container) {
    if (win::Container* c = implOf(container))
        c->setContentSize(layoutColumn(c, 0, 0, 0));
}

FlowH* FlowH::shared() {
    static FlowH* const instance = new FlowH();
    return instance;
}

void FlowH::layout(IContainer* container) {
    if (win::Container* c = implOf(container))
        c->setContentSize(layoutFlow(c, 0, 0, 0, 0));
}

Pile* Pile::shared() {
    static Pile* const instance = new Pile();
    return instance;
}

void Pile::layout(IContainer* container) {
    if (win::Container* c = implOf(container))
        c->setContentSize(layoutPile(c, 0, 0));
}

} // namespace s::gui::layout
