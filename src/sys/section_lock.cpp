#include "sys/section_lock.h"

namespace orvane {

void SectionLock::init() {
  destroy();
  state_ = std::make_unique<State>();
}

void SectionLock::enter() {
  State* s = state_.get();
  if (s == nullptr) return;
  const std::thread::id self = std::this_thread::get_id();
  if (s->owner.load(std::memory_order_relaxed) == self) {
    ++s->depth;
    return;
  }
  s->mutex.lock();
  s->owner.store(self, std::memory_order_relaxed);
  s->depth = 1;
}

bool SectionLock::tryEnter() {
  State* s = state_.get();
  if (s == nullptr) return false;
  const std::thread::id self = std::this_thread::get_id();
  if (s->owner.load(std::memory_order_relaxed) == self) {
    ++s->depth;
    return true;
  }
  if (!s->mutex.try_lock()) return false;
  s->owner.store(self, std::memory_order_relaxed);
  s->depth = 1;
  return true;
}

void SectionLock::leave() {
  State* s = state_.get();
  if (s == nullptr) return;
  if (s->owner.load(std::memory_order_relaxed) != std::this_thread::get_id()) return;
  if (--s->depth > 0) return;
  s->owner.store(std::thread::id(), std::memory_order_relaxed);
  s->mutex.unlock();
}

void SectionLock::destroy() {
  State* s = state_.get();
  if (s == nullptr) return;
  if (s->owner.load(std::memory_order_relaxed) == std::this_thread::get_id()) {
    s->owner.store(std::thread::id(), std::memory_order_relaxed);
    s->mutex.unlock();
  }
  state_.reset();
}

}  // namespace orvane
