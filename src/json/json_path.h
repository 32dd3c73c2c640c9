#pragma once
// JsonPath: text naming a node below a root.
//
//   '.' separates member keys, "[n]" selects index n: "list[0].id".
//   Empty segments (two dots in a row, a leading dot) are skipped; a path
//   without segments names the root.
//   A backslash before '.', '[', ']' or '\' puts that character into the key
//   and is dropped; before anything else it is a literal backslash.
//   The text between '[' and ']' is read as a signed decimal (not a number:
//   0). An index selects element n of an array or the n-th member of an
//   object in insertion order.

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane {

class JsonValue;

struct JsonPathSegment {
  bool isIndex = false;
  std::int32_t index = 0;
  std::u16string key;
};

class JsonPath {
 public:
  explicit JsonPath(std::u16string_view path) noexcept : path_(path) {}
  // The next segment; false when there is none left.
  bool next(JsonPathSegment& segment);

 private:
  std::u16string_view path_;
  std::size_t at_ = 0;
};

bool jsonPathHasSegments(std::u16string_view path);

// Every segment must exist; nullptr otherwise.
JsonValue* findJsonPath(JsonValue* root, std::u16string_view path);
// Makes the path exist: a key segment turns a node that is not an Object into
// an empty Object and creates a missing member as Null; an index segment
// turns a node that is not an Array into an empty Array and appends Null
// elements up to and including the index. nullptr only for a negative index.
JsonValue* findOrCreateJsonPath(JsonValue* root, std::u16string_view path);

}  // namespace orvane
