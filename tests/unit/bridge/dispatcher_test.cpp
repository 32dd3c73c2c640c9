#include "bridge/dispatcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "bridge/bridge_actions.h"
#include "bridge/bridge_message.h"
#include "bridge_fixture.h"
#include "config/ini_file.h"

namespace orvane {
namespace {

std::string describe(const ScriptValue& value) {
  struct Visitor {
    std::string operator()(ScriptUndefined) const { return "undefined"; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int32_t i) const { return "int " + std::to_string(i); }
    std::string operator()(const std::string& s) const { return "string \"" + s + "\""; }
  };
  return std::visit(Visitor{}, value);
}

// Everything the dispatcher can change, to compare before and after a call.
struct Effects {
  std::vector<int> showCalls;
  int destroyCount = 0;
  std::string caption;
  WindowRect rect;
  int centerCount = 0;
  bool resizable = false;
  std::pair<int, int> minTrack;
  std::pair<int, int> maxTrack;
  std::vector<std::string> loadedUrls;
  std::vector<std::string> scripts;
  std::vector<NullSystemServices::OpenCall> openedUrls;
  std::vector<NullSystemServices::OpenCall> openedFiles;
  std::vector<std::string> processNames;
  std::vector<std::string> existsQueries;
  std::string configFile;
  bool operator==(const Effects&) const = default;
};

class DispatcherTest : public testing::BridgeFixture {
 protected:
  Effects effects() const {
    Effects e;
    e.showCalls = window.showCalls;
    e.destroyCount = window.destroyCount;
    e.caption = window.caption();
    e.rect = window.outerRect();
    e.centerCount = view.centerCount;
    e.resizable = view.resizable;
    e.minTrack = view.minTrack;
    e.maxTrack = view.maxTrack;
    e.loadedUrls = view.loadedUrls;
    e.scripts = view.scripts();
    e.openedUrls = system.openedUrls;
    e.openedFiles = system.openedFiles;
    for (const auto& query : system.processQueries) {
      // The page can only ask by name.
      EXPECT_TRUE(query.path.empty());
      EXPECT_EQ(query.excludedId, -1);
      EXPECT_TRUE(query.excludedNames.empty());
      EXPECT_FALSE(query.exactPath);
      e.processNames.push_back(query.name);
    }
    e.existsQueries = system.existsQueries;
    e.configFile = testing::readFile(config.configPath);
    return e;
  }

  ScriptValue dispatchOnUi(const std::string& text) {
    ScriptValue answer;
    onUi([&] { answer = dispatcher.dispatch(text); });
    return answer;
  }

