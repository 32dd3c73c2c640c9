#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_directory.h"
#include "sys/path_match_posix.h"

namespace orvane {
namespace {

using testing::TempDirectory;
using testing::writeFile;

TEST(MatchesFileNamePattern, TableOfNames) {
  const struct {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*", "anything", true},
      {"*", ".hidden", true},
      {"*.txt", "notes.txt", true},
      {"*.txt", "notes.txt.bak", false},
      {"*.TXT", "notes.txt", false},
      {"n?tes.txt", "notes.txt", true},
      {"?", "", false},
      {"??", "数据", true},  // one '?' per character, not per byte
      {"数?.csv", "数据.csv", true},
      {"数??.csv", "数据.csv", false},
      {"a*b*c", "aXbYbZc", true},
      {"*ab", "aab", true},  // needs the '*' to give back a character
      {"a*b", "a", false},
      {"*.*", "Makefile", true},
      {"Makefile.*", "Makefile", true},
      {"*.mk", "Makefile", false},
      {"*.*", "archive.tar.gz", true},
      {"exact", "exact", true},
      {"exact", "exactly", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " vs " + c.name);
    EXPECT_EQ(matchesFileNamePattern(c.pattern, c.name), c.matches);
  }
}

TEST(PathOrPatternExists, TableOfPathsAndPatterns) {
  TempDirectory dir;
  ASSERT_FALSE(dir.path().empty());
  namespace fs = std::filesystem;
  writeFile(dir.file("notes.txt"), "x");
  writeFile(dir.file("README"), "x");
  writeFile(dir.file("数据.csv"), "x");
  writeFile(dir.file(".hidden"), "x");
  fs::create_directory(dir.file("sub"));
  writeFile(dir.file("sub/inner.log"), "x");
  fs::create_directory(dir.file("only-makefile"));
  writeFile(dir.file("only-makefile/Makefile"), "x");
  fs::create_directory(dir.file("empty"));
  fs::create_symlink(dir.file("gone"), dir.file("dangling"));
  const std::string d = dir.path() + "/";

  const struct {
    std::string path;
    bool exists;
  } cases[] = {
      {"", false},
      {d + "notes.txt", true},
      {d + "NOTES.TXT", false},  // the file system's own comparison
      {d + "missing.txt", false},
      {d + "sub", true},
      {d + "sub/", false},  // a trailing separator names nothing
      {d, false},
      {dir.path(), true},
      {d + "dangling", true},  // the entry is there even if its target is not
      {d + "notes.txt/", false},
      {d + "*.txt", true},
      {d + "*.md", false},
      {d + "数?.csv", true},
      {d + "READ?E", true},
      {d + "READ?", false},
      {d + ".hid*", true},
      {d + "sub/*.log", true},
      {d + "sub/*", true},
      {d + "empty/*", false},  // "." and ".." are not matches
      {d + "only-makefile/*.*", true},
      {d + "only-makefile/*.mk", false},
      {d + "nofolder/*.txt", false},
      {d + "s*b/inner.log", false},  // wildcards only count in the last component
      {d + "sub/*/", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(pathOrPatternExists(c.path), c.exists);
  }
}

TEST(PathOrPatternExists, APatternWithoutFolderSearchesTheCurrentFolder) {
  TempDirectory dir;
  writeFile(dir.file("here.dat"), "x");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const bool found = pathOrPatternExists("*.dat");
  const bool notFound = pathOrPatternExists("*.none");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(found);
  EXPECT_FALSE(notFound);
}

}  // namespace
}  // namespace orvane
