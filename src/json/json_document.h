#pragma once
// JsonDocument: a handle on a JSON tree of JsonValue nodes.
//
// A handle holds one reference to a root node, or nothing (a new handle is
// empty until reset or parse). Copying a handle shares its root; the "copy"
// operations below (copyAt, childCopies, and every operation that takes
// another document) work on independent deep copies instead. A handle is
// used by one thread at a time.
//
// Text: the tree holds UTF-16. Each operation that takes or returns text
// comes twice, with UTF-8 in std::string(_view) and with UTF-16 in
// std::u16string(_view); nothing else differs.
//
// Paths (json/json_path.h) name a node below the root, "list[0].id"; the
// empty path names the root. Operations that read resolve with "find": every
// segment must exist, else they answer their empty value. Operations that
// change resolve with "find-or-create": nodes of the wrong kind on the path
// become empty objects or arrays and missing members become Null, and those
// changes stay even when the operation then fails.
//
// Failures are results: false, -1, 0, empty text or an empty handle. Running
// out of memory is JsonNoMemory from the parse operations and std::bad_alloc
// from the others.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_kind.h"
#include "json/json_tree.h"
#include "json/json_value.h"

namespace orvane {

class JsonDocument {
 public:
  using Compare = JsonCompare;

  JsonDocument() noexcept = default;
  ~JsonDocument();
  JsonDocument(const JsonDocument& other) noexcept;  // shares the root
  JsonDocument& operator=(const JsonDocument& other) noexcept;
  JsonDocument(JsonDocument&& other) noexcept;
  JsonDocument& operator=(JsonDocument&& other) noexcept;

  bool hasRoot() const noexcept { return root_ != nullptr; }

  // --- Root ----------------------------------------------------------------

  // A new empty Object root; the old root is released. With text, the text is
  // then parsed into it (as parse) and the result tells whether that worked.
  bool reset();
  bool reset(std::string_view text, bool decodeUnicodeEscapes = false,
             std::int32_t* errorCode = nullptr, std::int32_t* errorPosition = nullptr);
  bool reset(std::u16string_view text, bool decodeUnicodeEscapes = false,
             std::int32_t* errorCode = nullptr, std::int32_t* errorPosition = nullptr);
  // Releases the root; the handle becomes empty.
  void clear() noexcept;
  // The root node itself; no reference is added.
  JsonValue* node() const noexcept { return root_; }
  // Takes `node` as root (adding a reference) and releases the old root.
  void attach(JsonValue* node) noexcept;
  // Takes the root node out of the container that holds it. False when it
  // has no container.
  bool detach() noexcept;

  // New handles on fresh nodes.
  static JsonDocument newObject();
  static JsonDocument newArray();
  static JsonDocument newNull();
  static JsonDocument newBoolean(bool value);
  static JsonDocument newString(std::u16string_view text);
  static JsonDocument newString(std::string_view text);
  static JsonDocument newDecimal(double value);
  static JsonDocument newInteger64(std::int64_t value);

  // Parses into the existing root, made an empty Object first when there is
  // none. True when `errorCode` is JsonOk; see json/json_parser.h for the
  // codes and positions (counted in UTF-16 units). `decodeUnicodeEscapes`
  // false leaves a \uXXXX sequence as its six characters.
  bool parse(std::u16string_view text, bool decodeUnicodeEscapes = false,
             std::int32_t* errorCode = nullptr, std::int32_t* errorPosition = nullptr);
  bool parse(std::string_view text, bool decodeUnicodeEscapes = false,
             std::int32_t* errorCode = nullptr, std::int32_t* errorPosition = nullptr);

  // --- Writing (find) -------------------------------------------------------

  // The node as JSON text (json/json_writer.h); empty when there is no node.
  // `initialCapacity` in bytes, 1024 when 0 or less.
  std::u16string toText(std::u16string_view path, bool pretty = false, bool escape = true,
                        std::int32_t initialCapacity = 0) const;
  std::string toText(std::string_view path = {}, bool pretty = false, bool escape = true,
                     std::int32_t initialCapacity = 0) const;

