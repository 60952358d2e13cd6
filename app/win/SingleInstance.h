#pragma once

#include "foundation/base/IObject.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace s::app::win {

/// Makes sure one executable runs once per user: the first start holds a
/// lock and listens on a UNIX socket; a second start finds the lock taken,
/// asks the first through the socket to present its window (and to open the
/// files it was given), and ends.
///
/// The request is one of
///   "present\n"
///   "open <count>\n" followed by <count> times "<length>\n<length bytes>"
/// where every path is absolute, 1 to kMaxPathBytes bytes long and holds no
/// zero byte, and the count is 1 to kMaxFiles; the answer is "ok\n". Names
/// travel as counted bytes, so no character of a file name (a line break
/// included) can end a path early or start another request. A request that
/// breaks any of these rules, or comes from another user, is dropped without
/// an answer.
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
    /// `files` holds the absolute paths the second start was given (kernel
    /// bytes, in its order), empty when it had none.
    using PresentHandler = std::function<void(const std::vector<std::string>& files)>;

    /// The most files one request carries (a longer list is cut there).
    static constexpr std::size_t kMaxFiles = 64;
    /// The longest path one request carries (a longer one is left out).
    static constexpr std::size_t kMaxPathBytes = 4095;

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
    /// As above, and hands over `files` (absolute paths; a relative or
    /// over-long one, or one with a zero byte, is left out).
    [[nodiscard]] bool notifyRunning(const std::vector<std::string>& files, int timeoutMs = 2000);

    /// The request text for `files` (as `notifyRunning` sends it).
    static std::string requestFor(const std::vector<std::string>& files);
    /// Reads a complete request from the start of `text`: true with the
    /// files (empty for "present") when it is one, false when it is not
    /// (yet) or breaks the rules; `*broken` tells the two apart.
    static bool parseRequest(const std::string& text, std::vector<std::string>* files, bool* broken);
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
