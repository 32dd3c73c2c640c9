#include "sys/desktop_entry.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

// How GLib's desktop code reads the same file: the key file's string
// unescaping, "%%" back to "%", then shell-style splitting.
std::vector<std::string> commandAsGlibReadsIt(const std::string& fileText) {
  GKeyFile* file = g_key_file_new();
  std::vector<std::string> command;
  if (g_key_file_load_from_data(file, fileText.c_str(), fileText.size(), G_KEY_FILE_NONE,
                                nullptr)) {
    gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    std::string line = exec ? exec : "";
    g_free(exec);
    for (std::size_t at = line.find("%%"); at != std::string::npos; at = line.find("%%", at + 1)) {
      line.erase(at, 1);
    }
    gchar** argv = nullptr;
    if (g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr)) {
      for (gchar** a = argv; *a != nullptr; ++a) command.emplace_back(*a);
      g_strfreev(argv);
    }
  }
  g_key_file_free(file);
  return command;
}

TEST(LauncherEntry, CommandsSurviveTheRoundTripAndReadTheSameInGlib) {
  const std::vector<std::vector<std::string>> commands = {
      {"/opt/orvane/orvane"},
      {"/opt/my app/orvane", "--flag", "two words"},
      {"/opt/排行榜/orvane", "参数"},
      {"/tmp/odd \"quoted\" $HOME `tick`/run", "a\\b", "100%", "%u"},
      {"/tmp/semi;colon&pipe|/x", "", "it's", "tab\there", "line\nbreak"},
      {"/tmp/back\\slash\\"},
      {" /leading/blank"},
  };
  for (const auto& command : commands) {
    SCOPED_TRACE(command.front());
    LauncherEntry entry;
    entry.name = "Quenmere排行榜";
    entry.command = command;
    const std::string text = formatLauncherEntry(entry);
    EXPECT_EQ(launcherCommand(text), command) << text;
    EXPECT_EQ(commandAsGlibReadsIt(text), command) << text;
  }
}

TEST(LauncherEntry, WritesTheKeysOfAnApplicationLauncher) {
  LauncherEntry entry;
  entry.name = "Quenmere排行榜";
  entry.command = {"/opt/orvane/orvane"};
  entry.workingDirectory = "/opt/orvane";
  entry.icon = "/opt/orvane/orvane.png";
  entry.comment = "wall screen\nclient";
  const std::string text = formatLauncherEntry(entry);

  GKeyFile* file = g_key_file_new();
  ASSERT_TRUE(g_key_file_load_from_data(file, text.c_str(), text.size(), G_KEY_FILE_NONE, nullptr));
  auto value = [&](const char* key) {
    gchar* v = g_key_file_get_string(file, "Desktop Entry", key, nullptr);
    std::string s = v ? v : "<missing>";
    g_free(v);
    return s;
  };
  EXPECT_EQ(value("Type"), "Application");
  EXPECT_EQ(value("Name"), "Quenmere排行榜");
  EXPECT_EQ(value("Exec"), "/opt/orvane/orvane");
  EXPECT_EQ(value("Path"), "/opt/orvane");
  EXPECT_EQ(value("Icon"), "/opt/orvane/orvane.png");
  EXPECT_EQ(value("Comment"), "wall screen\nclient");
  EXPECT_EQ(value("Terminal"), "false");
  gchar* start = g_key_file_get_start_group(file);
  EXPECT_STREQ(start, "Desktop Entry");
  g_free(start);
  g_key_file_free(file);

  entry.workingDirectory.clear();
  entry.icon.clear();
  entry.comment.clear();
  const std::string bare = formatLauncherEntry(entry);
  EXPECT_EQ(bare.find("Path="), std::string::npos);
  EXPECT_EQ(bare.find("Icon="), std::string::npos);
  EXPECT_EQ(bare.find("Comment="), std::string::npos);
}

TEST(LauncherCommand, ReadsFilesWrittenByOthers) {
  const struct {
    const char* text;
    std::vector<std::string> command;
  } cases[] = {
      {"[Desktop Entry]\nExec=/usr/bin/orvane\n", {"/usr/bin/orvane"}},
      {"# a comment\n\n[Desktop Entry]\r\nName=x\r\nExec = \"/opt/my app/orvane\" --x\r\n",
       {"/opt/my app/orvane", "--x"}},
      {"[Desktop Entry]\nExec=\"/a\\\\\\\\b\"\n", {"/a\\b"}},
      {"[Desktop Entry]\nExec[de]=/localized\nExec=/plain %U\n", {"/plain", "%U"}},
      {"[Desktop Entry]\nName=x\n[Desktop Action new]\nExec=/in/another/group\n", {}},
      {"[Other Group]\n[Desktop Entry]\nExec=/second/group\n", {}},  // must be the first group
      {"Exec=/before/any/group\n[Desktop Entry]\nExec=/x\n", {}},
      {"[Desktop Entry]\nExec=\"/unterminated\n", {}},
      {"[Desktop Entry]\nName=no exec\n", {}},
      {"\x89PNG\r\n\x1a\n garbage", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(launcherCommand(c.text), c.command);
  }
}

}  // namespace
}  // namespace orvane
