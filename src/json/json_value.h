#pragma once
// JsonValue: one node of a JSON tree, holding UTF-16 text.
//
// Nodes are reference counted. The container that holds a node owns one
// reference, each JsonDocument handle on it owns another. When the count
// falls to zero the node leaves its container and releases its children; a
// child that a handle still holds lives on without a parent (and without its
// key). Counts change atomically; everything else in a tree belongs to one
// thread at a time.
//
// Releasing and emptying never recurse: a tree nested as deep as memory
// allows is freed in a loop.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json/json_kind.h"

namespace orvane {

class JsonArena;
class JsonList;
class JsonMemberTable;

class JsonValue {
 public:
  // A new node with one reference and the empty value of `kind`: 0, false,
  // an empty string, an empty list or an empty member table. No text form.
  // With an arena, the node and its container storage come from it.
  static JsonValue* create(JsonKind kind, JsonArena* arena = nullptr);
  // New scalar nodes with their value (and text form) in place.
  static JsonValue* createNull(JsonArena* arena = nullptr);
  static JsonValue* createBoolean(bool value, JsonArena* arena = nullptr);
  static JsonValue* createString(std::u16string text, JsonArena* arena = nullptr);
  static JsonValue* createInteger(std::int64_t value, std::u16string textForm,
                                  JsonArena* arena = nullptr);
  static JsonValue* createDecimal(double value, std::u16string textForm,
                                  JsonArena* arena = nullptr);
  // A new node with this node's kind, value, string and text form, and an
  // empty container: the first step of a deep copy.
  JsonValue* cloneShallow() const;

  JsonValue(const JsonValue&) = delete;
  JsonValue& operator=(const JsonValue&) = delete;

  void addRef() noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  void release() noexcept;
  std::int32_t refCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

  JsonKind kind() const noexcept { return kind_; }
  bool isContainer() const noexcept {
    return kind_ == JsonKind::Array || kind_ == JsonKind::Object;
  }
  JsonValue* parent() const noexcept { return parent_; }
  // Place in the parent's element list or member order.
  std::int32_t index() const noexcept { return index_; }
  // The key while the node is an object member; empty otherwise.
  std::u16string_view key() const noexcept { return key_; }
  std::uint32_t keyHash() const noexcept { return keyHash_; }

  std::int64_t integerValue() const noexcept {
    return kind_ == JsonKind::Integer ? value_.integer : 0;
  }
  double decimalValue() const noexcept { return kind_ == JsonKind::Decimal ? value_.decimal : 0.0; }
  bool booleanValue() const noexcept { return kind_ == JsonKind::Boolean && value_.boolean != 0; }
  std::u16string_view stringValue() const noexcept {
    return kind_ == JsonKind::String ? std::u16string_view(text_) : std::u16string_view();
  }
  // Numbers keep the token they were read from ("1.50", "+5") or the text
  // made when they were set; Null has "null", a Boolean "true" or "false".
  // Emptying a node drops its text form.
  bool hasTextForm() const noexcept { return hasTextForm_; }
  std::u16string_view textForm() const noexcept;

  // Elements of an Array or members of an Object in insertion order.
  std::int32_t count() const noexcept;
  JsonValue* childAt(std::int32_t index) const noexcept;
  JsonValue* member(std::u16string_view key) const noexcept;
  const JsonList* elements() const noexcept {
    return kind_ == JsonKind::Array ? value_.list : nullptr;
  }
  const JsonMemberTable* members() const noexcept {
    return kind_ == JsonKind::Object ? value_.table : nullptr;
  }
  // Elements of an Array, members of an Object in order; nullptr otherwise.
  const JsonList* children() const noexcept;

  // --- Changing a node -----------------------------------------------------

  // Empties the node: children released, string and text form dropped, value
  // 0. The kind does not change.
  void clearContent() noexcept;
  // Discards the content and takes the empty value of `kind`. A container
  // already of that kind keeps its storage (and is emptied).
  void becomeEmpty(JsonKind kind);
  void setNull();
  void setBoolean(bool value);
  void setString(std::u16string text);
  void setInteger(std::int64_t value, std::u16string textForm);
  void setDecimal(double value, std::u16string textForm);

  // --- Changing a container ------------------------------------------------
  // Each call takes over one reference to `child`, which must have no parent.

  void appendElement(JsonValue* child);
  void insertElement(std::int32_t index, JsonValue* child);   // 0 <= index <= count
  void replaceElement(std::int32_t index, JsonValue* child);  // old element released
  // Stores `child` under `key`: an existing member with that key is replaced
  // in its place (and released), a new one goes to `position` of the order
  // (-1: the end).
  void storeMember(std::u16string key, std::uint32_t hash, JsonValue* child,
                   std::int32_t position = -1);
  void storeMember(std::u16string key, JsonValue* child, std::int32_t position = -1);
  // Adds a member whose key is known not to be present (copies of objects).
  void appendNewMember(std::u16string key, std::uint32_t hash, JsonValue* child,
                       std::int32_t position = -1);
  // Takes `child` out of this container and releases the container's reference.
  void removeChild(JsonValue* child) noexcept;
  // Takes this node out of its container, which releases its reference.
  void detach() noexcept;
  // Direct order access for sorting (the caller renumbers the list).
  JsonList* mutableOrder() noexcept;

 private:
  JsonValue(JsonKind kind, JsonArena* arena) noexcept : kind_(kind), arena_(arena) {}
  ~JsonValue();
  static JsonValue* allocate(JsonKind kind, JsonArena* arena);
  static void destroy(JsonValue* node) noexcept;

  void unlinkChild(JsonValue* child) noexcept;
  static void orphan(JsonValue* child) noexcept;
  static void freeDying(JsonValue* first) noexcept;
  static void releaseChildrenOf(JsonValue* node, JsonValue*& dying) noexcept;
  void freeContainerStorage() noexcept;
  void makeContainerStorage(JsonKind kind, JsonArena* arena);

  friend class JsonList;
  friend class JsonMemberTable;

  std::atomic<std::int32_t> refs_{1};
  std::uint32_t keyHash_ = 0;
  JsonKind kind_;
  bool hasTextForm_ = false;
  bool storageInArena_ = false;  // the list or member table came from arena_
  std::int32_t index_ = 0;
  JsonArena* arena_;  // where the node itself came from; nullptr: the heap
  JsonValue* parent_ = nullptr;
  // Chain link inside the parent's member table; while a node is being freed
  // it links the nodes still waiting to be freed.
  JsonValue* nextInBucket_ = nullptr;
  union {
    std::int64_t integer;
    double decimal;
    std::int32_t boolean;
    JsonList* list;
    JsonMemberTable* table;
  } value_{};
  std::u16string key_;
  std::u16string text_;  // a String's text or a number's text form
};

// Owns one reference; for nodes that are not yet linked into a tree.
struct JsonValueReleaser {
  void operator()(JsonValue* value) const noexcept { value->release(); }
};
using JsonValueRef = std::unique_ptr<JsonValue, JsonValueReleaser>;

}  // namespace orvane
