#include "media/tool/ExternalTool.h"

#include "foundation/file/win/OsText.h"
#include "foundation/file/win/ProgramFolder.h"
#include "media/tool/ToolOutput.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace s::video::tool {

using str::strbuffer::StrBuffer;

namespace {

// How long one wait for output or for the child's end may last before the
// stop flag is looked at again.
constexpr int kPollMs = 20;
// Reads after the child ended while something it started still holds the
// pipe: enough for what was written, bounded for a writer that goes on.
constexpr int kMaxDrainReads = 256;

void sleepMs(int ms) {
    timespec t{ms / 1000, static_cast<long>(ms % 1000) * 1'000'000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

std::string resolveProgram(const std::string& name) {
    if (name.empty() || name[0] == '/')
        return name;
    const std::string folder = file::win::programFolderOs();
    if (folder.empty())
        return {};
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// A child being run. Knows its process id until it has been waited for.
class Child {
public:
    Child() = default;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { killAndReap(); }

    /// Starts `args` (args[0] resolved) in `workDir`, with standard input
    /// from /dev/null and standard output and error into `outFd`, or into
    /// /dev/null when `outFd` is -1. Returns 0 or an errno value; `program`
    /// receives the resolved program path.
    int start(const std::vector<std::string>& args, const std::string& workDir, int outFd,
              std::string* program) {
        if (args.empty())
            return EINVAL;
        *program = resolveProgram(args[0]);
        if (program->empty())
            return ENOENT;

        std::vector<char*> argv;
        argv.push_back(program->data());
        for (size_t i = 1; i < args.size(); ++i)
            argv.push_back(const_cast<char*>(args[i].c_str()));
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawnattr_t attr;
        if (posix_spawn_file_actions_init(&actions) != 0)
            return ENOMEM;
        if (posix_spawnattr_init(&attr) != 0) {
            posix_spawn_file_actions_destroy(&actions);
            return ENOMEM;
        }
        int rc = 0;
        auto step = [&rc](int r) {
            if (rc == 0 && r != 0)
                rc = r;
        };
        // Order matters: the pipe's end is copied onto 1 and 2 before 0 is
        // opened, so whatever number it has it is never lost; then every
        // other descriptor goes, whatever flags its owner gave it.
        if (outFd >= 0) {
            step(posix_spawn_file_actions_adddup2(&actions, outFd, 1));
            step(posix_spawn_file_actions_adddup2(&actions, outFd, 2));
        } else {
            step(posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0));
            step(posix_spawn_file_actions_adddup2(&actions, 1, 2));
        }
        step(posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0));
        step(posix_spawn_file_actions_addclosefrom_np(&actions, 3));
        if (!workDir.empty())
            step(posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str()));

        // Its own process group, so that a stop also ends whatever it started;
        // no blocked signals; and the default action for a broken pipe, which
        // this program ignores for itself.
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        step(posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                 POSIX_SPAWN_SETPGROUP));
        step(posix_spawnattr_setsigmask(&attr, &none));
        step(posix_spawnattr_setsigdefault(&attr, &defaults));
        step(posix_spawnattr_setpgroup(&attr, 0));

        if (rc == 0) {
            pid_t pid = -1;
            rc = ::posix_spawn(&pid, program->c_str(), &actions, &attr, argv.data(), environ);
            if (rc == 0)
                m_pid = pid;
        }
        posix_spawnattr_destroy(&attr);
        posix_spawn_file_actions_destroy(&actions);
        return rc;
    }

    bool running() const { return m_pid > 0; }

    /// Collects the child's status when it has ended; true then.
    bool reapIfEnded() {
        if (m_pid <= 0)
            return true;
        int status = 0;
        const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
        if (r == m_pid) {
            ended(status);
            return true;
        }
        if (r < 0 && errno != EINTR) {
            // Someone else collected it (a program that ignores SIGCHLD):
            // its status is lost.
            m_pid = -1;
            return true;
        }
        return false;
    }

    /// Waits for the child's end, looking at `stop` every few milliseconds;
    /// kills it when `stop` is set. True when it ended by itself.
    bool waitFor(const std::atomic<bool>& stop) {
        for (int pause = 1;; pause = std::min(pause * 2, kPollMs)) {
            if (reapIfEnded())
                return true;
            if (stop.load(std::memory_order_relaxed)) {
                killAndReap();
                return false;
            }
            sleepMs(pause);
        }
    }

