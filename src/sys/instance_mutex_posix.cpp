#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "sys/instance_mutex.h"

namespace orvane {

InstanceMutex::InstanceMutex() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') {
    directory_ = runtime;
  } else {
    // The temporary folder is shared by every user: the user id in the name
    // keeps one user's instance from blocking another's.
    directory_ = "/tmp";
    perUserSuffix_ = true;
  }
}

InstanceMutex::InstanceMutex(std::string lockDirectory) : directory_(std::move(lockDirectory)) {}

InstanceMutex::~InstanceMutex() { release(); }

std::string InstanceMutex::lockFilePath(std::string_view name) const {
  std::string file(name);
  for (char& c : file) {
    if (c == '/') c = '_';
  }
  if (perUserSuffix_) file += "-" + std::to_string(getuid());
  std::string path = directory_;
  if (path.empty() || path.back() != '/') path += '/';
  return path + file + ".lock";
}

bool InstanceMutex::acquire(std::string_view name) {
  release();
  const std::string path = lockFilePath(name);
  // Close-on-exec: programs this process starts must not inherit the guard.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceMutex::release() {
  if (fd_ < 0) return;
  // The file stays: removing it would let a starter that already opened it
  // lock a file nobody else can find any more.
  close(fd_);
  fd_ = -1;
}

}  // namespace orvane
