#include "json/json_document.h"

#include <new>
#include <utility>

#include "json/json_member_table.h"
#include "json/json_number.h"
#include "json/json_parser.h"
#include "json/json_path.h"
#include "json/json_utf8.h"
#include "json/json_writer.h"
#include "sys/utf.h"

namespace orvane {
namespace {

std::u16string wide(std::string_view text) { return text::utf8ToUtf16(text); }
std::string narrow(std::u16string_view text) { return text::utf16ToUtf8(text); }

struct TakenChild {
  std::u16string key;
  std::uint32_t hash;
  JsonValueRef node;
};

// Moves the children of a (private) container out of it, in order.
std::vector<TakenChild> takeChildren(JsonValue& container) {
  std::vector<TakenChild> taken;
  taken.reserve(static_cast<std::size_t>(container.count()));
  for (std::int32_t k = 0; k < container.count(); ++k) {
    JsonValue* child = container.childAt(k);
    child->addRef();
    taken.push_back({std::u16string(child->key()), child->keyHash(), JsonValueRef(child)});
  }
  container.clearContent();  // the children live on through `taken`
  return taken;
}

void makeKind(JsonValue& node, JsonKind kind) {
  if (node.kind() != kind) node.becomeEmpty(kind);
}

}  // namespace

// --- Handle lifetime --------------------------------------------------------

JsonDocument::~JsonDocument() { clear(); }

JsonDocument::JsonDocument(const JsonDocument& other) noexcept : root_(other.root_) {
  if (root_ != nullptr) root_->addRef();
}

JsonDocument& JsonDocument::operator=(const JsonDocument& other) noexcept {
  if (this != &other) attach(other.root_);
  return *this;
}

JsonDocument::JsonDocument(JsonDocument&& other) noexcept
    : root_(std::exchange(other.root_, nullptr)) {}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept {
  if (this != &other) {
    clear();
    root_ = std::exchange(other.root_, nullptr);
  }
  return *this;
}

JsonDocument JsonDocument::shared(JsonValue* node) noexcept {
  JsonDocument handle;
  handle.attach(node);
  return handle;
}

JsonDocument JsonDocument::adopt(JsonValueRef node) noexcept {
  JsonDocument handle;
  handle.root_ = node.release();
  return handle;
}

JsonValue* JsonDocument::find(std::u16string_view path) const { return findJsonPath(root_, path); }

JsonValue* JsonDocument::findOrCreate(std::u16string_view path) {
  return findOrCreateJsonPath(root_, path);
}

// --- Root ---------------------------------------------------------------------

bool JsonDocument::reset() {
  JsonValue* fresh = nullptr;
  try {
    fresh = JsonValue::create(JsonKind::Object);
  } catch (const std::bad_alloc&) {
    return false;
  }
  JsonValue* old = std::exchange(root_, fresh);
  if (old != nullptr) old->release();
  return true;
}

bool JsonDocument::reset(std::u16string_view text, bool decodeUnicodeEscapes,
                         std::int32_t* errorCode, std::int32_t* errorPosition) {
  if (!reset()) {
    if (errorCode != nullptr) *errorCode = JsonNoMemory;
    if (errorPosition != nullptr) *errorPosition = 0;
    return false;
  }
  return parse(text, decodeUnicodeEscapes, errorCode, errorPosition);
}

bool JsonDocument::reset(std::string_view text, bool decodeUnicodeEscapes, std::int32_t* errorCode,
                         std::int32_t* errorPosition) {
  const Utf16Scratch wideText(text);
  return reset(wideText.text(), decodeUnicodeEscapes, errorCode, errorPosition);
}

void JsonDocument::clear() noexcept {
  JsonValue* old = std::exchange(root_, nullptr);
  if (old != nullptr) old->release();
}

void JsonDocument::attach(JsonValue* node) noexcept {
  if (node != nullptr) node->addRef();
  JsonValue* old = std::exchange(root_, node);
  if (old != nullptr) old->release();
}

bool JsonDocument::detach() noexcept {
  if (root_ == nullptr || root_->parent() == nullptr) return false;
  root_->detach();  // the container's reference goes, this handle's stays
  return true;
}

JsonDocument JsonDocument::newObject() {
  return adopt(JsonValueRef(JsonValue::create(JsonKind::Object)));
}
JsonDocument JsonDocument::newArray() {
  return adopt(JsonValueRef(JsonValue::create(JsonKind::Array)));
}

JsonDocument JsonDocument::newNull() {
  JsonValueRef node(JsonValue::create(JsonKind::Null));
  node->setNull();
  return adopt(std::move(node));
}

JsonDocument JsonDocument::newBoolean(bool value) {
  JsonValueRef node(JsonValue::create(JsonKind::Boolean));
  node->setBoolean(value);
  return adopt(std::move(node));
}

JsonDocument JsonDocument::newString(std::u16string_view text) {
  JsonValueRef node(JsonValue::create(JsonKind::String));
  node->setString(std::u16string(text));
  return adopt(std::move(node));
}

JsonDocument JsonDocument::newString(std::string_view text) {
  return newString(std::u16string_view(wide(text)));
}

JsonDocument JsonDocument::newDecimal(double value) {
  JsonValueRef node(JsonValue::create(JsonKind::Decimal));
  node->setDecimal(value, decimalText(value));
  return adopt(std::move(node));
}

JsonDocument JsonDocument::newInteger64(std::int64_t value) {
  JsonValueRef node(JsonValue::create(JsonKind::Integer));
  node->setInteger(value, integerText(value));
  return adopt(std::move(node));
}

bool JsonDocument::parse(std::u16string_view text, bool decodeUnicodeEscapes,
                         std::int32_t* errorCode, std::int32_t* errorPosition) {
  std::int32_t code = JsonNoMemory;
  std::int32_t position = 0;
  if (root_ != nullptr || reset()) {
    code = parseInto(root_, text.data(), text.size(), decodeUnicodeEscapes, &position);
  }
  if (errorCode != nullptr) *errorCode = code;
  if (errorPosition != nullptr) *errorPosition = position;
  return code == JsonOk;
}

bool JsonDocument::parse(std::string_view text, bool decodeUnicodeEscapes, std::int32_t* errorCode,
                         std::int32_t* errorPosition) {
  const Utf16Scratch wideText(text);
  return parse(wideText.text(), decodeUnicodeEscapes, errorCode, errorPosition);
}

// --- Writing ------------------------------------------------------------------

std::u16string JsonDocument::toText(std::u16string_view path, bool pretty, bool escape,
                                    std::int32_t initialCapacity) const {
  const JsonValue* node = find(path);
  if (node == nullptr) return {};
  return writeJson(*node, pretty, escape, initialCapacity);
}

std::string JsonDocument::toText(std::string_view path, bool pretty, bool escape,
                                 std::int32_t initialCapacity) const {
  const JsonValue* node = find(wide(path));
  if (node == nullptr) return {};
  return writeJsonUtf8(*node, pretty, escape, initialCapacity);
}

// --- Reading the shape --------------------------------------------------------

std::int32_t JsonDocument::kindAt(std::u16string_view path) const {
  const JsonValue* node = find(path);
  return node == nullptr ? -1 : static_cast<std::int32_t>(node->kind());
}
std::int32_t JsonDocument::kindAt(std::string_view path) const {
  return kindAt(std::u16string_view(wide(path)));
}

JsonDocument JsonDocument::parentAt(std::u16string_view path) const {
  const JsonValue* node = find(path);
  return node == nullptr ? JsonDocument() : shared(node->parent());
}
JsonDocument JsonDocument::parentAt(std::string_view path) const {
  return parentAt(std::u16string_view(wide(path)));
}

std::int32_t JsonDocument::countAt(std::u16string_view path) const {
  const JsonValue* node = find(path);
  return node == nullptr ? 0 : node->count();
}
std::int32_t JsonDocument::countAt(std::string_view path) const {
  return countAt(std::u16string_view(wide(path)));
}

bool JsonDocument::exists(std::u16string_view path) const {
  return jsonPathHasSegments(path) && find(path) != nullptr;
}
bool JsonDocument::exists(std::string_view path) const {
  return exists(std::u16string_view(wide(path)));
}

std::u16string JsonDocument::keyAt(std::u16string_view path) const {
  const JsonValue* node = find(path);
  return node == nullptr ? std::u16string() : std::u16string(node->key());
}
std::string JsonDocument::keyAt(std::string_view path) const {
  return narrow(keyAt(std::u16string_view(wide(path))));
}

JsonDocument JsonDocument::memberAt(std::u16string_view path, std::u16string_view key) const {
  const JsonValue* node = find(path);
  return node == nullptr ? JsonDocument() : shared(node->member(key));
}
JsonDocument JsonDocument::memberAt(std::string_view path, std::string_view key) const {
  return memberAt(std::u16string_view(wide(path)), std::u16string_view(wide(key)));
}

JsonDocument JsonDocument::childAt(std::u16string_view path, std::int32_t index) const {
  const JsonValue* node = find(path);
  return node == nullptr ? JsonDocument() : shared(node->childAt(index));
}
JsonDocument JsonDocument::childAt(std::string_view path, std::int32_t index) const {
  return childAt(std::u16string_view(wide(path)), index);
}

// --- Reading values -------------------------------------------------------------

std::u16string JsonDocument::textFormAt(std::u16string_view path) const {
  const JsonValue* node = find(path);
  return node == nullptr ? std::u16string() : std::u16string(node->textForm());
}
std::string JsonDocument::textFormAt(std::string_view path) const {
  return narrow(textFormAt(std::u16string_view(wide(path))));
}

std::u16string JsonDocument::getText(std::u16string_view path) const {
  const JsonValue* node = find(path);
  if (node == nullptr) return {};
  switch (node->kind()) {
    case JsonKind::Null:
      return u"null";
    case JsonKind::Decimal:
    case JsonKind::Integer:
      return std::u16string(node->textForm());
    case JsonKind::Boolean:
      return node->booleanValue() ? u"true" : u"false";
    case JsonKind::String:
      return std::u16string(node->stringValue());
    case JsonKind::Array:
    case JsonKind::Object:
      break;
  }
  return {};
}
std::string JsonDocument::getText(std::string_view path) const {
  return narrow(getText(std::u16string_view(wide(path))));
}

bool JsonDocument::getBoolean(std::u16string_view path) const {
  const JsonValue* node = find(path);
  if (node == nullptr) return false;
  switch (node->kind()) {
    case JsonKind::Decimal: {
      const double value = node->decimalValue();
      return value > 1e-7 || value < -1e-7;
    }
    case JsonKind::Integer:
      return node->integerValue() != 0;
    case JsonKind::Boolean:
      return node->booleanValue();
    default:
      return false;
  }
}
bool JsonDocument::getBoolean(std::string_view path) const {
  return getBoolean(std::u16string_view(wide(path)));
}

double JsonDocument::getDecimal(std::u16string_view path) const {
  const JsonValue* node = find(path);
  if (node == nullptr) return 0.0;
  switch (node->kind()) {
    case JsonKind::Decimal:
      return node->decimalValue();
    case JsonKind::Integer:
      return static_cast<double>(node->integerValue());
    case JsonKind::Boolean:
      return node->booleanValue() ? 1.0 : 0.0;
    case JsonKind::String:
      return readDecimal(node->stringValue());
    default:
      return 0.0;
  }
}
double JsonDocument::getDecimal(std::string_view path) const {
  return getDecimal(std::u16string_view(wide(path)));
}

std::int64_t JsonDocument::getInteger64(std::u16string_view path) const {
  const JsonValue* node = find(path);
  if (node == nullptr) return 0;
  switch (node->kind()) {
    case JsonKind::Decimal:
      return truncateToInteger64(node->decimalValue());
    case JsonKind::Integer:
      return node->integerValue();
    case JsonKind::Boolean:
      return node->booleanValue() ? 1 : 0;
    case JsonKind::String:
      return readInteger64(node->stringValue());
    default:
      return 0;
  }
}
std::int64_t JsonDocument::getInteger64(std::string_view path) const {
  return getInteger64(std::u16string_view(wide(path)));
}

std::int32_t JsonDocument::getInteger(std::u16string_view path) const {
  const JsonValue* node = find(path);
  if (node == nullptr) return 0;
  switch (node->kind()) {
    case JsonKind::Decimal:
      return truncateToInteger32(node->decimalValue());
    case JsonKind::Integer:  // the low 32 bits
      return static_cast<std::int32_t>(
          static_cast<std::uint32_t>(node->integerValue() & 0xFFFFFFFF));
    case JsonKind::Boolean:
      return node->booleanValue() ? 1 : 0;
    case JsonKind::String:
      return readInteger32(node->stringValue());
    default:
      return 0;
  }
}
std::int32_t JsonDocument::getInteger(std::string_view path) const {
  return getInteger(std::u16string_view(wide(path)));
}

// --- Enumerating ------------------------------------------------------------------

std::int32_t JsonDocument::memberNames(std::u16string_view path,
                                       std::vector<std::u16string>& names) const {
  names.clear();
  const JsonValue* node = find(path);
  if (node == nullptr || node->kind() != JsonKind::Object) return 0;
  for (std::int32_t k = 0; k < node->count(); ++k) names.emplace_back(node->childAt(k)->key());
  return node->count();
}

std::int32_t JsonDocument::memberNames(std::string_view path,
                                       std::vector<std::string>& names) const {
  names.clear();
  const JsonValue* node = find(wide(path));
  if (node == nullptr || node->kind() != JsonKind::Object) return 0;
  for (std::int32_t k = 0; k < node->count(); ++k) names.push_back(narrow(node->childAt(k)->key()));
  return node->count();
}

std::int32_t JsonDocument::children(std::u16string_view path,
                                    std::vector<JsonDocument>& handles) const {
  handles.clear();
  const JsonValue* node = find(path);
  if (node == nullptr) return 0;
  for (std::int32_t k = 0; k < node->count(); ++k) handles.push_back(shared(node->childAt(k)));
  return node->count();
}
std::int32_t JsonDocument::children(std::string_view path,
                                    std::vector<JsonDocument>& handles) const {
  return children(std::u16string_view(wide(path)), handles);
}

std::int32_t JsonDocument::childCopies(std::u16string_view path,
                                       std::vector<JsonDocument>& copies) const {
  copies.clear();
  const JsonValue* node = find(path);
  if (node == nullptr) return 0;
  for (std::int32_t k = 0; k < node->count(); ++k)
    copies.push_back(adopt(deepCopyJson(*node->childAt(k))));
  return node->count();
}
std::int32_t JsonDocument::childCopies(std::string_view path,
                                       std::vector<JsonDocument>& copies) const {
  return childCopies(std::u16string_view(wide(path)), copies);
}

// --- Changing -----------------------------------------------------------------------

JsonDocument JsonDocument::nodeAt(std::u16string_view path) { return shared(findOrCreate(path)); }
JsonDocument JsonDocument::nodeAt(std::string_view path) {
  return nodeAt(std::u16string_view(wide(path)));
}

JsonDocument JsonDocument::copyAt(std::u16string_view path) {
  const JsonValue* node = findOrCreate(path);
  return node == nullptr ? JsonDocument() : adopt(deepCopyJson(*node));
}
JsonDocument JsonDocument::copyAt(std::string_view path) {
  return copyAt(std::u16string_view(wide(path)));
}

bool JsonDocument::clearAt(std::u16string_view path) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  node->clearContent();
  return true;
}
bool JsonDocument::clearAt(std::string_view path) {
  return clearAt(std::u16string_view(wide(path)));
}

