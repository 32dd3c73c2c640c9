// The idle inhibition against a session bus the test starts, with a small
// org.freedesktop.ScreenSaver service of its own that records what it is
// asked.

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/reporting_child.h"
#include "sys/screen_awake_linux.h"
#include "sys/session_idle_inhibitor_linux.h"

namespace orvane {
namespace {

using testing::PrivateSessionBus;

constexpr const char* kIntrospection = R"(
<node>
  <interface name="org.freedesktop.ScreenSaver">
    <method name="Inhibit">
      <arg type="s" name="application_name" direction="in"/>
      <arg type="s" name="reason_for_inhibit" direction="in"/>
      <arg type="u" name="cookie" direction="out"/>
    </method>
    <method name="UnInhibit">
      <arg type="u" name="cookie" direction="in"/>
    </method>
  </interface>
</node>)";

constexpr guint32 kCookie = 7001;

// The service, on a thread with a main context of its own.
class FakeScreenSaver {
 public:
  struct Call {
    std::string method;
    std::string arguments;  // the GVariant in text form
  };

  FakeScreenSaver(const std::string& address, bool refuse) : refuse_(refuse) {
    thread_ = std::thread([this, address] { run(address); });
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(30), [this] { return ready_ || failed_; });
  }
  ~FakeScreenSaver() {
    {
      std::lock_guard lock(mutex_);
      if (loop_ != nullptr) {
        g_main_context_invoke(
            context_,
            [](gpointer loop) {
              g_main_loop_quit(static_cast<GMainLoop*>(loop));
              return G_SOURCE_REMOVE;
            },
            loop_);
      }
    }
    thread_.join();
  }

  bool ready() {
    std::lock_guard lock(mutex_);
    return ready_;
  }
  std::vector<Call> calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  void run(const std::string& address) {
    GMainContext* context = g_main_context_new();
    g_main_context_push_thread_default(context);
    GDBusConnection* connection = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
    bool owned = false;
    guint registration = 0;
    if (connection != nullptr && node != nullptr) {
      static const GDBusInterfaceVTable vtable = {&FakeScreenSaver::onMethod, nullptr, nullptr, {}};
      registration =
          g_dbus_connection_register_object(connection, "/org/freedesktop/ScreenSaver",
                                            node->interfaces[0], &vtable, this, nullptr, nullptr);
      GVariant* reply = g_dbus_connection_call_sync(
          connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
          "RequestName", g_variant_new("(su)", "org.freedesktop.ScreenSaver", 4u),
          G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, nullptr);
      if (reply != nullptr) {
        guint32 result = 0;
        g_variant_get(reply, "(u)", &result);
        owned = result == 1;  // primary owner
        g_variant_unref(reply);
      }
    }
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    {
      std::lock_guard lock(mutex_);
      context_ = context;
      loop_ = loop;
      ready_ = owned && registration != 0;
      failed_ = !ready_;
    }
    changed_.notify_all();
    if (ready_) g_main_loop_run(loop);
    {
      std::lock_guard lock(mutex_);
      loop_ = nullptr;
    }
    if (registration != 0) g_dbus_connection_unregister_object(connection, registration);
    if (connection != nullptr) {
      g_dbus_connection_close_sync(connection, nullptr, nullptr);
      g_object_unref(connection);
    }
    if (node != nullptr) g_dbus_node_info_unref(node);
    g_main_loop_unref(loop);
    g_main_context_pop_thread_default(context);
    g_main_context_unref(context);
  }

  static void onMethod(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer self) {
    auto* service = static_cast<FakeScreenSaver*>(self);
    gchar* text = g_variant_print(parameters, FALSE);
    {
      std::lock_guard lock(service->mutex_);
      service->calls_.push_back({method, text});
    }
    g_free(text);
    if (service->refuse_) {
      g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.Failed",
                                                 "not today");
    } else if (std::string(method) == "Inhibit") {
      g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", kCookie));
    } else {
      g_dbus_method_invocation_return_value(invocation, nullptr);
    }
  }

  const bool refuse_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  bool failed_ = false;
  GMainContext* context_ = nullptr;
  GMainLoop* loop_ = nullptr;
  std::vector<Call> calls_;
};

TEST(SessionIdleInhibitor, AsksOnStartAndHandsTheCookieBackAtTheEnd) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
  FakeScreenSaver service(bus.address(), false);
  ASSERT_TRUE(service.ready());
  {
    SessionIdleInhibitor inhibitor("orvane", "显示排行榜", bus.address());
    EXPECT_TRUE(inhibitor.active());
    const auto calls = service.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].method, "Inhibit");
    EXPECT_EQ(calls[0].arguments, "('orvane', '显示排行榜')");
  }
  // The release is a call that waits for its answer, so it is recorded now.
  const auto calls = service.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].method, "UnInhibit");
  EXPECT_EQ(calls[1].arguments, "(" + std::to_string(kCookie) + ",)");
}

TEST(SessionIdleInhibitor, HoldsNothingWhenTheServiceSaysNo) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address().empty());
  FakeScreenSaver service(bus.address(), true);
  ASSERT_TRUE(service.ready());
  {
    SessionIdleInhibitor inhibitor("orvane", "reason", bus.address());
    EXPECT_FALSE(inhibitor.active());
  }
  const auto calls = service.calls();
  ASSERT_EQ(calls.size(), 1u);  // no UnInhibit for a cookie never given
  EXPECT_EQ(calls[0].method, "Inhibit");
}

TEST(SessionIdleInhibitor, AMissingServiceOrBusIsNoError) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address().empty());
  SessionIdleInhibitor withoutService("orvane", "reason", bus.address());
  EXPECT_FALSE(withoutService.active());

  SessionIdleInhibitor withoutBus("orvane", "reason", "unix:path=/nonexistent/orvane-bus");
  EXPECT_FALSE(withoutBus.active());
}

TEST(ScreenAwake, InhibitsTheSessionWithoutAnXServer) {
  PrivateSessionBus bus;
  ASSERT_FALSE(bus.address().empty());
  FakeScreenSaver service(bus.address(), false);
  ASSERT_TRUE(service.ready());
  {
    ScreenAwake awake("orvane", ScreenAwakeOptions{bus.address(), "/nonexistent/x-socket:0"});
    EXPECT_TRUE(awake.sessionInhibited());
    EXPECT_FALSE(awake.screenSaverSuspended());
    EXPECT_FALSE(awake.dpmsDisabled());
  }
  const auto calls = service.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].arguments.rfind("('orvane', ", 0), 0u) << calls[0].arguments;
  EXPECT_EQ(calls[1].method, "UnInhibit");
}

}  // namespace
}  // namespace orvane
