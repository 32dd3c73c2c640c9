// The push channel against a real pack server and a real port discovery on
// loopback, with the page behind the bridge's page requests on the null web
// view and the recording maker's library.

#include "server/push_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/maker_library.h"
#include "app/maker_library_null.h"
#include "bridge/bridge_context.h"
#include "bridge/bridge_message_filter.h"
#include "bridge/page_requests.h"
#include "bridge/ui_thread_null.h"
#include "config/app_config.h"
#include "server/server_link.h"
#include "support/http_server/loopback_http_server.h"
#include "support/http_server/loopback_sockets.h"
#include "support/pack_server/pack_test_server.h"
#include "support/temp_directory.h"
#include "support/wait_until.h"
#include "sys/codepage.h"
#include "webview/main_window_null.h"
#include "webview/web_view_null.h"

namespace orvane {
namespace {

using namespace std::chrono_literals;
using testing::PackTestServer;

// Generous: the machine is shared and runs tests in parallel.
constexpr auto kDeadline = 30s;
constexpr const char* kLogin = R"({"c":"login","a":"orvane","uid":"WALL-PC"})";

using testing::waitUntil;

std::string text(const PackTestServer::Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

PackTestServer::Bytes bytes(std::string_view text) { return {text.begin(), text.end()}; }

// What happened, in one order: "log <category>|<message>", "page <script>",
// "update <mode text>", "purge".
class Record {
 public:
  void add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::size_t count(const std::string& event) const {
    const auto all = events();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), event));
  }
  // Position of the n-th (from 0) occurrence; -1 when there is none.
  long indexOf(const std::string& event, int n = 0) const {
    const auto all = events();
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (all[i] == event && n-- == 0) return static_cast<long>(i);
    }
    return -1;
  }
  // The messages logged under one category, in order.
  std::vector<std::string> lines(const std::string& category) const {
    std::vector<std::string> found;
    const std::string prefix = "log " + category + "|";
    for (const auto& event : events()) {
      if (event.rfind(prefix, 0) == 0) found.push_back(event.substr(prefix.size()));
    }
    return found;
  }
  std::vector<std::string> pageScripts() const {
    std::vector<std::string> found;
    for (const auto& event : events()) {
      if (event.rfind("page ", 0) == 0) found.push_back(event.substr(5));
    }
    return found;
  }
  bool waitFor(const std::string& event, std::size_t times = 1) const {
    return waitUntil([&] { return count(event) >= times; });
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

// The server's HTTP interface as far as the discovery goes: answers the push
// port it is told, and can hold a request until released.
class PortQueryServer {
 public:
  PortQueryServer() {
    web_.server().Get("/api100.php", [this](const httplib::Request&, httplib::Response& res) {
      std::unique_lock lock(mutex_);
      ++entered_;
      changed_.notify_all();
      changed_.wait_for(lock, 60s, [this] { return !holding_; });
      res.status = status_;
      res.set_content(std::to_string(port_), "text/plain");
    });
  }
  ~PortQueryServer() { release(); }

  bool start() { return web_.start(); }
  int port() const { return web_.port(); }
  void answer(int port, int status = 200) {
    std::lock_guard lock(mutex_);
    port_ = port;
    status_ = status;
  }
  void hold() {
    std::lock_guard lock(mutex_);
    holding_ = true;
  }
  void release() {
    {
      std::lock_guard lock(mutex_);
      holding_ = false;
    }
    changed_.notify_all();
  }
  bool waitForEntered(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] { return entered_ >= count; });
  }
  std::size_t answered() const { return web_.requestCount(); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int port_ = 0;
  int status_ = 200;
  bool holding_ = false;
  int entered_ = 0;
  testing::LoopbackHttpServer web_;
};

class PushChannelTest : public ::testing::Test {
 protected:
  PushChannelTest() {
    state.pageUrl = "http://127.0.0.1:8099/client/app/orvane/";
    EXPECT_TRUE(view.bind(window, true));
    view.onScript = [this](const std::string& script) { record.add("page " + script); };
    maker.setLoginText(kLogin);
    EXPECT_TRUE(portQuery.start());
    portQuery.answer(push.port());
    testing::writeFile(dir.file("config.ini"), "[server]\nip=127.0.0.1\nwebport=" +
                                                   std::to_string(portQuery.port()) + "\n");
    link.init(dir.file("config.ini"));
  }

