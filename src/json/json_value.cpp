#include "json/json_value.h"

#include <new>

#include "json/json_arena.h"
#include "json/json_list.h"
#include "json/json_member_table.h"

namespace orvane {

JsonValue* JsonValue::allocate(JsonKind kind, JsonArena* arena) {
  void* memory =
      arena != nullptr ? arena->allocate(sizeof(JsonValue)) : ::operator new(sizeof(JsonValue));
  return new (memory) JsonValue(kind, arena);
}

void JsonValue::destroy(JsonValue* node) noexcept {
  JsonArena* arena = node->arena_;
  node->~JsonValue();
  if (arena != nullptr) {
    arena->release();
  } else {
    ::operator delete(node);
  }
}

JsonValue* JsonValue::create(JsonKind kind, JsonArena* arena) {
  JsonValue* value = allocate(kind, arena);
  if (value->isContainer()) {
    try {
      value->makeContainerStorage(kind, arena);
    } catch (...) {
      value->kind_ = JsonKind::Null;
      destroy(value);
      throw;
    }
  }
  return value;
}

JsonValue* JsonValue::createNull(JsonArena* arena) {
  JsonValue* value = allocate(JsonKind::Null, arena);
  value->hasTextForm_ = true;
  return value;
}

JsonValue* JsonValue::createBoolean(bool flag, JsonArena* arena) {
  JsonValue* value = allocate(JsonKind::Boolean, arena);
  value->value_.boolean = flag ? 1 : 0;
  value->hasTextForm_ = true;
  return value;
}

JsonValue* JsonValue::createString(std::u16string text, JsonArena* arena) {
  JsonValue* value = allocate(JsonKind::String, arena);
  value->text_ = std::move(text);
  return value;
}

JsonValue* JsonValue::createInteger(std::int64_t number, std::u16string textForm,
                                    JsonArena* arena) {
  JsonValue* value = allocate(JsonKind::Integer, arena);
  value->value_.integer = number;
  value->text_ = std::move(textForm);
  value->hasTextForm_ = true;
  return value;
}

JsonValue* JsonValue::createDecimal(double number, std::u16string textForm, JsonArena* arena) {
  JsonValue* value = allocate(JsonKind::Decimal, arena);
  value->value_.decimal = number;
  value->text_ = std::move(textForm);
  value->hasTextForm_ = true;
  return value;
}

JsonValue* JsonValue::cloneShallow() const {
  JsonValue* copy = create(kind_);
  if (!isContainer()) copy->value_ = value_;
  copy->hasTextForm_ = hasTextForm_;
  if (!text_.empty()) {
    try {
      copy->text_ = text_;
    } catch (...) {
      copy->release();
      throw;
    }
  }
  return copy;
}

JsonValue::~JsonValue() { freeContainerStorage(); }

void JsonValue::makeContainerStorage(JsonKind kind, JsonArena* arena) {
  if (kind == JsonKind::Array) {
    void* memory =
        arena != nullptr ? arena->allocate(sizeof(JsonList)) : ::operator new(sizeof(JsonList));
    value_.list = new (memory) JsonList();
  } else {
    void* memory = arena != nullptr ? arena->allocate(sizeof(JsonMemberTable))
                                    : ::operator new(sizeof(JsonMemberTable));
    value_.table = new (memory) JsonMemberTable(JsonMemberTable::kDefaultLoadFactor);
  }
  storageInArena_ = arena != nullptr;
}

void JsonValue::freeContainerStorage() noexcept {
  void* storage = nullptr;
  if (kind_ == JsonKind::Array) {
    value_.list->~JsonList();
    storage = value_.list;
  } else if (kind_ == JsonKind::Object) {
    value_.table->~JsonMemberTable();
    storage = value_.table;
  }
  if (storage != nullptr) {
    if (storageInArena_) {
      arena_->release();
    } else {
      ::operator delete(storage);
    }
  }
  storageInArena_ = false;
  value_.integer = 0;
}

void JsonValue::release() noexcept {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  // The last reference should never be a container's while the node is still
  // listed there; if it is, leave the container consistent before freeing.
  if (parent_ != nullptr) parent_->unlinkChild(this);
  orphan(this);
  freeDying(this);
}

void JsonValue::orphan(JsonValue* child) noexcept {
  child->parent_ = nullptr;
  child->nextInBucket_ = nullptr;
  child->index_ = 0;
  child->keyHash_ = 0;
  std::u16string().swap(child->key_);
}

// Drops the node's reference to each child. Children that die are pushed on
// `dying` (linked through nextInBucket_, free once they left the container)
// instead of being freed here, which would recurse.
void JsonValue::releaseChildrenOf(JsonValue* node, JsonValue*& dying) noexcept {
  JsonList* list = node->mutableOrder();
  if (list == nullptr) return;
  for (JsonValue* child : *list) {
    child->parent_ = nullptr;
    // A count of 1 is this container's reference alone: nobody else can add
    // one, so the child dies without an atomic read-modify-write.
    if (child->refs_.load(std::memory_order_acquire) == 1 ||
        child->refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      child->nextInBucket_ = dying;
      dying = child;
    } else {
      orphan(child);  // a handle keeps it: it becomes a root
    }
  }
  if (node->kind_ == JsonKind::Object) {
    node->value_.table->clear();
  } else {
    list->clear();
  }
}

void JsonValue::freeDying(JsonValue* first) noexcept {
  JsonValue* dying = first;
  while (dying != nullptr) {
    JsonValue* node = dying;
    dying = node->nextInBucket_;
    releaseChildrenOf(node, dying);
    destroy(node);
  }
}

std::u16string_view JsonValue::textForm() const noexcept {
  if (!hasTextForm_) return {};
  switch (kind_) {
    case JsonKind::Null:
      return u"null";
    case JsonKind::Boolean:
      return value_.boolean != 0 ? u"true" : u"false";
    case JsonKind::Decimal:
    case JsonKind::Integer:
      return text_;
    default:
      return {};
  }
}

std::int32_t JsonValue::count() const noexcept {
  if (kind_ == JsonKind::Array) return value_.list->count();
  if (kind_ == JsonKind::Object) return value_.table->count();
  return 0;
}

JsonValue* JsonValue::childAt(std::int32_t index) const noexcept {
  if (index < 0 || index >= count()) return nullptr;
  return kind_ == JsonKind::Array ? value_.list->at(index) : value_.table->order().at(index);
}

JsonValue* JsonValue::member(std::u16string_view key) const noexcept {
  return kind_ == JsonKind::Object ? value_.table->find(key) : nullptr;
}

const JsonList* JsonValue::children() const noexcept {
  if (kind_ == JsonKind::Array) return value_.list;
  if (kind_ == JsonKind::Object) return &value_.table->order();
  return nullptr;
}

JsonList* JsonValue::mutableOrder() noexcept {
  if (kind_ == JsonKind::Array) return value_.list;
  if (kind_ == JsonKind::Object) return &value_.table->order();
  return nullptr;
}

void JsonValue::clearContent() noexcept {
  JsonValue* dying = nullptr;
  releaseChildrenOf(this, dying);
  freeDying(dying);
  std::u16string().swap(text_);
  hasTextForm_ = false;
  if (!isContainer()) value_.integer = 0;
}

void JsonValue::becomeEmpty(JsonKind kind) {
  if (kind == kind_) {
    clearContent();
    return;
  }
  // Make the new storage first (from the heap: only the parser uses arenas),
  // so that running out of memory leaves the node as it was.
  std::unique_ptr<JsonList> list;
  std::unique_ptr<JsonMemberTable> table;
  if (kind == JsonKind::Array) {
    list = std::make_unique<JsonList>();
  } else if (kind == JsonKind::Object) {
    table = std::make_unique<JsonMemberTable>(JsonMemberTable::kDefaultLoadFactor);
  }
  clearContent();
  freeContainerStorage();
  kind_ = kind;
  if (list) {
    value_.list = list.release();
  } else if (table) {
    value_.table = table.release();
  }
}

void JsonValue::setNull() {
  becomeEmpty(JsonKind::Null);
  hasTextForm_ = true;
}

void JsonValue::setBoolean(bool value) {
  becomeEmpty(JsonKind::Boolean);
  value_.boolean = value ? 1 : 0;
  hasTextForm_ = true;
}

void JsonValue::setString(std::u16string text) {
  becomeEmpty(JsonKind::String);
  text_ = std::move(text);
}

void JsonValue::setInteger(std::int64_t value, std::u16string textForm) {
  becomeEmpty(JsonKind::Integer);
  value_.integer = value;
  text_ = std::move(textForm);
  hasTextForm_ = true;
}

void JsonValue::setDecimal(double value, std::u16string textForm) {
  becomeEmpty(JsonKind::Decimal);
  value_.decimal = value;
  text_ = std::move(textForm);
  hasTextForm_ = true;
}

void JsonValue::appendElement(JsonValue* child) {
  value_.list->append(child);
  child->parent_ = this;
}

void JsonValue::insertElement(std::int32_t index, JsonValue* child) {
  value_.list->insert(index, child);
  child->parent_ = this;
}

void JsonValue::replaceElement(std::int32_t index, JsonValue* child) {
  JsonValue* old = value_.list->at(index);
  value_.list->set(index, child);
  child->parent_ = this;
  orphan(old);
  old->release();
}

void JsonValue::storeMember(std::u16string key, std::uint32_t hash, JsonValue* child,
                            std::int32_t position) {
  JsonMemberTable* table = value_.table;
  if (JsonValue* old = table->find(key, hash)) {
    // The new node takes over the old member's key, chain link and place.
    child->key_ = std::move(old->key_);
    child->keyHash_ = hash;
    table->replace(old, child);
    child->parent_ = this;
    orphan(old);
    old->release();
    return;
  }
  appendNewMember(std::move(key), hash, child, position);
}

void JsonValue::storeMember(std::u16string key, JsonValue* child, std::int32_t position) {
  const std::uint32_t hash = jsonKeyHash(key);
  storeMember(std::move(key), hash, child, position);
}

void JsonValue::appendNewMember(std::u16string key, std::uint32_t hash, JsonValue* child,
                                std::int32_t position) {
  child->key_ = std::move(key);
  child->keyHash_ = hash;
  try {
    value_.table->link(child, position);
  } catch (...) {
    orphan(child);
    throw;
  }
  child->parent_ = this;
}

void JsonValue::unlinkChild(JsonValue* child) noexcept {
  if (kind_ == JsonKind::Array) {
    value_.list->removeAt(child->index_);
  } else if (kind_ == JsonKind::Object) {
    value_.table->unlink(child);
  }
}

void JsonValue::removeChild(JsonValue* child) noexcept {
  unlinkChild(child);
  orphan(child);
  child->release();
}

void JsonValue::detach() noexcept {
  if (parent_ == nullptr) return;
  parent_->removeChild(this);
}

}  // namespace orvane
