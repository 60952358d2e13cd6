#include "foundation/str/StrBuffer.h"
#include "gui/events/Enablers.h"
#include "gui/layout/Layouts.h"
#include "gui/win/Box.h"
#include "gui/win/Spacer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace s;
using namespace s::gui;

namespace {

/// A leaf with a measured size that counts its placements and editable
/// switches; deleted on release.
class Leaf : public win::Component {
public:
    Leaf(i32 w, i32 h, i32 maxW = 0, i32 maxH = 0) {
        setMeasuredSize(w, h);
        setMeasuredMaxSize(maxW, maxH);
    }
    ~Leaf() override { ++s_deleted; }
    const char16_t* getClassName() const override { return u"test_Leaf"; }
    base::IObject* newInstance() const override { return new Leaf(0, 0); }
    void release() override { delete this; }
    void setEditable(bool editable) override { m_editable = editable; }

    int placed = 0;
    bool m_editable = true;
    static inline int s_deleted = 0;

protected:
    void applyBounds() override {
        ++placed;
        Component::applyBounds();
    }
};

/// Records every event it hears; optionally runs an action on each.
class Recorder : public events::IEventListener {
public:
    void onEvent(IComponent* source, i32 code) override {
        events.emplace_back(source, code);
        if (action)
            action();
    }
    int count(i32 code) const {
        int n = 0;
        for (const auto& e : events)
            n += e.second == code ? 1 : 0;
        return n;
    }
    std::vector<std::pair<IComponent*, i32>> events;
    std::function<void()> action;
};

/// A box that is given back to its pool at the end of the test.
struct BoxHandle {
    BoxHandle() : box(win::Box::create()) {}
    ~BoxHandle() { box->release(); }
    win::Box* operator->() const { return box; }
    win::Box* box;
};

Leaf* addLeaf(win::Container* c, i32 w, i32 h, i32 maxW = 0, i32 maxH = 0) {
    auto* leaf = new Leaf(w, h, maxW, maxH);
    c->add(leaf);
    return leaf;
}

} // namespace

TEST(LayoutTest, ColumnLeavesNoGapAroundEmptyChildren) {
    BoxHandle box;
    box->setKindColumn();
    box->setVGap(5);
    box->setSize(50, 0);
    Leaf* a = addLeaf(box.box, 10, 10);
    Leaf* b = addLeaf(box.box, 10, 0);
    Leaf* c = addLeaf(box.box, 10, 10);
    box->doLayout();
    EXPECT_EQ(25, box->getContentSize().minH);
    EXPECT_EQ(0, a->getY());
    EXPECT_EQ(15, b->getY());
    EXPECT_EQ(15, c->getY());

    // A trailing empty child gives its gap back.
    addLeaf(box.box, 10, 0);
    box->doLayout();
    EXPECT_EQ(25, box->getContentSize().minH);
    box->setPadTopBottom(3);
    EXPECT_EQ(31, box->getMinHeight());
}

TEST(LayoutTest, ColumnSharesExtraHeightInProportionThenInOrder) {
    BoxHandle box;
    box->setKindColumn();
    box->setSize(40, 70);
    Leaf* a = addLeaf(box.box, 10, 10, 0, 100);
    Leaf* b = addLeaf(box.box, 10, 10, 0, 50);
    box->doLayout();
    EXPECT_EQ(45, a->getHeight());
    EXPECT_EQ(25, b->getHeight());
    EXPECT_EQ(45, b->getY());
    EXPECT_EQ(20, box->getContentSize().minH);
    EXPECT_EQ(150, box->getContentSize().maxH);

    // Room for everything: each child takes its max, the rest aligns.
    box->setVAlignBottom();
    box->setSize(40, 200);
    EXPECT_EQ(100, a->getHeight());
    EXPECT_EQ(50, b->getHeight());
    EXPECT_EQ(50, a->getY());
}

