#pragma once

#include "foundation/base/Types.h"

namespace s::gui {
class IComponent;
}

namespace s::gui::events {

/// Receives the toolkit's events as a pair (source, code). What a code means
/// depends on the kind of source (see each component's add operations); the
/// details are read from the source. Listeners run on the user-interface
/// thread, one at a time, in the order they were added.
class IEventListener {
public:
    virtual ~IEventListener() = default;
    virtual void onEvent(IComponent* source, i32 code) = 0;
};

} // namespace s::gui::events