  ~PushChannelTest() override {
    // As the program's teardown: hand-overs to the UI thread closed first,
    // then the channel stopped.
    portQuery.release();
    ui.beginTeardown();
    if (channel) channel->stop();
  }

  static PushChannelTiming fastTiming() {
    PushChannelTiming timing;
    timing.keeperPeriod = 50ms;
    timing.reloadDelay = 20ms;
    return timing;
  }

  PushChannelHooks hooks() {
    PushChannelHooks h;
    h.runPageScript = [this](const std::string& script) { return page.runPageScript(script); };
    h.reloadPage = [this] { return page.reloadPage(); };
    h.messageText = [this](const std::string& c, const std::string& a, const std::string& uid,
                           const std::optional<std::string>& data) {
      return maker.loginText(c, a, uid, data);
    };
    h.hiddenUpdate = [this] {
      runUpdate(maker, config, kHiddenUpdate);
      record.add("update " + maker.updates().back()[3].value_or("(null)"));
    };
    h.log = [this](std::string_view category, std::string_view message) {
      record.add("log " + std::string(category) + "|" + std::string(message));
    };
    h.purgeLog = [this] { record.add("purge"); };
    h.startFailed = [this] { record.add("start failed"); };
    h.appName = config.appName;
    h.machineName = "WALL-PC";
    return h;
  }

  PushChannel& makeChannel(PushChannelTiming timing = fastTiming()) {
    channel = std::make_unique<PushChannel>(packClient, link, hooks(), timing);
    return *channel;
  }

  // The web view's loading-finished event, on the UI thread as it comes.
  void pageLoaded(int result, const std::string& reason = {}) {
    ASSERT_TRUE(ui.invoke([&] { channel->onPageLoaded(result, reason); }));
  }

  // Page loads asked for since the start (all of them reloads here).
  std::size_t reloads() {
    std::size_t count = 0;
    std::vector<std::string> urls;
    EXPECT_TRUE(ui.invoke([&] { urls = view.loadedUrls; }));
    for (const auto& url : urls) {
      EXPECT_EQ(url, state.pageUrl);
      ++count;
    }
    return count;
  }

  // Starts the channel on a loaded page and waits for the login on `server`.
  PackTestServer::ClientId connect(PackTestServer& server) {
    pageLoaded(kLoadSucceeded);
    EXPECT_TRUE(server.waitForClients(1, kDeadline));
    const auto login = server.waitForPack(kDeadline);
    EXPECT_TRUE(login.has_value());
    if (!login) return 0;
    EXPECT_EQ(text(login->body), kLogin);
    return login->client;
  }

  std::string onHandle(const std::string& envelope) {
    return "log 客户通信|OnHandle data:" + envelope;
  }
  static std::string clientJs2(const std::string& envelope) {
    return "clientJS2(" + envelope + ")";
  }

