#include "sys/system_services_linux.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/app_config.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

TEST(LinuxSystemServices, KnowsTheVersionOfItsOwnExecutableOnly) {
  const std::string self = runningExecutablePath();
  ASSERT_FALSE(self.empty());
  LinuxSystemServices services(appConfigFor(self));
  EXPECT_EQ(services.fileVersion(self), ORVANE_EXPECTED_VERSION);

  // Another name for the same file is the same executable.
  testing::TempDirectory dir;
  std::filesystem::create_symlink(self, dir.file("alias"));
  EXPECT_EQ(services.fileVersion(dir.file("alias")), ORVANE_EXPECTED_VERSION);

  std::filesystem::copy_file(self, dir.file("copy"));
  EXPECT_EQ(services.fileVersion(dir.file("copy")), "");
  EXPECT_EQ(services.fileVersion("/bin/sh"), "");
  EXPECT_EQ(services.fileVersion(dir.file("missing")), "");
  EXPECT_EQ(services.fileVersion(""), "");
}

TEST(LinuxSystemServices, HasNoPrivilegeToEnable) {
  LinuxSystemServices services(appConfigFor("/opt/orvane/orvane"));
  EXPECT_FALSE(services.enablePrivilege(""));
  EXPECT_FALSE(services.enablePrivilege("SeDebugPrivilege"));
  EXPECT_GT(services.uptimeMs(), 0);
}

}  // namespace
}  // namespace orvane
