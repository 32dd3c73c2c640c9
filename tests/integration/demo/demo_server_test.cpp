// The real orvane-demo-server, run as a child process, against the client's
// own pieces: its HTTP requests and port discovery, its pack client, the
// maker library's login and the bridge's reader of server bytes.

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "bridge/bridge_message.h"
#include "server/http_request.h"
#include "server/pack_client.h"
#include "server/server_link.h"
#include "support/demo_server/demo_server_process.h"
#include "support/pack_server/pack_test_server.h"
#include "support/temp_directory.h"

// The maker library's message builder: the login the client sends.
extern "C" const char* _fun_msg(const char* c, const char* a, const char* uid, const char* data);

namespace orvane {
namespace {

using namespace std::chrono_literals;
using testing::DemoServerProcess;
using testing::exitCodeOf;
using Json = nlohmann::json;

constexpr auto kWait = 30s;  // generous: the machine is shared and busy
constexpr std::uint32_t kClientMaxPack = 3145728;

std::string loginText(const std::string& uid) {
  return _fun_msg("login", "orvane", uid.c_str(), nullptr);
}

// Strict JSON (nlohmann rejects what a lenient reader would let through).
std::optional<Json> strictJson(const std::string& text) {
  Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded()) return std::nullopt;
  return json;
}

// Push clients over the client's PackClient, logged in as the client logs in,
// with what each received kept in order.
class PushClients {
 public:
  ~PushClients() {
    for (const PackClientHandle handle : handles_) packs_.destroy(handle);
  }

  // Connects and sends the login; 0 when the connect failed.
  PackClientHandle logIn(int port, const std::string& uid) {
    const PackClientHandle handle = packs_.create();
    if (handle == 0) return 0;
    handles_.push_back(handle);
    if (!handlersSet_) {
      handlersSet_ = true;
      packs_.setOnReceive(
          [this](PackClientHandle client, PackConnectionId, std::span<const std::uint8_t> pack) {
            std::lock_guard lock(mutex_);
            received_[client].emplace_back(pack.begin(), pack.end());
            changed_.notify_all();
          });
      packs_.setOnClose([this](PackClientHandle client, PackConnectionId, SocketOperation, int) {
        std::lock_guard lock(mutex_);
        closed_.insert(client);
        changed_.notify_all();
      });
    }
    packs_.setMaxPackSize(handle, kClientMaxPack);
    if (!packs_.start(handle, "127.0.0.1", static_cast<std::uint16_t>(port))) return 0;
    if (!packs_.send(handle, loginText(uid))) return 0;
    return handle;
  }

  // The next pack the client received, in order.
  std::optional<std::string> next(PackClientHandle handle,
                                  std::chrono::milliseconds timeout = kWait) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, timeout, [&] { return !received_[handle].empty(); })) {
      return std::nullopt;
    }
    std::string pack = std::move(received_[handle].front());
    received_[handle].pop_front();
    return pack;
  }

  // The next pack whose envelope has this class and action; others skipped.
  std::optional<std::string> nextOf(PackClientHandle handle, const std::string& c,
                                    const std::string& a) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    while (std::chrono::steady_clock::now() < deadline) {
      const auto pack = next(handle, std::chrono::duration_cast<std::chrono::milliseconds>(
                                         deadline - std::chrono::steady_clock::now()));
      if (!pack) return std::nullopt;
      const auto message = parseServerBridgeMessage(*pack).message;
      if (message && message->c == c && message->a == a) return pack;
    }
    return std::nullopt;
  }

  bool waitClosed(PackClientHandle handle) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWait, [&] { return closed_.count(handle) > 0; });
  }

  void stop(PackClientHandle handle) { packs_.stop(handle); }

 private:
  PackClient packs_;
  bool handlersSet_ = false;
  std::vector<PackClientHandle> handles_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<PackClientHandle, std::deque<std::string>> received_;
  std::set<PackClientHandle> closed_;
};

// An HTTP GET with the client's own request engine: status and body.
struct Fetched {
  int status = 0;
  std::string body;
  std::string headers;
};

