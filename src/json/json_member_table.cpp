#include "json/json_member_table.h"

#include "json/json_value.h"

namespace orvane {

std::uint32_t jsonKeyHash(std::u16string_view key) noexcept {
  std::uint32_t h = 0;
  for (std::size_t i = key.size(); i-- > 0;) {
    // The unit's high byte, then its low byte (UTF-16LE read backwards):
    // h = (h * 31 + high) * 31 + low.
    const auto unit = static_cast<std::uint32_t>(key[i]);
    h = h * 961u + (unit >> 8) * 31u + (unit & 0xFFu);
  }
  return h;
}

std::unique_ptr<JsonMemberTable> JsonMemberTable::create(float loadFactor) {
  if (!(loadFactor > 1e-7f)) return nullptr;
  return std::make_unique<JsonMemberTable>(loadFactor);
}

JsonMemberTable::JsonMemberTable(float loadFactor) noexcept
    : threshold_(static_cast<std::int32_t>(static_cast<float>(kInitialBucketCount) * loadFactor)),
      loadFactor_(loadFactor) {}

JsonValue* JsonMemberTable::find(std::u16string_view key, std::uint32_t hash) const noexcept {
  for (JsonValue* m = buckets_[bucketOf(hash)]; m != nullptr; m = m->nextInBucket_) {
    if (m->keyHash_ == hash && m->key_ == key) return m;
  }
  return nullptr;
}

void JsonMemberTable::grow() {
  const std::int32_t bucketCount = bucketCount_ * 2 + 1;
  auto buckets = std::make_unique<JsonValue*[]>(static_cast<std::size_t>(bucketCount));
  heapBuckets_ = std::move(buckets);
  buckets_ = heapBuckets_.get();
  bucketCount_ = bucketCount;
  threshold_ = static_cast<std::int32_t>(static_cast<float>(bucketCount) * loadFactor_);
  for (JsonValue* m : order_) {
    JsonValue*& head = buckets_[bucketOf(m->keyHash_)];
    m->nextInBucket_ = head;
    head = m;
  }
}

void JsonMemberTable::link(JsonValue* member, std::int32_t position) {
  if (order_.count() >= threshold_) grow();
  // Make room in the order first: if that fails the chains are untouched.
  if (position < 0 || position >= order_.count()) {
    order_.append(member);
  } else {
    order_.insert(position, member);
  }
  JsonValue*& head = buckets_[bucketOf(member->keyHash_)];
  member->nextInBucket_ = head;
  head = member;
}

void JsonMemberTable::replace(JsonValue* old, JsonValue* member) noexcept {
  JsonValue** link = &buckets_[bucketOf(old->keyHash_)];
  while (*link != old) link = &(*link)->nextInBucket_;
  *link = member;
  member->nextInBucket_ = old->nextInBucket_;
  old->nextInBucket_ = nullptr;
  order_.set(old->index_, member);
}

void JsonMemberTable::unlink(JsonValue* member) noexcept {
  JsonValue** link = &buckets_[bucketOf(member->keyHash_)];
  while (*link != nullptr && *link != member) link = &(*link)->nextInBucket_;
  if (*link == member) *link = member->nextInBucket_;
  member->nextInBucket_ = nullptr;
  order_.removeAt(member->index_);
}

void JsonMemberTable::clear() noexcept {
  for (std::int32_t i = 0; i < bucketCount_; ++i) buckets_[i] = nullptr;
  order_.clear();
}

}  // namespace orvane
