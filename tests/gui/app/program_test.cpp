// The installed program against loopback servers, on an X server of the
// test's own.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>
#include <thread>

#include "program_fixture.h"
#include "support/web_processes.h"

namespace orvane::testing {
namespace {

using namespace std::chrono_literals;

bool exitedWithZero(const std::optional<int>& status) {
  return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

// The teardown's lines in the last run's part of the log: "开始销毁" once,
// and "销毁" last (the push channel may log its link's close in between).
void expectTornDown(const std::vector<std::string>& lines) {
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("->[销毁] "), std::string::npos) << lines.back();
  const auto lastStart = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& line) {
    return line.find("->[版本号] ") != std::string::npos;
  });
  ASSERT_NE(lastStart, lines.rend());
  EXPECT_EQ(std::count_if(lines.rbegin(), lastStart,
                          [](const std::string& line) {
                            return line.find("->[开始销毁] ") != std::string::npos;
                          }),
            1);
}

class ProgramTest : public ProgramFixture {};

TEST_F(ProgramTest, HostsThePageAndEndsWhenThePageClosesIt) {
  const pid_t program = launch();
  ASSERT_GT(program, 0);
  const auto loaded = waitForReport("loaded");
  ASSERT_TRUE(loaded) << "the page never loaded";
  EXPECT_EQ(loaded->text, web.base() + "/client/app/orvane/");
  EXPECT_EQ(countLogLines("->[页面地址] " + web.base() + "/client/app/orvane/"), 1);
  EXPECT_EQ(countLogLines("->[版本号] "), 1);

  // "serverJS" answers each kind of value the page can get back.
  const auto replies = waitForReport("replies");
  ASSERT_TRUE(replies);
  EXPECT_EQ(replies->text,
            "string:orvane;number:-1;boolean:true;boolean:false;undefined:undefined;"
            "boolean:true;string:第一");
  EXPECT_TRUE(waitForLog("->[WKE] OnServer json:{\"c\":\"sys\",\"a\":\"appname\"}"));

  // A console error comes back to the page as a "sys"/"error" envelope.
  const auto error = waitForReport("clientJS2");
  ASSERT_TRUE(error);
  EXPECT_NE(error->text.find("\"c\":\"sys\""), std::string::npos) << error->text;
  EXPECT_NE(error->text.find("\"a\":\"error\""), std::string::npos) << error->text;
  EXPECT_NE(error->text.find("page error on purpose"), std::string::npos) << error->text;

  // The screen shows the page, not an empty window: the saved monitor choice
  // placed the window over the whole screen.
  std::optional<unsigned> middle;
  for (int tries = 0; tries < 600; ++tries) {
    middle = screenPixel(320, 240);
    if (middle == kPageBackgroundRgb) break;
    std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(middle);
  EXPECT_EQ(*middle, kPageBackgroundRgb) << std::hex << *middle;
  EXPECT_EQ(screenPixel(2, 2), kPageBackgroundRgb);

  // The window refuses a close request.
  const unsigned long window = mainWindow();
  ASSERT_NE(window, 0u);
  ASSERT_TRUE(sendCloseRequest(window));
  std::this_thread::sleep_for(2s);
  EXPECT_TRUE(running(program));
  EXPECT_EQ(mainWindow(), window);
  EXPECT_EQ(countLogLines("->[开始销毁]"), 0);

  // A second copy leaves at once, writing nothing.
  const std::size_t linesBefore = logLines().size();
  const pid_t second = launch();
  ASSERT_GT(second, 0);
  EXPECT_TRUE(exitedWithZero(waitForExit(second)));
  EXPECT_EQ(countLogLines("->[版本号] "), 1);
  EXPECT_EQ(logLines().size(), linesBefore);
  EXPECT_TRUE(running(program));

  // The push channel logged in once the page was there, and what the server
  // pushes reaches the page.
  ASSERT_TRUE(push.waitForClients(1, 60s));
  const auto login = push.waitForPack(60s);
  ASSERT_TRUE(login);
  const std::string loginText(login->body.begin(), login->body.end());
  EXPECT_NE(loginText.find("\"a\":\"orvane\""), std::string::npos) << loginText;
  const std::string ranking = R"({"c":"rank","a":"list","uid":"","data":"第一名","char":"utf-8"})";
  EXPECT_EQ(push.sendToAll(ranking), 1u);
  const auto pushed = waitForReport("clientJS2", 2);
  ASSERT_TRUE(pushed);
  EXPECT_NE(pushed->text.find("第一名"), std::string::npos) << pushed->text;

  // An update pushed by the server reloads the page and runs the maker's
  // hidden update, which this build's library records beside the program.
  EXPECT_EQ(push.sendToAll(R"({"c":"sys","a":"update","uid":"","data":null})"), 1u);
  ASSERT_TRUE(waitForReport("loaded", 2)) << "the page was not reloaded";
  std::string updates;
  for (int tries = 0; tries < 600; ++tries) {
    updates = readFile(runDirectory + "QZUpdate.calls.log");
    if (std::count(updates.begin(), updates.end(), '\n') >= 2) break;
    std::this_thread::sleep_for(100ms);
  }
  const std::string hidden = "[\"" + runDirectory +
                             "QZUpdate.dat\",\"排行榜\",\"Quenmere-排行榜\",\"hide\",null,"
                             "\"temp\",null,\"a\",\"QZorvane.exe\"]\n";
  // The startup's own hidden update, then the pushed one.
  EXPECT_EQ(updates, hidden + hidden);

  // The page's "close" ends the program through the teardown.
  command("close");
  EXPECT_TRUE(exitedWithZero(waitForExit(program)));
  expectTornDown(logLines());
  EXPECT_EQ(countLogLines("->[开始销毁]"), 1);
}

TEST_F(ProgramTest, FailedLoadsAndADeadPageProcessBringThePageBack) {
  failingPageLoads = 2;
  const pid_t program = launch();
  ASSERT_GT(program, 0);
  // Each failed load is logged and retried a few seconds later.
  EXPECT_TRUE(waitForLog("->[载入页面] 失败 code:", 2));
  ASSERT_TRUE(waitForReport("loaded")) << "the page never loaded";
  ASSERT_TRUE(waitForReport("replies"));

  const std::vector<pid_t> pageProcesses = webProcessesOf(program);
  ASSERT_FALSE(pageProcesses.empty());
  for (const pid_t pid : pageProcesses) kill(pid, SIGKILL);
  EXPECT_TRUE(waitForLog("crashed"));
  EXPECT_EQ(countLogLines("->[载入页面] 失败 code:"), countLogLines("->[载入页面]"));
  ASSERT_TRUE(waitForReport("loaded", 2)) << "the page did not come back";
  EXPECT_TRUE(waitForReport("replies", 2));

  // SIGTERM is a clean end.
  kill(program, SIGTERM);
  EXPECT_TRUE(exitedWithZero(waitForExit(program)));
  expectTornDown(logLines());
}

TEST_F(ProgramTest, WaitsForTheServerAndEndsCleanlyOnASignalWhileWaiting) {
  readinessStatus = 503;
  const pid_t waiting = launch();
  ASSERT_GT(waiting, 0);
  // Asked again and again; the page address is not reached meanwhile.
  ASSERT_TRUE(web.waitForRequests(2, 60s));
  EXPECT_TRUE(waitForLog("->[版本号] "));
  EXPECT_EQ(countLogLines("->[页面地址]"), 0);
  kill(waiting, SIGTERM);
  EXPECT_TRUE(exitedWithZero(waitForExit(waiting)));
  expectTornDown(logLines());
  EXPECT_EQ(countLogLines("->[页面地址]"), 0);

  // Again; this time the server comes up while the program waits.
  const std::size_t asked = web.requestCount();
  const pid_t program = launch();
  ASSERT_GT(program, 0);
  ASSERT_TRUE(web.waitForRequests(asked + 2, 60s));
  readinessStatus = 200;
  ASSERT_TRUE(waitForReport("loaded")) << "the page never loaded";
  kill(program, SIGINT);
  EXPECT_TRUE(exitedWithZero(waitForExit(program)));
  expectTornDown(logLines());
}

}  // namespace
}  // namespace orvane::testing
