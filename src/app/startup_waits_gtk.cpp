#include "app/startup_waits_gtk.h"

#include <glib.h>

#include <atomic>
#include <memory>
#include <thread>

namespace orvane {

namespace {

gboolean wakeOnly(gpointer) { return G_SOURCE_REMOVE; }

}  // namespace

bool GtkStartupWaits::sleep(std::chrono::milliseconds duration) {
  const gint64 deadline = g_get_monotonic_time() + duration.count() * 1000;
  while (!cancelled_) {
    const gint64 left = deadline - g_get_monotonic_time();
    if (left <= 0) break;
    // A timer wakes the context when the time is up; anything else that
    // comes in meanwhile is handled as the loop would.
    const guint timer = g_timeout_add(static_cast<guint>((left + 999) / 1000), wakeOnly, nullptr);
    g_main_context_iteration(nullptr, TRUE);
    if (GSource* source = g_main_context_find_source_by_id(nullptr, timer)) {
      g_source_destroy(source);
    }
  }
  return !cancelled_;
}

std::optional<bool> GtkStartupWaits::check(std::function<bool(std::stop_token)> check) {
  if (cancelled_) return std::nullopt;
  struct Outcome {
    std::atomic<bool> done{false};
    bool answer = false;
  };
  auto outcome = std::make_shared<Outcome>();
  std::jthread worker([outcome, check = std::move(check)](std::stop_token stop) {
    const bool answer = check(stop);
    outcome->answer = answer;
    outcome->done.store(true);
    g_main_context_wakeup(nullptr);
  });
  while (!outcome->done.load() && !cancelled_) g_main_context_iteration(nullptr, TRUE);
  if (cancelled_) {
    // Abandons the check; joining waits only for it to notice.
    worker.request_stop();
    worker.join();
    return std::nullopt;
  }
  worker.join();
  return outcome->answer;
}

void GtkStartupWaits::cancel() {
  cancelled_ = true;
  // The iteration in progress returns once the canceller's source is done.
  g_main_context_wakeup(nullptr);
}

}  // namespace orvane
