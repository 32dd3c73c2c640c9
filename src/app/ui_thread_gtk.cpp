#include "app/ui_thread_gtk.h"

#include <glib.h>

#include <thread>

namespace orvane {

namespace {

using WeakQueue = std::weak_ptr<UiRequestQueue>;

gboolean runPendingRequests(gpointer data) {
  if (auto queue = static_cast<WeakQueue*>(data)->lock()) queue->runPending();
  return G_SOURCE_REMOVE;
}

void deleteWeakQueue(gpointer data) { delete static_cast<WeakQueue*>(data); }

}  // namespace

GtkUiThread::GtkUiThread() {
  // The wake-up needs the queue it belongs to; it gets it through a cell that
  // is filled once the queue exists, before any other thread can see it.
  auto self = std::make_shared<WeakQueue>();
  queue_ = std::make_shared<UiRequestQueue>([self] {
    // Default priority, above redrawing: a page that paints all the time
    // must not starve the threads waiting for it.
    g_idle_add_full(G_PRIORITY_DEFAULT, runPendingRequests, new WeakQueue(*self), deleteWeakQueue);
  });
  *self = queue_;
  queue_->setUiThread(std::this_thread::get_id());
}

GtkUiThread::~GtkUiThread() { queue_->beginTeardown(); }

}  // namespace orvane
