#include "json/json_writer.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "json/json_escape.h"
#include "json/json_list.h"
#include "json/json_number.h"
#include "json/json_text_builder.h"
#include "json/json_value.h"

namespace orvane {
namespace {

// The escape letter of each ASCII character (0: written as it is), and a
// table of zeros for output without escaping.
struct EscapeTables {
  char escaped[128] = {};
  char raw[128] = {};
  constexpr EscapeTables() {
    for (int c = 0; c < 128; ++c) escaped[c] = escapeLetterFor(static_cast<char16_t>(c));
  }
};
constexpr EscapeTables kEscapeTables;

const char* escapeTable(bool escape) { return escape ? kEscapeTables.escaped : kEscapeTables.raw; }

// Four UTF-16 units in one word (little-endian lanes of 16 bits). True when
// all four are ASCII that goes out unchanged: below 0x80, and, when escaping,
// no control character, '"', '/' or '\\'. Strings are mostly such runs.
bool plainAscii4(std::uint64_t x, bool escape) noexcept {
  constexpr std::uint64_t kOnes = 0x0001000100010001ULL;
  constexpr std::uint64_t kHigh = 0x8000800080008000ULL;
  if ((x & 0xFF80FF80FF80FF80ULL) != 0) return false;
  if (!escape) return true;
  // Lanes are below 0x80 now, so these borrow tricks see each lane alone.
  const auto anyBelow = [](std::uint64_t v, std::uint64_t n) {
    return ((v - n * kOnes) & ~v & kHigh) != 0;
  };
  const auto anyEqual = [&](std::uint64_t v, std::uint64_t n) {
    return anyBelow(v ^ (n * kOnes), 1);
  };
  return !anyBelow(x, 0x20) && !anyEqual(x, '"') && !anyEqual(x, '/') && !anyEqual(x, '\\');
}

// Writes UTF-16 text into a UTF-16 builder.
class Utf16Sink {
 public:
  explicit Utf16Sink(std::int32_t capacity) : out_(capacity) {}
  void ascii(char c) { out_.push(static_cast<char16_t>(c)); }
  void ascii(std::string_view s) { out_.append(s.data(), s.size()); }
  void tabs(std::size_t n) { out_.appendRepeated(u'\t', n); }
  void text(std::u16string_view s, bool escape) {
    const char* table = escapeTable(escape);
    char16_t* const first = out_.room(s.size() * 2);
    char16_t* out = first;
    for (const char16_t c : s) {
      const char letter = c < 0x80 ? table[c] : 0;
      if (letter == 0) {
        *out++ = c;
      } else {
        *out++ = u'\\';
        *out++ = static_cast<char16_t>(letter);
      }
    }
    out_.commit(static_cast<std::size_t>(out - first));
  }
  std::u16string take() { return out_.take(); }

 private:
  JsonTextBuilder<char16_t> out_;
};

// Writes UTF-16 text into a UTF-8 builder, converting on the way.
class Utf8Sink {
 public:
  explicit Utf8Sink(std::int32_t capacity) : out_(capacity) {}
  void ascii(char c) { out_.push(c); }
  void ascii(std::string_view s) { out_.append(s.data(), s.size()); }
  void tabs(std::size_t n) { out_.appendRepeated('\t', n); }
  void text(std::u16string_view s, bool escape) {
    const char* table = escapeTable(escape);
    // At most six bytes per unit: an escape is two, a BMP character three, a
    // surrogate pair four for two units, an escaped lone surrogate six.
    char* const first = out_.room(s.size() * 6);
    char* out = first;
    const char16_t* p = s.data();
    const char16_t* const end = p + s.size();
    while (p < end) {
      while (end - p >= 4) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof(word));
        if (!plainAscii4(word, escape)) break;
        out[0] = static_cast<char>(p[0]);
        out[1] = static_cast<char>(p[1]);
        out[2] = static_cast<char>(p[2]);
        out[3] = static_cast<char>(p[3]);
        out += 4;
        p += 4;
      }
      if (p >= end) break;
      const char16_t c = *p++;
      if (c < 0x80) {
        const char letter = table[c];
        if (letter == 0) {
          *out++ = static_cast<char>(c);
        } else {
          *out++ = '\\';
          *out++ = letter;
        }
        continue;
      }
      char32_t cp = c;
      if (c >= 0xD800 && c <= 0xDFFF) {
        if (c <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
          cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (*p - 0xDC00);
          ++p;
        } else if (escape) {
          // UTF-8 cannot hold a lone surrogate. Escaped output keeps it as a
          // \u escape, which reads back to the same unit; raw output can
          // only give U+FFFD. Writing U+FFFD when escaping would make
          // distinct keys equal and lose the unit for good.
          static constexpr char kHex[] = "0123456789ABCDEF";
          *out++ = '\\';
          *out++ = 'u';
          *out++ = kHex[(c >> 12) & 0xF];
          *out++ = kHex[(c >> 8) & 0xF];
          *out++ = kHex[(c >> 4) & 0xF];
          *out++ = kHex[c & 0xF];
          continue;
        } else {
          cp = 0xFFFD;
        }
      }
      if (cp < 0x800) {
        *out++ = static_cast<char>(0xC0 | (cp >> 6));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      } else if (cp < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (cp >> 12));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        *out++ = static_cast<char>(0xF0 | (cp >> 18));
        *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (cp & 0x3F));
      }
    }
    out_.commit(static_cast<std::size_t>(out - first));
  }
  std::string take() { return out_.take(); }

 private:
  JsonTextBuilder<char> out_;
};

