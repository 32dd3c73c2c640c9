#include "log/ensure_directory.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_directory.h"

namespace orvane {
namespace {

using testing::TempDirectory;
using testing::writeFile;
namespace fs = std::filesystem;

TEST(EnsureDirectory, CreatesFoldersAndTheirParents) {
  TempDirectory dir;
  const std::string base = dir.path();
  writeFile(base + "/plain", "x");

  const struct {
    std::string path;
    bool result;
    std::string folder;  // must exist afterwards when result is true
  } cases[] = {
      {base + "/log/orvane_log/", true, base + "/log/orvane_log"},
      {base + "/log/orvane_log/", true, base + "/log/orvane_log"},  // already there
      {base + "/a/b/c/20240105.txt", true, base + "/a/b/c"},        // a file: its folder
      {base + "/d/e", true, base + "/d"},                           // no trailing '/': a file
      {base + "/f.d/", true, base + "/f.d"},
      {base + "/plain/sub/", false, ""},  // a file is in the way
      {base + "/plain/", false, ""},
      {"", false, ""},
      {"/", true, "/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ensureDirectory(c.path), c.result);
    if (c.result) {
      EXPECT_TRUE(fs::is_directory(c.folder));
    }
  }
  EXPECT_FALSE(fs::exists(base + "/d/e"));
}

}  // namespace
}  // namespace orvane