bool JsonDocument::makeObject(std::u16string_view path) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  makeKind(*node, JsonKind::Object);
  return true;
}
bool JsonDocument::makeObject(std::string_view path) {
  return makeObject(std::u16string_view(wide(path)));
}

bool JsonDocument::makeArray(std::u16string_view path) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  makeKind(*node, JsonKind::Array);
  return true;
}
bool JsonDocument::makeArray(std::string_view path) {
  return makeArray(std::u16string_view(wide(path)));
}

bool JsonDocument::setString(std::u16string_view path, std::u16string_view text) {
  std::u16string copy(text);  // before the path may change the node `text` points into
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  node->setString(std::move(copy));
  return true;
}
bool JsonDocument::setString(std::string_view path, std::string_view text) {
  return setString(std::u16string_view(wide(path)), std::u16string_view(wide(text)));
}

bool JsonDocument::setNull(std::u16string_view path) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  node->setNull();
  return true;
}
bool JsonDocument::setNull(std::string_view path) {
  return setNull(std::u16string_view(wide(path)));
}

bool JsonDocument::setBoolean(std::u16string_view path, bool value) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  node->setBoolean(value);
  return true;
}
bool JsonDocument::setBoolean(std::string_view path, bool value) {
  return setBoolean(std::u16string_view(wide(path)), value);
}