  testing::TempDirectory dir;
  PackTestServer push;
  PortQueryServer portQuery;
  std::atomic<std::int64_t> now{1'000'000};
  ServerLink link{ServerLinkTiming{
      .requestTimeoutMs = 120'000, .retryDelay = 20ms, .uptimeMs = [this] { return now.load(); }}};
  PackClient packClient;

  Record record;
  NullMainWindow window;
  NullWebView view;
  AppConfig config;
  AppState state;
  BridgeMessageFilter filter{view, config, state};
  NullUiThread ui;
  PageRequests page{ui, view, filter};
  NullMakerLibrary maker;

  std::unique_ptr<PushChannel> channel;  // last: gone before what it uses
};

TEST_F(PushChannelTest, TheFirstLoadedPageStartsTheChannelOnceAndItLogsInWithOnePack) {
  makeChannel();
  EXPECT_FALSE(channel->sendMessage("login", "orvane", "WALL-PC", std::nullopt));  // no client yet

  const auto client = connect(push);
  ASSERT_NE(client, 0u);
  ASSERT_TRUE(record.waitFor("log 客户通信|OnConnect:127.0.0.1"));
  EXPECT_TRUE(channel->channelStarted());
  EXPECT_EQ(record.events(), (std::vector<std::string>{"log 载入完成|", "log 客户通信|ReStart",
                                                       "log 客户通信|OnConnect:127.0.0.1"}));
  const auto asked = maker.messageCalls();
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(),
            (NullMakerLibrary::MessageCall{"login", "orvane", "WALL-PC", std::nullopt}));

  // Later loads neither log nor start a second channel.
  pageLoaded(kLoadSucceeded);
  std::this_thread::sleep_for(300ms);  // several keeper passes
  EXPECT_EQ(record.count("log 载入完成|"), 1u);
  EXPECT_EQ(record.count("log 客户通信|ReStart"), 1u);
  EXPECT_EQ(push.acceptedCount(), 1u);

  // Other messages go out the same way, one pack each.
  maker.setLoginText("second");
  EXPECT_TRUE(channel->sendMessage("sys", "ping", "7", std::string("{}")));
  const auto pack = push.waitForPack(kDeadline);
  ASSERT_TRUE(pack.has_value());
  EXPECT_EQ(text(pack->body), "second");
  EXPECT_EQ(maker.messageCalls().back(),
            (NullMakerLibrary::MessageCall{"sys", "ping", "7", std::string("{}")}));
}

TEST_F(PushChannelTest, AnEmptyLoginSendsNothing) {
  maker.setLoginText("");
  makeChannel();
  pageLoaded(kLoadSucceeded);
  ASSERT_TRUE(push.waitForClients(1, kDeadline));
  ASSERT_TRUE(record.waitFor("log 客户通信|OnConnect:127.0.0.1"));
  // The login was asked for.
  ASSERT_TRUE(waitUntil([&] { return maker.messageCalls().size() == 1; }));
  EXPECT_FALSE(channel->sendMessage("x", "y", "z", std::nullopt));

  // The first pack the server sees is one sent after the login: packs on one
  // connection arrive in order, so no login pack went before it.
  maker.setLoginText("after");
  ASSERT_TRUE(channel->sendMessage("x", "y", "z", std::nullopt));
  const auto pack = push.waitForPack(kDeadline);
  ASSERT_TRUE(pack.has_value());
  EXPECT_EQ(text(pack->body), "after");
}

TEST_F(PushChannelTest, PushesReachThePageWholeAndInOrderWhateverTheChunking) {
  makeChannel();
  const auto client = connect(push);
  ASSERT_NE(client, 0u);

  const std::vector<std::string> envelopes = {
      R"({"c":"rank","a":"list","data":[1,2,3]})",
      R"({"c":"rank","a":"drip","data":{"name":"x","score":99}})",
      R"({"c":"rank","a":"pair","uid":"1"})",
      R"({"c":"rank","a":"pair","uid":"2"})",
      R"({"c":"rank","a":"last","notme":true})",
  };
  ASSERT_TRUE(push.send(client, envelopes[0]));
  ASSERT_TRUE(push.send(client, "{broken"));  // not JSON: dropped without a word
  ASSERT_TRUE(push.drip(client, PackTestServer::frame(bytes(envelopes[1]))));
  auto pair = PackTestServer::frame(bytes(envelopes[2]));
  const auto second = PackTestServer::frame(bytes(envelopes[3]));
  pair.insert(pair.end(), second.begin(), second.end());
  ASSERT_TRUE(push.sendRaw(client, pair));  // two packs in one write
  ASSERT_TRUE(push.send(client, envelopes[4]));

  ASSERT_TRUE(waitUntil([&] { return record.pageScripts().size() >= envelopes.size(); }));
  std::vector<std::string> expectedScripts;
  std::vector<std::string> expectedLines;
  for (const auto& envelope : envelopes) {
    expectedScripts.push_back(clientJs2(envelope));
    expectedLines.push_back("OnHandle data:" + envelope);
  }
  EXPECT_EQ(record.pageScripts(), expectedScripts);
  auto lines = record.lines("客户通信");
  std::erase_if(lines, [](const std::string& line) { return line.rfind("OnHandle", 0) != 0; });
  EXPECT_EQ(lines, expectedLines);
  // Each log line comes before its script reaches the page.
  for (const auto& envelope : envelopes) {
    EXPECT_LT(record.indexOf(onHandle(envelope)), record.indexOf("page " + clientJs2(envelope)));
  }
}

TEST_F(PushChannelTest, AnUpdateReloadsThePageAndStartsAHiddenUpdateBeforeTheMessageGoesOn) {
  makeChannel();
  const auto client = connect(push);
  ASSERT_NE(client, 0u);

  // Class and action compare exactly: in capitals it is an ordinary message.
  const std::string shouted = R"({"c":"SYS","a":"update"})";
  const std::string update = R"({"c":"sys","a":"update","uid":"srv"})";
  ASSERT_TRUE(push.send(client, shouted));
  ASSERT_TRUE(push.send(client, update));
  ASSERT_TRUE(record.waitFor("page " + clientJs2(update)));
  ASSERT_TRUE(record.waitFor("update hide"));

  const long line = record.indexOf(onHandle(update));
  const long reload = record.indexOf("page location.reload(true)");
  const long forwarded = record.indexOf("page " + clientJs2(update));
  EXPECT_LT(record.indexOf("page " + clientJs2(shouted)), line);
  EXPECT_LT(line, reload);
  EXPECT_LT(reload, forwarded);
  // The update runs on its own thread, started after the reload was handed over.
  EXPECT_LT(reload, record.indexOf("update hide"));

  channel->stop();  // joins the update's thread
  EXPECT_EQ(record.count("page location.reload(true)"), 1u);
  const auto updates = maker.updates();
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0], updateArguments(config, kHiddenUpdate));
}

