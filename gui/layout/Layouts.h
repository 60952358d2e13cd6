#pragma once

#include "gui/ILayoutManager.h"
#include "gui/win/Container.h"

namespace s::gui::layout {

/// The four layout algorithms over a container's children, in the
/// container's inner coordinates. Each returns the content's limits.
win::ContentSize layoutColumn(win::Container* c, i32 hAlign, i32 vAlign, i32 gap);
win::ContentSize layoutRow(win::Container* c, i32 hAlign, i32 vAlign, i32 gap);
win::ContentSize layoutFlow(win::Container* c, i32 hAlign, i32 vAlign, i32 hGap, i32 vGap);
win::ContentSize layoutPile(win::Container* c, i32 hAlign, i32 vAlign);

/// The shared, stateless managers: each runs the algorithm of its name with
/// alignment 0 and gaps 0 and stores the content values in the container.
class Vertical final : public ILayoutManager {
public:
    static Vertical* shared();
    void layout(IContainer* container) override;
    const char16_t* getClassName() const override { return u"s_gui_layout_Vertical"; }
    base::IObject* newInstance() const override { return shared(); }
};
class FlowH final : public ILayoutManager {
public:
    static FlowH* shared();
    void layout(IContainer* container) override;
    const char16_t* getClassName() const override { return u"s_gui_layout_FlowH"; }
    base::IObject* newInstance() const override { return shared(); }
};
class Pile final : public ILayoutManager {
public:
    static Pile* shared();
    void layout(IContainer* container) override;
    const char16_t* getClassName() const override { return u"s_gui_layout_Pile"; }
    base::IObject* newInstance() const override { return shared(); }
};

} // namespace s::gui::layout
