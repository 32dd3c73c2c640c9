#include "json/json_document.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvane {
namespace {

JsonDocument parsed(const std::string& text) {
  JsonDocument doc;
  EXPECT_TRUE(doc.parse(text)) << text;
  return doc;
}

// What the script bridge does with every message.
TEST(JsonDocument, ReadsAnEnvelopeTheWayTheBridgeDoes) {
  JsonDocument envelope;
  std::int32_t code = 99;
  std::int32_t position = 99;
  ASSERT_TRUE(envelope.parse(
      R"({"c":"win","a":"move","uid":"u-17","notme":true,"data":{"x":10,"y":-20,"name":"排行榜"}})",
      false, &code, &position));
  EXPECT_EQ(code, 0);
  EXPECT_EQ(envelope.getText("c"), "win");
  EXPECT_EQ(envelope.getText("a"), "move");
  EXPECT_EQ(envelope.getText("uid"), "u-17");
  EXPECT_TRUE(envelope.getBoolean("notme"));
  JsonDocument data = envelope.copyAt("data");
  EXPECT_EQ(data.getInteger64("x"), 10);
  EXPECT_EQ(data.getInteger64("y"), -20);
  EXPECT_EQ(data.getText("name"), "排行榜");
  // The copy is independent of the envelope.
  ASSERT_TRUE(data.setInteger("x", 11));
  EXPECT_EQ(envelope.getInteger64("data.x"), 10);

  // A message without "data" gains a Null member and still gives a handle.
  JsonDocument bare = parsed(R"({"c":"sys","a":"ping"})");
  JsonDocument none = bare.copyAt("data");
  ASSERT_TRUE(none.hasRoot());
  EXPECT_EQ(none.kindAt(), static_cast<std::int32_t>(JsonKind::Null));
  EXPECT_EQ(bare.toText(), R"({"c":"sys","a":"ping","data":null})");
  EXPECT_FALSE(bare.getBoolean("notme"));
}

TEST(JsonDocument, QuotesTextAsAJsonStringTheWayTheBridgeDoes) {
  JsonDocument doc;
  ASSERT_TRUE(doc.reset());
  ASSERT_TRUE(doc.setString("", "line1\nsaid \"hi\" at C:\\dir/排行榜 \xF0\x9F\x8F\x86"));
  EXPECT_EQ(doc.kindAt(), static_cast<std::int32_t>(JsonKind::String));
  EXPECT_EQ(doc.toText(), R"("line1\nsaid \"hi\" at C:\\dir\/排行榜 )"
                          "\xF0\x9F\x8F\x86\"");
}

TEST(JsonDocument, ResetParseClearAndEmptyHandles) {
  JsonDocument doc;
  EXPECT_FALSE(doc.hasRoot());
  EXPECT_EQ(doc.kindAt(), -1);
  EXPECT_EQ(doc.getText(), "");
  EXPECT_FALSE(doc.setString("a", "x"));  // nothing to change without a root
  EXPECT_FALSE(doc.detach());

  // parse makes an empty Object root when there is none.
  ASSERT_TRUE(doc.parse(R"({"a":1})"));
  ASSERT_TRUE(doc.reset());
  EXPECT_EQ(doc.toText(), "{}");

  std::int32_t code = 0;
  std::int32_t position = 0;
  EXPECT_FALSE(doc.reset("[1,", false, &code, &position));
  EXPECT_EQ(code, JsonUnclosed);
  EXPECT_EQ(position, 4);
  EXPECT_FALSE(doc.reset(u"", false, &code, &position));
  EXPECT_EQ(code, JsonNoInput);
  EXPECT_TRUE(doc.reset(u"[1]", false, &code, &position));
  EXPECT_EQ(doc.toText(), "[1]");

  // reset gives a new root; handles on the old one keep it.
  JsonDocument old = doc;
  ASSERT_TRUE(doc.reset());
  EXPECT_EQ(old.toText(), "[1]");
  EXPECT_EQ(doc.toText(), "{}");

  doc.clear();
  EXPECT_FALSE(doc.hasRoot());
  EXPECT_EQ(old.node()->refCount(), 1);
}

TEST(JsonDocument, AttachSharesANode) {
  JsonDocument doc = parsed(R"({"a":{"b":1}})");
  JsonDocument other;
  other.attach(doc.node()->member(u"a"));
  EXPECT_EQ(other.toText(), R"({"b":1})");
  EXPECT_EQ(other.node()->refCount(), 2);
  ASSERT_TRUE(other.setInteger("b", 5));
  EXPECT_EQ(doc.getInteger("a.b"), 5);
  other.attach(nullptr);
  EXPECT_FALSE(other.hasRoot());
}

TEST(JsonDocument, NewNodesOfEachKind) {
  EXPECT_EQ(JsonDocument::newObject().toText(), "{}");
  EXPECT_EQ(JsonDocument::newArray().toText(), "[]");
  EXPECT_EQ(JsonDocument::newNull().toText(), "null");
  EXPECT_EQ(JsonDocument::newNull().textFormAt(), "null");
  EXPECT_EQ(JsonDocument::newBoolean(true).toText(), "true");
  EXPECT_EQ(JsonDocument::newString(u"排").toText(), "\"排\"");
  EXPECT_EQ(JsonDocument::newString("排").toText(u""), u"\"排\"");
  EXPECT_EQ(JsonDocument::newDecimal(2.5).toText(), "2.5");
  EXPECT_EQ(JsonDocument::newInteger64(-42).toText(), "-42");
  EXPECT_EQ(JsonDocument::newInteger64(-42).textFormAt(), "-42");
}

TEST(JsonDocument, ShapeQueries) {
  const JsonDocument doc = parsed(R"({"a":[1,2,3],"o":{"x":1},"s":"t"})");
  EXPECT_EQ(doc.countAt(), 3);
  EXPECT_EQ(doc.countAt("a"), 3);
  EXPECT_EQ(doc.countAt("o"), 1);
  EXPECT_EQ(doc.countAt("s"), 0);
  EXPECT_EQ(doc.kindAt(u"a[0]"), static_cast<std::int32_t>(JsonKind::Integer));
  EXPECT_EQ(doc.parentAt("a[1]").toText(), "[1,2,3]");
  EXPECT_EQ(doc.parentAt("o.x").keyAt(""), "o");
  EXPECT_FALSE(doc.parentAt("").hasRoot());
  EXPECT_EQ(doc.keyAt("a[0]"), "");
  EXPECT_EQ(doc.keyAt(u"s"), u"s");
  EXPECT_EQ(doc.memberAt("o", "x").toText(), "1");
  EXPECT_FALSE(doc.memberAt("o", "y").hasRoot());
  EXPECT_FALSE(doc.memberAt("a", "x").hasRoot());
  EXPECT_EQ(doc.childAt("", 1).toText(), R"({"x":1})");
  EXPECT_EQ(doc.childAt("a", 2).toText(), "3");
  EXPECT_FALSE(doc.childAt("a", 3).hasRoot());
  EXPECT_FALSE(doc.childAt("s", 0).hasRoot());
}

TEST(JsonDocument, MembersSetInsertRemoveAndMerge) {
  JsonDocument doc = parsed(R"({"a":1,"b":2})");
  ASSERT_TRUE(doc.setMember("", "a", parsed(R"({"x":[1]})")));  // replaced in its place
  ASSERT_TRUE(doc.setMember("", "c", JsonDocument::newBoolean(false)));
  EXPECT_EQ(doc.toText(), R"({"a":{"x":[1]},"b":2,"c":false})");

  ASSERT_TRUE(doc.insertMember("", 0, "first", JsonDocument::newInteger64(0)));
  ASSERT_TRUE(doc.insertMember("", 2, "mid", JsonDocument::newInteger64(5)));
  ASSERT_TRUE(doc.insertMember("", 5, "last", JsonDocument::newInteger64(9)));
  EXPECT_FALSE(doc.insertMember("", 7, "beyond", JsonDocument::newInteger64(9)));
  EXPECT_FALSE(doc.insertMember("", -1, "negative", JsonDocument::newInteger64(9)));
  ASSERT_TRUE(
      doc.insertMember("", 0, "b", JsonDocument::newInteger64(22)));  // existing: stays in place
  EXPECT_EQ(doc.toText(), R"({"first":0,"a":{"x":[1]},"mid":5,"b":22,"c":false,"last":9})");
  EXPECT_EQ(doc.getInteger("last"), 9);  // still found by key after the insertions

  EXPECT_TRUE(doc.removeMember("", "mid"));
  EXPECT_FALSE(doc.removeMember("", "mid"));
  EXPECT_FALSE(doc.removeMember("c", "x"));  // not an object
  EXPECT_EQ(doc.toText(), R"({"first":0,"a":{"x":[1]},"b":22,"c":false,"last":9})");

  // The member is a deep copy: changing the source later changes nothing.
  JsonDocument source = parsed(R"({"k":1})");
  ASSERT_TRUE(doc.setMember(u"", u"copy", source));
  ASSERT_TRUE(source.setInteger("k", 2));
  EXPECT_EQ(doc.getInteger("copy.k"), 1);

  // Another document's members come in, replacing equal keys in place.
  ASSERT_TRUE(doc.mergeObject("", parsed(R"({"b":"B","new":[]})")));
  EXPECT_EQ(doc.toText(),
            R"({"first":0,"a":{"x":[1]},"b":"B","c":false,"last":9,"copy":{"k":1},"new":[]})");
  EXPECT_FALSE(doc.mergeObject("", parsed("[1]")));

  // An empty document fails before anything changes.
  EXPECT_FALSE(doc.setMember("z", "k", JsonDocument()));
  EXPECT_FALSE(doc.exists("z"));

  // A document merged into itself uses a copy of itself.
  JsonDocument self = parsed(R"({"a":1})");
  ASSERT_TRUE(self.setMember("", "me", self));
  EXPECT_EQ(self.toText(), R"({"a":1,"me":{"a":1}})");
}

TEST(JsonDocument, ElementsAppendInsertSetRemove) {
  JsonDocument doc = parsed(R"({"list":[1,2]})");
  ASSERT_TRUE(doc.append("list", JsonDocument::newInteger64(3)));
  ASSERT_TRUE(doc.insert("list", 0, JsonDocument::newInteger64(0)));
  ASSERT_TRUE(doc.insert("list", 4, JsonDocument::newInteger64(4)));
  EXPECT_FALSE(doc.insert("list", 6, JsonDocument::newInteger64(6)));
  EXPECT_FALSE(doc.insert("list", -1, JsonDocument::newInteger64(6)));
  EXPECT_EQ(doc.toText("list"), "[0,1,2,3,4]");

  ASSERT_TRUE(doc.setElement("list", 1, JsonDocument::newString("one")));
  ASSERT_TRUE(doc.setElement("list", 7, JsonDocument::newInteger64(7)));
  EXPECT_FALSE(doc.setElement("list", -1, JsonDocument::newInteger64(7)));
  EXPECT_EQ(doc.toText("list"), R"([0,"one",2,3,4,null,null,7])");

  EXPECT_TRUE(doc.removeElement("list", 0));
  EXPECT_FALSE(doc.removeElement("list", 7));
  EXPECT_FALSE(doc.removeElement("", 0));  // an object
  EXPECT_EQ(doc.toText("list"), R"(["one",2,3,4,null,null,7])");
  EXPECT_EQ(doc.getInteger("list[6]"), 7);

  // A node of another kind becomes an array first.
  ASSERT_TRUE(doc.append("scalar", JsonDocument::newInteger64(1)));
  ASSERT_TRUE(doc.insert("other", 0, JsonDocument::newInteger64(1)));
  EXPECT_EQ(doc.toText("scalar"), "[1]");
  EXPECT_EQ(doc.toText("other"), "[1]");

  ASSERT_TRUE(doc.appendAll("scalar", parsed(R"([2,{"three":3}])")));
  EXPECT_FALSE(doc.appendAll("scalar", parsed(R"({"a":1})")));
  EXPECT_EQ(doc.toText("scalar"), R"([1,2,{"three":3}])");

  ASSERT_TRUE(doc.makeObject("scalar"));
  ASSERT_TRUE(doc.makeArray("list"));  // already an array: unchanged
  EXPECT_EQ(doc.toText("scalar"), "{}");
  EXPECT_EQ(doc.countAt("list"), 7);
}

TEST(JsonDocument, EnumerationReplacesTheListsContent) {
  JsonDocument doc = parsed(R"({"b":{"n":1},"a":[2],"c":3})");
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(doc.memberNames("", names), 3);
  EXPECT_EQ(names, (std::vector<std::string>{"b", "a", "c"}));
  std::vector<std::u16string> wideNames;
  EXPECT_EQ(doc.memberNames(u"a", wideNames), 0);
  EXPECT_TRUE(wideNames.empty());

  std::vector<JsonDocument> handles{JsonDocument::newNull()};
  EXPECT_EQ(doc.children("", handles), 3);
  ASSERT_EQ(handles.size(), 3u);
  ASSERT_TRUE(handles[0].setInteger("n", 10));  // shared: the tree sees it
  EXPECT_EQ(doc.getInteger("b.n"), 10);

  std::vector<JsonDocument> copies;
  EXPECT_EQ(doc.childCopies(u"", copies), 3);
  ASSERT_TRUE(copies[0].setInteger("n", 20));  // copies: the tree does not
  EXPECT_EQ(doc.getInteger("b.n"), 10);
  EXPECT_EQ(copies[0].keyAt(""), "");
  EXPECT_EQ(doc.children("c", handles), 0);
  EXPECT_TRUE(handles.empty());
}

int compareByInteger(const JsonValue& first, const JsonValue& second, std::int32_t direction) {
  const auto a = first.integerValue();
  const auto b = second.integerValue();
  return a == b ? 0 : ((a > b) == (direction > 0) ? 1 : -1);
}

TEST(JsonDocument, SortsMembersAndChildren) {
  JsonDocument doc = parsed(R"({"o":{"b":2,"d":4,"a":1,"c":3},"l":[5,3,9,1,7,3,8,2,6,4,0]})");
  ASSERT_TRUE(doc.sortMembers("o"));
  EXPECT_EQ(doc.toText("o"), R"({"a":1,"b":2,"c":3,"d":4})");
  EXPECT_EQ(doc.getInteger("o.c"), 3);  // lookup is unaffected
  EXPECT_EQ(doc.keyAt("o[0]"), "a");
  ASSERT_TRUE(doc.sortMembers(u"o", true));
  EXPECT_EQ(doc.toText("o"), R"({"d":4,"c":3,"b":2,"a":1})");
  EXPECT_FALSE(doc.sortMembers("l"));
  EXPECT_FALSE(doc.sortMembers("missing"));

  ASSERT_TRUE(doc.sortChildren("l", compareByInteger, 1));
  EXPECT_EQ(doc.toText("l"), "[0,1,2,3,3,4,5,6,7,8,9]");
  ASSERT_TRUE(doc.sortChildren("l", compareByInteger, -1));
  EXPECT_EQ(doc.toText("l"), "[9,8,7,6,5,4,3,3,2,1,0]");
  EXPECT_EQ(doc.getInteger("l[10]"), 0);
  ASSERT_TRUE(doc.sortChildren("o", compareByInteger, 1));
  EXPECT_EQ(doc.toText("o"), R"({"a":1,"b":2,"c":3,"d":4})");
}

int contradictoryCompare(const JsonValue&, const JsonValue&, std::int32_t) { return 1; }

TEST(JsonDocument, SortingWithAContradictoryComparisonStaysInBounds) {
  JsonDocument doc;
  ASSERT_TRUE(doc.reset("[]"));
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(doc.append("", JsonDocument::newInteger64(i)));
  ASSERT_TRUE(doc.sortChildren("", contradictoryCompare, 0));
  EXPECT_EQ(doc.countAt(), 200);
  // Still every element exactly once.
  std::vector<bool> seen(200, false);
  for (int i = 0; i < 200; ++i) {
    const auto value = doc.getInteger("[" + std::to_string(i) + "]");
    ASSERT_GE(value, 0);
    ASSERT_LT(value, 200);
    EXPECT_FALSE(seen[static_cast<std::size_t>(value)]);
    seen[static_cast<std::size_t>(value)] = true;
  }
}

TEST(JsonDocument, MergeText) {
  JsonDocument doc = parsed(R"({"a":1,"o":{"x":1,"y":{"z":1}},"l":[1]})");
  // Members merge key by key; missing keys are added only when asked.
  EXPECT_TRUE(doc.mergeText("", R"({"a":2,"o":{"y":{"z":2,"w":3},"v":4},"n":5})", false, false));
  EXPECT_EQ(doc.toText(), R"({"a":2,"o":{"x":1,"y":{"z":2}},"l":[1]})");
  EXPECT_TRUE(doc.mergeText("", R"({"o":{"y":{"w":3},"v":4},"n":5})", false, true));
  EXPECT_EQ(doc.toText(), R"({"a":2,"o":{"x":1,"y":{"z":2,"w":3},"v":4},"l":[1],"n":5})");

  // A non-object replaces a member node under its key.
  EXPECT_TRUE(doc.mergeText("l", R"(["new"])", false, false));
  EXPECT_EQ(doc.toText("l"), R"(["new"])");
  // ...but not the root, nor an array element.
  EXPECT_FALSE(doc.mergeText("", "[1]", false, true));
  EXPECT_FALSE(doc.mergeText("l[0]", "5", false, true));
  EXPECT_EQ(doc.toText("l"), R"(["new"])");

  // Nothing merged is false; a parse failure is false and changes nothing.
  EXPECT_FALSE(doc.mergeText("", R"({"absent":1})", false, false));
  EXPECT_FALSE(doc.mergeText("", R"({"a":)", false, true));
  EXPECT_EQ(doc.getInteger("a"), 2);
  // Escapes decode as the flag says.
  EXPECT_TRUE(doc.mergeText(u"", uR"({"a":"\u0041"})", true, false));
  EXPECT_EQ(doc.getText("a"), "A");
}

}  // namespace
}  // namespace orvane
