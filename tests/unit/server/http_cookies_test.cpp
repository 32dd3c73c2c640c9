#include "server/http_cookies.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

std::string block(std::initializer_list<const char*> lines) {
  std::string text = "HTTP/1.1 200 OK\r\n";
  for (const char* line : lines) {
    text += line;
    text += "\r\n";
  }
  return text + "\r\n";
}

TEST(ParseSetCookies, Table) {
  const std::pair<std::string, const char*> cases[] = {
      {block({"Set-Cookie: sid=42; Path=/; HttpOnly",
              "set-cookie: lang=zh; Expires=Wed, 21 Oct 2026 07:28:00 GMT"}),
       "sid=42; lang=zh"},
      {block({"Content-Type: text/html"}), ""},
      {"", ""},
      // A value holding '=' (base64) is a value, not a reason to drop the cookie.
      {block({"Set-Cookie: token=abc==; Path=/"}), "token=abc=="},
      // Attributes are not cookies, whatever their name.
      {block({"Set-Cookie: a=1; SameSite=Lax; Secure; Priority=High"}), "a=1"},
      {block({"X-Set-Cookie: evil=1"}), ""},
      {block({"Set-Cookie: a=1", "Set-Cookie: b=2", "Set-Cookie: a=3"}), "a=3; b=2"},
      {block({"Set-Cookie: garbage", "Set-Cookie: =nameless"}), ""},
      {block({"Set-Cookie: gone=; Max-Age=0"}), "gone="},
      {block({"Set-Cookie:   x = 5 ;path=/"}), "x=5"},
  };
  for (const auto& [headers, expected] : cases) {
    EXPECT_EQ(parseSetCookies(headers), expected) << headers;
  }
}

TEST(MergeCookies, Table) {
  struct Case {
    const char* oldCookies;
    const char* newCookies;
    const char* expected;
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3", "b=3; a=1"},
      // A name inside another name is a different cookie.
      {"id=1", "sid=9", "sid=9; id=1"},
      {"", "a=1", "a=1"},
      {"a=1;", "", "a=1"},
      {" a=1 ; ", " b=2; ", "b=2; a=1"},
      {"", "", ""},
      {"a=1; junk; c=3;", "b=2;", "b=2; a=1; c=3"},
      {"a=1; a=2", "b=1", "b=1; a=1"},
      {"A=1", "a=2", "a=2; A=1"},
      {"t=x==", "u=1", "u=1; t=x=="},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mergeCookies(c.oldCookies, c.newCookies), c.expected)
        << "old=" << c.oldCookies << " new=" << c.newCookies;
  }
}

}  // namespace
}  // namespace orvane
