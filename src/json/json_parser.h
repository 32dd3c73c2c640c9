#pragma once
// The single-pass, lenient JSON parser.
//
// Besides standard JSON it accepts single-quoted strings and keys, unquoted
// keys (they end at ':'), trailing commas, empty array slots, no comma after
// a nested container inside an object, and more text after the root's
// closing bracket (parsed into the same root). Nesting is kept on an explicit
// stack, so depth is limited by memory only.

#include <cstddef>
#include <cstdint>

#include "json/json_kind.h"

namespace orvane {

class JsonValue;

enum class JsonParseState : std::int32_t {
  ExpectKey = 1,    // inside an object, before a key
  ExpectValue = 2,  // inside an array, or inside an object after ':'
  AfterValue = 3,   // a nested container of this one has just closed
};

// Empties `root` (keeping its kind) and parses `length` UTF-16 units of
// `text` into it. Returns a JsonResult code. On failure the root is emptied
// again, so no partial content survives, and `errorPosition` is where parsing
// stopped: the start of the offending token or value for token errors, the
// text's length plus one for JsonUnclosed, 0 for JsonNoInput (empty text,
// which empties the root too). On success it is 0.
std::int32_t parseInto(JsonValue* root, const char16_t* text, std::size_t length,
                       bool decodeUnicodeEscapes, std::int32_t* errorPosition);

}  // namespace orvane
