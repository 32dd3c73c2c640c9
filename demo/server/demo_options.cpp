#include "demo_options.h"

#include <charconv>
#include <limits>
#include <string_view>

namespace orvane::demo {

namespace {

template <typename Number>
bool readNumber(std::string_view text, Number low, Number high, Number& out) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return false;
  }
  out = value;
  return true;
}

}  // namespace

ParsedOptions parseDemoOptions(const std::vector<std::string>& arguments) {
  ParsedOptions parsed;
  DemoOptions& o = parsed.options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view name = arguments[i];
    std::optional<std::string> inlineValue;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      inlineValue = std::string(name.substr(equals + 1));
      name = name.substr(0, equals);
    }
    // The option's value: after '=' or the next argument.
    const auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 < arguments.size()) return arguments[++i];
      return std::nullopt;
    };
    const auto fail = [&](const std::string& why) {
      parsed.error = std::string(name) + ": " + why;
      return parsed;
    };
    const auto flag = [&](bool& target) {
      if (inlineValue) return false;
      target = true;
      return true;
    };

    if (name == "-h" || name == "--help") {
      o.help = true;
    } else if (name == "--version") {
      o.version = true;
    } else if (name == "--stamp") {
      if (!flag(o.stampSendTime)) return fail("takes no value");
    } else if (name == "--bind" || name == "--app" || name == "--page-root" ||
               name == "--charset") {
      const auto text = value();
      if (!text || text->empty()) return fail("needs a value");
      if (name == "--bind") {
        o.bindAddress = *text;
      } else if (name == "--app") {
        if (text->find_first_of("/\\?#%") != std::string::npos || *text == "." || *text == "..") {
          return fail("must be a plain name");
        }
        o.appName = *text;
      } else if (name == "--page-root") {
        o.pageRoot = *text;
      } else if (*text == "utf-8" || *text == "utf8") {
        o.charset = PushCharset::Utf8;
      } else if (*text == "gbk") {
        o.charset = PushCharset::Gbk;
      } else {
        return fail("is utf-8 or gbk");
      }
    } else if (name == "--web-port" || name == "--push-port") {
      const auto text = value();
      std::uint16_t port = 0;
      if (!text || !readNumber<std::uint16_t>(*text, 0, 65535, port)) {
        return fail("needs a port number, 0 to 65535");
      }
      (name == "--web-port" ? o.webPort : o.pushPort) = port;
    } else if (name == "--interval") {
      const auto text = value();
      if (!text || !readNumber<std::int64_t>(*text, 0, 86400000, o.intervalMs)) {
        return fail("needs milliseconds, 0 to 86400000");
      }
    } else if (name == "--seed") {
      const auto text = value();
      std::uint32_t seed = 0;
      if (!text ||
          !readNumber<std::uint32_t>(*text, 0, std::numeric_limits<std::uint32_t>::max(), seed)) {
        return fail("needs a number, 0 to 4294967295");
      }
      o.seed = seed;
    } else {
      parsed.error = "unknown option " + arguments[i];
      return parsed;
    }
  }
  if (o.webPort != 0 && o.webPort == o.pushPort) {
    parsed.error = "--web-port and --push-port must differ";
  }
  return parsed;
}

std::string demoUsage(const std::string& programName) {
  return "Usage: " + programName + R"( [options]

Stands in for the leaderboard server on the local network: the web base the
client waits for, the push port query, the leaderboard page, and the push
service that logs clients in and pushes score changes to them.

Options:
  --bind ADDR        address both services listen on (default 127.0.0.1;
                     0.0.0.0 for every interface, admin endpoints included)
  --web-port N       HTTP port (default 8099; 0 picks a free one)
  --push-port N      push service port (default 8100; 0 picks a free one)
  --app NAME         application name in the page path /client/app/NAME/
                     (default orvane)
  --page-root DIR    folder with the page's index.html (default: the
                     installed page, else the source tree's demo/page)
  --interval MS      milliseconds between score changes (default 2000;
                     0 pushes none until asked)
  --seed N           start the board and its changes from this seed
                     (default: from the clock)
  --stamp            put the send time, milliseconds since the epoch, in
                     data.sentAt of every envelope the server builds
  --charset CS       utf-8 (default): envelopes carry "char":"utf-8";
                     gbk: envelopes in code page 936 without that member
  --version          print the version and exit
  -h, --help         print this text and exit

HTTP:
  GET  /                            200 (the client's readiness probe)
  GET  /api100.php?fun=port&name=tcp  the push port as decimal text
  GET  /client/app/NAME/            the leaderboard page and its files
  GET  /api/board                   the current board as a snapshot envelope
Operator (plain HTTP, no authentication: keep --bind on a trusted network):
  POST /admin/push                  body = one envelope, sent byte for byte
                                    to every logged-in client
  POST /admin/update                push {"c":"sys","a":"update"}
  POST /admin/snapshot              push the whole board
  POST /admin/burst?count=N         push N score changes, each with the next
                                    sequence number, as fast as the clients
                                    take them (one burst at a time)
  POST /admin/interval?ms=N         change the pace of score changes
  GET  /admin/logins                the logins seen, as JSON
  GET  /admin/status                sequence number, clients, burst state

Examples (a POST needs a length: give curl -d, empty where there is no body):
  curl -d '{"c":"board","a":"notice","data":{"text":"hi"},"char":"utf-8"}' \
       http://127.0.0.1:8099/admin/push
  curl -d '' 'http://127.0.0.1:8099/admin/burst?count=10000'

One line per event goes to standard output. SIGINT or SIGTERM stops the
server (exit code 0); a port that cannot be bound exits with 1, a bad
command line with 2.
)";
}

}  // namespace orvane::demo
