#include "app/win/LauncherEntry.h"

#include "gui/win/FileManager.h"

#include <gio/gio.h>
#include <mutex>
#include <string>
#include <thread>

namespace s::app::win {

namespace {

constexpr const char* kInterface = "com.canonical.Unity.LauncherEntry";
constexpr const char* kObjectPath = "/com/canonical/unity/launcherentry/snipforge";

enum class BusState { kUnknown, kConnecting, kConnected, kUnavailable };

struct Bus {
    std::mutex lock; // guards the fields below
    BusState state = BusState::kUnknown;
    GDBusConnection* connection = nullptr; // kept for the whole process once connected
    bool pending = false;                  // an update waits for the connection
    bool visible = false;
    double progress = 0;
};

Bus& bus() {
    static Bus* const b = new Bus(); // outlives every thread that may still use it
    return *b;
}

void emit(GDBusConnection* connection, bool visible, double progress) {
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a{sv}"));
    g_variant_builder_add(&properties, "{sv}", "progress-visible", g_variant_new_boolean(visible));
    g_variant_builder_add(&properties, "{sv}", "progress", g_variant_new_double(progress));
    // Queued by GDBus's own thread: this does not wait for the bus.
    g_dbus_connection_emit_signal(connection, nullptr, kObjectPath, kInterface, "Update",
                                  g_variant_new("(sa{sv})", LauncherEntry::kAppUri, &properties), nullptr);
}

void connect() {
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    Bus& b = bus();
    std::lock_guard guard(b.lock);
    b.connection = connection;
    b.state = connection ? BusState::kConnected : BusState::kUnavailable;
    if (connection && b.pending)
        emit(connection, b.visible, b.progress);
    b.pending = false;
}

} // namespace

LauncherEntry& LauncherEntry::instance() {
    static LauncherEntry* const entry = new LauncherEntry();
    return *entry;
}

void LauncherEntry::update(bool visible, double progress) {
    Bus& b = bus();
    std::lock_guard guard(b.lock);
    switch (b.state) {
    case BusState::kConnected:
        emit(b.connection, visible, progress);
        return;
    case BusState::kUnavailable:
        return;
    case BusState::kUnknown:
        if (!gui::win::sessionBusExpected()) {
            b.state = BusState::kUnavailable;
            return;
        }
        b.state = BusState::kConnecting;
        std::thread(connect).detach();
        [[fallthrough]];
    case BusState::kConnecting:
        b.pending = true;
        b.visible = visible;
        b.progress = progress;
        return;
    }
}

} // namespace s::app::win
