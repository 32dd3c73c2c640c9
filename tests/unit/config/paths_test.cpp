#include "config/paths.h"

#include <gtest/gtest.h>

#include "config/app_config.h"

namespace orvane {
namespace {

TEST(Paths, TableOfOperations) {
  const struct {
    std::string in;
    std::string directory;
    std::string stripped;
    std::string withSeparator;
    std::string extension;
  } cases[] = {
      {"", "", "", "", ""},
      {"/opt/orvane/orvane", "/opt/orvane/", "/opt/orvane/orvane", "/opt/orvane/orvane/", ""},
      {"/opt/orvane/log/", "/opt/orvane/", "/opt/orvane/log", "/opt/orvane/log/", ""},
      {"/opt/orvane/log/20240105.txt", "/opt/orvane/log/", "/opt/orvane/log/20240105.txt",
       "/opt/orvane/log/20240105.txt/", ".txt"},
      {"/x", "/", "/x", "/x/", ""},
      {"/", "/", "/", "/", ""},
      {"config.ini", "./", "config.ini", "config.ini/", ".ini"},
      {"a/b.tar.gz", "a/", "a/b.tar.gz", "a/b.tar.gz/", ".gz"},
      {"/dir.d/file", "/dir.d/", "/dir.d/file", "/dir.d/file/", ""},
      {"/a/.hidden", "/a/", "/a/.hidden", "/a/.hidden/", ".hidden"},
      {"/a/name. txt", "/a/", "/a/name. txt", "/a/name. txt/", ""},
      {"/a/trailing.", "/a/", "/a/trailing.", "/a/trailing./", "."},
      {"/a/日志.txt", "/a/", "/a/日志.txt", "/a/日志.txt/", ".txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(directoryOf(c.in), c.directory);
    EXPECT_EQ(stripTrailingSeparator(c.in), c.stripped);
    EXPECT_EQ(withTrailingSeparator(c.in), c.withSeparator);
    EXPECT_EQ(extensionOf(c.in), c.extension);
  }
}

TEST(AppConfig, DerivesPathsFromTheExecutable) {
  const AppConfig config = appConfigFor("/opt/排行榜/QZorvane");
  EXPECT_EQ(config.appName, "orvane");
  EXPECT_EQ(config.runDirectory, "/opt/排行榜/");
  EXPECT_EQ(config.executableName, "QZorvane");
  EXPECT_EQ(config.configPath, "/opt/排行榜/config.ini");
}

TEST(AppConfig, RunningExecutableIsThisTestProgram) {
  const AppConfig config = appConfigForRunningExecutable();
  EXPECT_EQ(config.executableName, "config_unit_tests");
  ASSERT_FALSE(config.runDirectory.empty());
  EXPECT_EQ(config.runDirectory.front(), '/');
  EXPECT_EQ(config.runDirectory.back(), '/');
  EXPECT_NE(config.runDirectory.substr(config.runDirectory.size() - 2), "//");
  EXPECT_EQ(config.configPath, config.runDirectory + "config.ini");
}

}  // namespace
}  // namespace orvane
