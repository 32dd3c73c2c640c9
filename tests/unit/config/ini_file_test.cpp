#include "config/ini_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "support/temp_directory.h"

namespace orvane {
namespace {

using testing::readFile;
using testing::TempDirectory;
using testing::writeFile;

// A hand-edited file: comments, blank lines, blanks and tabs around names and
// values, quotes, a duplicate key and a duplicate section, a line without '=',
// Windows line ends and no line end after the last line.
const std::string kFixture =
    "; orvane settings\r\n"
    "\r\n"
    "  [ Server ]  \r\n"
    "IP =  \"192.168.1.20\"  \r\n"
    "webport=8099\r\n"
    "; webport=1234\r\n"
    "ip = 10.0.0.9\r\n"
    "\r\n"
    "[local]\r\n"
    "\tINDEX\t=\t2\r\n"
    "debug= 'yes' \r\n"
    "empty =\r\n"
    "novalue\r\n"
    "quoted=\"only one\r\n"
    "mixed='a\"\r\n"
    "name=排行榜\r\n"
    "[server]\r\n"
    "extra = second section\r\n"
    "[last]\r\n"
    "tail=1";

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.path().empty());
    path_ = dir_.file("config.ini");
    writeFile(path_, kFixture);
  }

  // kFixture with one piece of text replaced.
  static std::string fixtureWith(const std::string& from, const std::string& to) {
    std::string text = kFixture;
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
  }

  TempDirectory dir_;
  std::string path_;
};

TEST_F(IniFileTest, ReadsWithProfileRules) {
  const struct {
    const char* section;
    const char* key;
    const char* defaultValue;
    std::size_t bufferSize;
    std::string expected;
  } cases[] = {
      {"server", "ip", "d", kIniReadBufferSize, "192.168.1.20"},  // quotes gone, first key wins
      {"SERVER", "Ip", "d", kIniReadBufferSize, "192.168.1.20"},  // names ignore case
      {" server ", " ip ", "d", kIniReadBufferSize, "192.168.1.20"},
      {"server", "webport", "d", kIniReadBufferSize, "8099"},
      {"server", "extra", "d", kIniReadBufferSize, "d"},      // only the first [server] counts
      {"server", "; webport", "d", kIniReadBufferSize, "d"},  // comments are not keys
      {"local", "index", "d", kIniReadBufferSize, "2"},       // tabs trimmed
      {"local", "debug", "d", kIniReadBufferSize, "yes"},     // single quotes
      {"local", "empty", "d", kIniReadBufferSize, ""},        // present but empty
      {"local", "novalue", "d", kIniReadBufferSize, "d"},     // a line without '='
      {"local", "quoted", "d", kIniReadBufferSize, "\"only one"},
      {"local", "mixed", "d", kIniReadBufferSize, "'a\""},
      {"local", "name", "d", kIniReadBufferSize, "排行榜"},
      {"last", "tail", "d", kIniReadBufferSize, "1"},  // no line end after it
      {"absent", "ip", "fallback", kIniReadBufferSize, "fallback"},
      {"local", "absent", "spaced  \t", kIniReadBufferSize,
       "spaced"},  // default loses trailing blanks
      {"local", "absent", "", kIniReadBufferSize, ""},
      // Reading into a bounded buffer keeps bufferSize - 1 bytes.
      {"server", "ip", "d", 4, "192"},
      {"server", "ip", "d", 1, ""},
      {"server", "ip", "d", 0, ""},
      {"local", "absent", "default", 3, "de"},
      {"local", "name", "d", 5, "排"},  // never half a character
      {"local", "name", "d", 7, "排行"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key + " buffer " + std::to_string(c.bufferSize));
    EXPECT_EQ(readIniString(path_, c.section, c.key, c.defaultValue, c.bufferSize), c.expected);
  }
}

TEST_F(IniFileTest, ReadOfAMissingFileGivesTheDefault) {
  EXPECT_EQ(readIniString(dir_.file("none.ini"), "server", "ip", "127.0.0.1"), "127.0.0.1");
}