Fetched get(const std::string& url) {
  HttpReply reply;
  Fetched out;
  out.body = HttpRequest().fetch(url, reply);
  out.status = reply.status;
  out.headers = reply.headerText;
  return out;
}

std::string header(const Fetched& fetched, const std::string& name) {
  std::smatch match;
  const std::regex pattern("(^|\r\n)" + name + ": ([^\r\n]*)", std::regex::icase);
  return std::regex_search(fetched.headers, match, pattern) ? match[2].str() : std::string();
}

// An operator request: status and body.
std::pair<int, std::string> post(const DemoServerProcess& server, const std::string& path,
                                 const std::string& body = {}) {
  httplib::Client http("127.0.0.1", server.webPort());
  http.set_read_timeout(30, 0);
  const auto result = http.Post(path.c_str(), body, "application/json");
  if (!result) return {0, {}};
  return {result->status, result->body};
}

std::int64_t nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

class DemoServerTest : public ::testing::Test {
 protected:
  void start(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments{"--seed", "7"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    server_.emplace(arguments);
    ASSERT_TRUE(server_->start()) << server_->output();
  }

  DemoServerProcess& server() { return *server_; }

  std::optional<DemoServerProcess> server_;
};

TEST_F(DemoServerTest, AnswersTheClientsReadinessProbeAndPortQuery) {
  ASSERT_NO_FATAL_FAILURE(start());
  const Fetched base = get(server().webBase() + "/");
  EXPECT_EQ(base.status, 200);
  EXPECT_FALSE(base.body.empty());

  // The client's own discovery, from a config.ini naming the demo server.
  testing::TempDirectory folder;
  std::ofstream(folder.file("config.ini"))
      << "[server]\nip = 127.0.0.1\nwebport = " << server().webPort() << "\n";
  ServerLinkTiming timing;
  timing.retryDelay = 10ms;
  ServerLink link(timing);
  link.init(folder.file("config.ini"));
  EXPECT_EQ(link.webBase(), server().webBase());
  EXPECT_EQ(link.getPort(PortKind::Tcp), server().pushPort());

  const Fetched port = get(server().webBase() + "/api100.php?fun=port&name=tcp");
  EXPECT_EQ(port.body, std::to_string(server().pushPort()));
  EXPECT_EQ(get(server().webBase() + "/api100.php?fun=port&name=udp").status, 404);
  EXPECT_TRUE(server().waitForLine(std::regex("http GET /api100.php.* 200$"), kWait));
  link.shutdown();
}

TEST_F(DemoServerTest, ServesThePageAndOnlyItsOwnFiles) {
  ASSERT_NO_FATAL_FAILURE(start());
  const std::string page = server().webBase() + "/client/app/orvane/";
  const Fetched index = get(page);
  ASSERT_EQ(index.status, 200);
  EXPECT_EQ(header(index, "Content-Type"), "text/html; charset=utf-8");
  EXPECT_TRUE(std::regex_search(index.body, std::regex(R"(<meta charset="utf-8"\s*/?>)")));

  // Without the slash the page's relative files would not resolve: redirected.
  int status = 0;
  EXPECT_EQ(HttpRequest().fetchWithRedirects(server().webBase() + "/client/app/orvane", status),
            index.body);
  EXPECT_EQ(status, 200);

  // Every file the page names is its own, relative, and served with the
  // charset that keeps its Chinese readable. Nothing comes from elsewhere:
  // the screen's machine may be offline.
  const std::regex reference(R"#((?:src|href)="([^"]*)")#");
  const std::map<std::string, std::string> types{{".js", "text/javascript; charset=utf-8"},
                                                 {".css", "text/css; charset=utf-8"}};
  std::vector<std::string> files;
  for (auto it = std::sregex_iterator(index.body.begin(), index.body.end(), reference);
       it != std::sregex_iterator(); ++it) {
    files.push_back((*it)[1]);
  }
  ASSERT_GE(files.size(), 3u) << index.body;
  const std::regex external(R"#((https?:)?//[a-z0-9.-]+[.:/]|@import)#", std::regex::icase);
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    EXPECT_EQ(file.find(':'), std::string::npos);
    EXPECT_NE(file.front(), '/');
    const Fetched asset = get(page + file);
    EXPECT_EQ(asset.status, 200);
    EXPECT_FALSE(asset.body.empty());
    const std::string extension = file.substr(file.rfind('.'));
    ASSERT_TRUE(types.count(extension));
    EXPECT_EQ(header(asset, "Content-Type"), types.at(extension));
    EXPECT_FALSE(std::regex_search(asset.body, external)) << "refers to another host";
  }
  EXPECT_FALSE(std::regex_search(index.body, external));
  EXPECT_EQ(get(page + "missing.js").status, 404);

  // The board the page reads on its first paint, before any push.
  const Fetched board = get(server().webBase() + "/api/board");
  const auto json = strictJson(board.body);
  ASSERT_TRUE(json) << board.body;
  EXPECT_EQ((*json)["a"], "snapshot");
  EXPECT_EQ((*json)["data"]["rows"].size(), 20u);
}

TEST_F(DemoServerTest, LogsClientsInAndPushesTheBoardInSequence) {
  ASSERT_NO_FATAL_FAILURE(start({"--interval", "100"}));
  PushClients clients;
  const std::string uid = "展厅-PC01";
  const PackClientHandle client = clients.logIn(server().pushPort(), uid);
  ASSERT_NE(client, 0u);

  // First "sys"/"conn", for this client's login.
  const auto conn = clients.next(client);
  ASSERT_TRUE(conn);
  const ServerBridgeMessage connMessage = parseServerBridgeMessage(*conn);
  ASSERT_TRUE(connMessage.message);
  EXPECT_EQ(connMessage.message->c, "sys");
  EXPECT_EQ(connMessage.message->a, "conn");
  EXPECT_EQ(connMessage.message->uid, uid);
  EXPECT_NE(conn->find(kUtf8Marker), std::string::npos);

  // Then the whole board, names intact.
  const auto snapshot = clients.next(client);
  ASSERT_TRUE(snapshot);
  const auto board = strictJson(*snapshot);
  ASSERT_TRUE(board) << *snapshot;
  EXPECT_EQ((*board)["c"], "board");
  EXPECT_EQ((*board)["a"], "snapshot");
  EXPECT_EQ((*board)["char"], "utf-8");
  std::map<int, std::string> names;
  for (const Json& row : (*board)["data"]["rows"]) names[row["id"]] = row["name"];
  EXPECT_EQ(names.size(), 20u);
  EXPECT_EQ(names[1], "张伟");
  EXPECT_EQ(names[20], "欧阳晓晨");
  std::int64_t seq = (*board)["data"]["seq"];

  // Then score changes, each the next in sequence: nothing older than the
  // snapshot, nothing skipped, every one valid JSON the client's reader takes.
  for (int i = 0; i < 5; ++i) {
    const auto pack = clients.next(client);
    ASSERT_TRUE(pack) << server().output();
    const auto change = strictJson(*pack);
    ASSERT_TRUE(change) << *pack;
    const ServerBridgeMessage message = parseServerBridgeMessage(*pack);
    ASSERT_TRUE(message.message);
    EXPECT_EQ(message.message->c, "board");
    EXPECT_EQ(message.message->a, "score");
    EXPECT_EQ((*change)["data"]["seq"], ++seq);
    const Json& changes = (*change)["data"]["changes"];
    ASSERT_GE(changes.size(), 1u);
    ASSERT_LE(changes.size(), 3u);
    for (const Json& entry : changes) {
      EXPECT_EQ(entry["name"], names[entry["id"]]);
      EXPECT_GE(entry["score"].get<std::int64_t>(), 0);
      EXPECT_NE(entry["delta"].get<std::int64_t>(), 0);
    }
  }

  // The operator can read the login back, and sees it end.
  const auto loginFor = [&]() -> std::optional<Json> {
    const auto logins = strictJson(get(server().webBase() + "/admin/logins").body);
    if (!logins) return std::nullopt;
    for (const Json& login : (*logins)["logins"]) {
      if (login["uid"] == uid) return login;
    }
    return std::nullopt;
  };
  const auto login = loginFor();
  ASSERT_TRUE(login);
  EXPECT_EQ((*login)["app"], "orvane");
  EXPECT_EQ((*login)["connected"], true);
  EXPECT_TRUE(
      server().waitForLine(std::regex("login client \\d+ uid=" + uid + " app=orvane$"), kWait));

  clients.stop(client);
  ASSERT_TRUE(server().waitForLine(std::regex("close client \\d+$"), kWait));
  const auto after = loginFor();
  ASSERT_TRUE(after);
  EXPECT_EQ((*after)["connected"], false);
}

TEST_F(DemoServerTest, OperatorEnvelopesReachEveryLoggedInClient) {
  ASSERT_NO_FATAL_FAILURE(start({"--interval", "0"}));
  PushClients clients;
  const PackClientHandle first = clients.logIn(server().pushPort(), "wall-1");
  const PackClientHandle second = clients.logIn(server().pushPort(), "wall-2");
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  for (const PackClientHandle client : {first, second}) {
    ASSERT_TRUE(clients.nextOf(client, "board", "snapshot"));
  }

  // Sent byte for byte, quotes, Chinese and all.
  const std::string envelope =
      R"({"c":"board","a":"notice","uid":"","data":{"text":"欢迎 \"来宾\""},"char":"utf-8"})";
  const auto [status, reply] = post(server(), "/admin/push", envelope);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(strictJson(reply).value_or(Json())["clients"], 2);
  for (const PackClientHandle client : {first, second}) {
    EXPECT_EQ(clients.next(client).value_or(""), envelope);
  }

  EXPECT_EQ(post(server(), "/admin/update").first, 200);
  for (const PackClientHandle client : {first, second}) {
    const auto update = clients.next(client);
    ASSERT_TRUE(update);
    const auto message = parseServerBridgeMessage(*update).message;
    ASSERT_TRUE(message);
    EXPECT_EQ(message->c, "sys");
    EXPECT_EQ(message->a, "update");
  }

  EXPECT_EQ(post(server(), "/admin/snapshot").first, 200);
  for (const PackClientHandle client : {first, second}) {
    EXPECT_TRUE(clients.nextOf(client, "board", "snapshot"));
  }

  // What cannot go out as a pack is refused.
  EXPECT_EQ(post(server(), "/admin/push", "").first, 400);
  EXPECT_EQ(post(server(), "/admin/push", std::string(kClientMaxPack + 1, 'x')).first, 413);
  EXPECT_EQ(post(server(), "/admin/burst?count=0").first, 400);
  EXPECT_EQ(post(server(), "/admin/interval?ms=abc").first, 400);
}