TEST_F(PushChannelTest, ConnMessagesPurgeTheLogOnceAndStillReachThePage) {
  makeChannel();
  const auto client = connect(push);
  ASSERT_NE(client, 0u);

  const std::string conn = R"({"c":"sys","a":"conn"})";
  const std::string other = R"({"c":"sys","a":"other"})";
  ASSERT_TRUE(push.send(client, conn));
  ASSERT_TRUE(push.send(client, conn));
  ASSERT_TRUE(push.send(client, other));
  ASSERT_TRUE(record.waitFor("page " + clientJs2(other)));
  channel->stop();  // joins the purge's thread
  EXPECT_EQ(record.count("purge"), 1u);
  EXPECT_EQ(record.count("page " + clientJs2(conn)), 2u);
  EXPECT_LT(record.indexOf(onHandle(conn)), record.indexOf("purge"));
}

TEST_F(PushChannelTest, GbkAndUtf8MarkedPacksReachThePageAsTheSameText) {
  makeChannel();
  const auto client = connect(push);
  ASSERT_NE(client, 0u);

  const std::string chinese = "排行榜 第一名：张三";
  const std::string gbkEnvelope = R"({"c":"rank","a":"top","data":")" + utf8ToGbk(chinese) + "\"}";
  const std::string utf8Envelope =
      R"({"c":"rank","a":"top","char":"utf-8","data":")" + chinese + "\"}";
  ASSERT_NE(utf8ToGbk(chinese), chinese);
  ASSERT_TRUE(push.send(client, gbkEnvelope));
  ASSERT_TRUE(push.send(client, utf8Envelope));

  const std::string fromGbk = R"({"c":"rank","a":"top","data":")" + chinese + "\"}";
  ASSERT_TRUE(record.waitFor("page " + clientJs2(utf8Envelope)));
  EXPECT_EQ(record.pageScripts(),
            (std::vector<std::string>{clientJs2(fromGbk), clientJs2(utf8Envelope)}));
  // The log carries the same text the page got.
  EXPECT_EQ(record.count(onHandle(fromGbk)), 1u);
  EXPECT_EQ(record.count(onHandle(utf8Envelope)), 1u);
}