TEST(LayoutTest, AGrowingEmptyChildKeepsTheChildrenAfterItInside) {
    // A filler of no minimum between rows: once it grows it has a gap after
    // it like any other child, and the last row must still end inside.
    BoxHandle box;
    box->setKindColumn();
    box->setVGap(10);
    box->setSize(40, 100);
    Leaf* top = addLeaf(box.box, 10, 20);
    Leaf* filler = addLeaf(box.box, 10, 0, 0, 100);
    Leaf* bottom = addLeaf(box.box, 10, 24);
    box->doLayout();
    EXPECT_EQ(0, top->getY());
    EXPECT_EQ(30, filler->getY());
    EXPECT_EQ(36, filler->getHeight());
    EXPECT_EQ(76, bottom->getY());
    EXPECT_LE(bottom->getY() + bottom->getHeight(), 100);
}

TEST(LayoutTest, ColumnWidthsAndHorizontalAlignment) {
    BoxHandle box;
    box->setKindColumn();
    box->setHAlignRight();
    box->setSize(100, 50);
    Leaf* narrow = addLeaf(box.box, 20, 10);
    Leaf* wide = addLeaf(box.box, 30, 10, 500, 0);
    box->doLayout();
    EXPECT_EQ(20, narrow->getWidth());
    EXPECT_EQ(80, narrow->getX());
    EXPECT_EQ(100, wide->getWidth()); // grows to the offered width, not its max
    EXPECT_EQ(0, wide->getX());
    EXPECT_EQ(30, box->getContentSize().minW);
    EXPECT_EQ(500, box->getContentSize().maxW);
}

TEST(LayoutTest, RowPercentWidthGapsAndAlignment) {
    BoxHandle box;
    box->setKindRow();
    box->setPadLeftRight(10);
    box->setSize(200, 30);
    Leaf* full = addLeaf(box.box, 10, 10);
    full->setPercentWidth(100);
    box->doLayout();
    EXPECT_EQ(180, full->getWidth()); // the inner width, not the outer

    BoxHandle row;
    row->setKindRow();
    row->setHGap(4);
    row->setHAlignCenter();
    row->setVAlignCenter();
    row->setSize(100, 30);
    Leaf* a = addLeaf(row.box, 20, 10);
    Leaf* b = addLeaf(row.box, 30, 20);
    row->doLayout();
    EXPECT_EQ(23, a->getX()); // (100 - 54) / 2
    EXPECT_EQ(47, b->getX());
    EXPECT_EQ(10, a->getY());
    EXPECT_EQ(5, b->getY());
    EXPECT_EQ(54, row->getContentSize().minW);
    EXPECT_EQ(20, row->getContentSize().minH);
}

TEST(LayoutTest, FlowWrapsRowsWithGapsAndAlignsThem) {
    BoxHandle box;
    box->setKindFlow();
    box->setHGap(10);
    box->setVGap(5);
    box->setHAlignCenter();
    box->setSize(100, 0);
    Leaf* a = addLeaf(box.box, 40, 10);
    Leaf* b = addLeaf(box.box, 40, 20);
    Leaf* c = addLeaf(box.box, 40, 10);
    box->doLayout();
    EXPECT_EQ(5, a->getX());
    EXPECT_EQ(55, b->getX());
    EXPECT_EQ(0, a->getY());
    EXPECT_EQ(0, b->getY());
    EXPECT_EQ(30, c->getX());
    EXPECT_EQ(25, c->getY());
    EXPECT_EQ(40, box->getContentSize().minW);
    EXPECT_EQ(35, box->getContentSize().minH);
    // As one row, with the gaps between the children.
    EXPECT_EQ(140, box->getContentSize().maxW);

    // Extra height: rows grow toward their tallest child's max (a row that
    // did not grow keeps its children), the rest aligns the block.
    c->setMeasuredMaxSize(0, 30);
    box->setVAlignCenter();
    box->setSize(100, 75);
    EXPECT_EQ(10, a->getY());
    EXPECT_EQ(10, a->getHeight());
    EXPECT_EQ(35, c->getY());
    EXPECT_EQ(30, c->getHeight());

    // Wide enough: one row, and no gap next to an empty child.
    box->setSize(200, 0);
    EXPECT_EQ(130, c->getX());
    EXPECT_EQ(0, c->getY());
    c->setMeasuredSize(0, 10);
    box->doLayout();
    EXPECT_EQ(55, a->getX());
    EXPECT_EQ(20, box->getContentSize().minH);
    EXPECT_EQ(90, box->getContentSize().maxW);
}

