#pragma once
// The startup's waits on the GTK client. The startup runs before the main
// loop, so each wait turns the default main context itself: a termination
// signal (a GLib unix signal source) is still handled, and its handler ends
// the wait with cancel(). A check runs on a thread of its own meanwhile.

#include <chrono>
#include <functional>
#include <optional>
#include <stop_token>

#include "app/app_services.h"

namespace orvane {

class GtkStartupWaits final : public StartupWaits {
 public:
  bool sleep(std::chrono::milliseconds duration) override;
  std::optional<bool> check(std::function<bool(std::stop_token)> check) override;
  void cancel() override;
  bool cancelled() const { return cancelled_; }

 private:
  bool cancelled_ = false;
};

}  // namespace orvane
