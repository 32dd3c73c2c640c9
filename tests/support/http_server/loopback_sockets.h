#pragma once
// Loopback sockets for the failure paths of network clients.

namespace orvane::testing {

// A TCP socket on 127.0.0.1 that listens and never accepts: connections
// complete in the kernel's backlog, requests go unanswered, so a client runs
// into its own time-out.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();

  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  bool listening() const { return port_ > 0; }
  int port() const { return port_; }

 private:
  int socket_ = -1;
  int port_ = -1;
};

// A TCP socket on 127.0.0.1 whose accept queue is full: it listens with no
// room and one connection of its own fills the queue, so the kernel drops
// every further connection attempt and a client's connect hangs until the
// client gives up or is stopped.
class FullListener {
 public:
  FullListener();
  ~FullListener();

  FullListener(const FullListener&) = delete;
  FullListener& operator=(const FullListener&) = delete;

  bool listening() const { return port_ > 0; }
  int port() const { return port_; }

 private:
  int socket_ = -1;
  int filler_ = -1;
  int port_ = -1;
};

// A loopback port that nothing listens on at the time of the call (bound to
// port 0 and closed again), for "server down" cases.
int unusedLoopbackPort();

}  // namespace orvane::testing