bool JsonDocument::setDecimal(std::u16string_view path, double value) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  node->setDecimal(value, decimalText(value));
  return true;
}
bool JsonDocument::setDecimal(std::string_view path, double value) {
  return setDecimal(std::u16string_view(wide(path)), value);
}

bool JsonDocument::setInteger64(std::u16string_view path, std::int64_t value) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  node->setInteger(value, integerText(value));
  return true;
}
bool JsonDocument::setInteger64(std::string_view path, std::int64_t value) {
  return setInteger64(std::u16string_view(wide(path)), value);
}

bool JsonDocument::setInteger(std::u16string_view path, std::int32_t value) {
  return setInteger64(path, static_cast<std::int64_t>(value));
}
bool JsonDocument::setInteger(std::string_view path, std::int32_t value) {
  return setInteger64(std::u16string_view(wide(path)), static_cast<std::int64_t>(value));
}

bool JsonDocument::setMember(std::u16string_view path, std::u16string_view key,
                             const JsonDocument& other) {
  return storeMemberCopy(path, kAtEnd, key, other);
}
bool JsonDocument::setMember(std::string_view path, std::string_view key,
                             const JsonDocument& other) {
  return storeMemberCopy(wide(path), kAtEnd, wide(key), other);
}

bool JsonDocument::insertMember(std::u16string_view path, std::int32_t index,
                                std::u16string_view key, const JsonDocument& other) {
  return index >= 0 && storeMemberCopy(path, index, key, other);
}

