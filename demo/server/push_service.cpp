#include "push_service.h"

#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>

#include "envelopes.h"
#include "support/pack_server/pack_test_server.h"

namespace orvane::demo {

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Bursts wait for the clients' sockets to take what is queued after this many
// envelopes, so a slow client holds the burst back instead of piling up
// memory here.
constexpr std::uint64_t kBurstWindow = 64;
// A client that takes nothing for this long stops the burst.
constexpr auto kBurstStall = 10s;
// How long the timer thread waits for a pack before it looks at the clock and
// the stop request again.
constexpr std::chrono::milliseconds kPollSlice = 200ms;

// A client's text for a log line: one line, not too long.
std::string printable(std::string_view text, std::size_t limit = 120) {
  std::string out;
  for (const char c : text) {
    if (out.size() >= limit) {
      out += "...";
      break;
    }
    out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  return out;
}

std::string textMember(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end()) return {};
  if (it->is_string()) return it->get<std::string>();
  if (it->is_null()) return {};
  return it->dump();
}

}  // namespace

PushService::PushService(const DemoOptions& options, EventLog& log)
    : options_(options),
      log_(log),
      server_(std::make_unique<testing::PackTestServer>(options.bindAddress, options.pushPort)),
      intervalMs_(options.intervalMs),
      board_(options.seed.value_or(static_cast<std::uint32_t>(nowMs()))) {
  port_ = server_->port();
  server_->setAcceptHook([this](testing::PackTestServer& server, std::uint64_t client) {
    log_.line("connect client " + std::to_string(client) + " from " +
              server.remoteEndpoint(client));
  });
  server_->setCloseHook([this](testing::PackTestServer&, std::uint64_t client) {
    {
      std::lock_guard lock(mutex_);
      loggedIn_.erase(client);
      for (LoginRecord& login : logins_) {
        if (login.client == client) login.connected = false;
      }
    }
    log_.line("close client " + std::to_string(client));
  });
  timerThread_ = std::jthread([this](std::stop_token stop) { timerLoop(std::move(stop)); });
}

PushService::~PushService() { stop(); }

std::uint16_t PushService::port() const { return port_; }

void PushService::stop() {
  std::lock_guard stopLock(stopMutex_);
  if (stopped_) return;
  stopped_ = true;
  timerThread_.request_stop();
  burstThread_.request_stop();
  if (timerThread_.joinable()) timerThread_.join();
  if (burstThread_.joinable()) burstThread_.join();
  std::unique_ptr<testing::PackTestServer> server;
  {
    std::lock_guard lock(mutex_);
    server = std::move(server_);
  }
  // The close hooks run while the server shuts down and take mutex_.
  server.reset();
}

std::optional<std::int64_t> PushService::sentAt() const {
  if (!options_.stampSendTime) return std::nullopt;
  return nowMs();
}

std::size_t PushService::queueToLoggedIn(std::string_view bytes) {
  if (!server_ || bytes.empty()) return 0;
  std::size_t queued = 0;
  for (const std::uint64_t client : loggedIn_) {
    if (server_->send(client, bytes)) ++queued;
  }
  return queued;
}

std::size_t PushService::pushRaw(std::string_view bytes) {
  std::size_t queued = 0;
  {
    std::lock_guard lock(mutex_);
    queued = queueToLoggedIn(bytes);
  }
  log_.line("push operator envelope (" + std::to_string(bytes.size()) + " bytes) to " +
            std::to_string(queued) + " client(s): " + printable(bytes));
  return queued;
}

std::size_t PushService::pushUpdate() {
  std::size_t queued = 0;
  {
    std::lock_guard lock(mutex_);
    queued = queueToLoggedIn(wireBytes(updateEnvelope(sentAt()), options_.charset));
  }
  log_.line("push sys/update to " + std::to_string(queued) + " client(s)");
  return queued;
}