TEST(LayoutTest, PileOverlapsVisibleChildrenByAlignment) {
    BoxHandle box;
    box->setKindPile();
    box->setVAlignBottom();
    box->setHAlignCenter();
    box->setSize(100, 100);
    Leaf* a = addLeaf(box.box, 30, 20);
    Leaf* hidden = addLeaf(box.box, 300, 300);
    hidden->setVisible(false, false);
    box->doLayout();
    EXPECT_EQ(80, a->getY());
    EXPECT_EQ(35, a->getX());
    EXPECT_EQ(0, hidden->getWidth());
    EXPECT_EQ(30, box->getContentSize().minW);
    EXPECT_EQ(20, box->getContentSize().minH);
}

TEST(LayoutTest, ContainerLimitsFollowSettings) {
    BoxHandle parent;
    parent->setSize(101, 51);
    win::Box* box = win::Box::create();
    parent->add(box);
    box->setPadLeftRight(5);
    addLeaf(box, 40, 10);
    box->doLayout();
    EXPECT_EQ(50, box->getMinWidth());
    EXPECT_EQ(40, box->getInnerMinWidth());
    box->setMinWidthFloor(70);
    EXPECT_EQ(70, box->getMinWidth());
    box->setCollapseWidth(true);
    EXPECT_EQ(0, box->getMinWidth());
    box->setCollapseWidth(false);

    // Containers round their percent; leaves truncate.
    box->setPercentWidth(50, false);
    EXPECT_EQ(51, box->getMaxWidth());
    Leaf* leaf = addLeaf(parent.box, 1, 1);
    leaf->setPercentWidth(50);
    EXPECT_EQ(50, leaf->getMaxWidth());

    // Fixed and percent exclude each other on boxes.
    box->setFixedWidth(30, false);
    EXPECT_EQ(-1, box->getPercentWidth());
    EXPECT_EQ(30, box->getMinWidth());
    EXPECT_EQ(30, box->getMaxWidth());
    box->setPercentWidth(100, false);
    EXPECT_EQ(-1, box->getFixedWidth());
    box->setFixedHeight(0, false);
    box->setPercentHeight(-1, false); // "no percent" keeps the fixed size
    EXPECT_EQ(0, box->getFixedHeight());

    // With relayout, the parent lays out again.
    Recorder layouts;
    parent->addLayoutListener(&layouts);
    box->setPercentHeight(100, true);
    EXPECT_EQ(1, layouts.count(kBoxLayout));
}

TEST(LayoutTest, NestedContainerIsMeasuredAtTheOfferedWidth) {
    BoxHandle column;
    column->setKindColumn();
    column->setSize(100, 0);
    win::Box* flow = win::Box::create();
    flow->setKindFlow();
    column->add(flow);
    Leaf* leaves[3];
    for (Leaf*& leaf : leaves)
        leaf = addLeaf(flow, 40, 10);
    column->doLayout();
    EXPECT_EQ(100, flow->getWidth());
    EXPECT_EQ(20, flow->getHeight()); // two rows at width 100
    EXPECT_EQ(20, column->getContentSize().minH);
    // The flow's limits as its layout inside this run left them.
    EXPECT_EQ(40, column->getContentSize().minW);
    EXPECT_EQ(10, leaves[2]->getY());
    // Each leaf was placed once by the outer layout.
    for (Leaf* leaf : leaves)
        EXPECT_EQ(1, leaf->placed);
}