template <class Sink>
void writeScalar(const JsonValue& node, bool escape, Sink& out) {
  switch (node.kind()) {
    case JsonKind::Null:
      out.ascii("null");
      break;
    case JsonKind::Boolean:
      out.ascii(node.booleanValue() ? std::string_view("true") : std::string_view("false"));
      break;
    case JsonKind::Integer:
    case JsonKind::Decimal:
      if (!node.textForm().empty()) {
        out.text(node.textForm(), false);
      } else {
        // An emptied number has lost its text form; write its value rather
        // than nothing, which would not be JSON.
        out.text(node.kind() == JsonKind::Integer ? integerText(node.integerValue())
                                                  : decimalText(node.decimalValue()),
                 false);
      }
      break;
    case JsonKind::String:
      out.ascii('"');
      out.text(node.stringValue(), escape);
      out.ascii('"');
      break;
    case JsonKind::Array:
    case JsonKind::Object:
      break;
  }
}

template <class Sink>
void writeTree(const JsonValue& root, bool pretty, bool escape, Sink& out) {
  struct Frame {
    JsonValue* const* children;
    std::int32_t count;
    std::int32_t next;
    bool isObject;
  };
  std::vector<Frame> stack;
  std::size_t depth = 0;

  // Writes a value, or opens a container and leaves its children to the loop.
  const auto begin = [&](const JsonValue& node) {
    if (!node.isContainer()) {
      writeScalar(node, escape, out);
      return;
    }
    const bool isObject = node.kind() == JsonKind::Object;
    out.ascii(isObject ? '{' : '[');
    if (isObject && pretty) out.ascii("\r\n");
    ++depth;
    const JsonList& children = *node.children();
    stack.push_back({children.begin(), children.count(), 0, isObject});
  };

  begin(root);
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const std::int32_t count = frame.count;
    if (frame.next > 0) {  // the previous child is complete
      if (frame.next < count) out.ascii(',');
      if (frame.isObject && pretty) out.ascii("\r\n");
    }
    if (frame.next >= count) {
      --depth;
      if (frame.isObject && pretty && depth > 0) out.tabs(depth);
      out.ascii(frame.isObject ? '}' : ']');
      stack.pop_back();
      continue;
    }
    const JsonValue& child = *frame.children[frame.next++];
    if (frame.isObject) {
      if (pretty && depth > 0) out.tabs(depth);
      out.ascii('"');
      out.text(child.key(), escape);
      out.ascii("\":");
    }
    begin(child);  // may grow the stack: `frame` is not used after this
  }
}

}  // namespace

std::u16string writeJson(const JsonValue& node, bool pretty, bool escape,
                         std::int32_t initialCapacityBytes) {
  Utf16Sink sink(initialCapacityBytes);
  writeTree(node, pretty, escape, sink);
  return sink.take();
}

std::string writeJsonUtf8(const JsonValue& node, bool pretty, bool escape,
                          std::int32_t initialCapacityBytes) {
  Utf8Sink sink(initialCapacityBytes);
  writeTree(node, pretty, escape, sink);
  return sink.take();
}

}  // namespace orvane
