#pragma once

#include "foundation/base/IObject.h"

namespace s::event {

/// The event a receiver is delivering, as its listeners see it. Every
/// operation is valid only on the receiver's thread, inside a named-event
/// listener; the values belong to the event being delivered.
class INamedEventSource {
public:
    virtual ~INamedEventSource() = default;
    /// The very pointer the sender passed. Compare it by identity with the
    /// shared name constants of NamedEvents.h (`name == kUpdateUI`), never by
    /// content.
    virtual const char16_t* getEventName() const = 0;
    virtual i64 getEventA() const = 0;
    virtual i64 getEventB() const = 0;
    /// Not owned; valid only during the delivery.
    virtual base::IObject* getEventObject() const = 0;
    /// The value `sendEvent` returns to the sender; the last call wins.
    virtual void setEventResult(i64 value) = 0;
};

/// Receives named events on the receiver's thread, one event and one listener
/// at a time, in registration order. A listener must never wait for the
/// thread that sent the event: that thread is blocked until it returns.
class INamedEventListener {
public:
    virtual ~INamedEventListener() = default;
    virtual void onNamedEvent(INamedEventSource& source) = 0;
};

} // namespace s::event
