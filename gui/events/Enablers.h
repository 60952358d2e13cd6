#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/Pool.h"
#include "gui/IComponent.h"

#include <vector>

namespace s::gui::events {

/// A listener that, on any event of its source, switches a state of each
/// target in order. The source and the targets are not owned.
class TargetSwitch : public base::IObject, public thread::IPoolable, public IEventListener {
public:
    void setSource(IComponent* source) { m_source = source; }
    IComponent* getSource() const { return m_source; }
    void addTarget(IComponent* target) {
        if (target)
            m_targets.push_back(target);
    }
    const std::vector<IComponent*>& getTargets() const { return m_targets; }

    /// Events of other sources are ignored.
    void onEvent(IComponent* source, i32 code) override;
    void reset() override {
        m_source = nullptr;
        m_targets.clear();
    }

protected:
    virtual void apply(IComponent* target) = 0;

private:
    IComponent* m_source = nullptr;
    std::vector<IComponent*> m_targets;
};

/// Enables every target.
class Enabler final : public TargetSwitch {
    S_POOLED_CLASS(Enabler)
public:
    const char16_t* getClassName() const override { return u"s_gui_events_Enabler"; }

protected:
    void apply(IComponent* target) override { target->setEnabled(true); }
};

/// Disables every target.
class Disabler final : public TargetSwitch {
    S_POOLED_CLASS(Disabler)
public:
    const char16_t* getClassName() const override { return u"s_gui_events_Disabler"; }

protected:
    void apply(IComponent* target) override { target->setEnabled(false); }
};

/// Makes every target editable.
class Editabler final : public TargetSwitch {
    S_POOLED_CLASS(Editabler)
public:
    const char16_t* getClassName() const override { return u"s_gui_events_Editabler"; }

protected:
    void apply(IComponent* target) override { target->setEditable(true); }
};

/// Makes every target read-only.
class UnEditabler final : public TargetSwitch {
    S_POOLED_CLASS(UnEditabler)
public:
    const char16_t* getClassName() const override { return u"s_gui_events_UnEditabler"; }

protected:
    void apply(IComponent* target) override { target->setEditable(false); }
};

} // namespace s::gui::events
