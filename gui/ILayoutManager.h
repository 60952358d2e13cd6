#pragma once

#include "foundation/base/IObject.h"

namespace s::gui {

class IContainer;

/// Places the children of a container. The toolkit's managers are stateless
/// and shared (one instance per class, never released by a container).
class ILayoutManager : public base::IObject {
public:
    virtual void layout(IContainer* container) = 0;
};

} // namespace s::gui
