#include "app/win/SingleInstance.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace s::app::win {

namespace {

constexpr const char kPresent[] = "present";
constexpr const char kOpen[] = "open ";
constexpr const char kAnswer[] = "ok\n";
// How long the first instance waits for a request after a connection.
constexpr int kRequestTimeoutMs = 1000;
// The longest first line ("open 64") and the longest length line.
constexpr size_t kMaxHeadBytes = 16;
constexpr size_t kMaxLengthDigits = 5;
// The longest request there can be.
constexpr size_t kMaxRequestBytes =
    kMaxHeadBytes + SingleInstance::kMaxFiles * (kMaxLengthDigits + 1 + SingleInstance::kMaxPathBytes);

// A decimal number of 1 to `maxDigits` digits without a leading zero, at
// most `limit`; false otherwise.
bool readCount(std::string_view digits, size_t maxDigits, size_t limit, size_t* value) {
    if (digits.empty() || digits.size() > maxDigits || digits[0] == '0')
        return false;
    size_t n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + static_cast<size_t>(c - '0');
    }
    *value = n;
    return n <= limit;
}

bool isSendablePath(const std::string& path) {
    return !path.empty() && path[0] == '/' && path.size() <= SingleInstance::kMaxPathBytes &&
           path.find('\0') == std::string::npos;
}

// The peer is a process of this user (the folder is private, but a socket
// handed on or a folder opened up must not let others in).
bool isSameUser(int client) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

std::string executableRealPath() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    buffer[n] = '\0';
    char resolved[PATH_MAX];
    return ::realpath(buffer, resolved) ? std::string(resolved) : std::string(buffer, static_cast<size_t>(n));
}

// FNV-1a: stable across runs and builds, which std::hash need not be.
std::string hashText(const std::string& key) {
    unsigned long long h = 1469598103934665603ull;
    for (unsigned char c : key) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", h);
    return text;
}

bool isPrivateFolder(const char* path) {
    struct stat st;
    return ::lstat(path, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

bool makeSocketAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

void closeFd(int* fd) {
    if (*fd >= 0)
        ::close(*fd);
    *fd = -1;
}

} // namespace

std::string SingleInstance::runtimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && xdg[0] == '/') {
        struct stat st;
        if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode))
            return xdg;
    }
    // The shared temporary folder: anyone could have made our name there
    // first, so use it only when it is a real folder of ours, closed to
    // others.
    const std::string folder = "/tmp/snipforge-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return isPrivateFolder(folder.c_str()) ? folder : std::string();
}

SingleInstance::SingleInstance(std::string key) {
    if (key.empty())
        key = executableRealPath();
    const std::string folder = runtimeFolder();
    if (folder.empty())
        return;
    const std::string base = folder + "/snipforge-" + hashText(key);
    m_lockPath = base + ".lock";
    m_socketPath = base + ".sock";
}

SingleInstance::~SingleInstance() {
    release();
}

void SingleInstance::setPresentHandler(PresentHandler handler) {
    std::lock_guard guard(m_handlerLock);
    m_onPresent = std::move(handler);
}

bool SingleInstance::isAcquired() const {
    std::lock_guard guard(m_lock);
    return m_acquired;
}

bool SingleInstance::acquire() {
    std::lock_guard guard(m_lock);
    if (m_acquired)
        return true;
    if (m_lockPath.empty())
        return true;
    m_lockFd = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_lockFd < 0)
        return true;
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        const bool taken = errno == EWOULDBLOCK;
        closeFd(&m_lockFd);
        return !taken;
    }
    m_acquired = true;

    // Holding the lock, any socket file is a crashed instance's leftover.
    ::unlink(m_socketPath.c_str());
    sockaddr_un address;
    if (!makeSocketAddress(m_socketPath, &address))
        return true;
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listenFd < 0)
        return true;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listenFd, 8) != 0 || ::pipe2(m_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        closeFd(&m_listenFd);
        return true;
    }
    m_listener =
        std::thread([this, listenFd = m_listenFd, wakeFd = m_wakePipe[0]] { listen(listenFd, wakeFd); });
    return true;
}

void SingleInstance::listen(int listenFd, int wakeFd) {
    for (;;) {
        pollfd fds[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                serve(client);
                ::close(client);
            }
        }
    }
}

void SingleInstance::serve(int client) {
    if (!isSameUser(client))
        return;
    std::string request;
    std::vector<std::string> files;
    bool broken = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRequestTimeoutMs);
    while (!parseRequest(request, &files, &broken)) {
        if (broken || request.size() > kMaxRequestBytes)
            return;
        pollfd fd = {client, POLLIN, 0};
        const int ready = ::poll(&fd, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return;
        char buffer[4096];
        const ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<size_t>(n));
    }
    {
        std::lock_guard guard(m_handlerLock);
        if (m_onPresent)
            m_onPresent(files);
    }
    [[maybe_unused]] const ssize_t written = ::send(client, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
}