TEST_F(IniFileTest, WritesChangeOnlyTheLineConcerned) {
  const struct {
    const char* name;
    const char* section;
    const char* key;
    std::optional<std::string_view> value;
    bool ok;
    std::string expected;
  } cases[] = {
      {"replace keeps spacing before the value", "server", "ip", "10.1.1.1", true,
       fixtureWith("IP =  \"192.168.1.20\"  \r\n", "IP =  10.1.1.1\r\n")},
      {"replace matches names ignoring case", "LOCAL", "Debug", "1", true,
       fixtureWith("debug= 'yes' \r\n", "debug= 1\r\n")},
      {"replace an empty value", "local", "empty", "x", true,
       fixtureWith("empty =\r\n", "empty =x\r\n")},
      {"new key goes after the section's last key", "local", "newkey", "v", true,
       fixtureWith("name=排行榜\r\n", "name=排行榜\r\nnewkey=v\r\n")},
      {"new key in the first of two same sections", "server", "port", "7", true,
       fixtureWith("ip = 10.0.0.9\r\n", "ip = 10.0.0.9\r\nport=7\r\n")},
      {"new key after a last line without line end", "last", "more", "x", true,
       kFixture + "\r\nmore=x\r\n"},
      {"new section at the end", "新", "k", "值", true, kFixture + "\r\n[新]\r\nk=值\r\n"},
      {"remove a key", "server", "webport", std::nullopt, true,
       fixtureWith("webport=8099\r\n", "")},
      {"remove an absent key", "local", "absent", std::nullopt, true, kFixture},
      {"remove from an absent section", "absent", "ip", std::nullopt, true, kFixture},
      {"line break in the value is refused", "local", "index", "1\r\n[server]\r\nip=6.6.6.6", false,
       kFixture},
      {"'=' in the key is refused", "local", "a=b", "1", false, kFixture},
      {"empty key is refused", "local", "  ", "1", false, kFixture},
      {"line break in the section is refused", "lo\ncal", "k", "1", false, kFixture},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeFile(path_, kFixture);
    EXPECT_EQ(writeIniString(path_, c.section, c.key, c.value), c.ok);
    EXPECT_EQ(readFile(path_), c.expected);
    if (c.ok && c.value) {
      EXPECT_EQ(readIniString(path_, c.section, c.key, "d"), *c.value);
    }
  }
}

TEST_F(IniFileTest, WriteCreatesAMissingFileAndRemoveDoesNot) {
  const std::string fresh = dir_.file("fresh.ini");
  EXPECT_TRUE(writeIniString(fresh, "server", "ip", std::nullopt));
  EXPECT_FALSE(std::filesystem::exists(fresh));

  EXPECT_TRUE(writeIniString(fresh, "server", "ip", "127.0.0.1"));
  EXPECT_EQ(readFile(fresh), "[server]\nip=127.0.0.1\n");
  EXPECT_TRUE(writeIniString(fresh, "local", "index", "2"));
  EXPECT_TRUE(writeIniString(fresh, "server", "webport", "80"));
  EXPECT_EQ(readFile(fresh), "[server]\nip=127.0.0.1\nwebport=80\n[local]\nindex=2\n");
}

TEST_F(IniFileTest, WriteIntoAMissingFolderFails) {
  EXPECT_FALSE(writeIniString(dir_.file("no/such/config.ini"), "server", "ip", "1"));
}

TEST_F(IniFileTest, FileFromWindowsInCodePage936IsReadAndStaysInIt) {
  // [选择] name=排行 ip=1, then a section whose name ends in a byte that is ']'
  // when taken alone (0xB5 0x5D is one character).
  const std::string gbk =
      "[\xD1\xA1\xD4\xF1]\r\n"
      "name=\xC5\xC5\xD0\xD0\r\n"
      "ip=1\r\n"
      "[\xB5\x5D]\r\n"
      "k=v\r\n";
  writeFile(path_, gbk);
  EXPECT_EQ(readIniString(path_, "选择", "name", "d"), "排行");
  EXPECT_EQ(readIniString(path_, "礭", "k", "d"), "v");

  ASSERT_TRUE(writeIniString(path_, "选择", "ip", "榜"));
  ASSERT_TRUE(writeIniString(path_, "选择", "new", "行"));
  EXPECT_EQ(readFile(path_),
            "[\xD1\xA1\xD4\xF1]\r\n"
            "name=\xC5\xC5\xD0\xD0\r\n"
            "ip=\xB0\xF1\r\n"
            "new=\xD0\xD0\r\n"
            "[\xB5\x5D]\r\n"
            "k=v\r\n");
  EXPECT_EQ(readIniString(path_, "选择", "ip", "d"), "榜");
}

TEST_F(IniFileTest, ByteOrderMarkIsNotPartOfTheFirstSection) {
  writeFile(path_, "\xEF\xBB\xBF[server]\nip=1\n");
  EXPECT_EQ(readIniString(path_, "server", "ip", "d"), "1");
  ASSERT_TRUE(writeIniString(path_, "server", "ip", "2"));
  EXPECT_EQ(readFile(path_), "\xEF\xBB\xBF[server]\nip=2\n");
}

TEST_F(IniFileTest, WriteGoesThroughASymbolicLink) {
  const std::string real = dir_.file("real.ini");
  writeFile(real, "[server]\nip=1\n");
  const std::string link = dir_.file("link.ini");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_TRUE(writeIniString(link, "server", "ip", "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readFile(real), "[server]\nip=2\n");
}

TEST_F(IniFileTest, ConcurrentWritesFromThreadsAreAllKept) {
  constexpr int kThreads = 4;
  constexpr int kKeys = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([this, t] {
      for (int k = 0; k < kKeys; ++k) {
        writeIniString(path_, "s" + std::to_string(t), "k" + std::to_string(k), std::to_string(k));
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(readIniString(path_, "s" + std::to_string(t), "k" + std::to_string(k), "lost"),
                std::to_string(k));
    }
  }
  EXPECT_EQ(readIniString(path_, "server", "ip", "d"), "192.168.1.20");
}

}  // namespace
}  // namespace orvane
