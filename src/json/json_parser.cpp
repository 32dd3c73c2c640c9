#include "json/json_parser.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "json/json_arena.h"
#include "json/json_escape.h"
#include "json/json_number.h"
#include "json/json_value.h"

namespace orvane {
namespace {

constexpr std::size_t kInitialStackRoom = 1024;

bool isBlank(char16_t c) noexcept { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool isQuote(char16_t c) noexcept { return c == u'"' || c == u'\''; }

bool equals(const char16_t* token, std::size_t n, std::u16string_view word) noexcept {
  return std::u16string_view(token, n) == word;
}

enum class TokenKind { Bad, String, Null, True, False, Integer, Decimal };

TokenKind classifyToken(const char16_t* token, std::size_t n) noexcept {
  const char16_t first = token[0];
  if (isQuote(first)) return n >= 2 && token[n - 1] == first ? TokenKind::String : TokenKind::Bad;
  if (equals(token, n, u"null")) return TokenKind::Null;
  if (equals(token, n, u"true")) return TokenKind::True;
  if (equals(token, n, u"false")) return TokenKind::False;
  switch (classifyNumberText(std::u16string_view(token, n))) {
    case NumberTextKind::Integer:
      return TokenKind::Integer;
    case NumberTextKind::Decimal:
      return TokenKind::Decimal;
    case NumberTextKind::NotNumber:
      break;
  }
  return TokenKind::Bad;
}

// The text of a quoted token, escapes decoded.
std::u16string stringContent(const char16_t* token, std::size_t n, bool decodeUnicodeEscapes) {
  const std::u16string_view inner(token + 1, n - 2);
  if (inner.find(u'\\') == std::u16string_view::npos) return std::u16string(inner);
  // Decode with the closing quote, which an escape before it may take
  // (top-level text is not scanned for escapes), then drop that quote.
  std::u16string text;
  text.reserve(n);
  appendDecodedEscapes(std::u16string_view(token + 1, n - 1), decodeUnicodeEscapes, text);
  text.pop_back();
  return text;
}

// A new node for a token already classified (not Bad).
JsonValue* createNode(TokenKind kind, const char16_t* token, std::size_t n,
                      bool decodeUnicodeEscapes, JsonArena* arena) {
  const std::u16string_view text(token, n);
  switch (kind) {
    case TokenKind::String:
      return JsonValue::createString(stringContent(token, n, decodeUnicodeEscapes), arena);
    case TokenKind::Null:
      return JsonValue::createNull(arena);
    case TokenKind::True:
    case TokenKind::False:
      return JsonValue::createBoolean(kind == TokenKind::True, arena);
    case TokenKind::Integer:
      return JsonValue::createInteger(readInteger64(text), std::u16string(text), arena);
    case TokenKind::Decimal:
    case TokenKind::Bad:
      break;
  }
  return JsonValue::createDecimal(readDecimal(text), std::u16string(text), arena);
}

// Gives an existing node (the root) the value of a token, in place.
void applyToken(JsonValue* node, TokenKind kind, const char16_t* token, std::size_t n,
                bool decodeUnicodeEscapes) {
  const std::u16string_view text(token, n);
  switch (kind) {
    case TokenKind::String:
      node->setString(stringContent(token, n, decodeUnicodeEscapes));
      return;
    case TokenKind::Null:
      node->setNull();
      return;
    case TokenKind::True:
    case TokenKind::False:
      node->setBoolean(kind == TokenKind::True);
      return;
    case TokenKind::Integer:
      node->setInteger(readInteger64(text), std::u16string(text));
      return;
    case TokenKind::Decimal:
    case TokenKind::Bad:
      break;
  }
  node->setDecimal(readDecimal(text), std::u16string(text));
}

struct Frame {
  JsonValue* container;
  JsonParseState state;
};

// The parse stack. Each thread keeps one (1024 pairs to begin with) for its
// next parse, unless it grew very large.
class JsonParseStack {
 public:
  JsonParseStack() : frames_(&own_) {
    if (!threadStack.busy) {
      threadStack.busy = true;
      frames_ = &threadStack.frames;
      borrowed_ = true;
    }
    frames_->reserve(kInitialStackRoom);
  }
  ~JsonParseStack() {
    frames_->clear();
    if (!borrowed_) return;
    if (frames_->capacity() > kKeptStackRoom) std::vector<Frame>().swap(*frames_);
    threadStack.busy = false;
  }
  JsonParseStack(const JsonParseStack&) = delete;
  JsonParseStack& operator=(const JsonParseStack&) = delete;

  std::vector<Frame>& frames() noexcept { return *frames_; }

 private:
  static constexpr std::size_t kKeptStackRoom = 64 * 1024;
  struct ThreadStack {
    std::vector<Frame> frames;
    bool busy = false;
  };
  static thread_local ThreadStack threadStack;

  std::vector<Frame> own_;
  std::vector<Frame>* frames_;
  bool borrowed_ = false;
};

thread_local JsonParseStack::ThreadStack JsonParseStack::threadStack;

class Parser {
 public:
  // `position` follows the scan, so it is known even when the parse is cut
  // short by running out of memory.
  Parser(JsonValue* root, const char16_t* text, std::size_t length, bool decodeUnicodeEscapes,
         std::size_t& position)
      : root_(root), text_(text), length_(length), decode_(decodeUnicodeEscapes), i_(position) {}
  ~Parser() {
    if (arena_ != nullptr) arena_->release();
  }
  Parser(const Parser&) = delete;
  Parser& operator=(const Parser&) = delete;

  std::int32_t run();

 private:
  std::int32_t openContainer(JsonKind kind, const char16_t* key, std::size_t keyLength);
  std::int32_t scanTopLevel();
  std::int32_t scanArray();
  std::int32_t scanObject();
  std::int32_t finishElement(JsonValue* array, std::size_t start, std::size_t end);
  std::int32_t finishMember(JsonValue* object, std::size_t keyStart, std::size_t keyEnd,
                            std::size_t valueStart, std::size_t valueEnd);
  // The nodes of one parse share an arena, made when the first is needed.
  JsonArena* arena() {
    if (arena_ == nullptr) arena_ = JsonArena::create();
    return arena_;
  }
  // The end of a run of quoted characters: the next `quote`, backslash or
  // the end of the text.
  std::size_t quotedRunEnd(std::size_t from, char16_t quote) const noexcept {
    std::size_t k = from;
    while (k < length_ && text_[k] != quote && text_[k] != u'\\') ++k;
    return k;
  }
  // Steps over a backslash and its escape: six units for \u, else two (never
  // past the end of the text).
  std::size_t escapeEnd(std::size_t at) const noexcept {
    const std::size_t step = (at + 1 < length_ && text_[at + 1] == u'u') ? 6 : 2;
    return std::min(at + step, length_);
  }

  JsonValue* root_;
  const char16_t* text_;
  std::size_t length_;
  bool decode_;
  JsonArena* arena_ = nullptr;
  JsonParseStack parseStack_;
  std::vector<Frame>& stack_ = parseStack_.frames();
  std::size_t& i_;
};

std::int32_t Parser::run() {
  root_->clearContent();
  std::int32_t result = JsonOk;
  for (i_ = 0; i_ <= length_; ++i_) {
    const char16_t c = i_ < length_ ? text_[i_] : u'\0';
    switch (c) {
      case u'\0':
      case u'\t':
      case u'\n':
      case u'\r':
      case u' ':
        continue;
      case u'{':
        result = openContainer(JsonKind::Object, nullptr, 0);
        break;
      case u'[':
        result = openContainer(JsonKind::Array, nullptr, 0);
        break;
      default:
        if (stack_.empty()) {
          result = scanTopLevel();
        } else if (stack_.back().container->kind() == JsonKind::Array) {
          result = scanArray();
        } else {
          result = scanObject();
        }
        break;
    }
    if (result != JsonOk) break;
  }
  if (result == JsonOk && !stack_.empty()) result = JsonUnclosed;
  return result;
}

std::int32_t Parser::openContainer(JsonKind kind, const char16_t* key, std::size_t keyLength) {
  const JsonParseState state =
      kind == JsonKind::Object ? JsonParseState::ExpectKey : JsonParseState::ExpectValue;
  if (stack_.empty()) {
    // The root itself becomes the container; an Object root keeps members
    // from an earlier object in the same text, so does an Array root.
    if (root_->kind() != kind) root_->becomeEmpty(kind);
    stack_.push_back({root_, state});
    return JsonOk;
  }
  const Frame& top = stack_.back();
  if (top.state != JsonParseState::ExpectValue) return JsonBadStructure;
  JsonValue* parent = top.container;
  if (parent->kind() == JsonKind::Object && (key == nullptr || keyLength == 0))
    return JsonBadStructure;
  JsonValueRef child(JsonValue::create(kind, arena()));
  if (parent->kind() == JsonKind::Array) {
    parent->appendElement(child.get());
  } else {
    parent->storeMember(decodeEscapes(std::u16string_view(key, keyLength), decode_), child.get());
  }
  // The parent's state stays ExpectValue until this container closes.
  stack_.push_back({child.release(), state});
  return JsonOk;
}

std::int32_t Parser::scanTopLevel() {
  // The token runs to the end of the text, trailing blanks included.
  const TokenKind kind = classifyToken(text_ + i_, length_ - i_);
  if (kind == TokenKind::Bad) return JsonBadToken;
  applyToken(root_, kind, text_ + i_, length_ - i_, decode_);
  i_ = length_;
  return JsonOk;
}

std::int32_t Parser::scanArray() {
  Frame& top = stack_.back();
  JsonValue* array = top.container;
  if (top.state == JsonParseState::AfterValue) {
    top.state = JsonParseState::ExpectValue;
    if (text_[i_] == u',') return JsonOk;
  }
  if (top.state != JsonParseState::ExpectValue) return JsonBadToken;

  std::size_t start = i_;  // token is [start, end)
  std::size_t end = i_;
  bool gap = false;  // a blank came after counted characters
  char16_t quote = 0;
  while (i_ < length_) {
    const char16_t c = text_[i_];
    if (quote == 0) {
      if (isBlank(c)) {
        if (end == start) {
          start = i_ + 1;
          end = start;
        } else {
          gap = true;
        }
        ++i_;
        continue;
      }
      if (c == u'{' || c == u'[') {
        if (end != start) {
          i_ = start;
          return JsonBadToken;
        }
        return openContainer(c == u'{' ? JsonKind::Object : JsonKind::Array, nullptr, 0);
      }
      if (c == u']') {
        stack_.pop_back();
        if (!stack_.empty()) stack_.back().state = JsonParseState::AfterValue;
        return finishElement(array, start, end);
      }
      if (c == u',') return finishElement(array, start, end);
    } else if (c != quote && c != u'\\') {
      // Inside quotes everything counts up to the closing quote or an escape.
      i_ = quotedRunEnd(i_, quote);
      end = i_;
      continue;
    }
    // A counted character. Two runs with a blank between them ("1 2") are
    // not one token.
    if (gap) {
      i_ = start;
      return JsonBadToken;
    }
    if (isQuote(c)) {
      if (quote == 0) {
        quote = c;
      } else if (c == quote) {
        quote = 0;
      }
      ++i_;
    } else if (c == u'\\') {
      i_ = escapeEnd(i_);
    } else {
      ++i_;
    }
    end = i_;
  }
  if (quote != 0) {
    i_ = start;
    return JsonBadToken;
  }
  return finishElement(array, start, end);
}

std::int32_t Parser::finishElement(JsonValue* array, std::size_t start, std::size_t end) {
  if (end == start) return JsonOk;  // an empty slot is no element
  const TokenKind kind = classifyToken(text_ + start, end - start);
  if (kind == TokenKind::Bad) {
    i_ = start;
    return JsonBadToken;
  }
  JsonValueRef node(createNode(kind, text_ + start, end - start, decode_, arena()));
  array->appendElement(node.get());
  node.release();
  return JsonOk;
}

std::int32_t Parser::scanObject() {
  Frame& top = stack_.back();
  JsonValue* object = top.container;
  if (top.state == JsonParseState::AfterValue) {
    top.state = JsonParseState::ExpectKey;
    if (text_[i_] == u',') return JsonOk;
  }
  if (top.state != JsonParseState::ExpectKey) return JsonBadStructure;

  bool inKey = true;
  std::size_t keyStart = i_;  // key is [keyStart, keyEnd)
  std::size_t keyEnd = i_;
  std::size_t valueStart = 0;  // value is [valueStart, valueEnd)
  std::size_t valueEnd = 0;
  bool keyClosed = false;  // a quoted key has seen its closing quote
  bool gap = false;        // a blank came after counted characters
  char16_t quote = 0;
  while (i_ < length_) {
    const char16_t c = text_[i_];
    if (quote == 0) {
      if (isBlank(c)) {
        if (inKey) {
          if (keyEnd == keyStart) {
            keyStart = i_ + 1;
            keyEnd = keyStart;
          } else {
            gap = true;
          }
        } else if (valueEnd == valueStart) {
          valueStart = i_ + 1;
          valueEnd = valueStart;
        } else {
          gap = true;
        }
        ++i_;
        continue;
      }
      if (isQuote(c)) {
        if (inKey) {
          // Only one quoted string, and only before any key character.
          if (keyEnd != keyStart || keyClosed) return JsonBadStructure;
          quote = c;
          ++i_;
          keyStart = i_;
          keyEnd = i_;
          continue;
        }
        if (gap) {
          i_ = valueStart;
          return JsonBadToken;
        }
        quote = c;
        ++i_;
        valueEnd = i_;
        continue;
      }
      if (c == u':' && inKey) {
        if (keyEnd == keyStart) return JsonBadStructure;
        inKey = false;
        gap = false;
        stack_.back().state = JsonParseState::ExpectValue;
        ++i_;
        valueStart = i_;
        valueEnd = i_;
        continue;
      }
      if (c == u'{' || c == u'[') {
        if (!inKey && valueEnd != valueStart) {
          i_ = valueStart;
          return JsonBadToken;
        }
        // Opening takes the pending key; in key position it is refused.
        return openContainer(c == u'{' ? JsonKind::Object : JsonKind::Array, text_ + keyStart,
                             keyEnd - keyStart);
      }
      if (c == u'}') {
        stack_.pop_back();
        if (!stack_.empty()) stack_.back().state = JsonParseState::AfterValue;
        if (keyEnd == keyStart) return JsonOk;
        return finishMember(object, keyStart, keyEnd, valueStart, valueEnd);
      }
      if (c == u',') {
        const std::int32_t result = finishMember(object, keyStart, keyEnd, valueStart, valueEnd);
        stack_.back().state = JsonParseState::ExpectKey;
        return result;
      }
    }
    if (quote != 0 && c != quote && c != u'\\') {
      // Inside quotes everything counts up to the closing quote or an escape.
      i_ = quotedRunEnd(i_, quote);
      if (inKey) {
        keyEnd = i_;
      } else {
        valueEnd = i_;
      }
      continue;
    }
    // A counted character of the key or the value.
    if (inKey) {
      if (keyClosed || gap) return JsonBadStructure;
    } else if (gap) {
      i_ = valueStart;
      return JsonBadToken;
    }
    if (quote != 0 && c == quote) {
      quote = 0;
      if (inKey) {  // the closing quote is not part of the key
        keyClosed = true;
        ++i_;
        continue;
      }
      ++i_;
    } else if (c == u'\\') {
      i_ = escapeEnd(i_);
    } else {
      ++i_;
    }
    if (inKey) {
      keyEnd = i_;
    } else {
      valueEnd = i_;
    }
  }
  if (quote != 0) {
    i_ = valueStart;
    return JsonBadToken;
  }
  return finishMember(object, keyStart, keyEnd, valueStart, valueEnd);
}

std::int32_t Parser::finishMember(JsonValue* object, std::size_t keyStart, std::size_t keyEnd,
                                  std::size_t valueStart, std::size_t valueEnd) {
  if (keyEnd == keyStart || valueEnd == valueStart) {
    // A key without a value, or an empty slot ("{,", ",,").
    if (keyEnd != keyStart) i_ = valueStart;
    return JsonBadToken;
  }
  const TokenKind kind = classifyToken(text_ + valueStart, valueEnd - valueStart);
  if (kind == TokenKind::Bad) {
    i_ = valueStart;
    return JsonBadToken;
  }
  JsonValueRef node(createNode(kind, text_ + valueStart, valueEnd - valueStart, decode_, arena()));
  object->storeMember(
      decodeEscapes(std::u16string_view(text_ + keyStart, keyEnd - keyStart), decode_), node.get());
  node.release();
  return JsonOk;
}

}  // namespace

std::int32_t parseInto(JsonValue* root, const char16_t* text, std::size_t length,
                       bool decodeUnicodeEscapes, std::int32_t* errorPosition) {
  std::int32_t position = 0;
  std::int32_t result = JsonOk;
  if (root == nullptr || text == nullptr || length == 0) {
    // Empty text is a failure like any other: no earlier content survives.
    if (root != nullptr) root->clearContent();
    result = JsonNoInput;
  } else {
    std::size_t stopped = 0;
    try {
      Parser parser(root, text, length, decodeUnicodeEscapes, stopped);
      result = parser.run();
    } catch (const std::bad_alloc&) {
      result = JsonNoMemory;
    }
    if (result != JsonOk) {
      root->clearContent();
      position = static_cast<std::int32_t>(
          std::min<std::size_t>(stopped, std::numeric_limits<std::int32_t>::max()));
    }
  }
  if (errorPosition != nullptr) *errorPosition = position;
  return result;
}

}  // namespace orvane