  Dispatcher dispatcher{context};
};

struct DispatchCase {
  std::string text;
  ScriptValue answer;
  std::function<void(Effects&)> changes;  // what the call changes; nothing when empty
  std::function<void()> setup;
};

TEST_F(DispatcherTest, EveryCommandOfBothTablesAndTheRest) {
  system.processes["Chrome.EXE"] = 4242;
  system.existingPaths = {"/srv/leaderboard"};

  const std::vector<DispatchCase> cases = {
      // Not an envelope, or not a class of ours.
      {"", false, {}, {}},
      {"not json", false, {}, {}},
      {R"({"c":"window")", false, {}, {}},
      {R"({"c":"other","a":"init"})", ScriptUndefined{}, {}, {}},
      {R"({"c":"Window","a":"center"})", ScriptUndefined{}, {}, {}},
      {R"({"a":"center"})", ScriptUndefined{}, {}, {}},
      {R"([{"c":"window","a":"center"}])", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"Center"})", ScriptUndefined{}, {}, {}},
      {R"({"c":"sys","a":"unknown"})", ScriptUndefined{}, {}, {}},

      // Class "window".
      {R"({"c":"window","a":"init"})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"center"})",
       ScriptUndefined{},
       [](Effects& e) { ++e.centerCount; },
       {}},
      {R"({"c":"window","a":"move","data":{"left":1,"top":2}})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"setleft","data":{"left":1}})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"settop","data":{"top":1}})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"setwidth","data":{"width":1}})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"setheight","data":{"height":1}})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"settitle","data":{"title":"x"}})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"show","data":{"show":3}})",
       ScriptUndefined{},
       [](Effects& e) { e.showCalls.push_back(3); },
       {}},
      // Missing "show" hides the window.
      {R"({"c":"window","a":"show"})",
       ScriptUndefined{},
       [](Effects& e) { e.showCalls.push_back(0); },
       {}},
      // The low 32 bits of the 64-bit number.
      {R"({"c":"window","a":"show","data":{"show":4294967305}})",
       ScriptUndefined{},
       [](Effects& e) { e.showCalls.push_back(9); },
       {}},
      {R"({"c":"window","a":"show","data":{"show":"5"}})",
       ScriptUndefined{},
       [](Effects& e) { e.showCalls.push_back(5); },
       {}},
      {R"({"c":"window","a":"left"})", 100, {}, {}},
      {R"({"c":"window","a":"top"})", 50, {}, {}},
      {R"({"c":"window","a":"width"})", 800, {}, {}},
      {R"({"c":"window","a":"height"})", 600, {}, {}},
      {R"({"c":"window","a":"title"})",
       std::string("\xE6\x8E\x92\xE8\xA1\x8C\xE6\xA6\x9C"),
       {},
       {}},
      {R"({"c":"window","a":"setforeground"})", ScriptUndefined{}, {}, {}},
      {R"({"c":"window","a":"foreground"})", ScriptUndefined{}, {}, {}},
      // Grips on, both tracking sizes given as zero (stored, not applied).
      {R"({"c":"window","a":"setdrag","data":{"on":true}})",
       ScriptUndefined{},
       [](Effects& e) {
         e.resizable = true;
         e.minTrack = {0, 0};
         e.maxTrack = {0, 0};
       },
       {}},
      {R"({"c":"window","a":"setdrag","data":{"on":false,"dminw":300,"dminh":200,"dmaxw":1920,"dmaxh":1080}})",
       ScriptUndefined{},
       [](Effects& e) {
         e.resizable = false;
         e.minTrack = {300, 200};
         e.maxTrack = {1920, 1080};
       },
       {}},
      {R"({"c":"window","a":"setdmin","data":{"width":320,"height":240}})",
       ScriptUndefined{},
       [](Effects& e) {
         e.minTrack = {320, 240};
       },
       {}},
      {R"({"c":"window","a":"setdmax","data":{"width":1280,"height":720}})",
       ScriptUndefined{},
       [](Effects& e) {
         e.maxTrack = {1280, 720};
       },
       {}},

      // Class "sys".
      {R"({"c":"sys","a":"openurl","data":{"url":"https://example.com/a b","show":1}})",
       true,
       [](Effects& e) {
         e.openedUrls.push_back({"https://example.com/a b", "", 1});
       },
       {}},
      {R"({"c":"sys","a":"openurl","data":{"url":"nowhere:"}})", false,
       [](Effects& e) {
         e.openedUrls.push_back({"nowhere:", "", 0});
       },
       [this] { system.openResult = false; }},
      {R"({"c":"sys","a":"openfile","data":{"path":"/usr/bin/report","param":"--today","show":5}})",
       true,
       [](Effects& e) {
         e.openedFiles.push_back({"/usr/bin/report", "--today", 5});
       },
       [this] { system.openResult = true; }},
      {R"({"c":"sys","a":"openfile"})",
       true,
       [](Effects& e) {
         e.openedFiles.push_back({"", "", 0});
       },
       {}},
      {R"({"c":"sys","a":"pcname"})", std::string("WALL-PC"), {}, {}},
      {R"({"c":"sys","a":"runpath"})", config.runDirectory, {}, {}},
      {R"({"c":"sys","a":"appname"})", std::string("orvane"), {}, {}},
      {R"({"c":"sys","a":"exists","data":{"path":"/srv/leaderboard"}})",
       true,
       [](Effects& e) { e.existsQueries.push_back("/srv/leaderboard"); },
       {}},
      {R"({"c":"sys","a":"exists","data":{"path":"/srv/other"}})",
       false,
       [](Effects& e) { e.existsQueries.push_back("/srv/other"); },
       {}},
      {R"({"c":"sys","a":"getpid","data":{"name":"Chrome.EXE"}})",
       4242,
       [](Effects& e) { e.processNames.push_back("Chrome.EXE"); },
       {}},
      {R"({"c":"sys","a":"getpid","data":{"name":"absent"}})",
       -1,
       [](Effects& e) { e.processNames.push_back("absent"); },
       {}},
      {R"({"c":"sys","a":"readini","data":{"node":"page","key":"theme","value":"dark"}})",
       std::string("dark"),
       {},
       {}},
      {R"({"c":"sys","a":"writeini","data":{"node":"page","key":"theme","value":"light"}})",
       true,
       [](Effects& e) { e.configFile = "[page]\ntheme=light\n"; },
       {}},
  };

  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.text);
    if (tc.setup) tc.setup();
    log.clear();
    Effects expected = effects();
    if (tc.changes) tc.changes(expected);

