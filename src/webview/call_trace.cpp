#include "webview/call_trace.h"

#include <cstdio>
#include <cstdlib>

namespace orvane::call_trace {

namespace {

constexpr std::size_t kArgumentBytes = 40;

// Opened once; never closed, so that the exit flushes it however late the
// last call came. Buffered: a call costs no system call of its own.
std::FILE* traceFile() {
  static std::FILE* const file = [] {
    const char* path = std::getenv("ORVANE_TRACE_CALLS");
    if (path == nullptr || *path == '\0') return static_cast<std::FILE*>(nullptr);
    std::FILE* opened = std::fopen(path, "a");
    if (opened != nullptr) std::setvbuf(opened, nullptr, _IOFBF, 1 << 20);
    return opened;
  }();
  return file;
}

}  // namespace

void record(std::chrono::steady_clock::time_point arrivedAt, std::string_view argument) {
  std::FILE* file = traceFile();
  if (file == nullptr) return;
  const auto ns =
      std::chrono::duration_cast<std::chrono::nanoseconds>(arrivedAt.time_since_epoch()).count();
  std::string_view head = argument.substr(0, kArgumentBytes);
  std::fprintf(file, "%lld ", static_cast<long long>(ns));
  for (const char c : head) std::fputc(c == '\n' || c == '\r' ? ' ' : c, file);
  std::fputc('\n', file);
}

}  // namespace orvane::call_trace
