#pragma once
// Keeps a second copy of the program from running: a machine-wide guard named
// after the instance, held from start to teardown.
//
// On Linux the guard is an exclusive flock on a lock file named after the
// instance, in $XDG_RUNTIME_DIR (else the system's temporary folder, with the
// user id in the name). The kernel drops the lock when the holder ends in any
// way, so a killed instance never blocks the next start.

#include <string>
#include <string_view>

namespace orvane {

class InstanceMutex {
 public:
  InstanceMutex();
  // Lock files go into `lockDirectory` instead of the default folder.
  explicit InstanceMutex(std::string lockDirectory);
  ~InstanceMutex();
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;

  // True when this object now holds the guard called `name`; false when
  // another holder has it (another process, or another object here) or the
  // lock file cannot be opened. Releases whatever this object held before.
  bool acquire(std::string_view name);
  // Lets go of the guard; nothing happens when none is held.
  void release();
  bool held() const { return fd_ >= 0; }

  // The lock file that stands for `name`.
  std::string lockFilePath(std::string_view name) const;

 private:
  std::string directory_;
  bool perUserSuffix_ = false;
  int fd_ = -1;
};

}  // namespace orvane