TEST(LayoutTest, PaddingIsAppliedThroughOrigins) {
    BoxHandle outer;
    outer->setPosition(5, 6);
    outer->setPadLeft(3);
    outer->setPadTop(4);
    Leaf* leaf = addLeaf(outer.box, 10, 10);
    EXPECT_EQ(3, leaf->getOriginX());
    EXPECT_EQ(4, leaf->getOriginY());
    leaf->setPosition(1, 2);
    i32 x = 0;
    i32 y = 0;
    EXPECT_EQ(nullptr, leaf->getNativeHost(&x, &y)); // no window yet
    EXPECT_EQ(9, x);
    EXPECT_EQ(12, y);

    outer->setPadding(7);
    EXPECT_EQ(7, leaf->getOriginX());
    EXPECT_EQ(7, leaf->getOriginY());
    outer->setPadLeftRight(2);
    EXPECT_EQ(2, leaf->getOriginX());
    EXPECT_EQ(7, leaf->getOriginY());
}

TEST(LayoutTest, FreezeRecordsAndUnfreezeAppliesOnce) {
    Leaf leaf(10, 10);
    leaf.freeze();
    leaf.setBounds(1, 2, 3, 4);
    leaf.setPosition(5, 6);
    leaf.setOrigin(1, 1);
    EXPECT_EQ(0, leaf.placed);
    EXPECT_EQ(5, leaf.getX());
    leaf.unfreeze();
    EXPECT_EQ(1, leaf.placed);
    leaf.unfreeze();
    EXPECT_EQ(1, leaf.placed);
    leaf.setPosition(5, 6); // unchanged
    EXPECT_EQ(1, leaf.placed);

    BoxHandle box;
    box->setKindColumn();
    box->setSize(50, 100);
    Leaf* kids[3] = {addLeaf(box.box, 10, 10), addLeaf(box.box, 10, 10), addLeaf(box.box, 10, 10)};
    for (Leaf* kid : kids)
        kid->placed = 0;
    box->doLayout();
    for (Leaf* kid : kids)
        EXPECT_EQ(1, kid->placed);

    // A frozen box does not lay out; its children follow its freezing.
    box->freeze();
    EXPECT_TRUE(kids[0]->isFrozen());
    box->setHAlignCenter();
    box->doLayout();
    EXPECT_EQ(0, kids[0]->getX());
    box->unfreeze();
    EXPECT_FALSE(kids[0]->isFrozen());

    // A move of the box places every child again, once.
    for (Leaf* kid : kids)
        kid->placed = 0;
    box->setBounds(3, 3, 60, 100);
    for (Leaf* kid : kids)
        EXPECT_EQ(1, kid->placed);
    EXPECT_EQ(25, kids[0]->getX()); // the new width was laid out
    // A move alone: the children keep their places but their offsets in
    // the window changed.
    for (Leaf* kid : kids)
        kid->placed = 0;
    box->setPosition(10, 10);
    for (Leaf* kid : kids)
        EXPECT_EQ(1, kid->placed);
}

TEST(LayoutTest, NestedLayoutRunsOneLevelDeep) {
    BoxHandle box;
    addLeaf(box.box, 10, 10);
    Recorder listener;
    listener.action = [&] { box->doLayout(); };
    box->addLayoutListener(&listener);
    box->doLayout();
    EXPECT_EQ(2, listener.count(kBoxLayout));
    // The guard is released again.
    listener.events.clear();
    box->doLayout();
    EXPECT_EQ(2, listener.count(kBoxLayout));
}

