#pragma once
// The demo server's command line: ports, bind address, the pace of score
// changes and the optional switches the measurements use.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvane::demo {

enum class PushCharset { Utf8, Gbk };

struct DemoOptions {
  std::string bindAddress = "127.0.0.1";
  std::uint16_t webPort = 8099;   // 0: an ephemeral port, printed at start
  std::uint16_t pushPort = 8100;  // 0: likewise
  std::string appName = "orvane";
  std::string pageRoot;               // empty: the installed page, else the source tree's
  std::int64_t intervalMs = 2000;     // between score changes; 0: none
  std::optional<std::uint32_t> seed;  // empty: from the clock
  bool stampSendTime = false;         // data.sentAt on the envelopes the server builds
  PushCharset charset = PushCharset::Utf8;
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  DemoOptions options;
  std::string error;  // empty when the command line was good
};

// argv without the program name.
ParsedOptions parseDemoOptions(const std::vector<std::string>& arguments);

std::string demoUsage(const std::string& programName);

}  // namespace orvane::demo
