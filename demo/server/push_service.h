#pragma once
// The push side of the demo: a pack-framing server (the shared loopback pack
// server, told where to listen) that logs clients in, answers each login with
// "sys"/"conn" and the whole board, and then pushes score changes to every
// logged-in client, on a timer, in bursts, or when the operator asks.
//
// Every envelope the server builds takes the next sequence number and is
// queued to the clients under one lock, so each client receives them in
// sequence order and never a change older than the snapshot it was given.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "demo_options.h"
#include "event_log.h"
#include "leaderboard.h"

namespace orvane::testing {
class PackTestServer;
}

namespace orvane::demo {

struct LoginRecord {
  std::uint64_t client = 0;
  std::string uid;  // the machine name the client sent
  std::string app;  // the application name it sent
  std::string remote;
  std::int64_t atMs = 0;  // milliseconds since the epoch
  bool connected = true;
};

struct PushStatus {
  std::int64_t seq = 0;  // the last sequence number given out
  std::size_t connections = 0;
  std::size_t loggedIn = 0;
  std::int64_t intervalMs = 0;
  bool burstRunning = false;
  std::uint64_t burstSent = 0;  // envelopes of the current or last burst
};

struct BurstStart {
  std::int64_t firstSeq = 0;  // the burst's envelopes take firstSeq, firstSeq + 1, ...
  std::uint64_t count = 0;
};

class PushService {
 public:
  // At most this many logins are remembered for /admin/logins.
  static constexpr std::size_t kLoginHistory = 1000;

  // Listens at once; throws std::system_error when it cannot.
  PushService(const DemoOptions& options, EventLog& log);
  ~PushService();
  PushService(const PushService&) = delete;
  PushService& operator=(const PushService&) = delete;

  std::uint16_t port() const;
  // Ends the timer and any burst and closes every connection; idempotent.
  void stop();

  // Each returns how many clients the envelope was queued to.
  std::size_t pushRaw(std::string_view bytes);  // sent byte for byte
  std::size_t pushUpdate();
  std::size_t pushSnapshot();
  // Empty when a burst is still running.
  std::optional<BurstStart> startBurst(std::uint64_t count);
  void setIntervalMs(std::int64_t intervalMs);

  // The board as a snapshot envelope (UTF-8, with the marker) for HTTP.
  std::string snapshotText();
  std::vector<LoginRecord> logins() const;
  PushStatus status() const;

 private:
  void timerLoop(std::stop_token stop);
  void handlePack(std::uint64_t client, std::string_view bytes);
  void pushChanges(std::string_view why);
  void burstLoop(std::stop_token stop, std::uint64_t count);
  // With mutex_ held: queue the envelope to every logged-in client.
  std::size_t queueToLoggedIn(std::string_view envelope);
  std::optional<std::int64_t> sentAt() const;

  const DemoOptions options_;
  EventLog& log_;
  std::unique_ptr<testing::PackTestServer>
      server_;  // used outside mutex_ only by the threads below
  std::uint16_t port_ = 0;
  std::atomic<std::int64_t> intervalMs_;
  std::atomic<std::uint64_t> intervalGeneration_{0};

  mutable std::mutex mutex_;  // guards everything below
  Leaderboard board_;
  std::int64_t seq_ = 0;
  std::set<std::uint64_t> loggedIn_;
  std::vector<LoginRecord> logins_;
  bool burstRunning_ = false;
  std::uint64_t burstSent_ = 0;

  std::jthread burstThread_;  // started and joined under stopMutex_
  std::mutex stopMutex_;
  bool stopped_ = false;
  std::jthread timerThread_;
};

}  // namespace orvane::demo
