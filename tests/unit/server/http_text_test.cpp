#include "server/http_text.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(NormalizeUrl, Table) {
  const std::pair<const char*, const char*> cases[] = {
      {"127.0.0.1:8099", "http://127.0.0.1:8099/"},
      {"http://127.0.0.1:8099", "http://127.0.0.1:8099/"},
      {"http://h:1/a/b.php", "http://h:1/a/b.php"},
      {"http://h/", "http://h/"},
      {"https://h", "https://h/"},
      {"HTTP://h", "HTTP://h/"},
      {"h/path", "http://h/path"},
      // A host whose name begins with "http" still gets its scheme.
      {"httpserver:8099", "http://httpserver:8099/"},
      // The path goes in front of a query, not behind it.
      {"http://h?x=/y", "http://h/?x=/y"},
      {"http://h:1/api100.php?fun=port&name=tcp", "http://h:1/api100.php?fun=port&name=tcp"},
  };
  for (const auto& [url, expected] : cases) {
    EXPECT_EQ(normalizeUrl(url), expected) << url;
  }
}

TEST(ResolveLocation, Table) {
  struct Case {
    const char* current;
    const char* location;
    const char* expected;
  };
  const Case cases[] = {
      {"http://h:1/a/b.php", "/login", "http://h:1/login"},
      {"http://h:1/a/b.php", "next.php", "http://h:1/a/next.php"},
      {"http://h:1/a/b.php", "//h:2/x", "http://h:2/x"},
      {"https://h:1/a/b.php", "//h:2/x", "https://h:2/x"},
      {"http://h:1/a/b.php", "http://other/y", "http://other/y"},
      {"http://h:1/a/b.php", "HTTPS://other/", "HTTPS://other/"},
      {"http://h:1/a/b.php", "?page=2", "http://h:1/a/b.php?page=2"},
      {"http://h:1/a/b.php?x=1#top", "#end", "http://h:1/a/b.php?x=1#end"},
      {"http://h:1/a/b.php?r=/x/y", "c.php", "http://h:1/a/c.php"},
      {"http://h:1/a/b.php?r=/x/y", "/c.php", "http://h:1/c.php"},
      {"http://h:1/", "c.php", "http://h:1/c.php"},
      {"http://h:1/a/", "c.php", "http://h:1/a/c.php"},
      // Relative, even though it begins with the letters "http".
      {"http://h:1/a/b.php", "httpdocs/i.html", "http://h:1/a/httpdocs/i.html"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(resolveLocation(c.current, c.location), c.expected)
        << c.current << " + " << c.location;
  }
}

TEST(HeaderValue, MatchesWholeFieldNamesRegardlessOfCase) {
  const char* headers =
      "HTTP/1.1 302 Found\r\n"
      "Content-Location: /wrong\r\n"
      "location:  /right \r\n"
      "Set-Cookie: a=1\r\n"
      "SET-COOKIE: b=2\r\n"
      "\r\n";
  EXPECT_EQ(headerValue(headers, "Location"), "/right");
  EXPECT_EQ(headerValue(headers, "Content-Location"), "/wrong");
  EXPECT_EQ(headerValue(headers, "Refresh"), "");
  EXPECT_EQ(headerValue("", "Location"), "");
  EXPECT_EQ(headerValues(headers, "set-cookie"), (std::vector<std::string>{"a=1", "b=2"}));
  // A last line without its line end still counts.
  EXPECT_EQ(headerValue("HTTP/1.1 301 Moved\r\nLocation: /x", "location"), "/x");
}

}  // namespace
}  // namespace orvane
