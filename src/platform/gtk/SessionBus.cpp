#include "platform/gtk/SessionBus.h"

#include <gio/gio.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace platform {
namespace {

constexpr int kCallTimeoutMs = 500;

struct UnrefObject {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct UnrefVariant {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using ConnectionPtr = std::unique_ptr<GDBusConnection, UnrefObject>;
using VariantPtr = std::unique_ptr<GVariant, UnrefVariant>;

// Without an address GLib would try to auto-launch a bus through X11; a desktop without a bus
// has no tray and no notification daemon either, so there is nothing to start.
bool SessionBusConfigured() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    return runtime && *runtime &&
           std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

ConnectionPtr SessionBus() {
    if (!SessionBusConfigured())
        return nullptr;
    GError* error = nullptr;
    ConnectionPtr bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error));
    g_clear_error(&error);
    return bus;
}

VariantPtr CallBus(GDBusConnection* bus, const char* method, GVariant* parameters,
                   const char* reply_type) {
    GError* error = nullptr;
    VariantPtr reply(g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        parameters, G_VARIANT_TYPE(reply_type), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs,
        nullptr, &error));
    g_clear_error(&error);
    return reply;
}

bool HasOwner(GDBusConnection* bus, const std::string& name) {
    const VariantPtr reply =
        CallBus(bus, "NameHasOwner", g_variant_new("(s)", name.c_str()), "(b)");
    gboolean owned = FALSE;
    if (reply)
        g_variant_get(reply.get(), "(b)", &owned);
    return owned;
}

bool IsActivatable(GDBusConnection* bus, const std::string& name) {
    const VariantPtr reply = CallBus(bus, "ListActivatableNames", nullptr, "(as)");
    if (!reply)
        return false;
    GVariantIter* names = nullptr;
    g_variant_get(reply.get(), "(as)", &names);
    bool found = false;
    const gchar* entry = nullptr;
    while (!found && g_variant_iter_next(names, "&s", &entry))
        found = name == entry;
    g_variant_iter_free(names);
    return found;
}

}  // namespace

bool SessionBusOffers(const std::string& name, bool or_activatable) {
    const ConnectionPtr bus = SessionBus();
    if (!bus)
        return false;
    return HasOwner(bus.get(), name) || (or_activatable && IsActivatable(bus.get(), name));
}

}  // namespace platform
