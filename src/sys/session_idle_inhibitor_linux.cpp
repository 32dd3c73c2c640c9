#include "sys/session_idle_inhibitor_linux.h"

#include <gio/gio.h>

namespace orvane {

namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kObjectPath = "/org/freedesktop/ScreenSaver";
constexpr const char* kInterface = "org.freedesktop.ScreenSaver";
constexpr int kCallTimeoutMs = 5000;

struct ErrorHolder {
  GError* error = nullptr;
  ~ErrorHolder() {
    if (error != nullptr) g_error_free(error);
  }
};

}  // namespace

void SessionIdleInhibitor::ConnectionDeleter::operator()(GDBusConnection* connection) const {
  g_dbus_connection_close_sync(connection, nullptr, nullptr);
  g_object_unref(connection);
}

SessionIdleInhibitor::SessionIdleInhibitor(const std::string& applicationName,
                                           const std::string& reason,
                                           const std::string& busAddress) {
  std::string address = busAddress;
  if (address.empty()) {
    ErrorHolder failure;
    gchar* session = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &failure.error);
    if (session == nullptr) return;
    address = session;
    g_free(session);
  }

  // A connection of our own rather than GLib's shared one: closing it at the
  // end also tells the service, should the UnInhibit call get lost, that the
  // requester is gone.
  ErrorHolder connectFailure;
  connection_.reset(g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &connectFailure.error));
  if (!connection_) return;
  g_dbus_connection_set_exit_on_close(connection_.get(), FALSE);

  ErrorHolder callFailure;
  GVariant* reply = g_dbus_connection_call_sync(
      connection_.get(), kService, kObjectPath, kInterface, "Inhibit",
      g_variant_new("(ss)", applicationName.c_str(), reason.c_str()), G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, &callFailure.error);
  if (reply == nullptr) return;
  guint32 cookie = 0;
  g_variant_get(reply, "(u)", &cookie);
  g_variant_unref(reply);
  cookie_ = cookie;
  active_ = true;
}

SessionIdleInhibitor::~SessionIdleInhibitor() {
  if (!active_ || !connection_) return;
  ErrorHolder failure;
  GVariant* reply =
      g_dbus_connection_call_sync(connection_.get(), kService, kObjectPath, kInterface, "UnInhibit",
                                  g_variant_new("(u)", cookie_), nullptr, G_DBUS_CALL_FLAGS_NONE,
                                  kCallTimeoutMs, nullptr, &failure.error);
  if (reply != nullptr) g_variant_unref(reply);
}

}  // namespace orvane