TEST_F(PushChannelTest, ALinkTheServerEndsIsReconnectedToAFreshlyAskedPort) {
  PackTestServer moved;
  PackTestServer movedAgain;
  makeChannel();
  const auto first = connect(push);
  ASSERT_NE(first, 0u);
  ASSERT_EQ(portQuery.answered(), 1u);

  struct Case {
    std::function<bool()> end;
    PackTestServer& next;
    int code;
  };
  // An orderly close, then a reset.
  const Case cases[] = {
      {[&] { return push.closeClient(first); }, moved, 0},
      {[&] { return moved.resetClient(moved.clients().front()); }, movedAgain, ECONNRESET},
  };
  int round = 0;
  for (const Case& c : cases) {
    ++round;
    // The cached port has expired and the server names another one.
    now += ServerLink::kPortCacheMs;
    portQuery.answer(c.next.port());
    ASSERT_TRUE(c.end());
    const std::string closed = "log 客户通信|OnClose code:" + std::to_string(c.code);
    ASSERT_TRUE(record.waitFor(closed)) << round;
    ASSERT_TRUE(c.next.waitForClients(1, kDeadline)) << round;
    const auto login = c.next.waitForPack(kDeadline);
    ASSERT_TRUE(login.has_value()) << round;
    EXPECT_EQ(text(login->body), kLogin);
    EXPECT_EQ(portQuery.answered(), 1u + round);
    // Close, then the keeper's next pass: ReStart and a new connect.
    EXPECT_LT(record.indexOf(closed), record.indexOf("log 客户通信|ReStart", round));
    EXPECT_LT(record.indexOf("log 客户通信|ReStart", round),
              record.indexOf("log 客户通信|OnConnect:127.0.0.1", round));
  }
  EXPECT_EQ(record.count("log 客户通信|ReStart"), 3u);
}

TEST_F(PushChannelTest, WhileTheServerIsAwayTheKeeperLogsReStartOnEveryPass) {
  makeChannel();
  // No port to be had: every pass asks again and connects nowhere.
  portQuery.answer(0, 404);
  pageLoaded(kLoadSucceeded);
  ASSERT_TRUE(record.waitFor("log 客户通信|ReStart", 3));
  EXPECT_GE(portQuery.answered(), 6u);  // three attempts per pass

  // A port nobody listens on: passes go on, with the port from the cache.
  const int dead = testing::unusedLoopbackPort();
  portQuery.answer(dead);
  const auto before = record.count("log 客户通信|ReStart");
  ASSERT_TRUE(record.waitFor("log 客户通信|ReStart", before + 3));
  EXPECT_EQ(record.count("log 客户通信|OnConnect:127.0.0.1"), 0u);
  EXPECT_TRUE(record.lines("客户通信").size() == record.count("log 客户通信|ReStart"));

  // The server is back on a new port once the cached one has expired.
  now += ServerLink::kPortCacheMs;
  portQuery.answer(push.port());
  ASSERT_TRUE(push.waitForClients(1, kDeadline));
  ASSERT_TRUE(record.waitFor("log 客户通信|OnConnect:127.0.0.1"));
}

TEST_F(PushChannelTest, StopCutsAPortDiscoveryShort) {
  portQuery.hold();
  makeChannel();
  pageLoaded(kLoadSucceeded);
  ASSERT_TRUE(portQuery.waitForEntered(1));

  // The request would wait up to two minutes for its answer.
  auto stopped = std::async(std::launch::async, [&] { channel->stop(); });
  EXPECT_EQ(stopped.wait_for(kDeadline), std::future_status::ready);
  portQuery.release();
  stopped.wait();
  EXPECT_EQ(record.count("log 客户通信|OnConnect:127.0.0.1"), 0u);
  EXPECT_EQ(channel->linkState(), PackClientState::Stopped);
}

TEST_F(PushChannelTest, StopCutsAConnectShort) {
  testing::FullListener full;
  ASSERT_TRUE(full.listening());
  portQuery.answer(full.port());
  auto timing = fastTiming();
  timing.connectTimeout = 120s;
  makeChannel(timing);
  pageLoaded(kLoadSucceeded);
  ASSERT_TRUE(waitUntil([&] { return channel->linkState() == PackClientState::Starting; }));

  auto stopped = std::async(std::launch::async, [&] { channel->stop(); });
  EXPECT_EQ(stopped.wait_for(kDeadline), std::future_status::ready);
  stopped.wait();
  EXPECT_EQ(record.count("log 客户通信|OnConnect:127.0.0.1"), 0u);
}