std::size_t PushService::pushSnapshot() {
  std::size_t queued = 0;
  std::int64_t seq = 0;
  {
    std::lock_guard lock(mutex_);
    seq = seq_;
    queued = queueToLoggedIn(
        wireBytes(snapshotEnvelope(seq_, board_.entries(), sentAt()), options_.charset));
  }
  log_.line("push board/snapshot seq " + std::to_string(seq) + " to " + std::to_string(queued) +
            " client(s)");
  return queued;
}

void PushService::pushChanges(std::string_view why) {
  std::size_t queued = 0;
  std::int64_t seq = 0;
  std::size_t changed = 0;
  {
    std::lock_guard lock(mutex_);
    const auto changes = board_.changeSome();
    seq = ++seq_;
    changed = changes.size();
    queued = queueToLoggedIn(wireBytes(scoreEnvelope(seq, changes, sentAt()), options_.charset));
  }
  // Changes nobody receives are not news: an idle server stays quiet.
  if (queued == 0) return;
  log_.line("push board/score seq " + std::to_string(seq) + " (" + std::to_string(changed) +
            " change(s), " + std::string(why) + ") to " + std::to_string(queued) + " client(s)");
}

std::string PushService::snapshotText() {
  std::lock_guard lock(mutex_);
  return snapshotEnvelope(seq_, board_.entries(), sentAt());
}

void PushService::setIntervalMs(std::int64_t intervalMs) {
  intervalMs_ = intervalMs;
  ++intervalGeneration_;
  log_.line("interval " + std::to_string(intervalMs) + " ms");
}

std::optional<BurstStart> PushService::startBurst(std::uint64_t count) {
  std::lock_guard stopLock(stopMutex_);
  if (stopped_ || count == 0) return std::nullopt;
  {
    std::lock_guard lock(mutex_);
    if (burstRunning_) return std::nullopt;
  }
  // The last burst has ended (it cleared burstRunning_ as its last step).
  if (burstThread_.joinable()) burstThread_.join();
  BurstStart start;
  {
    std::lock_guard lock(mutex_);
    burstRunning_ = true;
    burstSent_ = 0;
    start.firstSeq = seq_ + 1;
    start.count = count;
  }
  log_.line("burst of " + std::to_string(count) + " from seq " + std::to_string(start.firstSeq));
  burstThread_ =
      std::jthread([this, count](std::stop_token stop) { burstLoop(std::move(stop), count); });
  return start;
}

void PushService::burstLoop(std::stop_token stop, std::uint64_t count) {
  const auto started = Clock::now();
  std::uint64_t sent = 0;
  std::int64_t firstSeq = 0;
  std::int64_t lastSeq = 0;
  std::string ending = "done";
  std::vector<std::uint64_t> clients;
  while (sent < count && !stop.stop_requested()) {
    bool windowFull = false;
    {
      std::lock_guard lock(mutex_);
      const auto changes = board_.changeSome();
      lastSeq = ++seq_;
      if (firstSeq == 0) firstSeq = lastSeq;
      queueToLoggedIn(wireBytes(scoreEnvelope(lastSeq, changes, sentAt()), options_.charset));
      burstSent_ = ++sent;
      windowFull = sent % kBurstWindow == 0 || sent == count;
      if (windowFull) clients.assign(loggedIn_.begin(), loggedIn_.end());
    }
    if (!windowFull) continue;
    // Let every client's socket take the window before queueing more.
    std::optional<std::uint64_t> stalled;
    for (const std::uint64_t client : clients) {
      const auto deadline = Clock::now() + kBurstStall;
      bool written = false;
      while (!written && !stop.stop_requested() && Clock::now() < deadline) {
        written = server_->waitUntilWritten(client, kPollSlice);
      }
      if (!written && !stop.stop_requested()) {
        stalled = client;
        break;
      }
    }
    if (stalled) {
      ending = "stopped: client " + std::to_string(*stalled) + " took nothing for " +
               std::to_string(kBurstStall.count()) + " s";
      break;
    }
  }
  if (stop.stop_requested()) ending = "stopped";
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  {
    std::lock_guard lock(mutex_);
    burstRunning_ = false;
  }
  log_.line("burst " + ending + ": " + std::to_string(sent) + " envelope(s), seq " +
            std::to_string(firstSeq) + " to " + std::to_string(lastSeq) + ", " +
            std::to_string(elapsed) + " ms");
}

