#include "config/config_keys.h"

#include <gtest/gtest.h>

#include "config/ini_file.h"
#include "support/temp_directory.h"

namespace orvane {
namespace {

using testing::readFile;
using testing::TempDirectory;
using testing::writeFile;

TEST(ConfigKeys, DefaultsAndIntegerReading) {
  TempDirectory dir;
  const std::string path = dir.file("config.ini");
  writeFile(path, "[server]\nwebport=abc\n[local]\nindex=3\ndebug=true\n");

  const struct {
    ConfigKey key;
    std::string text;
    int number;
  } cases[] = {
      {kServerIp, "127.0.0.1", 127},
      {kServerWebPort, "abc", 0},
      {kLocalIndex, "3", 3},
      {kLocalDebug, "true", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key.key));
    EXPECT_EQ(readConfigString(path, c.key), c.text);
    EXPECT_EQ(readConfigInt(path, c.key), c.number);
  }

  const std::string none = dir.file("none.ini");
  EXPECT_EQ(readConfigString(none, kServerIp), "127.0.0.1");
  EXPECT_EQ(readConfigInt(none, kServerWebPort), 8099);
  EXPECT_EQ(readConfigInt(none, kLocalIndex), 0);
  EXPECT_EQ(readConfigString(none, kLocalDebug), "0");
}

TEST(ConfigKeys, CreatesTheFileOnlyWhenMissing) {
  TempDirectory dir;
  const std::string path = dir.file("config.ini");
  ASSERT_TRUE(createConfigIfMissing(path));
  EXPECT_EQ(readFile(path), "[server]\nip=127.0.0.1\n");

  writeFile(path, "[server]\nip=10.0.0.5\n");
  ASSERT_TRUE(createConfigIfMissing(path));
  EXPECT_EQ(readFile(path), "[server]\nip=10.0.0.5\n");
}

}  // namespace
}  // namespace orvane
