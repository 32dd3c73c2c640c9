#include "sys/instance_mutex.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_directory.h"

namespace orvane {
namespace {

using testing::TempDirectory;

// Runs `body` in a forked child and returns its exit code (-1 when it did not
// exit normally). The test programs are single-threaded here, so forking is safe.
template <typename Body>
int runInChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InstanceMutex, SecondProcessIsRefusedUntilTheFirstReleases) {
  TempDirectory dir;
  InstanceMutex first(dir.path());
  ASSERT_TRUE(first.acquire("QZorvane"));

  const auto childAcquires = [&] {
    InstanceMutex second(dir.path());
    return second.acquire("QZorvane") ? 1 : 0;
  };
  EXPECT_EQ(runInChild(childAcquires), 0);

  // Another name is another guard.
  EXPECT_EQ(runInChild([&] {
              InstanceMutex other(dir.path());
              return other.acquire("QZother") ? 1 : 0;
            }),
            1);

  first.release();
  first.release();  // twice is harmless
  EXPECT_FALSE(first.held());
  EXPECT_EQ(runInChild(childAcquires), 1);
}

TEST(InstanceMutex, KilledHolderDoesNotBlockTheNextStart) {
  TempDirectory dir;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    InstanceMutex mutex(dir.path());
    const char held = mutex.acquire("QZorvane") ? 'y' : 'n';
    if (write(ready[1], &held, 1) != 1) _exit(2);
    for (;;) pause();  // killed by the parent without releasing
  }
  close(ready[1]);
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  close(ready[0]);
  ASSERT_EQ(held, 'y');

  InstanceMutex next(dir.path());
  EXPECT_FALSE(next.acquire("QZorvane"));

  kill(holder, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(holder, &status, 0), holder);
  EXPECT_TRUE(next.acquire("QZorvane"));
  EXPECT_TRUE(next.held());
}

TEST(InstanceMutex, SecondHolderInTheSameProcessIsRefusedAndAcquireReleasesFirst) {
  TempDirectory dir;
  InstanceMutex a(dir.path());
  InstanceMutex b(dir.path());
  ASSERT_TRUE(a.acquire("one"));
  EXPECT_FALSE(b.acquire("one"));
  // Acquiring another name lets go of "one".
  ASSERT_TRUE(a.acquire("two"));
  EXPECT_TRUE(b.acquire("one"));
  EXPECT_FALSE(b.acquire("two"));  // and b no longer holds "one"
  InstanceMutex c(dir.path());
  EXPECT_TRUE(c.acquire("one"));
}

TEST(InstanceMutex, LockFileNameAndUnusableFolder) {
  InstanceMutex inDir("/run/x/");
  EXPECT_EQ(inDir.lockFilePath("QZorvane"), "/run/x/QZorvane.lock");
  EXPECT_EQ(inDir.lockFilePath("a/b"), "/run/x/a_b.lock");

  InstanceMutex missing("/nonexistent-orvane-folder");
  EXPECT_FALSE(missing.acquire("QZorvane"));
  EXPECT_FALSE(missing.held());
}

TEST(InstanceMutex, DefaultFolderIsTheRuntimeFolderElseTmpPerUser) {
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedValue = saved ? saved : "";

  setenv("XDG_RUNTIME_DIR", "/run/user/4242", 1);
  EXPECT_EQ(InstanceMutex().lockFilePath("QZorvane"), "/run/user/4242/QZorvane.lock");
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(InstanceMutex().lockFilePath("QZorvane"),
            "/tmp/QZorvane-" + std::to_string(getuid()) + ".lock");

  if (saved) setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
}

}  // namespace
}  // namespace orvane
