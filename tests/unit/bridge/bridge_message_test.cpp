#include "bridge/bridge_message.h"

#include <gtest/gtest.h>

#include <string>

#include "json/json_kind.h"
#include "sys/utf.h"

namespace orvane {
namespace {

struct EnvelopeCase {
  const char* text;
  const char* c;
  const char* a;
  const char* uid;
  bool notme;
  JsonKind dataKind;
};

TEST(BridgeMessage, ReadsTheFieldsOfAnEnvelope) {
  const EnvelopeCase cases[] = {
      // Only c and a: the rest reads empty, data is a Null document.
      {R"({"c":"window","a":"init"})", "window", "init", "", false, JsonKind::Null},
      // Numbers and booleans read as their text form.
      {R"({"c":5,"a":true,"uid":12.5,"notme":true,"data":{"x":1}})", "5", "true", "12.5", true,
       JsonKind::Object},
      {R"({"c":"sys","a":"x","uid":"u-1","notme":false,"data":[1,2]})", "sys", "x", "u-1", false,
       JsonKind::Array},
      {R"({"c":"sys","a":"x","data":"plain"})", "sys", "x", "", false, JsonKind::String},
      // A whole array parses, with every field empty.
      {R"([{"c":"sys"},2])", "", "", "", false, JsonKind::Null},
      // Keys are case-sensitive.
      {R"({"C":"sys","A":"x","Data":{}})", "", "", "", false, JsonKind::Null},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.text);
    const auto message = parseBridgeMessage(tc.text);
    ASSERT_TRUE(message.has_value());
    EXPECT_EQ(message->c, tc.c);
    EXPECT_EQ(message->a, tc.a);
    EXPECT_EQ(message->uid, tc.uid);
    EXPECT_EQ(message->notme, tc.notme);
    ASSERT_TRUE(message->data.hasRoot());
    EXPECT_EQ(message->data.kindAt(), static_cast<std::int32_t>(tc.dataKind));
  }
}

TEST(BridgeMessage, DataIsADocumentOfItsOwnAndMissingMembersReadEmpty) {
  const auto message =
      parseBridgeMessage(R"({"c":"sys","a":"readini","data":{"node":"local","n":7,"on":true}})");
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->data.getText("node"), "local");
  EXPECT_EQ(message->data.getInteger64("n"), 7);
  EXPECT_TRUE(message->data.getBoolean("on"));
  EXPECT_EQ(message->data.getText("missing"), "");
  EXPECT_EQ(message->data.getInteger64("missing"), 0);
  // The root of data is the object itself, not the envelope.
  EXPECT_EQ(message->data.getText("c"), "");

  const auto bare = parseBridgeMessage(R"({"c":"sys","a":"pcname"})");
  ASSERT_TRUE(bare.has_value());
  EXPECT_EQ(bare->data.getText("node"), "");
  EXPECT_EQ(bare->data.getInteger64("show"), 0);
  EXPECT_FALSE(bare->data.getBoolean("on"));
}

TEST(BridgeMessage, EmptyTextAndTextThatIsNotJsonFail) {
  for (const char* text : {"", "not json", "{\"c\":\"sys\"", "}"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(parseBridgeMessage(text).has_value());
  }
}

TEST(BridgeMessage, UnicodeEscapesStayAsWritten) {
  const auto message = parseBridgeMessage(R"({"c":"sys","a":"\u4e2d"})");
  ASSERT_TRUE(message.has_value());
  EXPECT_EQ(message->a, "\\u4e2d");
}

// The server's bytes: code page 936 unless the UTF-8 marker is present.
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4";           // 中文 in code page 936
const std::string kUtf8Chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文 in UTF-8

TEST(ServerBridgeMessage, CodePage936AndMarkedUtf8GiveTheSameTexts) {
  const auto gbk = parseServerBridgeMessage(R"({"c":"sys","a":")" + kGbkChinese +
                                            R"(","data":{"name":")" + kGbkChinese + R"("}})");
  const auto utf8 = parseServerBridgeMessage(R"({"char":"utf-8","c":"sys","a":")" + kUtf8Chinese +
                                             R"(","data":{"name":")" + kUtf8Chinese + R"("}})");
  ASSERT_TRUE(gbk.message.has_value());
  ASSERT_TRUE(utf8.message.has_value());
  EXPECT_EQ(gbk.message->a, kUtf8Chinese);
  EXPECT_EQ(utf8.message->a, kUtf8Chinese);
  EXPECT_EQ(gbk.message->data.getText("name"), kUtf8Chinese);
  EXPECT_EQ(utf8.message->data.getText("name"), kUtf8Chinese);
  // The decoded text is returned for the log and the page.
  EXPECT_EQ(gbk.text, R"({"c":"sys","a":")" + kUtf8Chinese + R"(","data":{"name":")" +
                          kUtf8Chinese + R"("}})");
  EXPECT_EQ(utf8.text, R"({"char":"utf-8","c":"sys","a":")" + kUtf8Chinese +
                           R"(","data":{"name":")" + kUtf8Chinese + R"("}})");
}

TEST(ServerBridgeMessage, OnlyTheExactMarkerMeansUtf8) {
  // Close but not the marker: the bytes are read as code page 936, so the
  // UTF-8 Chinese does not come out as written.
  for (const std::string marker :
       {R"("char":"UTF-8")", R"("char": "utf-8")", R"('char':'utf-8')"}) {
    SCOPED_TRACE(marker);
    const auto decoded =
        parseServerBridgeMessage("{" + marker + R"(,"c":"sys","a":")" + kUtf8Chinese + R"("})");
    ASSERT_TRUE(decoded.message.has_value());
    EXPECT_EQ(decoded.message->c, "sys");
    EXPECT_NE(decoded.message->a, kUtf8Chinese);
    EXPECT_TRUE(text::isValidUtf8(decoded.text));
  }
}

TEST(ServerBridgeMessage, BrokenUtf8IsRepairedAndTextThatIsNotJsonStillComesBack) {
  const auto broken = parseServerBridgeMessage(R"({"char":"utf-8","c":"sys","a":"x)"
                                               "\xE4\xB8"
                                               R"("})");
  ASSERT_TRUE(broken.message.has_value());
  EXPECT_TRUE(text::isValidUtf8(broken.text));
  EXPECT_EQ(broken.message->a, "x\xEF\xBF\xBD");  // U+FFFD

  const auto notJson = parseServerBridgeMessage(kGbkChinese);
  EXPECT_FALSE(notJson.message.has_value());
  EXPECT_EQ(notJson.text, kUtf8Chinese);

  const auto empty = parseServerBridgeMessage("");
  EXPECT_FALSE(empty.message.has_value());
  EXPECT_EQ(empty.text, "");
}

}  // namespace
}  // namespace orvane