  // --- Reading the shape (find) ---------------------------------------------

  // The JsonKind code, -1 when there is no node.
  std::int32_t kindAt(std::string_view path = {}) const;
  std::int32_t kindAt(std::u16string_view path) const;
  JsonDocument parentAt(std::string_view path) const;  // shared handle
  JsonDocument parentAt(std::u16string_view path) const;
  // Members of an Object, elements of an Array, else 0.
  std::int32_t countAt(std::string_view path = {}) const;
  std::int32_t countAt(std::u16string_view path) const;
  // True when the path has at least one segment and every segment exists.
  bool exists(std::u16string_view path) const;
  bool exists(std::string_view path) const;
  // The node's key; empty for array elements and roots.
  std::u16string keyAt(std::u16string_view path) const;
  std::string keyAt(std::string_view path) const;
  // Shared handles.
  JsonDocument memberAt(std::string_view path, std::string_view key) const;
  JsonDocument memberAt(std::u16string_view path, std::u16string_view key) const;
  // Element n of an Array or the n-th member of an Object.
  JsonDocument childAt(std::string_view path, std::int32_t index) const;
  JsonDocument childAt(std::u16string_view path, std::int32_t index) const;

  // --- Reading values (find) ------------------------------------------------
  //
  //  kind       getText           getBoolean      getDecimal  getInteger64 / getInteger
  //  Null       "null"            false           0           0
  //  Decimal    text form         |value| > 1e-7  value       truncated toward zero
  //  Integer    text form         value != 0      value       value / its low 32 bits
  //  Boolean    "true"/"false"    value           0 or 1      0 or 1
  //  String     the string        false           read as a decimal number / signed integer
  //  Array, Object  empty         false           0           0
  //
  // No node gives empty text, false or 0. Out-of-range values are clamped.

  std::string textFormAt(std::string_view path = {}) const;
  std::u16string textFormAt(std::u16string_view path) const;
  std::string getText(std::string_view path = {}) const;
  std::u16string getText(std::u16string_view path) const;
  bool getBoolean(std::u16string_view path) const;
  bool getBoolean(std::string_view path = {}) const;
  double getDecimal(std::u16string_view path) const;
  double getDecimal(std::string_view path = {}) const;
  std::int64_t getInteger64(std::u16string_view path) const;
  std::int64_t getInteger64(std::string_view path = {}) const;
  std::int32_t getInteger(std::u16string_view path) const;
  std::int32_t getInteger(std::string_view path = {}) const;

  // --- Enumerating (find) ---------------------------------------------------
  // Each replaces the list's content and returns the number of entries.

  std::int32_t memberNames(std::u16string_view path, std::vector<std::u16string>& names) const;
  std::int32_t memberNames(std::string_view path, std::vector<std::string>& names) const;
  std::int32_t children(std::u16string_view path, std::vector<JsonDocument>& handles) const;
  std::int32_t children(std::string_view path, std::vector<JsonDocument>& handles) const;
  std::int32_t childCopies(std::u16string_view path, std::vector<JsonDocument>& copies) const;
  std::int32_t childCopies(std::string_view path, std::vector<JsonDocument>& copies) const;

  // --- Changing (find-or-create) ----------------------------------------------

  // A shared handle on the node, or a handle on a deep copy of it.
  JsonDocument nodeAt(std::string_view path);
  JsonDocument nodeAt(std::u16string_view path);
  JsonDocument copyAt(std::u16string_view path);
  JsonDocument copyAt(std::string_view path);