bool JsonDocument::storeMemberCopy(std::u16string_view path, std::int32_t index,
                                   std::u16string_view key, const JsonDocument& other) {
  if (other.root_ == nullptr) return false;
  // Copy first: resolving the path may change the tree other's root is in.
  JsonValueRef copy = deepCopyJson(*other.root_);
  std::u16string ownKey(key);
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  makeKind(*node, JsonKind::Object);
  const std::uint32_t hash = jsonKeyHash(ownKey);
  const bool replacing = node->members()->find(ownKey, hash) != nullptr;
  if (!replacing && index != kAtEnd && index > node->count()) return false;
  node->storeMember(std::move(ownKey), hash, copy.get(), index);
  copy.release();
  return true;
}
bool JsonDocument::insertMember(std::string_view path, std::int32_t index, std::string_view key,
                                const JsonDocument& other) {
  return insertMember(std::u16string_view(wide(path)), index, std::u16string_view(wide(key)),
                      other);
}

bool JsonDocument::removeMember(std::u16string_view path, std::u16string_view key) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr || node->kind() != JsonKind::Object) return false;
  JsonValue* member = node->member(key);
  if (member == nullptr) return false;
  node->removeChild(member);
  return true;
}
bool JsonDocument::removeMember(std::string_view path, std::string_view key) {
  return removeMember(std::u16string_view(wide(path)), std::u16string_view(wide(key)));
}

