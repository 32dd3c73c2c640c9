// Log throughput: LogWriter against spdlog's asynchronous file logger.
//
//   orvane_log_bench [lines per thread, default 400000] [rounds, default 5] [orvane|spdlog]
//
// For 1 and 4 producer threads, each logger gets the same line text and the
// same number of calls. Two rates are printed for each:
//   calls/s   calls made divided by the time the producers spent making them;
//   written/s lines in the file divided by the time until the logger had
//             closed (every accepted line written and flushed).
// Lines dropped at a full queue are printed too (LogWriter drops new lines,
// spdlog's default blocks its callers, its overrun policy drops old lines).
// Each figure is the median of the rounds.

#include <spdlog/async.h>
#include <spdlog/pattern_formatter.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "log/log_writer.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kCategory = "客户通信";
constexpr std::string_view kMessage =
    "OnHandle data:{\"c\":\"sys\",\"a\":\"conn\",\"uid\":\"12\",\"data\":{\"rank\":3}}";

struct Result {
  double callsPerSecond = 0;
  double writtenPerSecond = 0;
  std::size_t linesInFile = 0;
  std::uint64_t dropped = 0;
};

std::size_t countLines(const std::filesystem::path& folder) {
  std::size_t lines = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    lines += static_cast<std::size_t>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
  }
  return lines;
}

// Runs `logOne` from `threads` threads, `perThread` times each, started
// together; returns the seconds from the start until the last one finished.
double runProducers(int threads, int perThread, const std::function<void()>& logOne) {
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t) {
    pool.emplace_back([&] {
      ready.fetch_add(1);
      while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
      for (int i = 0; i < perThread; ++i) logOne();
    });
  }
  while (ready.load() < threads) std::this_thread::yield();
  const auto start = Clock::now();
  go.store(true, std::memory_order_release);
  for (auto& thread : pool) thread.join();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

Result runOrvane(const std::filesystem::path& folder, int threads, int perThread) {
  orvane::LogWriter log;
  if (!log.open("bench", folder.string() + "/")) {
    std::fprintf(stderr, "cannot open the log in %s\n", folder.c_str());
    std::exit(1);
  }
  const auto start = Clock::now();
  const double calls = runProducers(threads, perThread, [&] { log.write(kCategory, kMessage); });
  log.close();
  const double total = secondsSince(start);
  Result r;
  r.linesInFile = countLines(folder);
  r.dropped = log.droppedLines();
  r.callsPerSecond = threads * static_cast<double>(perThread) / calls;
  r.writtenPerSecond = static_cast<double>(r.linesInFile) / total;
  return r;
}

// spdlog's asynchronous logger: one worker thread, its default queue of 8192
// messages, and either its default policy (a full queue blocks the caller) or
// overrun_oldest (a full queue drops its oldest message; callers never wait,
// like LogWriter's callers).
Result runSpdlog(const std::filesystem::path& folder, int threads, int perThread,
                 spdlog::async_overflow_policy policy) {
  spdlog::init_thread_pool(8192, 1);
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>((folder / "spdlog.txt").string());
  auto logger = std::make_shared<spdlog::async_logger>("bench", std::move(sink),
                                                       spdlog::thread_pool(), policy);
  // The same text as LogWriter's line: HH:MM:SS->[category] message CR LF.
  logger->set_formatter(std::make_unique<spdlog::pattern_formatter>(
      "%H:%M:%S->%v", spdlog::pattern_time_type::local, "\r\n"));
  const auto start = Clock::now();
  const double calls =
      runProducers(threads, perThread, [&] { logger->info("[{}] {}", kCategory, kMessage); });
  logger.reset();
  spdlog::shutdown();  // the pool drains its queue; the last reference closes the file
  const double total = secondsSince(start);
  Result r;
  r.linesInFile = countLines(folder);
  r.dropped = threads * static_cast<std::uint64_t>(perThread) - r.linesInFile;
  r.callsPerSecond = threads * static_cast<double>(perThread) / calls;
  r.writtenPerSecond = static_cast<double>(r.linesInFile) / total;
  return r;
}

Result runSpdlogBlocking(const std::filesystem::path& folder, int threads, int perThread) {
  return runSpdlog(folder, threads, perThread, spdlog::async_overflow_policy::block);
}

Result runSpdlogOverrun(const std::filesystem::path& folder, int threads, int perThread) {
  return runSpdlog(folder, threads, perThread, spdlog::async_overflow_policy::overrun_oldest);
}

std::filesystem::path freshFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "orvane-log-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return pattern;
}

// Runs `run` `rounds` times, each in a fresh folder, and keeps the median of
// each figure: the machine is shared, so single rounds are noisy.
template <typename Run>
Result medianOf(int rounds, Run run, int threads, int perThread) {
  std::vector<Result> results;
  for (int i = 0; i < rounds; ++i) {
    const std::filesystem::path folder = freshFolder();
    results.push_back(run(folder, threads, perThread));
    std::filesystem::remove_all(folder);
  }
  const auto median = [&](auto field) {
    std::vector<std::remove_cvref_t<decltype(results[0].*field)>> values;
    for (const Result& r : results) values.push_back(r.*field);
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  Result m;
  m.callsPerSecond = median(&Result::callsPerSecond);
  m.writtenPerSecond = median(&Result::writtenPerSecond);
  m.linesInFile = median(&Result::linesInFile);
  m.dropped = median(&Result::dropped);
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  const int perThread = argc > 1 ? std::atoi(argv[1]) : 400000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::string only = argc > 3 ? argv[3] : "";  // one logger alone, for profiling
  std::printf("line: HH:MM:SS->[%.*s] %.*s\n", static_cast<int>(kCategory.size()), kCategory.data(),
              static_cast<int>(kMessage.size()), kMessage.data());
  std::printf("%d calls per thread, median of %d rounds, %u hardware threads\n\n", perThread,
              rounds, std::thread::hardware_concurrency());
  std::printf("%-8s %-16s %12s %12s %10s %10s\n", "threads", "logger", "calls/s", "written/s",
              "lines", "dropped");
  for (const int threads : {1, 4}) {
    const Result ours =
        only == "spdlog" ? Result{} : medianOf(rounds, runOrvane, threads, perThread);
    const Result blocking =
        only == "orvane" ? Result{} : medianOf(rounds, runSpdlogBlocking, threads, perThread);
    const Result overrun =
        only == "orvane" ? Result{} : medianOf(rounds, runSpdlogOverrun, threads, perThread);
    const auto row = [&](const char* name, const Result& r) {
      std::printf("%-8d %-16s %12.0f %12.0f %10zu %10llu\n", threads, name, r.callsPerSecond,
                  r.writtenPerSecond, r.linesInFile, static_cast<unsigned long long>(r.dropped));
    };
    const auto ratio = [&](const char* name, const Result& other) {
      std::printf("%-8d %-16s %11.2fx %11.2fx\n", threads, name,
                  ours.callsPerSecond / other.callsPerSecond,
                  ours.writtenPerSecond / other.writtenPerSecond);
    };
    row("orvane", ours);
    row("spdlog block", blocking);
    row("spdlog overrun", overrun);
    ratio("ratio v block", blocking);
    ratio("ratio v overrun", overrun);
    std::printf("\n");
  }
  return 0;
}
