#pragma once
// Kinds of JSON values and the parser's result codes. The numbers are part of
// the interface: the kind query reports them and callers compare the codes.

#include <cstdint>

namespace orvane {

enum class JsonKind : std::int32_t {
  Null = 0,
  Decimal = 1,  // 64-bit IEEE double
  Integer = 2,  // signed 64-bit integer
  Boolean = 3,
  String = 4,
  Array = 5,
  Object = 6,
};

enum JsonResult : std::int32_t {
  JsonOk = 0,
  JsonNoInput = -2,       // no root, no text, or empty text
  JsonNoMemory = -3,      // a node, key, member or the parse stack could not be made
  JsonBadStructure = -4,  // bracket where no value is expected; missing, empty or malformed key
  JsonUnclosed = -5,      // the text ended inside an open object or array
  JsonBadToken = -6,      // invalid literal, number or string; member without value; empty slot
};

}  // namespace orvane
