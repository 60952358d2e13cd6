#pragma once

#include "foundation/base/IObject.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace s::app::win {

/// Makes sure one executable runs once per user: the first start holds a
/// lock and listens on a UNIX socket; a second start finds the lock taken,
/// asks the first through the socket to present its window, and ends.
///
/// Both live in the user's runtime folder ($XDG_RUNTIME_DIR, else
/// /tmp/snipforge-<uid>, made private to the user) under names derived from
/// a hash of the executable's real path, so that two installations of the
/// program do not see each other. A socket file left by a crashed instance
/// (the lock is free) is replaced.
///
/// Every operation may be called from any thread.
class SingleInstance final : public base::IObject {
public:
    /// Called on the listener thread when a second start asks this instance
    /// to show itself; the second start waits (a short time) for it to
    /// return.
    using PresentHandler = std::function<void()>;

    /// `key` identifies the program (empty: the real path of the running
    /// executable). The runtime folder is read from the environment now.
    explicit SingleInstance(std::string key = {});
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    /// Releases.
    ~SingleInstance() override;

    /// Not pooled: owns a thread and descriptors.
    base::IObject* newInstance() const override { return nullptr; }
    const char16_t* getClassName() const override { return u"s_app_win_SingleInstance"; }

    /// May be replaced at any time; once this returns, the previous handler
    /// no longer runs (so it waits for a call in progress: never call it on
    /// a thread the handler waits for).
    void setPresentHandler(PresentHandler handler);

    /// True when this is the first instance; it then listens for later
    /// starts until `release()`. False when another process (or another
    /// SingleInstance of this process) holds the lock. When the runtime
    /// folder cannot be used at all there is no way to find another
    /// instance, and the answer is true (the program runs).
    [[nodiscard]] bool acquire();
    /// Whether `acquire()` succeeded and `release()` has not been called.
    bool isAcquired() const;
    /// Asks the running instance to present its window and waits up to
    /// `timeoutMs` for its answer; true when it answered.
    [[nodiscard]] bool notifyRunning(int timeoutMs = 2000);
    /// Stops listening, removes the socket and gives the lock up.
    void release();

    /// The lock file and the socket (kernel paths).
    const std::string& lockPath() const { return m_lockPath; }
    const std::string& socketPath() const { return m_socketPath; }

    /// The folder for this user's runtime files, made when missing; empty
    /// when no usable folder exists (a /tmp fallback owned by someone else,
    /// or open to others, is refused).
    static std::string runtimeFolder();

private:
    void listen(int listenFd, int wakeFd);
    void serve(int client);

    std::mutex m_handlerLock;   // held while the handler is replaced or runs
    PresentHandler m_onPresent; // guarded by m_handlerLock
    mutable std::mutex m_lock;  // guards every field below
    std::string m_lockPath;
    std::string m_socketPath;
    int m_lockFd = -1;
    int m_listenFd = -1;
    int m_wakePipe[2] = {-1, -1};
    std::thread m_listener;
    bool m_acquired = false;
};

} // namespace s::app::win
