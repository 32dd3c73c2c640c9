// The installed client on the real demo server and its leaderboard page:
// what an operator sees, and how the pair comes back from the server going
// away and arriving late.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <thread>

#include "demo_run_fixture.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

// The state of a page that shows the whole board it was pushed.
bool showsPushedBoard(const Json& state) {
  return state.value("connected", false) && state["rows"].size() >= 20 &&
         state["lastSeq"].is_number();
}

std::size_t countLines(const std::string& text, const std::string& piece) {
  std::size_t count = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) {
    ++count;
  }
  return count;
}

class DemoRunTest : public DemoRunFixture {};

TEST_F(DemoRunTest, ShowsTheBoardAndFollowsWhatTheServerPushes) {
  ASSERT_TRUE(server.start());
  const pid_t client = launchClient();
  ASSERT_GT(client, 0);

  // The page got the board from the push channel and its names from serverJS.
  const Json shown = waitForPageState(showsPushedBoard);
  ASSERT_FALSE(shown.is_null()) << "the board never showed; last report: " << pageState();
  const auto status = getJson("/admin/status");
  ASSERT_TRUE(status);
  EXPECT_EQ(shown["lastSeq"], (*status)["seq"]);
  EXPECT_EQ(shown["rows"].size(), 20u);
  EXPECT_EQ(shown["rows"][0]["rank"], 1);
  EXPECT_EQ(shown["footer"]["appname"], "orvane");
  ASSERT_TRUE(shown["footer"]["pcname"].is_string());
  EXPECT_EQ(shown["handlerErrors"], 0);
  // The client logged in with the machine name the page was told.
  const auto logins = getJson("/admin/logins");
  ASSERT_TRUE(logins);
  ASSERT_EQ((*logins)["logins"].size(), 1u);
  EXPECT_EQ((*logins)["logins"][0]["uid"], shown["footer"]["pcname"]);
  EXPECT_EQ((*logins)["logins"][0]["app"], "orvane");

  // And the screen shows it: the rows' cards over the board.
  const auto screen = waitForBoardOnScreen("board_shown");
  ASSERT_TRUE(screen) << "the rows never showed on the screen";

  // The server's own changes follow, every one of them.
  ASSERT_TRUE(post("/admin/burst?count=500"));
  const Json followed = waitForPageState([](const Json& state) { return state["lastSeq"] == 500; });
  ASSERT_FALSE(followed.is_null()) << pageState();
  EXPECT_EQ(followed["kinds"]["score"], 500);
  EXPECT_EQ(followed["handlerErrors"], 0);

  // An operator's envelope, byte for byte: a newcomer takes first place.
  const std::string newcomer =
      R"({"c":"board","a":"score","data":{"seq":501,"changes":[{"id":9001,"name":"端到端测试",)"
      R"("score":99999999,"delta":99999999}]},"char":"utf-8"})";
  ASSERT_TRUE(post("/admin/push", newcomer));
  const Json leading = waitForPageState([](const Json& state) {
    return !state["rows"].empty() && state["rows"][0]["name"] == "端到端测试";
  });
  ASSERT_FALSE(leading.is_null()) << "the push never reached the board; " << pageState();
  EXPECT_EQ(leading["lastSeq"], 501);
  EXPECT_EQ(leading["rows"][0]["score"], 99999999);
  EXPECT_EQ(leading["rows"].size(), 21u);
  EXPECT_TRUE(program.waitForLog("->[客户通信] OnHandle data:" + newcomer));
  EXPECT_TRUE(waitForBoardOnScreen("board_with_newcomer"));
  EXPECT_TRUE(program.running(client));
}