TEST(LayoutTest, SharedManagersRunTheirAlgorithms) {
    EXPECT_EQ(layout::Vertical::shared(), layout::Vertical::shared());
    BoxHandle box;
    EXPECT_EQ(layout::FlowH::shared(), box->getLayoutManager());
    box->setKindRow();
    box->setLayoutManager(layout::Vertical::shared());
    box->setSize(50, 50);
    addLeaf(box.box, 10, 10);
    Leaf* second = addLeaf(box.box, 10, 10);
    box->doLayout();
    EXPECT_EQ(0, second->getX());
    EXPECT_EQ(10, second->getY());
    EXPECT_EQ(20, box->getContentSize().minH);
    box->setLayoutManager(layout::Pile::shared());
    box->doLayout();
    EXPECT_EQ(0, second->getY());
}

TEST(LayoutTest, RemoveGivesBackAndRelayouts) {
    BoxHandle box;
    box->setKindColumn();
    Leaf* a = addLeaf(box.box, 10, 10);
    Leaf* b = addLeaf(box.box, 10, 10);
    box->add(a); // already a child: not owned twice
    EXPECT_EQ(2, box->getChildCount());
    box->doLayout();
    const int deleted = Leaf::s_deleted;
    box->remove(a, true);
    EXPECT_EQ(deleted + 1, Leaf::s_deleted);
    EXPECT_EQ(0, b->getY());
    EXPECT_EQ(nullptr, box->getChild(1));

    // Moving a child to another box detaches it from the first.
    BoxHandle other;
    other->add(b);
    EXPECT_EQ(0, box->getChildCount());
    EXPECT_EQ(other.box, b->getParent());
    other->removeAll(true);
    EXPECT_EQ(deleted + 2, Leaf::s_deleted);

    // A child given back directly leaves its container first.
    Leaf* c = addLeaf(box.box, 10, 10);
    win::Box* inner = win::Box::create();
    box->add(inner);
    addLeaf(inner, 5, 5);
    c->release();
    inner->release();
    EXPECT_EQ(0, box->getChildCount());
    EXPECT_EQ(deleted + 4, Leaf::s_deleted);
}

TEST(LayoutTest, ShowOnlyShowsOneChild) {
    BoxHandle box;
    box->setKindPile();
    Leaf* kids[3] = {addLeaf(box.box, 10, 10), addLeaf(box.box, 10, 10), addLeaf(box.box, 10, 10)};
    Recorder layouts;
    box->addLayoutListener(&layouts);
    box->showOnly(1);
    EXPECT_FALSE(kids[0]->isVisible());
    EXPECT_TRUE(kids[1]->isVisible());
    EXPECT_FALSE(kids[2]->isVisible());
    EXPECT_GE(layouts.count(kBoxLayout), 1);
    box->showOnly(-1);
    EXPECT_FALSE(kids[1]->isVisible());
}

TEST(LayoutTest, EnablersSwitchTheirTargetsOnSourceEvents) {
    Leaf source(1, 1);
    Leaf other(1, 1);
    Leaf a(1, 1);
    Leaf b(1, 1);
    events::Disabler* disabler = events::Disabler::create();
    disabler->setSource(&source);
    disabler->addTarget(&a);
    disabler->addTarget(&b);
    disabler->onEvent(&other, 1);
    EXPECT_TRUE(a.isEnabled());
    disabler->onEvent(&source, 2);
    EXPECT_FALSE(a.isEnabled());
    EXPECT_FALSE(b.isEnabled());
    disabler->release();

    events::Enabler* enabler = events::Enabler::create();
    enabler->setSource(&source);
    enabler->addTarget(&a);
    enabler->onEvent(&source, 0);
    EXPECT_TRUE(a.isEnabled());
    EXPECT_FALSE(b.isEnabled());
    enabler->release();

    events::UnEditabler* lock = events::UnEditabler::create();
    lock->setSource(&source);
    lock->addTarget(&b);
    lock->onEvent(&source, 1);
    EXPECT_FALSE(b.m_editable);
    lock->release();
    events::Editabler* unlock = events::Editabler::create();
    unlock->setSource(&source);
    unlock->addTarget(&b);
    unlock->onEvent(&source, 1);
    EXPECT_TRUE(b.m_editable);
    unlock->release();
}

