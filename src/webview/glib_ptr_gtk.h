#pragma once
// Owners for GLib handles: GObjectPtr holds one reference to a GObject,
// SignalConnection one signal handler, and unique_ptr aliases free the plain
// GLib allocations. Nothing here is copied; every handle has one owner.

#include <glib-object.h>

#include <memory>
#include <utility>

namespace orvane {

template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() noexcept = default;

  // Takes over a reference the caller owns (a "transfer full" result). A
  // floating reference (a new widget) is sunk, so it becomes ours.
  static GObjectPtr adopt(T* object) noexcept {
    GObjectPtr ptr;
    if (object != nullptr && g_object_is_floating(object)) g_object_ref_sink(object);
    ptr.object_ = object;
    return ptr;
  }
  // Adds a reference of our own (a "transfer none" result).
  static GObjectPtr retain(T* object) noexcept {
    GObjectPtr ptr;
    if (object != nullptr) g_object_ref_sink(object);
    ptr.object_ = object;
    return ptr;
  }

  GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GObjectPtr(const GObjectPtr&) = delete;
  GObjectPtr& operator=(const GObjectPtr&) = delete;
  ~GObjectPtr() { reset(); }

  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

  void reset() noexcept {
    if (T* object = std::exchange(object_, nullptr)) g_object_unref(object);
  }

 private:
  T* object_ = nullptr;
};

// One signal handler, disconnected when the owner goes (unless the instance
// went first, which drops its handlers itself).
class SignalConnection {
 public:
  SignalConnection() noexcept { g_weak_ref_init(&instance_, nullptr); }
  SignalConnection(gpointer instance, gulong id) noexcept : id_(id) {
    g_weak_ref_init(&instance_, instance);
  }
  SignalConnection(SignalConnection&& other) noexcept : id_(std::exchange(other.id_, 0)) {
    GObject* instance = static_cast<GObject*>(g_weak_ref_get(&other.instance_));
    g_weak_ref_init(&instance_, instance);
    g_weak_ref_set(&other.instance_, nullptr);
    if (instance != nullptr) g_object_unref(instance);
  }
  SignalConnection& operator=(SignalConnection&& other) noexcept {
    if (this != &other) {
      disconnect();
      GObject* instance = static_cast<GObject*>(g_weak_ref_get(&other.instance_));
      g_weak_ref_set(&instance_, instance);
      g_weak_ref_set(&other.instance_, nullptr);
      if (instance != nullptr) g_object_unref(instance);
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  SignalConnection(const SignalConnection&) = delete;
  SignalConnection& operator=(const SignalConnection&) = delete;
  ~SignalConnection() {
    disconnect();
    g_weak_ref_clear(&instance_);
  }

  void disconnect() noexcept {
    GObject* instance = static_cast<GObject*>(g_weak_ref_get(&instance_));
    if (instance != nullptr) {
      if (id_ != 0 && g_signal_handler_is_connected(instance, id_)) {
        g_signal_handler_disconnect(instance, id_);
      }
      g_object_unref(instance);
    }
    g_weak_ref_set(&instance_, nullptr);
    id_ = 0;
  }

 private:
  GWeakRef instance_;
  gulong id_ = 0;
};

// Connects `handler` to `signal` of `instance` and returns the owner of the
// connection.
template <typename Handler>
SignalConnection connectSignal(gpointer instance, const char* signal, Handler handler,
                               gpointer data, GConnectFlags flags = GConnectFlags(0)) {
  const gulong id =
      g_signal_connect_data(instance, signal, G_CALLBACK(handler), data, nullptr, flags);
  return SignalConnection(instance, id);
}

struct GFreeDeleter {
  void operator()(void* memory) const noexcept { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError* error) const noexcept { g_error_free(error); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GBytesDeleter {
  void operator()(GBytes* bytes) const noexcept { g_bytes_unref(bytes); }
};
using GBytesPtr = std::unique_ptr<GBytes, GBytesDeleter>;

}  // namespace orvane
