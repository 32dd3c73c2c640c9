#include "json/json_list.h"

#include <cstring>

#include "json/json_value.h"

namespace orvane {

JsonList::~JsonList() {
  if (items_ != inline_) delete[] items_;
}

void JsonList::grow() {
  const std::int32_t capacity = capacity_ * 2 + 1;
  auto* items = new JsonValue*[static_cast<std::size_t>(capacity)];
  std::memcpy(items, items_, sizeof(JsonValue*) * static_cast<std::size_t>(count_));
  if (items_ != inline_) delete[] items_;
  items_ = items;
  capacity_ = capacity;
}

void JsonList::append(JsonValue* item) {
  if (count_ == capacity_) grow();
  item->index_ = count_;
  items_[count_++] = item;
}

void JsonList::insert(std::int32_t index, JsonValue* item) {
  if (count_ == capacity_) grow();
  std::memmove(items_ + index + 1, items_ + index,
               sizeof(JsonValue*) * static_cast<std::size_t>(count_ - index));
  items_[index] = item;
  ++count_;
  renumber(index);
}

void JsonList::removeAt(std::int32_t index) {
  std::memmove(items_ + index, items_ + index + 1,
               sizeof(JsonValue*) * static_cast<std::size_t>(count_ - index - 1));
  --count_;
  renumber(index);
}

void JsonList::set(std::int32_t index, JsonValue* item) noexcept {
  items_[index] = item;
  item->index_ = index;
}

void JsonList::renumber(std::int32_t from) noexcept {
  for (std::int32_t i = from; i < count_; ++i) items_[i]->index_ = i;
}

}  // namespace orvane