    /// Kills the child and its process group and waits for it.
    void killAndReap() {
        if (m_pid <= 0)
            return;
        ::kill(-m_pid, SIGKILL);
        ::kill(m_pid, SIGKILL);
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(m_pid, &status, 0);
        } while (r < 0 && errno == EINTR);
        m_pid = -1;
        m_killed = true;
    }

    /// The child ended by itself with exit status 0.
    bool succeeded() const {
        return m_haveStatus && !m_killed && WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0;
    }

    /// How the run ended: a child that did not succeed while a stop was
    /// asked for was stopped, whatever its status says.
    base::Result result(const std::atomic<bool>& stop) const {
        if (succeeded())
            return base::Result::ok();
        if (stop.load(std::memory_order_relaxed))
            return base::Result::stopped();
        if (!m_haveStatus)
            return base::Result::failed("the external tool could not be started");
        if (WIFEXITED(m_status))
            return base::Result::failed("the external tool ended with status " +
                                        std::to_string(WEXITSTATUS(m_status)));
        return base::Result::failed("the external tool was ended by signal " +
                                    std::to_string(WTERMSIG(m_status)));
    }

private:
    void ended(int status) {
        m_status = status;
        m_haveStatus = true;
        m_pid = -1;
    }

    pid_t m_pid = -1;
    int m_status = 0;
    bool m_haveStatus = false;
    bool m_killed = false;
};

void noteStartFailure(ToolOutputReader& reader, const std::string& program, int error) {
    std::string line = "Could not start \"" + program + "\": " + std::strerror(error);
    reader.addNote(line);
}

// Reads what is in the pipe right now, without waiting for more.
void drain(int fd, ToolOutputReader& reader) {
    char buffer[4096];
    for (int i = 0; i < kMaxDrainReads; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            return;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return;
        reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
    }
}

} // namespace

std::string externalToolPath() {
    return resolveProgram(kExternalToolRelative);
}

bool externalToolAvailable() {
    const std::string path = externalToolPath();
    if (path.empty() || path[0] != '/')
        return false;
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> splitCommandLine(const StrBuffer& command) {
    std::vector<std::string> args;
    const std::u16string_view text = command.view();
    std::u16string current;
    bool inArgument = false;
    bool quoted = false;
    for (char16_t c : text) {
        if (c == u'"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == u' ' || c == u'\t')) {
            if (inArgument) {
                args.push_back(file::win::toOsText(current));
                current.clear();
                inArgument = false;
            }
        } else {
            current.push_back(c);
            inArgument = true;
        }
    }
    if (inArgument)
        args.push_back(file::win::toOsText(current));
    return args;
}

void ignoreSigpipe() {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    struct sigaction current;
    if (::sigaction(SIGPIPE, nullptr, &current) != 0)
        return;
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL)
        return;
    struct sigaction ignore;
    std::memset(&ignore, 0, sizeof ignore);
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

base::Result runExternalTool(const StrBuffer& command, const StrBuffer& statusText, const StrBuffer& workDir,
                             i64 durationMs, const std::atomic<bool>& stop, const ToolRunContext& context) {
    static std::once_flag sigpipeOnce;
    std::call_once(sigpipeOnce, ignoreSigpipe);

    Child child;
    {
        ToolOutputReader reader(durationMs, &statusText, context.target, context.hooks, context.errorReport);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) {
            noteStartFailure(reader, kExternalToolRelative, errno);
        } else {
            std::string program;
            const int error =
                child.start(splitCommandLine(command), file::win::toOsText(workDir.view()), fds[1], &program);
            ::close(fds[1]);
            if (error != 0)
                noteStartFailure(reader, program.empty() ? std::string(kExternalToolRelative) : program,
                                 error);

            bool stopped = false;
            char buffer[4096];
            while (child.running()) {
                if (stop.load(std::memory_order_relaxed)) {
                    child.killAndReap();
                    stopped = true;
                    break;
                }
                pollfd p{fds[0], POLLIN, 0};
                const int ready = ::poll(&p, 1, kPollMs);
                if (ready < 0) {
                    if (errno == EINTR)
                        continue;
                    break;
                }
                if (ready == 0) {
                    // Quiet: the tool may have ended while something it
                    // started keeps the pipe open.
                    if (child.reapIfEnded()) {
                        drain(fds[0], reader);
                        break;
                    }
                    continue;
                }
                const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
                if (n > 0) {
                    reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
                    continue;
                }
                if (n < 0 && (errno == EINTR || errno == EAGAIN))
                    continue;
                break; // end of output
            }
            ::close(fds[0]);
            if (!stopped) {
                reader.finish();
                child.waitFor(stop);
            }
        }
    } // the reader is done with the report before the closing blank lines
    if (context.errorReport)
        context.errorReport->append(u"\n\n");
    return child.result(stop);
}

base::Result runExternalToolSimple(const StrBuffer& command, const StrBuffer& workDir,
                                   const std::atomic<bool>& stop) {
    static std::once_flag sigpipeOnce;
    std::call_once(sigpipeOnce, ignoreSigpipe);

    Child child;
    std::string program;
    if (child.start(splitCommandLine(command), file::win::toOsText(workDir.view()), -1, &program) == 0)
        child.waitFor(stop);
    return child.result(stop);
}

} // namespace s::video::tool
