// The demo server's command line, board and envelopes, without sockets.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>

#include "demo_options.h"
#include "envelopes.h"
#include "gbk_text.h"
#include "leaderboard.h"

namespace orvane::demo {
namespace {

using Json = nlohmann::json;

TEST(DemoOptions, ReadsEveryOptionInBothForms) {
  const ParsedOptions parsed = parseDemoOptions(
      {"--bind", "0.0.0.0", "--web-port=0", "--push-port", "9100", "--interval=0", "--seed", "42",
       "--stamp", "--charset=gbk", "--app", "wall", "--page-root", "/srv/page"});
  ASSERT_EQ(parsed.error, "");
  const DemoOptions& o = parsed.options;
  EXPECT_EQ(o.bindAddress, "0.0.0.0");
  EXPECT_EQ(o.webPort, 0);
  EXPECT_EQ(o.pushPort, 9100);
  EXPECT_EQ(o.intervalMs, 0);
  EXPECT_EQ(o.seed, 42u);
  EXPECT_TRUE(o.stampSendTime);
  EXPECT_EQ(o.charset, PushCharset::Gbk);
  EXPECT_EQ(o.appName, "wall");
  EXPECT_EQ(o.pageRoot, "/srv/page");

  const DemoOptions defaults = parseDemoOptions({}).options;
  EXPECT_EQ(defaults.bindAddress, "127.0.0.1");
  EXPECT_EQ(defaults.webPort, 8099);  // the client's default web port
  EXPECT_EQ(defaults.pushPort, 8100);
  EXPECT_EQ(defaults.appName, "orvane");
  EXPECT_EQ(defaults.charset, PushCharset::Utf8);
  EXPECT_FALSE(defaults.stampSendTime);
}

TEST(DemoOptions, RefusesWhatCannotWork) {
  const std::vector<std::vector<std::string>> cases{
      {"--web-port", "65536"},
      {"--web-port", "-1"},
      {"--push-port", "80a"},
      {"--push-port"},
      {"--interval", "-1"},
      {"--interval", "86400001"},
      {"--seed", "4294967296"},
      {"--charset", "big5"},
      {"--stamp=yes"},
      {"--app", "a/b"},
      {"--app", ".."},
      {"--bind", ""},
      {"--frobnicate"},
      {"stray"},
      {"--web-port", "9000", "--push-port", "9000"},
  };
  for (const auto& arguments : cases) {
    EXPECT_NE(parseDemoOptions(arguments).error, "") << arguments.front();
  }
  // Both ephemeral is fine: the system picks two different ports.
  EXPECT_EQ(parseDemoOptions({"--web-port", "0", "--push-port", "0"}).error, "");
}

TEST(Leaderboard, ChangesOneToThreeDifferentEntriesAndStaysRepeatable) {
  Leaderboard board(7);
  Leaderboard twin(7);
  ASSERT_EQ(board.entries().size(), 20u);
  std::set<std::string> names;
  for (const BoardEntry& entry : board.entries()) names.insert(entry.name);
  EXPECT_EQ(names.size(), 20u);

  for (int round = 0; round < 2000; ++round) {
    std::map<int, std::int64_t> before;
    for (const BoardEntry& entry : board.entries()) before[entry.id] = entry.score;
    const auto changes = board.changeSome();
    ASSERT_GE(changes.size(), 1u);
    ASSERT_LE(changes.size(), 3u);
    std::set<int> ids;
    for (const ScoreChange& change : changes) {
      ids.insert(change.id);
      ASSERT_NE(change.delta, 0);
      ASSERT_EQ(change.score, before[change.id] + change.delta);
      ASSERT_GE(change.score, 0);
      ASSERT_EQ(board.entries()[change.id - 1].score, change.score);
    }
    ASSERT_EQ(ids.size(), changes.size());
    const auto again = twin.changeSome();
    ASSERT_EQ(again.size(), changes.size());
    for (std::size_t i = 0; i < changes.size(); ++i) ASSERT_EQ(again[i].score, changes[i].score);
  }
}

TEST(Envelopes, AreTheClientsEnvelopesWithTheUtf8MarkerLast) {
  Leaderboard board(1);
  const std::string texts[] = {
      scoreEnvelope(5, board.changeSome(), 1700000000000),
      snapshotEnvelope(5, board.entries(), std::nullopt),
      connEnvelope("展厅 \"A\"", 3, std::nullopt),
      updateEnvelope(std::nullopt),
      updateEnvelope(1700000000000),
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const Json json = Json::parse(text);
    EXPECT_TRUE(json.contains("c") && json.contains("a") && json.contains("uid") &&
                json.contains("data"));
    EXPECT_TRUE(text.ends_with(std::string(",") + std::string(kUtf8Marker) + "}"));
    EXPECT_EQ(text.find("\\u"), std::string::npos);  // Chinese travels as UTF-8 bytes
  }
  EXPECT_EQ(Json::parse(texts[0])["data"]["sentAt"], 1700000000000);
  EXPECT_FALSE(Json::parse(texts[1])["data"].contains("sentAt"));
  EXPECT_EQ(Json::parse(texts[2])["uid"], "展厅 \"A\"");
  EXPECT_TRUE(Json::parse(texts[3])["data"].is_null());
  EXPECT_EQ(Json::parse(texts[4])["data"]["sentAt"], 1700000000000);
}

TEST(Envelopes, GbkWireBytesDropTheMarkerAndRoundTrip) {
  Leaderboard board(1);
  const std::string text = snapshotEnvelope(9, board.entries(), std::nullopt);
  EXPECT_EQ(wireBytes(text, PushCharset::Utf8), text);
  const std::string gbk = wireBytes(text, PushCharset::Gbk);
  EXPECT_EQ(gbk.find(kUtf8Marker), std::string::npos);
  EXPECT_NE(gbk.find("\xD5\xC5\xCE\xB0"), std::string::npos);  // 张伟
  const std::string back = decodePack(gbk);
  const Json json = Json::parse(back);
  EXPECT_EQ(json["data"]["rows"][0]["name"], "张伟");
  EXPECT_FALSE(json.contains("char"));
  EXPECT_EQ(decodePack(text), text);
}

TEST(GbkText, ReplacesWhatEitherSideCannotHold) {
  EXPECT_EQ(utf8ToGbk("排行榜"), "\xC5\xC5\xD0\xD0\xB0\xF1");
  EXPECT_EQ(utf8ToGbk("a😀b"), "a?b");  // outside code page 936
  EXPECT_EQ(utf8ToGbk("a\xFF"
                      "b"),
            "a?b");  // not UTF-8
  EXPECT_EQ(gbkToUtf8("\xC5\xC5\xD0\xD0\xB0\xF1"), "排行榜");
  EXPECT_EQ(gbkToUtf8("x\xC5"), "x\xEF\xBF\xBD");  // cut off
}

}  // namespace
}  // namespace orvane::demo