std::string SingleInstance::requestFor(const std::vector<std::string>& files) {
    std::vector<const std::string*> sendable;
    for (const std::string& f : files)
        if (isSendablePath(f) && sendable.size() < kMaxFiles)
            sendable.push_back(&f);
    if (sendable.empty())
        return std::string(kPresent) + "\n";
    std::string out = kOpen + std::to_string(sendable.size()) + "\n";
    for (const std::string* f : sendable)
        out.append(std::to_string(f->size())).append("\n").append(*f);
    return out;
}

bool SingleInstance::parseRequest(const std::string& text, std::vector<std::string>* files, bool* broken) {
    files->clear();
    *broken = false;
    const size_t eol = text.find('\n');
    if (eol == std::string::npos || eol > kMaxHeadBytes) {
        *broken = text.size() > kMaxHeadBytes;
        return false;
    }
    const std::string_view head(text.data(), eol);
    if (head == kPresent) {
        *broken = text.size() != eol + 1;
        return !*broken;
    }
    size_t count = 0;
    if (!head.starts_with(kOpen) || !readCount(head.substr(sizeof kOpen - 1), 2, kMaxFiles, &count)) {
        *broken = true;
        return false;
    }
    size_t at = eol + 1;
    std::vector<std::string> paths;
    for (size_t i = 0; i < count; ++i) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos || end - at > kMaxLengthDigits) {
            *broken = text.size() - at > kMaxLengthDigits;
            return false;
        }
        size_t length = 0;
        if (!readCount(std::string_view(text).substr(at, end - at), kMaxLengthDigits, kMaxPathBytes,
                       &length)) {
            *broken = true;
            return false;
        }
        at = end + 1;
        if (text.size() - at < length)
            return false;
        std::string path = text.substr(at, length);
        if (!isSendablePath(path)) {
            *broken = true;
            return false;
        }
        paths.push_back(std::move(path));
        at += length;
    }
    if (at != text.size()) {
        *broken = true;
        return false;
    }
    *files = std::move(paths);
    return true;
}

bool SingleInstance::notifyRunning(int timeoutMs) {
    return notifyRunning({}, timeoutMs);
}

bool SingleInstance::notifyRunning(const std::vector<std::string>& files, int timeoutMs) {
    const std::string request = requestFor(files);
    sockaddr_un address;
    {
        std::lock_guard guard(m_lock);
        if (!makeSocketAddress(m_socketPath, &address))
            return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // The first instance may hold the lock but not listen yet: retry.
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            break;
        const int error = errno;
        ::close(fd);
        fd = -1;
        if ((error != ENOENT && error != ECONNREFUSED && error != EAGAIN && error != EINTR) ||
            remainingMs(deadline) == 0)
            return false;
        ::usleep(20 * 1000);
    }
    bool answered = false;
    bool sent = true;
    for (size_t done = 0; sent && done < request.size();) {
        pollfd p = {fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        const ssize_t n =
            ready > 0 ? ::send(fd, request.data() + done, request.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT)
                      : -1;
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && ready > 0)
            continue;
        sent = n > 0;
        if (sent)
            done += static_cast<size_t>(n);
    }
    if (sent) {
        std::string answer;
        while (answer.find('\n') == std::string::npos && answer.size() < 16) {
            pollfd p = {fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, remainingMs(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                break;
            char buffer[16];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            answer.append(buffer, static_cast<size_t>(n));
        }
        answered = answer == kAnswer;
    }
    ::close(fd);
    return answered;
}

void SingleInstance::release() {
    std::thread listener;
    {
        std::lock_guard guard(m_lock);
        if (m_wakePipe[1] >= 0) {
            [[maybe_unused]] const ssize_t n = ::write(m_wakePipe[1], "x", 1);
        }
        listener = std::move(m_listener);
    }
    // The listener may wait in the handler: join outside m_lock.
    if (listener.joinable())
        listener.join();
    std::lock_guard guard(m_lock);
    if (m_listenFd >= 0) {
        closeFd(&m_listenFd);
        ::unlink(m_socketPath.c_str());
    }
    closeFd(&m_wakePipe[0]);
    closeFd(&m_wakePipe[1]);
    // The lock file stays: removing it would let a third start lock a new
    // file while a second still waits on the old one.
    closeFd(&m_lockFd);
    m_acquired = false;
}

} // namespace s::app::win
