#include "sys/utf.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_map>

namespace orvane::text {
namespace {

struct Utf8Case {
  const char* name;
  std::string input;
  std::u16string utf16;  // expected decoding
  bool valid;
};

const std::u16string kFFFD(1, u'\xFFFD');

TEST(Utf8Decoding, TableOfWellFormedAndIllFormedInput) {
  const Utf8Case cases[] = {
      {"empty", "", u"", true},
      {"ascii", "clientJS2({})", u"clientJS2({})", true},
      {"ascii past an eight-byte run", "plain ascii, longer than eight bytes",
       u"plain ascii, longer than eight bytes", true},
      {"multi-byte right after an eight-byte run",
       "12345678\xE6\x8E\x92"
       "abcdefgh",
       u"12345678排abcdefgh", true},
      {"nul inside", std::string("nul\0inside", 10), std::u16string(u"nul\0inside", 10), true},
      {"chinese", "\xE6\x8E\x92\xE8\xA1\x8C\xE6\xA6\x9C", u"排行榜", true},
      {"emoji as surrogate pair", "\xF0\x9F\x8F\x86", u"\U0001F3C6", true},
      {"u+fffd itself is valid", "\xEF\xBF\xBD", kFFFD, true},
      {"lone continuation", "a\x80z", u"a" + kFFFD + u"z", false},
      {"overlong slash", "\xC0\xAF", kFFFD + kFFFD, false},
      {"overlong three-byte", "\xE0\x80\xAF", kFFFD + kFFFD + kFFFD, false},
      {"surrogate encoded", "\xED\xA0\x80", kFFFD + kFFFD + kFFFD, false},
      {"above u+10ffff", "\xF4\x90\x80\x80", kFFFD + kFFFD + kFFFD + kFFFD, false},
      {"truncated at end is one subpart", "x\xE6\x8E", u"x" + kFFFD, false},
      {"truncated then ascii", "\xF0\x9F\x8Fz", kFFFD + u"z", false},
      {"gbk bytes are not utf-8", "\xC5\xC5\xD0\xD0", kFFFD + kFFFD + kFFFD + kFFFD, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(utf8ToUtf16(c.input), c.utf16);
    EXPECT_EQ(isValidUtf8(c.input), c.valid);
    const std::string clean = sanitizeUtf8(c.input);
    EXPECT_TRUE(isValidUtf8(clean));
    EXPECT_EQ(utf8ToUtf16(clean), c.utf16);
    if (c.valid) {
      EXPECT_EQ(clean, c.input);
    }
  }
}

// The maximal-subpart rule written from its definition rather than from the
// byte ranges the library checks: every prefix of the UTF-8 encoding of every
// scalar value, keyed by (length, bytes), with the code point for a whole
// encoding and kPartOnly for a shorter prefix.
constexpr char32_t kPartOnly = 0xFFFFFFFF;

std::uint64_t prefixKey(const unsigned char* bytes, std::size_t length) {
  std::uint64_t key = length;
  for (std::size_t k = 0; k < length; ++k) key = (key << 8) | bytes[k];
  return key;
}

const std::unordered_map<std::uint64_t, char32_t>& encodingPrefixes() {
  static const auto* const prefixes = [] {
    auto* all = new std::unordered_map<std::uint64_t, char32_t>();
    all->reserve(1200000);
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      unsigned char bytes[4];
      std::size_t length = 0;
      if (cp < 0x80) {
        bytes[length++] = static_cast<unsigned char>(cp);
      } else {
        // Continuation bytes from the low end, then the lead byte.
        constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
        const std::size_t total = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
        char32_t rest = cp;
        for (std::size_t k = total - 1; k > 0; --k) {
          bytes[k] = static_cast<unsigned char>(0x80 | (rest & 0x3F));
          rest >>= 6;
        }
        bytes[0] = static_cast<unsigned char>(kLead[total] | rest);
        length = total;
      }
      for (std::size_t k = 1; k < length; ++k) all->emplace(prefixKey(bytes, k), kPartOnly);
      (*all)[prefixKey(bytes, length)] = cp;
    }
    return all;
  }();
  return *prefixes;
}

// At each position the longest run of bytes that begins some encoding: a
// whole encoding is its character, a shorter run (or none at all) is one
// U+FFFD.
std::u16string referenceDecode(const std::string& text, bool& replaced) {
  const auto& prefixes = encodingPrefixes();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::u16string out;
  replaced = false;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t longest = 0;
    char32_t cp = kPartOnly;
    for (std::size_t length = 1; length <= 4 && i + length <= text.size(); ++length) {
      const auto found = prefixes.find(prefixKey(bytes + i, length));
      if (found == prefixes.end()) break;
      longest = length;
      cp = found->second;
    }
    i += longest == 0 ? 1 : longest;
    if (cp == kPartOnly) {
      replaced = true;
      out.push_back(u'\xFFFD');
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

// Random bytes, biased towards the lead and continuation ranges, with ASCII
// runs of every length around the decoder's eight-byte steps.
TEST(Utf8Decoding, AgreesWithTheDefinitionOnRandomBytes) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> pieces(0, 30);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> asciiRun(0, 12);
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    const int n = pieces(random);
    for (int k = 0; k < n; ++k) {
      int b = byte(random);
      if (b < 32) {
        bytes.append(static_cast<std::size_t>(asciiRun(random)), static_cast<char>('a' + b % 26));
        continue;
      }
      if (b < 96) b = 0x80 + (b % 64);  // continuation bytes
      bytes.push_back(static_cast<char>(b));
    }
    bool replaced = false;
    const std::u16string expected = referenceDecode(bytes, replaced);
    ASSERT_EQ(utf8ToUtf16(bytes), expected) << "round " << round;
    ASSERT_EQ(isValidUtf8(bytes), !replaced) << "round " << round;
    ASSERT_EQ(utf8ToUtf16(sanitizeUtf8(bytes)), expected) << "round " << round;
    std::u16string appended = u"kept";
    appendUtf8AsUtf16(bytes, appended);
    ASSERT_EQ(appended, u"kept" + expected) << "round " << round;
  }
}

TEST(Utf16Encoding, RoundTripsAndReplacesLoneSurrogates) {
  const std::u16string text = u"排行榜 \U0001F3C6 score=100";
  EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(text)), text);

  std::u16string lone;
  lone.push_back(u'a');
  lone.push_back(static_cast<char16_t>(0xD83C));  // high surrogate, no partner
  lone.push_back(u'b');
  lone.push_back(static_cast<char16_t>(0xDFC6));  // low surrogate alone
  EXPECT_EQ(utf16ToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(Utf8Encoding, CodePointsOutsideUnicodeBecomeReplacement) {
  std::string out;
  appendCodePointAsUtf8(0x110000, out);
  appendCodePointAsUtf8(0xD800, out);
  appendCodePointAsUtf8(0x24, out);
  EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD$");
}

}  // namespace
}  // namespace orvane::text
