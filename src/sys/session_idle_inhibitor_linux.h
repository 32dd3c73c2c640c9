#pragma once
// Asks the desktop session not to go idle (screen saver, blanking, locking)
// through org.freedesktop.ScreenSaver on the session bus, for the life of the
// object. A session without a bus or without the service is no error: the
// object then simply holds nothing.

#include <cstdint>
#include <memory>
#include <string>

typedef struct _GDBusConnection GDBusConnection;

namespace orvane {

class SessionIdleInhibitor {
 public:
  // `busAddress` empty: the session bus of this login. The call waits at
  // most a few seconds for the service's answer.
  SessionIdleInhibitor(const std::string& applicationName, const std::string& reason,
                       const std::string& busAddress = {});
  // Hands the cookie back with UnInhibit and closes the connection.
  ~SessionIdleInhibitor();
  SessionIdleInhibitor(const SessionIdleInhibitor&) = delete;
  SessionIdleInhibitor& operator=(const SessionIdleInhibitor&) = delete;

  // True while the service has granted the request.
  bool active() const { return active_; }

 private:
  struct ConnectionDeleter {
    void operator()(GDBusConnection* connection) const;
  };
  std::unique_ptr<GDBusConnection, ConnectionDeleter> connection_;
  std::uint32_t cookie_ = 0;
  bool active_ = false;
};

}  // namespace orvane