bool JsonDocument::mergeObject(std::string_view path, const JsonDocument& other) {
  if (other.root_ == nullptr || other.root_->kind() != JsonKind::Object) return false;
  JsonValueRef copy = deepCopyJson(*other.root_);
  JsonValue* node = findOrCreate(wide(path));
  if (node == nullptr) return false;
  makeKind(*node, JsonKind::Object);
  for (TakenChild& member : takeChildren(*copy)) {
    node->storeMember(std::move(member.key), member.hash, member.node.get());
    member.node.release();
  }
  return true;
}

bool JsonDocument::append(std::u16string_view path, const JsonDocument& other) {
  return insertCopy(path, kAtEnd, other);
}
bool JsonDocument::append(std::string_view path, const JsonDocument& other) {
  return insertCopy(wide(path), kAtEnd, other);
}

bool JsonDocument::insert(std::u16string_view path, std::int32_t index, const JsonDocument& other) {
  return index >= 0 && insertCopy(path, index, other);
}

bool JsonDocument::insertCopy(std::u16string_view path, std::int32_t index,
                              const JsonDocument& other) {
  if (other.root_ == nullptr) return false;
  JsonValueRef copy = deepCopyJson(*other.root_);
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  const std::int32_t count = node->kind() == JsonKind::Array ? node->count() : 0;
  if (index == kAtEnd) index = count;
  if (index > count) return false;
  makeKind(*node, JsonKind::Array);
  node->insertElement(index, copy.get());
  copy.release();
  return true;
}
bool JsonDocument::insert(std::string_view path, std::int32_t index, const JsonDocument& other) {
  return insert(std::u16string_view(wide(path)), index, other);
}