void PushService::timerLoop(std::stop_token stop) {
  std::uint64_t generation = intervalGeneration_;
  auto next = Clock::now() + std::chrono::milliseconds(intervalMs_.load());
  while (!stop.stop_requested()) {
    auto now = Clock::now();
    const std::int64_t interval = intervalMs_;
    if (generation != intervalGeneration_) {
      generation = intervalGeneration_;
      next = now + std::chrono::milliseconds(interval);
    }
    auto wait = kPollSlice;
    if (interval > 0) {
      const auto untilNext = std::chrono::duration_cast<std::chrono::milliseconds>(next - now);
      wait = std::clamp(untilNext, std::chrono::milliseconds(0), wait);
    }
    if (auto pack = server_->waitForPack(wait)) {
      const auto& body = pack->body;
      handlePack(pack->client,
                 std::string_view(reinterpret_cast<const char*>(body.data()), body.size()));
    }
    now = Clock::now();
    if (interval > 0 && now >= next) {
      bool bursting = false;
      {
        std::lock_guard lock(mutex_);
        bursting = burstRunning_;
      }
      // A burst is a measurement: the timer keeps its sequence numbers
      // contiguous by standing aside.
      if (!bursting) pushChanges("timer");
      next += std::chrono::milliseconds(interval);
      if (next <= now) next = now + std::chrono::milliseconds(interval);
    }
  }
}

void PushService::handlePack(std::uint64_t client, std::string_view bytes) {
  const std::string who = "client " + std::to_string(client);
  const std::string text = decodePack(bytes);
  const nlohmann::json envelope = nlohmann::json::parse(text, nullptr, false);
  if (envelope.is_discarded() || !envelope.is_object()) {
    log_.line(who + " sent " + std::to_string(bytes.size()) +
              " bytes that are not an envelope: " + printable(text));
    return;
  }
  const std::string c = textMember(envelope, "c");
  const std::string a = textMember(envelope, "a");
  if (c != "login") {
    log_.line(who + " sent " + c + "/" + a + " (ignored): " + printable(text));
    return;
  }
  LoginRecord login;
  login.client = client;
  login.app = a;
  login.uid = textMember(envelope, "uid");
  login.atMs = nowMs();
  std::int64_t seq = 0;
  {
    std::lock_guard lock(mutex_);
    if (!server_) return;
    login.remote = server_->remoteEndpoint(client);
    // Gone already: its close hook has run (or waits for this lock and
    // will find nothing to take out).
    login.connected = !login.remote.empty();
    if (logins_.size() >= kLoginHistory) logins_.erase(logins_.begin());
    logins_.push_back(login);
    if (login.connected) {
      loggedIn_.insert(client);
      seq = seq_;
      server_->send(client, wireBytes(connEnvelope(login.uid, client, sentAt()), options_.charset));
      server_->send(
          client, wireBytes(snapshotEnvelope(seq_, board_.entries(), sentAt()), options_.charset));
    }
  }
  std::string line =
      "login " + who + " uid=" + printable(login.uid, 64) + " app=" + printable(login.app, 64);
  if (login.app != options_.appName) line += " (expected app " + options_.appName + ")";
  log_.line(line);
  if (login.connected) {
    log_.line("send " + who + " sys/conn and board/snapshot seq " + std::to_string(seq));
  }
}

std::vector<LoginRecord> PushService::logins() const {
  std::lock_guard lock(mutex_);
  return logins_;
}

PushStatus PushService::status() const {
  PushStatus status;
  std::lock_guard lock(mutex_);
  status.seq = seq_;
  status.connections = server_ ? server_->clients().size() : 0;
  status.loggedIn = loggedIn_.size();
  status.intervalMs = intervalMs_;
  status.burstRunning = burstRunning_;
  status.burstSent = burstSent_;
  return status;
}

}  // namespace orvane::demo
