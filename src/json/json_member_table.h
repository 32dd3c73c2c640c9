#pragma once
// JsonMemberTable: the members of an object. Lookup goes through hash chains;
// enumeration, index access and writing follow the insertion order list.
//
// Each member sits in exactly one chain, the one of bucket
// (hash & 0x7FFFFFFF) % bucketCount, and exactly once in the order list.

#include <cstdint>
#include <memory>
#include <string_view>

#include "json/json_list.h"

namespace orvane {

class JsonValue;

// Hash of a key: the bytes of its UTF-16LE form from the last to the first,
// h = h * 31 + byte, wrapping at 32 bits. "ab" hashes to 94275.
std::uint32_t jsonKeyHash(std::u16string_view key) noexcept;

class JsonMemberTable {
 public:
  static constexpr std::int32_t kInitialBucketCount = 11;
  static constexpr float kDefaultLoadFactor = 0.75f;

  // nullptr when the load factor is 1e-7 or less.
  static std::unique_ptr<JsonMemberTable> create(float loadFactor = kDefaultLoadFactor);

  explicit JsonMemberTable(float loadFactor) noexcept;
  JsonMemberTable(const JsonMemberTable&) = delete;
  JsonMemberTable& operator=(const JsonMemberTable&) = delete;

  std::int32_t count() const noexcept { return order_.count(); }
  std::int32_t bucketCount() const noexcept { return bucketCount_; }
  std::int32_t threshold() const noexcept { return threshold_; }
  float loadFactor() const noexcept { return loadFactor_; }
  const JsonList& order() const noexcept { return order_; }
  JsonList& order() noexcept { return order_; }

  JsonValue* find(std::u16string_view key, std::uint32_t hash) const noexcept;
  JsonValue* find(std::u16string_view key) const noexcept { return find(key, jsonKeyHash(key)); }

  // Adds a member whose key and hash are already set and which is not in the
  // table: grows first when the count has reached the threshold, puts it at
  // the head of its chain and at `position` of the order (-1: the end).
  void link(JsonValue* member, std::int32_t position = -1);
  // `member` takes over `old`'s chain link and place in the order.
  void replace(JsonValue* old, JsonValue* member) noexcept;
  // Takes a member out of its chain and out of the order list.
  void unlink(JsonValue* member) noexcept;
  void clear() noexcept;

 private:
  std::int32_t bucketOf(std::uint32_t hash) const noexcept {
    return static_cast<std::int32_t>((hash & 0x7FFFFFFFu) %
                                     static_cast<std::uint32_t>(bucketCount_));
  }
  void grow();

  std::unique_ptr<JsonValue*[]> heapBuckets_;
  JsonValue** buckets_ = inlineBuckets_;
  std::int32_t bucketCount_ = kInitialBucketCount;
  std::int32_t threshold_;
  float loadFactor_;
  JsonList order_;
  JsonValue* inlineBuckets_[kInitialBucketCount] = {};
};

}  // namespace orvane
