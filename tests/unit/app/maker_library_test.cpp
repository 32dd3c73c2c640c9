// The maker's library built by this tree, loaded by the program's loader from
// a run folder of the test's own, as the program loads it.

#include "app/maker_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <thread>

#include "app/maker_library_null.h"
#include "app/maker_library_posix.h"
#include "support/temp_directory.h"
#include "sys/utf.h"

namespace orvane {
namespace {

using testing::readFile;
using testing::TempDirectory;

// A run folder holding the library under the name the program looks for.
class RunFolder {
 public:
  explicit RunFolder(const char* libraryToCopy) {
    if (libraryToCopy != nullptr) {
      std::filesystem::copy_file(libraryToCopy, dir_.file(std::string(kMakerLibraryFileName)));
    }
    config_ = appConfigFor(dir_.file("orvane"));
  }
  const AppConfig& config() const { return config_; }
  std::string file(const std::string& name) const { return dir_.file(name); }

 private:
  TempDirectory dir_;
  AppConfig config_;
};

std::string hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

TEST(UpdateArguments, FollowTheModeAndTheConfiguration) {
  const AppConfig config = appConfigFor("/opt/排行榜 client/orvane");
  const struct {
    int mode;
    const char* fourth;
  } cases[] = {{1, ""}, {0, "hide"}, {2, "hide"}, {-1, "hide"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    const UpdateArguments expected{"/opt/排行榜 client/QZUpdate.dat",
                                   "排行榜",
                                   "Quenmere-排行榜",
                                   c.fourth,
                                   std::nullopt,
                                   "temp",
                                   std::nullopt,
                                   "a",
                                   "QZorvane.exe"};
    EXPECT_EQ(updateArguments(config, c.mode), expected);

    NullMakerLibrary library;
    runUpdate(library, config, c.mode);
    ASSERT_EQ(library.updates().size(), 1u);
    EXPECT_EQ(library.updates()[0], expected);
  }
}

TEST(LoadedMakerLibrary, GivesTheHostNameAndRecordsUpdatesInOrder) {
  RunFolder run(ORVANE_MAKER_LIBRARY);
  LoadedMakerLibrary library(makerLibraryPath(run.config()));
  ASSERT_TRUE(library.loaded());
  EXPECT_EQ(library.machineName(), hostName());

  runUpdate(library, run.config(), kVisibleUpdate);
  runUpdate(library, run.config(), kHiddenUpdate);

  std::istringstream lines(readFile(run.file("QZUpdate.calls.log")));
  std::string line;
  std::vector<nlohmann::json> calls;
  while (std::getline(lines, line)) calls.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(calls.size(), 2u);
  const std::string runDirectory = run.config().runDirectory;
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    const nlohmann::json expected = {runDirectory + "QZUpdate.dat",
                                     "排行榜",
                                     "Quenmere-排行榜",
                                     i == 0 ? "" : "hide",
                                     nullptr,
                                     "temp",
                                     nullptr,
                                     "a",
                                     "QZorvane.exe"};
    EXPECT_EQ(calls[i], expected);
  }
}

TEST(LoadedMakerLibrary, BuildsTheLoginEnvelopeAsValidUtf8Json) {
  RunFolder run(ORVANE_MAKER_LIBRARY);
  LoadedMakerLibrary library(makerLibraryPath(run.config()));
  ASSERT_TRUE(library.loaded());

  const struct {
    std::string uid;
    std::optional<std::string> data;
    nlohmann::json uidRead;
    nlohmann::json dataRead;
  } cases[] = {
      {"WALL-PC", std::nullopt, "WALL-PC", nullptr},
      {"展厅\"大屏\"\\1", std::nullopt, "展厅\"大屏\"\\1", nullptr},
      {"tab\there\nnew\x01line/", "{\"x\":1}", "tab\there\nnew\x01line/", "{\"x\":1}"},
      {"bad\xff\xfe byte \xe6\x8e", "", "bad\xef\xbf\xbd\xef\xbf\xbd byte \xef\xbf\xbd", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uid);
    const std::string text = library.loginText("login", "orvane", c.uid, c.data);
    nlohmann::json envelope;
    ASSERT_NO_THROW(envelope = nlohmann::json::parse(text)) << text;
    EXPECT_EQ(envelope["c"], "login");
    EXPECT_EQ(envelope["a"], "orvane");
    EXPECT_EQ(envelope["uid"], c.uidRead);
    EXPECT_EQ(envelope["data"], c.dataRead);
    EXPECT_EQ(envelope["char"], "utf-8");
    // The server tells the encoding by this exact piece of text.
    EXPECT_NE(text.find("\"char\":\"utf-8\""), std::string::npos);
  }
}

TEST(LoadedMakerLibrary, AnyBytesComeBackAsTheProgramsOwnUtf8Cleaning) {
  RunFolder run(ORVANE_MAKER_LIBRARY);
  LoadedMakerLibrary library(makerLibraryPath(run.config()));
  ASSERT_TRUE(library.loaded());
  std::mt19937 random(20240105);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> length(0, 24);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    for (int i = length(random); i > 0; --i) bytes += static_cast<char>(byte(random));
    const std::string text = library.loginText("c", "a", bytes, bytes);
    nlohmann::json envelope;
    ASSERT_NO_THROW(envelope = nlohmann::json::parse(text)) << text;
    EXPECT_EQ(envelope["uid"], text::sanitizeUtf8(bytes));
    EXPECT_EQ(envelope["data"], text::sanitizeUtf8(bytes));
  }
}

TEST(MakerLibraryExport, AMessageTextStaysValidUntilTheSameThreadCallsAgain) {
  void* handle = dlopen(ORVANE_MAKER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr);
  using MessageFunction = const char* (*)(const char*, const char*, const char*, const char*);
  const auto message = reinterpret_cast<MessageFunction>(dlsym(handle, "_fun_msg"));
  ASSERT_NE(message, nullptr);

  const char* mine = message("login", "orvane", "first", nullptr);
  const std::string mineCopy = mine;
  // Another thread's calls leave this thread's text alone.
  std::thread([&] {
    for (int i = 0; i < 100; ++i) message("sys", "other", std::to_string(i).c_str(), "x");
  }).join();
  EXPECT_EQ(std::string(mine), mineCopy);
  EXPECT_NE(mineCopy.find("\"uid\":\"first\""), std::string::npos);
  dlclose(handle);
}

TEST(LoadedMakerLibrary, AMissingLibraryOrFunctionGivesEmptyResults) {
  RunFolder empty(nullptr);
  LoadedMakerLibrary missing(makerLibraryPath(empty.config()));
  EXPECT_FALSE(missing.loaded());
  EXPECT_EQ(missing.machineName(), "");
  EXPECT_EQ(missing.loginText("login", "orvane", "pc", std::nullopt), "");
  runUpdate(missing, empty.config(), kVisibleUpdate);

  RunFolder broken(ORVANE_MAKER_STUB_LIBRARY);
  LoadedMakerLibrary stub(makerLibraryPath(broken.config()));
  EXPECT_TRUE(stub.loaded());
  EXPECT_EQ(stub.machineName(), "");                                     // null name
  EXPECT_EQ(stub.loginText("login", "orvane", "pc", std::nullopt), "");  // null text
  runUpdate(stub, broken.config(), kHiddenUpdate);  // no update function at all
  EXPECT_FALSE(std::filesystem::exists(broken.file("QZUpdate.calls.log")));

  // Not a library at all.
  RunFolder garbage(nullptr);
  testing::writeFile(garbage.file(std::string(kMakerLibraryFileName)), "not an ELF file");
  LoadedMakerLibrary notLoadable(makerLibraryPath(garbage.config()));
  EXPECT_FALSE(notLoadable.loaded());
  EXPECT_EQ(notLoadable.machineName(), "");
}

}  // namespace
}  // namespace orvane