    const ScriptValue answer = dispatchOnUi(tc.text);

    EXPECT_EQ(answer, tc.answer) << describe(answer) << " instead of " << describe(tc.answer);
    EXPECT_EQ(effects(), expected);
    EXPECT_EQ(log.lines(),
              (std::vector<testing::LogCapture::Line>{{"WKE", "OnServer json:" + tc.text}}));
  }

  // Every row of both tables has a case above; "close" has its own test.
  std::set<std::string> covered{"window/close"};
  for (const auto& tc : cases) {
    if (const auto message = parseBridgeMessage(tc.text))
      covered.insert(message->c + "/" + message->a);
  }
  for (const auto& action : windowActions())
    EXPECT_TRUE(covered.count("window/" + std::string(action.name))) << action.name;
  for (const auto& action : systemActions())
    EXPECT_TRUE(covered.count("sys/" + std::string(action.name))) << action.name;
}

TEST_F(DispatcherTest, CloseDestroysTheWindowOnlyAfterThePageCallHasReturned) {
  bool destroyedDuringCall = true;
  onUi([&] {
    EXPECT_EQ(dispatcher.dispatch(R"({"c":"window","a":"close"})"), ScriptValue(ScriptUndefined{}));
    destroyedDuringCall = window.isDestroyed();
  });
  EXPECT_FALSE(destroyedDuringCall);
  onUi([] {});  // the UI thread has run what was posted before this
  EXPECT_EQ(window.destroyCount, 1);

  // Once teardown has begun nothing more is posted.
  NullMainWindow other;
  BridgeContext late{view, other, ui, system, config, state, [] { return std::string(); }, {}};
  ui.beginTeardown();
  Dispatcher(late).dispatch(R"({"c":"window","a":"close"})");
  EXPECT_FALSE(other.isDestroyed());
}

TEST_F(DispatcherTest, ReadIniAndWriteIniWorkOnTheConfigFile) {
  testing::writeFile(config.configPath, "[server]\nip=10.0.0.5\n\n[page]\ntheme=dark\n");
  auto read = [&](const std::string& data) {
    return dispatchOnUi(R"({"c":"sys","a":"readini","data":)" + data + "}");
  };
  auto write = [&](const std::string& data) {
    return dispatchOnUi(R"({"c":"sys","a":"writeini","data":)" + data + "}");
  };

  EXPECT_EQ(read(R"({"node":"server","key":"ip"})"), ScriptValue(std::string("10.0.0.5")));
  EXPECT_EQ(read(R"({"node":"page","key":"missing","value":"fallback"})"),
            ScriptValue(std::string("fallback")));
  EXPECT_EQ(read(R"({"node":"page","key":"missing"})"), ScriptValue(std::string()));

  // A new key, in Chinese, lands in its section; other lines stay.
  EXPECT_EQ(write(R"({"node":"page","key":"title","value":"排行榜"})"), ScriptValue(true));
  EXPECT_EQ(read(R"({"node":"page","key":"title"})"), ScriptValue(std::string("排行榜")));
  EXPECT_EQ(testing::readFile(config.configPath),
            "[server]\nip=10.0.0.5\n\n[page]\ntheme=dark\ntitle=排行榜\n");

  // An empty value, or none at all, removes the key.
  EXPECT_EQ(write(R"({"node":"page","key":"title","value":""})"), ScriptValue(true));
  EXPECT_EQ(read(R"({"node":"page","key":"title","value":"gone"})"),
            ScriptValue(std::string("gone")));
  EXPECT_EQ(write(R"({"node":"page","key":"theme"})"), ScriptValue(true));
  EXPECT_EQ(read(R"({"node":"page","key":"theme"})"), ScriptValue(std::string()));
  EXPECT_EQ(testing::readFile(config.configPath), "[server]\nip=10.0.0.5\n\n[page]\n");

  // A value longer than the read buffer comes back cut to it.
  const std::string longValue(20000, 'x');
  EXPECT_EQ(write(R"({"node":"page","key":"long","value":")" + longValue + "\"}"),
            ScriptValue(true));
  EXPECT_EQ(read(R"({"node":"page","key":"long"})"),
            ScriptValue(std::string(kIniReadBufferSize - 1, 'x')));

  // A file that cannot be written answers false.
  config.configPath = dir.file("no-such-folder/config.ini");
  EXPECT_EQ(write(R"({"node":"page","key":"k","value":"v"})"), ScriptValue(false));
}

}  // namespace
}  // namespace orvane
