#include "json/json_arena.h"

#include <algorithm>
#include <new>

namespace orvane {

JsonArena* JsonArena::create() { return new JsonArena(); }

void* JsonArena::allocate(std::size_t size) {
  size = (size + kAlignment - 1) & ~(kAlignment - 1);
  if (static_cast<std::size_t>(end_ - cursor_) < size) addChunk(size);
  void* block = cursor_;
  cursor_ += size;
  refs_.fetch_add(1, std::memory_order_relaxed);
  return block;
}

void JsonArena::addChunk(std::size_t atLeast) {
  constexpr std::size_t header = (sizeof(Chunk) + kAlignment - 1) & ~(kAlignment - 1);
  const std::size_t size = std::max(nextChunk_, atLeast + header);
  auto* chunk = static_cast<Chunk*>(::operator new(size));
  chunk->next = chunks_;
  chunk->size = size;
  chunks_ = chunk;
  cursor_ = reinterpret_cast<char*>(chunk) + header;
  end_ = reinterpret_cast<char*>(chunk) + size;
  nextChunk_ = std::min(nextChunk_ * 2, kLargestChunk);
}

void JsonArena::destroy() noexcept {
  Chunk* chunk = chunks_;
  while (chunk != nullptr) {
    Chunk* next = chunk->next;
    ::operator delete(chunk);
    chunk = next;
  }
  delete this;
}

}  // namespace orvane