  // Empties the node (children, string or value, text form); kind kept.
  bool clearAt(std::string_view path);
  bool clearAt(std::u16string_view path);
  // An empty Object / Array; a node already of that kind stays as it is.
  bool makeObject(std::string_view path);
  bool makeObject(std::u16string_view path);
  bool makeArray(std::string_view path);
  bool makeArray(std::u16string_view path);
  bool setString(std::string_view path, std::string_view text);
  bool setString(std::u16string_view path, std::u16string_view text);
  bool setNull(std::u16string_view path);
  bool setNull(std::string_view path);
  bool setBoolean(std::u16string_view path, bool value);
  bool setBoolean(std::string_view path, bool value);
  bool setDecimal(std::u16string_view path, double value);
  bool setDecimal(std::string_view path, double value);
  bool setInteger64(std::u16string_view path, std::int64_t value);
  bool setInteger64(std::string_view path, std::int64_t value);
  bool setInteger(std::u16string_view path, std::int32_t value);
  bool setInteger(std::string_view path, std::int32_t value);

  // Members. The node becomes an Object if it is not one; an existing member
  // with the key is replaced in its place. `other` is deep-copied; an empty
  // `other` fails before anything changes.
  bool setMember(std::string_view path, std::string_view key, const JsonDocument& other);
  bool setMember(std::u16string_view path, std::u16string_view key, const JsonDocument& other);
  // As setMember, but a new member goes to place `index` (0 to count) of the
  // insertion order.
  bool insertMember(std::u16string_view path, std::int32_t index, std::u16string_view key,
                    const JsonDocument& other);
  bool insertMember(std::string_view path, std::int32_t index, std::string_view key,
                    const JsonDocument& other);
  // False when the node is not an Object or has no such member.
  bool removeMember(std::u16string_view path, std::u16string_view key);
  bool removeMember(std::string_view path, std::string_view key);
  // Copies every member of other's root, an Object, replacing equal keys.
  bool mergeObject(std::string_view path, const JsonDocument& other);

  // Elements. The node becomes an Array if it is not one.
  bool append(std::string_view path, const JsonDocument& other);
  bool append(std::u16string_view path, const JsonDocument& other);
  bool insert(std::string_view path, std::int32_t index, const JsonDocument& other);  // 0..count
  bool insert(std::u16string_view path, std::int32_t index, const JsonDocument& other);
  // Replaces element n; beyond the end Null elements fill the gap.
  bool setElement(std::string_view path, std::int32_t index, const JsonDocument& other);
  bool setElement(std::u16string_view path, std::int32_t index, const JsonDocument& other);
  // False when the node is not an Array or n is out of range.
  bool removeElement(std::string_view path, std::int32_t index);
  bool removeElement(std::u16string_view path, std::int32_t index);
  // Copies every element of other's root, an Array.
  bool appendAll(std::string_view path, const JsonDocument& other);

  // Parses `text` and merges it into the node (json/json_tree.h, mergeJson).
  bool mergeText(std::u16string_view path, std::u16string_view text, bool decodeUnicodeEscapes,
                 bool addMissing);
  bool mergeText(std::string_view path, std::string_view text, bool decodeUnicodeEscapes,
                 bool addMissing);

  // --- Sorting (find) --------------------------------------------------------

  // An Object's member order by key, ascending or descending.
  bool sortMembers(std::u16string_view path, bool descending = false);
  bool sortMembers(std::string_view path, bool descending = false);
  // An Object's member order or an Array's elements, with the caller's
  // comparison ("first belongs after second" when above 0).
  bool sortChildren(std::u16string_view path, Compare compare, std::int32_t userValue);
  bool sortChildren(std::string_view path, Compare compare, std::int32_t userValue);

 private:
  static JsonDocument shared(JsonValue* node) noexcept;  // adds a reference
  static JsonDocument adopt(JsonValueRef node) noexcept;

  static constexpr std::int32_t kAtEnd = -1;
  bool storeMemberCopy(std::u16string_view path, std::int32_t index, std::u16string_view key,
                       const JsonDocument& other);
  bool insertCopy(std::u16string_view path, std::int32_t index, const JsonDocument& other);

  JsonValue* find(std::u16string_view path) const;
  JsonValue* findOrCreate(std::u16string_view path);

  JsonValue* root_ = nullptr;
};

}  // namespace orvane
