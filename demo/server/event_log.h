#pragma once
// One line per event on standard output, "HH:MM:SS.mmm text", flushed at once
// so an operator or a test reading the pipe sees each event as it happens.
// Any thread may write; lines never mix.

#include <cstdio>
#include <mutex>
#include <string_view>

namespace orvane::demo {

class EventLog {
 public:
  explicit EventLog(std::FILE* out = stdout) : out_(out) {}

  void line(std::string_view text);

 private:
  std::mutex mutex_;
  std::FILE* out_;
};

}  // namespace orvane::demo
