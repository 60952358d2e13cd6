#pragma once

namespace s::thread {

/// An object that lives in its class's pool between uses.
///
/// `release()` hands the object back (the caller must not touch it again);
/// `reset()` brings it back to its freshly made state and runs at hand-back,
/// never when an object is taken.
class IPoolable {
public:
    virtual ~IPoolable() = default;
    virtual void release() = 0;
    virtual void reset() = 0;
};

} // namespace s::thread
