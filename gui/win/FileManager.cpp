#include "gui/win/FileManager.h"

#include <gio/gio.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace s::gui::win {

namespace {

// How long a file manager may take to answer the bus call.
constexpr int kBusTimeoutMs = 5000;
// How long `xdg-open` may take to say that it found nothing to open with;
// one that still runs after this has started something.
constexpr auto kOpenerVerdict = std::chrono::seconds(10);


std::string fileUri(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    if (!uri)
        return {};
    std::string out = uri;
    g_free(uri);
    return out;
}

bool showItemsOnBus(const std::string& uri) {
    if (!sessionBusExpected() || uri.empty())
        return false;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus)
        return false;
    const gchar* uris[] = {uri.c_str(), nullptr};
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
        "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, kBusTimeoutMs,
        nullptr, &error);
    if (error)
        g_error_free(error);
    if (reply)
        g_variant_unref(reply);
    g_object_unref(bus);
    return reply != nullptr;
}

// `xdg-open folder`: true when it ended well or still runs after the
// verdict time (it then waits for what it started, which is reaped here).
bool openWithXdgOpen(const std::string& folder) {
    gchar* program = g_find_program_in_path("xdg-open");
    if (!program)
        return false;
    const std::string tool = program;
    g_free(program);
    char* argv[] = {const_cast<char*>(tool.c_str()), const_cast<char*>(folder.c_str()), nullptr};
    // The program ignores SIGPIPE and SIGXFSZ; what it starts must not.
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0)
        return false;
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    sigset_t none;
    sigemptyset(&none);
    (void)::posix_spawnattr_setsigdefault(&attributes, &defaults);
    (void)::posix_spawnattr_setsigmask(&attributes, &none);
    (void)::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, tool.c_str(), nullptr, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return false;
    // A thread of its own reaps the opener and tells how it ended, so that
    // the wait ends when it exits; only the verdict time is timed. One still
    // running then has started something, and the thread reaps it later.
    auto ended = std::make_shared<std::promise<std::optional<int>>>();
    std::future<std::optional<int>> status = ended->get_future();
    std::thread([pid, ended] {
        int code = 0;
        pid_t done = -1;
        while ((done = ::waitpid(pid, &code, 0)) < 0 && errno == EINTR) {
        }
        ended->set_value(done == pid ? std::optional<int>(code) : std::nullopt);
    }).detach();
    if (status.wait_for(kOpenerVerdict) != std::future_status::ready)
        return true;
    const std::optional<int> code = status.get();
    if (!code)
        return true; // collected elsewhere: it ran
    return WIFEXITED(*code) && WEXITSTATUS(*code) == 0;
}

bool openWithDefaultHandler(const std::string& folderUri) {
    if (folderUri.empty())
        return false;
    GError* error = nullptr;
    const bool ok = g_app_info_launch_default_for_uri(folderUri.c_str(), nullptr, &error);
    if (error)
        g_error_free(error);
    return ok;
}

} // namespace

void showInFileManager(const std::string& path, std::function<void(bool shown)> done) {
    std::thread([path, done = std::move(done)] {
        const size_t slash = path.find_last_of('/');
        const std::string folder =
            slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
        const bool shown = showItemsOnBus(fileUri(path)) || openWithXdgOpen(folder) ||
                           openWithDefaultHandler(fileUri(folder));
        if (done)
            done(shown);
    }).detach();
}

bool sessionBusExpected() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || runtime[0] != '/')
        return false;
    struct stat st;
    return ::stat((std::string(runtime) + "/bus").c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
}

} // namespace s::gui::win
