#include "support/gtk_desktop/main_loop.h"

#include <gtk/gtk.h>

namespace orvane::testing {

bool runLoopUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // Wakes the loop regularly, so `done` is checked even when nothing happens.
  const guint ticker = g_timeout_add(
      20, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool result = done();
  while (!result && std::chrono::steady_clock::now() < deadline) {
    g_main_context_iteration(nullptr, TRUE);
    result = done();
  }
  g_source_remove(ticker);
  return result;
}

void runLoopFor(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  runLoopUntil([&] { return std::chrono::steady_clock::now() >= end; }, duration * 2);
}

void syncDisplay() {
  GdkDisplay* display = gdk_display_get_default();
  if (display == nullptr) return;
  gdk_display_sync(display);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

}  // namespace orvane::testing
