#pragma once
// Collects the bridge's log lines for a test.

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bridge/bridge_context.h"

namespace orvane::testing {

class LogCapture {
 public:
  using Line = std::pair<std::string, std::string>;  // category, message

  LogSink sink() {
    return [this](std::string_view category, std::string_view message) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(std::string(category), std::string(message));
    };
  }
  std::vector<Line> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  void clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

}  // namespace orvane::testing