TEST_F(PushChannelTest, StopReturnsWhileAReceiveHandlerWaitsForABusyUiThread) {
  makeChannel();
  const auto client = connect(push);
  ASSERT_NE(client, 0u);

  // The UI thread is held up; the next script waits behind it.
  std::promise<void> release;
  ASSERT_TRUE(ui.post([held = release.get_future().share()] { held.wait(); }));
  struct Release {
    std::promise<void>& promise;
    ~Release() { promise.set_value(); }
  } releaseAtEnd{release};

  const std::string envelope = R"({"c":"rank","a":"list"})";
  ASSERT_TRUE(push.send(client, envelope));
  ASSERT_TRUE(record.waitFor(onHandle(envelope)));

  // Teardown: hand-overs close, then the channel stops.
  ui.beginTeardown();
  auto stopped = std::async(std::launch::async, [&] { channel->stop(); });
  EXPECT_EQ(stopped.wait_for(kDeadline), std::future_status::ready);
  stopped.wait();
  EXPECT_EQ(record.count("page " + clientJs2(envelope)), 0u);
  EXPECT_EQ(channel->linkState(), PackClientState::Stopped);
}

TEST_F(PushChannelTest, FailedLoadsAreRetriedBeforeAndAfterTheChannelStarted) {
  makeChannel();
  pageLoaded(kLoadFailed, "Could not connect");
  ASSERT_TRUE(waitUntil([&] { return reloads() == 1; }));
  pageLoaded(kLoadCancelled);
  ASSERT_TRUE(waitUntil([&] { return reloads() == 2; }));
  EXPECT_FALSE(channel->channelStarted());

  ASSERT_NE(connect(push), 0u);
  // A reload the server asked for, or the server restarting, fails later on.
  pageLoaded(kLoadFailed, "Server gone");
  ASSERT_TRUE(waitUntil([&] { return reloads() == 3; }));
  pageLoaded(kLoadSucceeded);

  EXPECT_EQ(record.lines("载入页面"),
            (std::vector<std::string>{"失败 code:1 Could not connect", "失败 code:2",
                                      "失败 code:1 Server gone"}));
  EXPECT_EQ(record.count("log 载入完成|"), 1u);
  EXPECT_EQ(push.acceptedCount(), 1u);
}

TEST_F(PushChannelTest, FailuresWhileARetryWaitsDoNotStackReloadsAndALoadedPageCallsItOff) {
  auto timing = fastTiming();
  timing.reloadDelay = 200ms;
  makeChannel(timing);

  ASSERT_TRUE(ui.invoke([&] {
    for (int i = 0; i < 3; ++i) channel->onPageLoaded(kLoadFailed, "down");
  }));
  ASSERT_TRUE(waitUntil([&] { return reloads() == 1; }));
  std::this_thread::sleep_for(1s);  // five delays: a stacked retry would have come
  EXPECT_EQ(reloads(), 1u);
  EXPECT_EQ(record.lines("载入页面").size(), 3u);

  // The page loads by itself while a retry waits: nothing is reloaded.
  ASSERT_TRUE(ui.invoke([&] {
    channel->onPageLoaded(kLoadFailed, "down");
    channel->onPageLoaded(kLoadSucceeded, "");
  }));
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(reloads(), 1u);
  EXPECT_TRUE(channel->channelStarted());
}

TEST_F(PushChannelTest, StopCutsAWaitingRetryShortAndEndsTheChannelForGood) {
  auto timing = fastTiming();
  timing.reloadDelay = 1h;
  makeChannel(timing);
  pageLoaded(kLoadFailed, "down");

  auto stopped = std::async(std::launch::async, [&] { channel->stop(); });
  EXPECT_EQ(stopped.wait_for(kDeadline), std::future_status::ready);
  stopped.wait();
  EXPECT_EQ(reloads(), 0u);

  channel->stop();  // again: nothing to do
  const auto before = record.events();
  pageLoaded(kLoadFailed, "down");
  pageLoaded(kLoadSucceeded);
  EXPECT_EQ(record.events(), before);
  EXPECT_FALSE(channel->start());
  EXPECT_EQ(push.acceptedCount(), 0u);
}

}  // namespace
}  // namespace orvane