TEST(LayoutTest, BoxDropsWheelMovesAndClicks) {
    BoxHandle box;
    Recorder drops;
    box->addDropListener(&drops);
    box->dropFiles({u"/a.mp4"});
    EXPECT_EQ(0, drops.count(kBoxFilesDropped)); // not a drop target yet
    box->setAcceptFiles(true);
    box->dropFiles({u"/x/first.mp4", u"/x/folder"});
    box->dropFiles({u"/b.mkv", std::u16string(u"/") + std::u16string(300, u'n')});
    ASSERT_EQ(2, drops.count(kBoxFilesDropped));
    ASSERT_EQ(2u, box->getDroppedFiles()->size());
    // A long path arrives whole, never cut into another path.
    EXPECT_EQ(301u, box->getDroppedFiles()->get(1)->length());
    // Nothing usable: no drop to report, and the list holds nothing stale.
    box->dropFiles({std::u16string(win::Box::kMaxDroppedPath + 1, u'n')});
    EXPECT_EQ(2, drops.count(kBoxFilesDropped));
    EXPECT_EQ(0u, box->getDroppedFiles()->size());

    Recorder urls;
    box->addUrlListener(&urls);
    box->setAcceptUrls(true);
    box->dropUrl(u"https://example.org/v");
    EXPECT_EQ(1, urls.count(kBoxUrlDropped));
    EXPECT_EQ(std::u16string(u"https://example.org/v"), box->getDroppedUrl());

    // Wheel: the child box under the point first, then the box, else nobody.
    box->setSize(100, 100);
    win::Box* child = win::Box::create();
    box->add(child);
    child->setBounds(0, 0, 50, 50);
    EXPECT_FALSE(box->wheel(3, 10, 10));
    Recorder outerWheel;
    Recorder innerWheel;
    box->addWheelListener(&outerWheel);
    child->addWheelListener(&innerWheel);
    EXPECT_TRUE(box->wheel(-3, 10, 10));
    EXPECT_EQ(1, innerWheel.count(kBoxWheel));
    EXPECT_EQ(-3, child->getWheelLines());
    EXPECT_TRUE(box->wheel(2, 70, 70));
    EXPECT_EQ(1, outerWheel.count(kBoxWheel));
    child->setVisible(false, false);
    EXPECT_TRUE(box->wheel(1, 10, 10));
    EXPECT_EQ(2, outerWheel.count(kBoxWheel));

    Recorder moves;
    child->addMoveListener(&moves);
    child->setBounds(0, 0, 50, 50);
    EXPECT_EQ(0, moves.count(kBoxMoved));
    child->setBounds(1, 0, 50, 50);
    child->setSize(40, 50);
    EXPECT_EQ(2, moves.count(kBoxMoved));

    Recorder clicks;
    win::MouseEvent press;
    press.kind = win::MouseEvent::kPress;
    press.button = 1;
    EXPECT_FALSE(box->onMouse(press));
    box->addLeftButtonListener(&clicks);
    press.button = 3;
    EXPECT_FALSE(box->onMouse(press));
    press.button = 1;
    EXPECT_TRUE(box->onMouse(press));
    EXPECT_EQ(1, clicks.count(kBoxLeftButton));
}

TEST(LayoutTest, SpacerPercentClearsFixed) {
    win::Spacer* spacer = win::Spacer::create();
    spacer->setVertical();
    spacer->setFixedHeight(3);
    EXPECT_EQ(3, spacer->getMinHeight());
    EXPECT_EQ(0, spacer->getMinWidth());
    spacer->setPercentHeight(50);
    EXPECT_EQ(-1, spacer->getFixedHeight());
    EXPECT_EQ(0, spacer->getMinHeight());
    spacer->release();
}
