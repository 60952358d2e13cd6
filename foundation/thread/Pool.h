#pragma once

#include "foundation/thread/EasyPooler.h"

#include <memory>

namespace s::thread {

/// Idle objects a class's pool keeps; a class sets `static constexpr u32
/// kMaxPooled` to change it (0 for classes that own window-system resources).
template <class C>
constexpr u32 maxPooledOf() {
    if constexpr (requires { C::kMaxPooled; })
        return C::kMaxPooled;
    else
        return 1000;
}

namespace detail {
/// Closes a per-class pool at process exit.
struct PoolCloser {
    EasyPooler* pool;
    ~PoolCloser() { pool->close(); }
};
} // namespace detail

/// The one process-wide pool of class `C`, made on first use (safe when two
/// threads ask at once). It holds `C*` values.
///
/// At process exit its idle objects are destroyed, but the pool itself stays:
/// statics die in the reverse order of their making, so a pool made later
/// (say, for a member that `C`'s constructor takes) is torn down first, and
/// an idle object's destructor may still hand things back to it. Such
/// give-backs then destroy at once instead of touching a dead pool.
template <class C>
EasyPooler& poolOf() {
    static EasyPooler* const pool = new EasyPooler(
        maxPooledOf<C>(), []() -> void* { return new C(); },
        [](void* p) { delete static_cast<C*>(p); },
        [](void* p) {
            if (p)
                static_cast<C*>(p)->reset();
        });
    static const detail::PoolCloser closer{pool};
    return *pool;
}

/// Takes a `C` from its pool. The caller owns it and hands it back with
/// `release()`.
template <class C>
[[nodiscard]] C* take() {
    return static_cast<C*>(poolOf<C>().take());
}

/// Hands `object` back to the pool of `C`. For use in `C::release()`.
template <class C>
void giveBack(C* object) {
    poolOf<C>().giveBack(object);
}

struct ReleaseDeleter {
    template <class T>
    void operator()(T* object) const {
        if (object)
            object->release();
    }
};

/// An owning handle that releases a pooled object when it goes out of scope,
/// so that an early return never leaks a `newInstance()`.
template <class T>
using Pooled = std::unique_ptr<T, ReleaseDeleter>;

/// A pooled `T` in a handle.
template <class T>
[[nodiscard]] Pooled<T> makePooled() {
    return Pooled<T>(take<T>());
}

/// Adopts an object handed over by an operation that returns a new pooled
/// object (such as `substring` or `split`).
template <class T>
[[nodiscard]] Pooled<T> adopt(T* object) {
    return Pooled<T>(object);
}

} // namespace s::thread

/// Declares the pooled life cycle of class `C` inside its body: `newInstance()`
/// takes from `C`'s pool, `release()` hands back, `create()` is the typed take.
#define S_POOLED_CLASS(C)                                                                                    \
public:                                                                                                      \
    [[nodiscard]] static C* create() { return ::s::thread::take<C>(); }                                      \
    ::s::base::IObject* newInstance() const override { return ::s::thread::take<C>(); }                      \
    void release() override { ::s::thread::giveBack<C>(this); }                                              \
                                                                                                             \
private:

#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace s::thread {

/// The pool of zero-filled plain records of type `R` (up to 10000 idle),
/// allocated with calloc, zero-filled again at hand-back.
template <class R>
EasyPooler& recordPoolOf() {
    static_assert(std::is_trivially_copyable_v<R>);
    static EasyPooler pool(
        10000, []() -> void* { return std::calloc(1, sizeof(R)); }, [](void* p) { std::free(p); },
        [](void* p) {
            if (p)
                std::memset(p, 0, sizeof(R));
        });
    return pool;
}

} // namespace s::thread