TEST_F(DemoServerTest, BurstNumbersAndStampsEveryEnvelope) {
  ASSERT_NO_FATAL_FAILURE(start({"--interval", "0", "--stamp"}));
  PushClients clients;
  const PackClientHandle client = clients.logIn(server().pushPort(), "bench");
  ASSERT_NE(client, 0u);
  const auto snapshot = clients.nextOf(client, "board", "snapshot");
  ASSERT_TRUE(snapshot);
  const std::int64_t seq = strictJson(*snapshot).value()["data"]["seq"];

  constexpr int kCount = 3000;
  const std::int64_t before = nowMs();
  const auto [status, reply] = post(server(), "/admin/burst?count=" + std::to_string(kCount));
  ASSERT_EQ(status, 202) << reply;
  EXPECT_EQ(strictJson(reply).value()["firstSeq"], seq + 1);

  for (int i = 1; i <= kCount; ++i) {
    const auto pack = clients.next(client);
    ASSERT_TRUE(pack) << "envelope " << i << " of the burst did not come";
    const auto json = strictJson(*pack);
    ASSERT_TRUE(json);
    ASSERT_EQ((*json)["data"]["seq"], seq + i);
    const std::int64_t sentAt = (*json)["data"]["sentAt"];
    ASSERT_GE(sentAt, before);
    ASSERT_LE(sentAt, nowMs());
  }
  EXPECT_TRUE(server().waitForLine(std::regex("burst done: 3000 envelope"), kWait));
  const auto state = strictJson(get(server().webBase() + "/admin/status").body);
  ASSERT_TRUE(state);
  EXPECT_EQ((*state)["seq"], seq + kCount);
  EXPECT_EQ((*state)["burstRunning"], false);
  EXPECT_EQ((*state)["loggedIn"], 1);
}

