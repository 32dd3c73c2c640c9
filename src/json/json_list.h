#pragma once
// JsonList: the children of an array, and the insertion order of an object's
// members. Each item knows its own place (JsonValue::index), so a node finds
// itself in its container without a search.

#include <cstdint>

namespace orvane {

class JsonValue;

class JsonList {
 public:
  static constexpr std::int32_t kInitialCapacity = 8;

  JsonList() noexcept = default;
  ~JsonList();
  JsonList(const JsonList&) = delete;
  JsonList& operator=(const JsonList&) = delete;

  std::int32_t count() const noexcept { return count_; }
  std::int32_t capacity() const noexcept { return capacity_; }
  JsonValue* at(std::int32_t index) const noexcept { return items_[index]; }
  JsonValue* const* begin() const noexcept { return items_; }
  JsonValue* const* end() const noexcept { return items_ + count_; }

  // The list stores pointers only; the container node owns the references.
  // Growth: capacity becomes 2 * capacity + 1 when the count has reached it.
  void append(JsonValue* item);
  void insert(std::int32_t index, JsonValue* item);  // 0 <= index <= count
  void removeAt(std::int32_t index);                 // later items move down
  void set(std::int32_t index, JsonValue* item) noexcept;
  void clear() noexcept { count_ = 0; }

  // Direct access for reordering; the caller renumbers afterwards.
  JsonValue** data() noexcept { return items_; }
  void renumber(std::int32_t from = 0) noexcept;

 private:
  void grow();

  JsonValue** items_ = inline_;
  std::int32_t count_ = 0;
  std::int32_t capacity_ = kInitialCapacity;
  JsonValue* inline_[kInitialCapacity] = {};
};

}  // namespace orvane
