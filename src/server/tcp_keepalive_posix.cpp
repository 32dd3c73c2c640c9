#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "server/tcp_keepalive.h"

namespace orvane {

bool enableKeepAlive(asio::ip::tcp::socket& socket, const KeepAliveTimings& timings) {
  asio::error_code ec;
  socket.set_option(asio::socket_base::keep_alive(true), ec);
  if (ec) return false;
  const int fd = socket.native_handle();
  const int idle = static_cast<int>(timings.idle.count());
  const int interval = static_cast<int>(timings.interval.count());
  const int probes = timings.probes;
  return ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) == 0 &&
         ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) == 0 &&
         ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) == 0;
}

}  // namespace orvane
