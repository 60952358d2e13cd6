#pragma once

#include "gui/IComponent.h"
#include "gui/ILayoutManager.h"

namespace s::gui {

/// What a container adds to a component: ordered children and their layout.
///
/// The toolkit's interfaces are role interfaces beside the one component
/// base (`win::Component`): a container is a component (`asComponent`) that
/// also plays this role. Keeping a single implementation chain keeps
/// `IObject` the first base of every object, which the pools rely on.
class IContainer {
public:
    virtual ~IContainer() = default;
    virtual IComponent* asComponent() = 0;
    const IComponent* asComponent() const { return const_cast<IContainer*>(this)->asComponent(); }
    /// Appends a child; the container owns it from then on.
    virtual void add(IComponent* child) = 0;
    /// Detaches the child and lays out again; with `destroyContents` the
    /// child is given back to its pool.
    virtual void remove(IComponent* child, bool destroyContents) = 0;
    virtual void removeAll(bool destroyContents) = 0;
    virtual const std::vector<IComponent*>& getChildren() const = 0;

    virtual void doLayout() = 0;
    virtual ILayoutManager* getLayoutManager() const = 0;
    /// Not owned.
    virtual void setLayoutManager(ILayoutManager* manager) = 0;
};

} // namespace s::gui
