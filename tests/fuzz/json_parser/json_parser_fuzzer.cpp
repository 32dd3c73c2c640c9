// Fuzzes the JSON parser and writer together.
//
// The first byte picks options (bit 0: decode \u escapes, bit 1: pretty
// output, bit 2: the rest is UTF-16LE instead of UTF-8), so a seed file that
// starts with '0' to '7' is plain text after that character.
//
// Every input must either fail with an empty root and a sane position, or
// parse; then what is written must parse again and write the very same text,
// and a deep copy must write it too. No input may crash, leak or hit
// undefined behaviour (the fuzz build runs under ASan and UBSan).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "json/json_document.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "json fuzz check failed: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using orvane::JsonDocument;
  using orvane::JsonKind;
  if (size == 0) return 0;
  const bool decode = (data[0] & 1) != 0;
  const bool pretty = (data[0] & 2) != 0;
  const bool wide = (data[0] & 4) != 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  JsonDocument doc;
  std::int32_t code = 0;
  std::int32_t position = 0;
  bool parsed = false;
  std::size_t units = 0;
  if (wide) {
    std::u16string text;
    for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
      text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[k]) |
                                           (static_cast<std::uint8_t>(bytes[k + 1]) << 8)));
    }
    units = text.size();
    parsed = doc.parse(text, decode, &code, &position);
  } else {
    units = bytes.size() * 2;  // an upper bound on the UTF-16 length
    parsed = doc.parse(bytes, decode, &code, &position);
  }

  if (!parsed) {
    check(code >= -6 && code <= -2, "result code in range");
    check(position >= 0 && static_cast<std::size_t>(position) <= units + 1, "position in range");
    check(doc.countAt() == 0, "root emptied");
    const std::int32_t kind = doc.kindAt();
    check(kind == static_cast<std::int32_t>(JsonKind::Object) ||
              kind == static_cast<std::int32_t>(JsonKind::Array),
          "a fresh root stays a container");
    return 0;
  }
  check(code == 0 && position == 0, "success reports 0 at 0");

  // Written text must read back to a tree that writes the very same text. A
  // UTF-16 input goes round through UTF-16, where lone surrogates are text;
  // UTF-8 keeps them only as escapes, which need decoding to read back.
  JsonDocument again;
  if (wide) {
    const std::u16string written = doc.toText(u"", pretty, true);
    check(again.parse(written, decode), "written UTF-16 text parses again");
    check(again.toText(u"", pretty, true) == written, "written UTF-16 text is a fixed point");
    check(JsonDocument().parse(doc.toText("", pretty, true), true), "UTF-8 form parses too");
  } else {
    const std::string written = doc.toText("", pretty, true);
    check(again.parse(written, decode), "written text parses again");
    check(again.toText("", pretty, true) == written, "written text is a fixed point");
  }
  check(again.toText("", !pretty, true) == doc.toText("", !pretty, true), "other layout agrees");

  const std::string written = doc.toText("", pretty, true);
  JsonDocument copy = doc.copyAt("");
  check(copy.toText("", pretty, true) == written, "deep copy writes the same");

  // Parsing again into a root that has content replaces that content.
  check(copy.parse(doc.toText(u"", pretty, true), decode), "reparse into a used root");
  check(copy.toText(u"", pretty, true) == doc.toText(u"", pretty, true),
        "reused root writes the same");

  // Merge and sort run over whatever shape came in; they must not crash.
  copy.mergeText("", written, decode, true);
  copy.sortMembers("", false);
  return 0;
}
