#include "support/http_server/loopback_sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace orvane::testing {

namespace {

// A socket bound to 127.0.0.1 on an ephemeral port; -1 on failure.
int bindLoopback(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return -1;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

SilentListener::SilentListener() {
  int port = -1;
  const int fd = bindLoopback(port);
  if (fd < 0) {
    return;
  }
  if (::listen(fd, 64) != 0) {
    ::close(fd);
    return;
  }
  socket_ = fd;
  port_ = port;
}

SilentListener::~SilentListener() {
  if (socket_ >= 0) {
    ::close(socket_);
  }
}

FullListener::FullListener() {
  int port = -1;
  const int fd = bindLoopback(port);
  if (fd < 0) {
    return;
  }
  // A backlog of 0 leaves room for one connection that is never accepted.
  if (::listen(fd, 0) != 0) {
    ::close(fd);
    return;
  }
  const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (filler < 0 || ::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (filler >= 0) {
      ::close(filler);
    }
    ::close(fd);
    return;
  }
  socket_ = fd;
  filler_ = filler;
  port_ = port;
}

FullListener::~FullListener() {
  if (filler_ >= 0) {
    ::close(filler_);
  }
  if (socket_ >= 0) {
    ::close(socket_);
  }
}

int unusedLoopbackPort() {
  int port = -1;
  const int fd = bindLoopback(port);
  if (fd < 0) {
    return -1;
  }
  ::close(fd);
  return port;
}

}  // namespace orvane::testing
