#include "json/json_path.h"

#include "json/json_number.h"
#include "json/json_value.h"

namespace orvane {

bool JsonPath::next(JsonPathSegment& segment) {
  const std::size_t n = path_.size();
  while (at_ < n && path_[at_] == u'.') ++at_;
  if (at_ >= n) return false;
  if (path_[at_] == u'[') {
    const std::size_t open = at_ + 1;
    std::size_t close = path_.find(u']', open);
    if (close == std::u16string_view::npos) close = n;
    segment.isIndex = true;
    segment.index = readInteger32(path_.substr(open, close - open));
    segment.key.clear();
    at_ = close < n ? close + 1 : n;
    return true;
  }
  segment.isIndex = false;
  segment.index = 0;
  segment.key.clear();
  while (at_ < n) {
    const char16_t c = path_[at_];
    if (c == u'.' || c == u'[') break;
    if (c == u'\\' && at_ + 1 < n) {
      const char16_t escaped = path_[at_ + 1];
      if (escaped == u'.' || escaped == u'[' || escaped == u']' || escaped == u'\\') {
        segment.key.push_back(escaped);
        at_ += 2;
        continue;
      }
    }
    segment.key.push_back(c);
    ++at_;
  }
  return true;
}

bool jsonPathHasSegments(std::u16string_view path) {
  JsonPath reader(path);
  JsonPathSegment segment;
  return reader.next(segment);
}

JsonValue* findJsonPath(JsonValue* root, std::u16string_view path) {
  JsonValue* node = root;
  JsonPath reader(path);
  JsonPathSegment segment;
  while (node != nullptr && reader.next(segment)) {
    if (segment.isIndex) {
      node = node->childAt(segment.index);  // elements, or members in order
    } else {
      node = node->member(segment.key);
    }
  }
  return node;
}

JsonValue* findOrCreateJsonPath(JsonValue* root, std::u16string_view path) {
  JsonValue* node = root;
  JsonPath reader(path);
  JsonPathSegment segment;
  while (node != nullptr && reader.next(segment)) {
    if (segment.isIndex) {
      if (node->kind() != JsonKind::Array) node->becomeEmpty(JsonKind::Array);
      if (segment.index < 0) return nullptr;
      while (node->count() <= segment.index) {
        JsonValueRef filler(JsonValue::create(JsonKind::Null));
        filler->setNull();
        node->appendElement(filler.get());
        filler.release();
      }
      node = node->childAt(segment.index);
    } else {
      if (node->kind() != JsonKind::Object) node->becomeEmpty(JsonKind::Object);
      JsonValue* child = node->member(segment.key);
      if (child == nullptr) {
        JsonValueRef created(JsonValue::create(JsonKind::Null));
        created->setNull();
        child = created.get();
        node->storeMember(std::move(segment.key), child);
        created.release();
      }
      node = child;
    }
  }
  return node;
}

}  // namespace orvane
