// Not yet built: the Windows client is cross-built later; kept beside the
// POSIX file so both platforms name the same job.
// winsock2.h comes before the headers that extend it.
// clang-format off
#include <winsock2.h>
#include <mstcpip.h>
#include <ws2tcpip.h>
// clang-format on

#include "server/tcp_keepalive.h"

namespace orvane {

bool enableKeepAlive(asio::ip::tcp::socket& socket, const KeepAliveTimings& timings) {
  asio::error_code ec;
  socket.set_option(asio::socket_base::keep_alive(true), ec);
  if (ec) return false;
  tcp_keepalive values{};
  values.onoff = 1;
  values.keepalivetime = static_cast<ULONG>(timings.idle.count() * 1000);
  values.keepaliveinterval = static_cast<ULONG>(timings.interval.count() * 1000);
  DWORD returned = 0;
  if (::WSAIoctl(socket.native_handle(), SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0,
                 &returned, nullptr, nullptr) != 0) {
    return false;
  }
#ifdef TCP_KEEPCNT
  // Windows 10 1703 and later; older systems keep their fixed probe count.
  const DWORD probes = static_cast<DWORD>(timings.probes);
  ::setsockopt(socket.native_handle(), IPPROTO_TCP, TCP_KEEPCNT,
               reinterpret_cast<const char*>(&probes), sizeof probes);
#endif
  return true;
}

}  // namespace orvane
