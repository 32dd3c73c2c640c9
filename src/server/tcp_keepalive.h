#pragma once
// TCP keep-alive with the timings the push service's peers use, so a server
// that vanished without closing (power loss, cable pulled) is noticed.

#include <asio/ip/tcp.hpp>
#include <chrono>

namespace orvane {

struct KeepAliveTimings {
  std::chrono::seconds idle{60};      // quiet time before the first probe
  std::chrono::seconds interval{20};  // between unanswered probes
  int probes = 5;                     // unanswered probes before the link is dropped
};

// Turns keep-alive on for an open socket; false when the system refused.
bool enableKeepAlive(asio::ip::tcp::socket& socket, const KeepAliveTimings& timings = {});

}  // namespace orvane