bool JsonDocument::setElement(std::u16string_view path, std::int32_t index,
                              const JsonDocument& other) {
  if (other.root_ == nullptr || index < 0) return false;
  JsonValueRef copy = deepCopyJson(*other.root_);
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  makeKind(*node, JsonKind::Array);
  while (node->count() < index) {
    JsonValueRef filler(JsonValue::create(JsonKind::Null));
    filler->setNull();
    node->appendElement(filler.get());
    filler.release();
  }
  if (index < node->count()) {
    node->replaceElement(index, copy.get());
  } else {
    node->appendElement(copy.get());
  }
  copy.release();
  return true;
}
bool JsonDocument::setElement(std::string_view path, std::int32_t index,
                              const JsonDocument& other) {
  return setElement(std::u16string_view(wide(path)), index, other);
}

bool JsonDocument::removeElement(std::u16string_view path, std::int32_t index) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr || node->kind() != JsonKind::Array) return false;
  JsonValue* element = node->childAt(index);
  if (element == nullptr) return false;
  node->removeChild(element);
  return true;
}
bool JsonDocument::removeElement(std::string_view path, std::int32_t index) {
  return removeElement(std::u16string_view(wide(path)), index);
}

bool JsonDocument::appendAll(std::string_view path, const JsonDocument& other) {
  if (other.root_ == nullptr || other.root_->kind() != JsonKind::Array) return false;
  JsonValueRef copy = deepCopyJson(*other.root_);
  JsonValue* node = findOrCreate(wide(path));
  if (node == nullptr) return false;
  makeKind(*node, JsonKind::Array);
  for (TakenChild& element : takeChildren(*copy)) {
    node->appendElement(element.node.get());
    element.node.release();
  }
  return true;
}

bool JsonDocument::mergeText(std::u16string_view path, std::u16string_view text,
                             bool decodeUnicodeEscapes, bool addMissing) {
  JsonValue* node = findOrCreate(path);
  if (node == nullptr) return false;
  JsonValueRef parsed(JsonValue::create(JsonKind::Object));
  if (parseInto(parsed.get(), text.data(), text.size(), decodeUnicodeEscapes, nullptr) != JsonOk)
    return false;
  return mergeJson(*node, *parsed, addMissing);
}
bool JsonDocument::mergeText(std::string_view path, std::string_view text,
                             bool decodeUnicodeEscapes, bool addMissing) {
  const Utf16Scratch wideText(text);
  return mergeText(std::u16string_view(wide(path)), wideText.text(), decodeUnicodeEscapes,
                   addMissing);
}

// --- Sorting -------------------------------------------------------------------------

bool JsonDocument::sortMembers(std::u16string_view path, bool descending) {
  JsonValue* node = find(path);
  return node != nullptr && sortJsonMembers(*node, descending);
}
bool JsonDocument::sortMembers(std::string_view path, bool descending) {
  return sortMembers(std::u16string_view(wide(path)), descending);
}

bool JsonDocument::sortChildren(std::u16string_view path, Compare compare, std::int32_t userValue) {
  JsonValue* node = find(path);
  return node != nullptr && sortJsonChildren(*node, compare, userValue);
}
bool JsonDocument::sortChildren(std::string_view path, Compare compare, std::int32_t userValue) {
  return sortChildren(std::u16string_view(wide(path)), compare, userValue);
}

}  // namespace orvane