TEST_F(DemoServerTest, GbkEnvelopesDecodeByTheClientsRule) {
  ASSERT_NO_FATAL_FAILURE(start({"--interval", "100", "--charset", "gbk"}));
  PushClients clients;
  const PackClientHandle client = clients.logIn(server().pushPort(), "gbk-wall");
  ASSERT_NE(client, 0u);
  ASSERT_TRUE(clients.nextOf(client, "sys", "conn"));
  const auto snapshot = clients.next(client);
  ASSERT_TRUE(snapshot);
  EXPECT_EQ(snapshot->find(kUtf8Marker), std::string::npos);
  EXPECT_NE(snapshot->find("\xD5\xC5\xCE\xB0"), std::string::npos);  // 张伟 in code page 936
  const ServerBridgeMessage decoded = parseServerBridgeMessage(*snapshot);
  ASSERT_TRUE(decoded.message);
  EXPECT_EQ(decoded.message->a, "snapshot");
  EXPECT_NE(decoded.text.find("\"name\":\"张伟\""), std::string::npos);
  EXPECT_NE(decoded.text.find("欧阳晓晨"), std::string::npos);
  EXPECT_TRUE(strictJson(decoded.text));

  const auto change = clients.nextOf(client, "board", "score");
  ASSERT_TRUE(change);
  EXPECT_TRUE(strictJson(parseServerBridgeMessage(*change).text));
}

