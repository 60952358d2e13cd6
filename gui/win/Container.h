#pragma once

#include "gui/events/ListenerList.h"
#include "gui/win/Component.h"

namespace s::gui::win {

/// Layout kinds of a container without a layout manager.
enum LayoutKind : i32 { kRow = 0, kColumn = 1, kFlow = 2, kPile = 3 };
/// hAlign: 0 left, 1 centre, 2 right; vAlign: 0 top, 1 centre, 2 bottom.
enum Align : i32 { kAlignStart = 0, kAlignCenter = 1, kAlignEnd = 2 };

/// What one layout run reports about the content.
struct ContentSize {
    i32 minW = 0;
    i32 minH = 0;
    i32 maxW = 0;
    i32 maxH = 0;
};

/// The common container: ordered, owned children, padding applied through
/// the children's origins, the box layout settings, the size limits derived
/// from the last layout, and `doLayout` with its nesting guard. Box, Window,
/// StatusBar and GroupBox build on it.
class Container : public Component, public IContainer {
public:
    Container() = default;
    /// Releases the children.
    ~Container() override;
    void reset() override;

    IContainer* asContainer() override { return this; }
    IComponent* asComponent() override { return this; }

    // -- IContainer --
    void add(IComponent* child) override;
    void remove(IComponent* child, bool destroyContents) override;
    void removeAll(bool destroyContents) override;
    const std::vector<IComponent*>& getChildren() const override { return m_children; }
    i32 getChildCount() const override { return static_cast<i32>(m_children.size()); }
    IComponent* getChild(i32 i) const override;
    /// 1. frozen: nothing; 2. nesting guard (one nested layout of the same
    /// container at most); 3. content values reset, then the manager or the
    /// container's own kind; 4. layout listeners (code 3).
    void doLayout() override;
    /// A box answers the shared FlowH manager when none is set, but lays out
    /// by its own kind; see `getOwnLayoutManager`.
    ILayoutManager* getLayoutManager() const override;
    void setLayoutManager(ILayoutManager* manager) override { m_manager = manager; }
    ILayoutManager* getOwnLayoutManager() const { return m_manager; }

    // -- IComponent, container rules --
    i32 getInnerWidth() const override;
    i32 getInnerHeight() const override;
    void setInnerWidth(i32 w) override;
    void setInnerHeight(i32 h) override;
    i32 getMinWidth() const override;
    i32 getMinHeight() const override;
    i32 getInnerMinWidth() const override;
    i32 getInnerMinHeight() const override;
    i32 getMaxWidth() const override;
    i32 getMaxHeight() const override;
    i32 getInnerMaxWidth() const override;
    i32 getInnerMaxHeight() const override;
    /// Takes the offered width clamped to the limits, lays out at it and
    /// then takes the minimum height (or `h` clamped when h > 0).
    void setSizeWithin(i32 w, i32 h) override;
    void relayout() override { doLayout(); }
    void freeze() override;
    void unfreeze() override;
    void setEnabled(bool enabled) override;
    void realize() override;
    void unrealize() override;

    // -- layout settings --
    i32 getKind() const { return m_kind; }
    void setKind(i32 kind) { m_kind = kind; }
    void setKindRow() { m_kind = kRow; }
    void setKindColumn() { m_kind = kColumn; }
    void setKindFlow() { m_kind = kFlow; }
    void setKindPile() { m_kind = kPile; }
    i32 getHAlign() const { return m_hAlign; }
    i32 getVAlign() const { return m_vAlign; }
    void setHAlign(i32 a) { m_hAlign = a; }
    void setVAlign(i32 a) { m_vAlign = a; }
    void setHAlignLeft() { m_hAlign = kAlignStart; }
    void setHAlignCenter() { m_hAlign = kAlignCenter; }
    void setHAlignRight() { m_hAlign = kAlignEnd; }
    void setVAlignTop() { m_vAlign = kAlignStart; }
    void setVAlignCenter() { m_vAlign = kAlignCenter; }
    void setVAlignBottom() { m_vAlign = kAlignEnd; }
    i32 getHGap() const { return m_hGap; }
    i32 getVGap() const { return m_vGap; }
    void setHGap(i32 px) { m_hGap = px; }
    void setVGap(i32 px) { m_vGap = px; }
    /// Every padding change gives every child the origin (padLeft, padTop).
    void setPadLeft(i32 px);
    void setPadRight(i32 px);
    void setPadTop(i32 px);
    void setPadBottom(i32 px);
    void setPadLeftRight(i32 px);
    void setPadTopBottom(i32 px);
    void setPadding(i32 px);
    i32 getPadLeft() const { return m_padLeft; }
    i32 getPadRight() const { return m_padRight; }
    i32 getPadTop() const { return m_padTop; }
    i32 getPadBottom() const { return m_padBottom; }
    /// Setting a percent clears the fixed size of that direction and the
    /// other way round; with `relayout` the parent lays out again.
    void setPercentWidth(i32 p, bool relayout);
    void setPercentHeight(i32 p, bool relayout);
    void setFixedWidth(i32 px, bool relayout);
    void setFixedHeight(i32 px, bool relayout);
    void setPercentWidth(i32 p) override { setPercentWidth(p, false); }
    void setPercentHeight(i32 p) override { setPercentHeight(p, false); }
    void setFixedWidth(i32 px) override { setFixedWidth(px, false); }
    void setFixedHeight(i32 px) override { setFixedHeight(px, false); }
    void setPercentSize100() {
        setPercentWidth(100, false);
        setPercentHeight(100, false);
    }
    void setMinWidthFloor(i32 px) { m_minWidthFloor = px; }
    void setCollapseWidth(bool c) { m_collapseW = c; }
    void setCollapseHeight(bool c) { m_collapseH = c; }
    const ContentSize& getContentSize() const { return m_content; }
    void setContentSize(const ContentSize& size) { m_content = size; }

    /// Layout listeners: code 3 after every layout.
    void addLayoutListener(events::IEventListener* l) { m_layoutListeners.add(l); }

protected:
    void applyBounds() override;
    void applyVisibility() override;
    void onWindowChanged() override;
    /// Parent inner size for percent rules (0 without a parent).
    i32 parentInnerWidth() const;
    i32 parentInnerHeight() const;
    /// Steps 2 to 5 of `doLayout` (nesting guard, content values, the
    /// algorithm, listeners) without the frozen check: a frozen container
    /// still lays out its (frozen) children when asked to size itself.
    void runLayout();

    std::vector<IComponent*> m_children;
    ILayoutManager* m_manager = nullptr;
    i32 m_kind = kRow;
    i32 m_hAlign = kAlignStart;
    i32 m_vAlign = kAlignStart;
    i32 m_hGap = 0;
    i32 m_vGap = 0;
    i32 m_padLeft = 0;
    i32 m_padRight = 0;
    i32 m_padTop = 0;
    i32 m_padBottom = 0;
    i32 m_minWidthFloor = -1;
    bool m_collapseW = false;
    bool m_collapseH = false;
    ContentSize m_content;
    i32 m_layoutDepth = 0;
    /// The size the children were last laid out for (-1: never).
    i32 m_laidOutW = -1;
    i32 m_laidOutH = -1;
    events::ListenerList m_layoutListeners;
};

} // namespace s::gui::win