TEST_F(DemoRunTest, ReconnectsWhenTheServerIsKilledAndRestarted) {
  ASSERT_TRUE(server.start());
  const pid_t client = launchClient();
  ASSERT_GT(client, 0);
  const Json first = waitForPageState(showsPushedBoard);
  ASSERT_FALSE(first.is_null()) << pageState();
  EXPECT_EQ(first["kinds"]["conn"], 1);

  // Gone without a word: the client sees its link drop and keeps trying.
  server.kill();
  ASSERT_TRUE(program.waitForLog("->[客户通信] OnClose code:"));
  const int restartsBefore = program.countLogLines("->[客户通信] ReStart");
  ASSERT_TRUE(program.waitForLog("->[客户通信] ReStart", restartsBefore + 1));

  // Back on the same ports: the client finds it by itself.
  ASSERT_TRUE(server.restart());
  const auto back = std::chrono::steady_clock::now();
  ASSERT_TRUE(server.waitForLine(std::regex("^login client "), 60s))
      << "the client did not come back";
  const auto reconnectMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - back)
          .count();
  RecordProperty("reconnect_ms", static_cast<int>(reconnectMs));
  std::printf("reconnected %lld ms after the server was back\n",
              static_cast<long long>(reconnectMs));
  EXPECT_TRUE(program.waitForLog("->[客户通信] OnConnect:", 2));

  // The restarted server counts from 0 again; the page follows it.
  const Json again = waitForPageState(
      [](const Json& state) { return state["kinds"]["conn"] == 2 && state["lastSeq"] == 0; });
  ASSERT_FALSE(again.is_null()) << pageState();
  EXPECT_EQ(again["page"], first["page"]) << "the page was reloaded, not reconnected";
  ASSERT_TRUE(post("/admin/burst?count=50"));
  EXPECT_FALSE(waitForPageState([](const Json& state) { return state["lastSeq"] == 50; }).is_null())
      << pageState();
  EXPECT_TRUE(program.running(client));
}

TEST_F(DemoRunTest, WaitsForAServerThatIsNotThereAndLoadsWhenItComes) {
  // The ports the server will have, free meanwhile.
  ASSERT_TRUE(server.start());
  const auto stopped = server.stop();
  ASSERT_TRUE(stopped);
  ASSERT_EQ(exitCodeOf(*stopped), 0);

  const pid_t client = launchClient();
  ASSERT_GT(client, 0);
  ASSERT_TRUE(program.waitForLog("->[版本号] "));
  // Several rounds of the server wait go by with nothing to load.
  const auto end = std::chrono::steady_clock::now() + 8s;
  while (std::chrono::steady_clock::now() < end) {
    ASSERT_TRUE(program.running(client));
    ASSERT_EQ(program.countLogLines("->[页面地址]"), 0);
    std::this_thread::sleep_for(200ms);
  }

  ASSERT_TRUE(server.restart());
  EXPECT_TRUE(program.waitForLog("->[载入完成]"));
  const Json shown = waitForPageState(showsPushedBoard);
  ASSERT_FALSE(shown.is_null()) << pageState();
  EXPECT_TRUE(waitForBoardOnScreen("board_after_late_server"));
}

TEST_F(DemoRunTest, UpdateReloadsThePageAndRunsTheHiddenUpdate) {
  ASSERT_TRUE(server.start());
  const pid_t client = launchClient();
  ASSERT_GT(client, 0);
  const Json before = waitForPageState(showsPushedBoard);
  ASSERT_FALSE(before.is_null()) << pageState();

  ASSERT_TRUE(post("/admin/update"));
  EXPECT_TRUE(program.waitForLog(R"(->[客户通信] OnHandle data:{"c":"sys","a":"update")"));
  // A new load of the page, which draws the board again.
  const Json after = waitForPageState([&before](const Json& state) {
    return state["page"] != before["page"] && state["rows"].size() >= 20;
  });
  ASSERT_FALSE(after.is_null()) << "the page was not reloaded; " << pageState();

  // The maker's library was asked for the hidden update twice: at the start
  // and for the push.
  const std::string calls = program.runDirectory() + "QZUpdate.calls.log";
  std::string recorded;
  for (int tries = 0; tries < 600 && countLines(recorded, "\n") < 2; ++tries) {
    recorded = readFile(calls);
    std::this_thread::sleep_for(100ms);
  }
  EXPECT_EQ(countLines(recorded, "\n"), 2u) << recorded;
  EXPECT_EQ(countLines(recorded, "[\"" + program.runDirectory() + "QZUpdate.dat\","), 2u)
      << recorded;
  EXPECT_EQ(countLines(recorded, ",\"hide\","), 2u) << recorded;

  // Still one client, logged in once: the reload did not touch the link.
  const auto logins = getJson("/admin/logins");
  ASSERT_TRUE(logins);
  EXPECT_EQ((*logins)["logins"].size(), 1u);
  EXPECT_TRUE(program.running(client));
  kill(client, SIGTERM);
  const auto status = program.waitForExit(client);
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

}  // namespace
}  // namespace orvane::testing