TEST_F(DemoServerTest, StopsCleanlyOnEachStopSignal) {
  for (const auto& [signal, name] : {std::pair{SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"}}) {
    SCOPED_TRACE(name);
    ASSERT_NO_FATAL_FAILURE(start({"--interval", "50"}));
    PushClients clients;
    const PackClientHandle client = clients.logIn(server().pushPort(), "stopper");
    ASSERT_NE(client, 0u);
    ASSERT_TRUE(clients.nextOf(client, "board", "score"));
    ASSERT_TRUE(server().signal(signal));
    const auto status = server().waitForExit(kWait);
    ASSERT_TRUE(status) << server().output();
    EXPECT_EQ(exitCodeOf(*status), 0);
    EXPECT_TRUE(server().waitForLine(std::regex(std::string("stop on ") + name + "$"), kWait));
    EXPECT_TRUE(server().waitForLine(std::regex("^stopped$"), kWait));
    EXPECT_TRUE(clients.waitClosed(client));
  }
}

TEST(DemoServerCommandLine, ReportsBadOptionsBusyPortsAndAMissingPage) {
  const testing::PackTestServer holder;  // something already listening
  const std::string busy = std::to_string(holder.port());
  struct Case {
    std::vector<std::string> arguments;
    int exitCode;
    const char* says;
  };
  const std::vector<Case> cases{
      {{"--help"}, 0, "/admin/push"},
      {{"--bogus"}, 2, "unknown option --bogus"},
      {{"--web-port", "70000"}, 2, "--web-port"},
      {{"--interval", "-5"}, 2, "--interval"},
      {{"--charset", "latin1"}, 2, "utf-8 or gbk"},
      {{"--web-port", "0", "--push-port", busy}, 1, "cannot listen for pushes"},
      {{"--web-port", busy, "--push-port", "0"}, 1, "cannot listen on"},
      {{"--web-port", "0", "--push-port", "0", "--page-root", "/nonexistent/page"},
       1,
       "no index.html"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    DemoServerProcess server(c.arguments);
    ASSERT_TRUE(server.launch());
    const auto status = server.waitForExit(kWait);
    ASSERT_TRUE(status);
    EXPECT_EQ(exitCodeOf(*status), c.exitCode);
    EXPECT_TRUE(server.waitForLine(std::regex(c.says), kWait)) << server.output();
  }
}

}  // namespace
}  // namespace orvane
