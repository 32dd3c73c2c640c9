// Packs per second and latency from the loopback pack server to PackClient's
// receive handler, beside a bare blocking-socket reader of the same framing
// fed by the same server in the same run. Prints the figures and the ratio
// PackClient / bare. Beside wall-clock packs per second, the reading thread's
// own CPU time per pack, which stays comparable on a shared, busy machine.
//
//   pack_bench [rounds]      (default 5; each figure is the median of the rounds)
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "server/pack_client.h"
#include "support/pack_server/pack_test_server.h"

namespace {

using orvane::PackClient;
using orvane::PackClientHandle;
using orvane::testing::PackTestServer;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kWait = std::chrono::seconds(60);

struct Workload {
  const char* name;
  std::size_t packSize;
  std::size_t packsPerBatch;  // one write of the server carries this many packs
  std::size_t batches;        // the batch is written this many times
  std::size_t latencySamples;
};

struct Figures {
  double packsPerSecond = 0;
  double cpuNsPerPack = 0;  // the reading thread's own CPU time, per pack
  double p50us = 0;
  double p99us = 0;
};

// CPU time of the calling thread; unlike wall time it barely moves when
// other programs share the machine.
double threadCpuNs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Stamps a pack with the time it was handed to the server.
void stamp(Bytes& body) {
  const auto now = Clock::now().time_since_epoch().count();
  std::memcpy(body.data(), &now, sizeof now);
}

double microsecondsSinceStamp(const std::uint8_t* body) {
  Clock::rep sent;
  std::memcpy(&sent, body, sizeof sent);
  const auto elapsed = Clock::now().time_since_epoch().count() - sent;
  return std::chrono::duration<double, std::micro>(Clock::duration(elapsed)).count();
}

double percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1));
  return values[index];
}

double median(std::vector<double> values) { return percentile(std::move(values), 0.5); }

Bytes batchOf(const Workload& w) {
  Bytes body(w.packSize, 0x5A);
  const Bytes framed = PackTestServer::frame(body);
  Bytes batch;
  batch.reserve(framed.size() * w.packsPerBatch);
  for (std::size_t i = 0; i < w.packsPerBatch; ++i)
    batch.insert(batch.end(), framed.begin(), framed.end());
  return batch;
}

// What a reader reports back to the sending side.
class Progress {
 public:
  // Called by the reader every few packs with its thread's CPU time.
  void add(std::size_t packs, double cpuNs) {
    std::lock_guard lock(mutex_);
    if (count_ == 0) {
      firstCpuNs_ = cpuNs;
      firstCount_ = packs;
    }
    count_ += packs;
    lastCpuNs_ = cpuNs;
    changed_.notify_all();
  }
  double cpuNsPerPack() {
    std::lock_guard lock(mutex_);
    return count_ > firstCount_
               ? (lastCpuNs_ - firstCpuNs_) / static_cast<double>(count_ - firstCount_)
               : 0;
  }
  void addLatency(double us) {
    std::lock_guard lock(mutex_);
    latencies_.push_back(us);
    ++count_;
    changed_.notify_all();
  }
  bool waitFor(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return count_ >= count; });
  }
  void reset() {
    std::lock_guard lock(mutex_);
    count_ = 0;
    latencies_.clear();
  }
  std::vector<double> latencies() {
    std::lock_guard lock(mutex_);
    return latencies_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t count_ = 0;
  std::size_t firstCount_ = 0;
  double firstCpuNs_ = 0;
  double lastCpuNs_ = 0;
  std::vector<double> latencies_;
};

