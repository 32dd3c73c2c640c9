#pragma once
// The writer: a node and everything below it as JSON text.
//
// Compact output has no blank at all. Pretty output puts each object member
// on its own line, indented with one TAB per level of nesting (arrays count
// as levels too) and ended with CR LF; arrays stay on one line. Numbers are
// written as their text form, exactly as they were read. With `escape`,
// strings and keys escape " \ / and \b \t \n \f \r; nothing else is escaped.
// The walk keeps its own stack, so any depth can be written.

#include <cstdint>
#include <string>

namespace orvane {

class JsonValue;

std::u16string writeJson(const JsonValue& node, bool pretty, bool escape,
                         std::int32_t initialCapacityBytes = 0);
// The same text as UTF-8. A lone surrogate, which UTF-8 cannot hold, is
// written as a \uXXXX escape when escaping and as U+FFFD otherwise.
std::string writeJsonUtf8(const JsonValue& node, bool pretty, bool escape,
                          std::int32_t initialCapacityBytes = 0);

}  // namespace orvane
