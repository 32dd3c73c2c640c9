#pragma once
// JsonArena: the memory a parse takes its nodes, member tables and lists
// from. A parse makes thousands of small blocks that are usually freed
// together; carving them out of large chunks and freeing the chunks at once
// is much cheaper than one heap allocation per block.
//
// The arena counts its live blocks plus the references of whoever allocates
// from it; the chunks go when the count reaches zero. A block freed early
// (a member removed from a parsed tree) is only given back with the whole
// arena, which is why only the parser allocates here: nodes made later by
// the document's operations come from the heap, so editing a long-lived tree
// never grows its arena.

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace orvane {

class JsonArena {
 public:
  // A new arena with one reference, the creator's.
  static JsonArena* create();

  JsonArena(const JsonArena&) = delete;
  JsonArena& operator=(const JsonArena&) = delete;

  // A block of `size` bytes, aligned for any object; counts as a reference
  // until it is freed with release().
  void* allocate(std::size_t size);
  void release() noexcept {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) destroy();
  }

 private:
  struct Chunk {
    Chunk* next;
    std::size_t size;
  };
  static constexpr std::size_t kAlignment = alignof(std::max_align_t);
  static constexpr std::size_t kFirstChunk = 4096;
  static constexpr std::size_t kLargestChunk = 1 << 20;

  JsonArena() noexcept = default;
  ~JsonArena() = default;
  void destroy() noexcept;
  void addChunk(std::size_t atLeast);

  std::atomic<std::int64_t> refs_{1};
  Chunk* chunks_ = nullptr;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
  std::size_t nextChunk_ = kFirstChunk;
};

}  // namespace orvane