// Runs the throughput phase, then the latency phase, against one connected
// reader that reports to progress; latencyMode tells the reader which phase.
Figures drive(PackTestServer& server, PackTestServer::ClientId id, const Workload& w,
              Progress& progress, std::atomic<bool>& latencyMode) {
  Figures f;
  const std::size_t total = w.packsPerBatch * w.batches;
  progress.reset();
  latencyMode = false;
  const auto start = Clock::now();
  server.sendRaw(id, batchOf(w), w.batches);
  if (!progress.waitFor(total)) {
    std::fprintf(stderr, "throughput phase timed out\n");
    std::exit(1);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  f.packsPerSecond = static_cast<double>(total) / seconds;
  f.cpuNsPerPack = progress.cpuNsPerPack();

  progress.reset();
  latencyMode = true;
  Bytes body(w.packSize, 0x33);
  for (std::size_t i = 0; i < w.latencySamples; ++i) {
    stamp(body);
    server.send(id, body);
    if (!progress.waitFor(i + 1)) {
      std::fprintf(stderr, "latency phase timed out\n");
      std::exit(1);
    }
  }
  const auto latencies = progress.latencies();
  f.p50us = percentile(latencies, 0.5);
  f.p99us = percentile(latencies, 0.99);
  return f;
}

Figures runPackClient(const Workload& w) {
  PackTestServer server;
  PackClient packs;
  const PackClientHandle client = packs.create();
  Progress progress;
  std::atomic<bool> latencyMode{false};
  std::uint64_t checksum = 0;
  packs.setOnReceive(
      [&](PackClientHandle, orvane::PackConnectionId, std::span<const std::uint8_t> pack) {
        if (latencyMode.load(std::memory_order_relaxed)) {
          progress.addLatency(microsecondsSinceStamp(pack.data()));
          return;
        }
        checksum += pack[pack.size() - 1];
        // Report in steps, as the bare reader does, so both pay the same for it.
        static thread_local std::size_t pending = 0;
        if (++pending == 64) {
          progress.add(pending, threadCpuNs());
          pending = 0;
        }
      });
  packs.setMaxPackSize(client, 3145728);
  if (!packs.start(client, PackTestServer::kAddress, server.port()) ||
      !server.waitForClients(1, kWait)) {
    std::fprintf(stderr, "PackClient could not connect\n");
    std::exit(1);
  }
  const Figures f = drive(server, server.clients().back(), w, progress, latencyMode);
  packs.destroy(client);
  if (checksum == 42) std::puts("");  // keeps the reads from being optimised away
  return f;
}

bool readExact(int fd, std::uint8_t* into, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::recv(fd, into, size, MSG_WAITALL);
    if (n <= 0) return false;
    into += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

Figures runBareReader(const Workload& w) {
  PackTestServer server;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(server.port());
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      !server.waitForClients(1, kWait)) {
    std::fprintf(stderr, "bare reader could not connect\n");
    std::exit(1);
  }
  Progress progress;
  std::atomic<bool> latencyMode{false};
  std::atomic<std::uint64_t> checksum{0};
  std::thread reader([&] {
    std::vector<std::uint8_t> body(3145728);
    std::uint8_t header[4];
    std::size_t pending = 0;
    std::uint64_t sum = 0;
    while (readExact(fd, header, 4)) {
      const std::uint32_t length =
          (header[0] | (header[1] << 8) | (header[2] << 16) | (std::uint32_t{header[3]} << 24)) &
          0x3FFFFF;
      if (length == 0 || length > body.size() || !readExact(fd, body.data(), length)) break;
      if (latencyMode.load(std::memory_order_relaxed)) {
        progress.addLatency(microsecondsSinceStamp(body.data()));
        continue;
      }
      sum += body[length - 1];
      if (++pending == 64) {
        progress.add(pending, threadCpuNs());
        pending = 0;
      }
    }
    checksum = sum;
  });
  const Figures f = drive(server, server.clients().back(), w, progress, latencyMode);
  ::shutdown(fd, SHUT_RDWR);
  reader.join();
  ::close(fd);
  if (checksum == 42) std::puts("");
  return f;
}

Figures medianOf(const std::vector<Figures>& rounds) {
  std::vector<double> pps, cpu, p50, p99;
  for (const auto& r : rounds) {
    pps.push_back(r.packsPerSecond);
    cpu.push_back(r.cpuNsPerPack);
    p50.push_back(r.p50us);
    p99.push_back(r.p99us);
  }
  return {median(pps), median(cpu), median(p50), median(p99)};
}

void print(const char* size, const char* reader, const Figures& f, std::size_t packSize) {
  std::printf("%-8s %-11s %12.0f %10.1f %12.0f %10.1f %10.1f\n", size, reader, f.packsPerSecond,
              f.packsPerSecond * static_cast<double>(packSize) / 1e6, f.cpuNsPerPack, f.p50us,
              f.p99us);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  // Batch sizes are multiples of 64, the readers' reporting step.
  const Workload workloads[] = {
      {"200 B", 200, 1024, 400, 5000},
      {"100 KB", 102400, 64, 160, 1000},
  };
  std::printf("%-8s %-11s %12s %10s %12s %10s %10s\n", "pack", "reader", "packs/s", "MB/s",
              "cpu ns/pack", "p50 us", "p99 us");
  for (const auto& w : workloads) {
    std::vector<Figures> client, bare;
    for (int r = 0; r < rounds; ++r) {
      // Alternate the order so neither side always runs on a warmer machine.
      if (r % 2 == 0) {
        client.push_back(runPackClient(w));
        bare.push_back(runBareReader(w));
      } else {
        bare.push_back(runBareReader(w));
        client.push_back(runPackClient(w));
      }
    }
    const Figures c = medianOf(client);
    const Figures b = medianOf(bare);
    print(w.name, "PackClient", c, w.packSize);
    print(w.name, "bare", b, w.packSize);
    std::printf(
        "%-8s ratio PackClient/bare: throughput %.2fx, reader CPU per pack %.2fx, p50 latency "
        "%.2fx, p99 latency %.2fx\n",
        w.name, c.packsPerSecond / b.packsPerSecond, c.cpuNsPerPack / b.cpuNsPerPack,
        c.p50us / b.p50us, c.p99us / b.p99us);
  }
  return 0;
}
