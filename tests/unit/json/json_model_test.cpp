// The node model: member tables, lists, reference counts and detachment.
#include <gtest/gtest.h>

#include <string>

#include "json/json_document.h"
#include "json/json_list.h"
#include "json/json_member_table.h"
#include "json/json_value.h"

namespace orvane {
namespace {

TEST(JsonMemberTable, KeyHashIsTheStatedOne) {
  EXPECT_EQ(jsonKeyHash(u"ab"), 94275u);
  EXPECT_EQ(jsonKeyHash(u"ab") % 11, 5u);
  EXPECT_EQ(jsonKeyHash(u""), 0u);
  // High bytes count: U+6392 is bytes 92 63, taken 63 then 92.
  EXPECT_EQ(jsonKeyHash(u"\u6392"), 0x63u * 31u + 0x92u);
}

TEST(JsonMemberTable, GrowsThroughTheBucketSequenceAndKeepsInsertionOrder) {
  JsonDocument doc;
  ASSERT_TRUE(doc.reset());
  const JsonMemberTable* table = doc.node()->members();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->bucketCount(), 11);
  EXPECT_EQ(table->threshold(), 8);

  std::string expected = "{";
  const std::int32_t buckets[] = {11, 23, 47, 95, 191};
  const std::int32_t thresholds[] = {8, 17, 35, 71, 143};
  int stage = 0;
  for (int i = 0; i < 100; ++i) {
    // Keys chosen so hash order differs from insertion order.
    const std::string key = "k" + std::to_string((i * 37) % 101);
    ASSERT_TRUE(doc.setInteger(key, i));
    expected += (i > 0 ? ",\"" : "\"") + key + "\":" + std::to_string(i);
    if (table->count() > thresholds[stage]) ++stage;
    EXPECT_EQ(table->bucketCount(), buckets[stage]) << "after " << table->count() << " members";
    EXPECT_EQ(table->threshold(), thresholds[stage]);
  }
  expected += "}";
  EXPECT_EQ(doc.toText(), expected);
  // Every member is still found through its chain.
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(doc.getInteger("k" + std::to_string((i * 37) % 101)), i);
  }
}

TEST(JsonMemberTable, NineMembersMakeTwentyThreeBuckets) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"i":9,"h":8,"g":7,"f":6,"e":5,"d":4,"c":3,"b":2,"a":1})"));
  EXPECT_EQ(doc.node()->members()->bucketCount(), 23);
  std::vector<std::string> names;
  EXPECT_EQ(doc.memberNames("", names), 9);
  EXPECT_EQ(names, (std::vector<std::string>{"i", "h", "g", "f", "e", "d", "c", "b", "a"}));
}

TEST(JsonMemberTable, RefusesATinyLoadFactor) {
  EXPECT_EQ(JsonMemberTable::create(1e-7f), nullptr);
  EXPECT_EQ(JsonMemberTable::create(0.0f), nullptr);
  auto table = JsonMemberTable::create(0.5f);
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->threshold(), 5);  // 11 * 0.5 truncated
}

TEST(JsonList, GrowsToTwiceTheCapacityPlusOne) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse("[]"));
  const JsonList* list = doc.node()->elements();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->capacity(), 8);
  std::vector<std::int32_t> capacities;
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(doc.append("", JsonDocument::newInteger64(i)));
    if (capacities.empty() || capacities.back() != list->capacity())
      capacities.push_back(list->capacity());
  }
  EXPECT_EQ(capacities, (std::vector<std::int32_t>{8, 17, 35, 71}));
  EXPECT_EQ(doc.getInteger("[39]"), 39);
}

TEST(JsonValueLifetime, SharedHandlesCountReferencesAndSeeChanges) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"a":{"b":1}})"));
  JsonDocument a = doc.memberAt("", "a");
  ASSERT_TRUE(a.hasRoot());
  EXPECT_EQ(a.node()->refCount(), 2);  // the object's and this handle's
  ASSERT_TRUE(a.setInteger("b", 2));
  EXPECT_EQ(doc.getInteger("a.b"), 2);
  {
    JsonDocument again = a;
    EXPECT_EQ(a.node()->refCount(), 3);
  }
  EXPECT_EQ(a.node()->refCount(), 2);
}

TEST(JsonValueLifetime, ChildSurvivesItsContainerWithoutParentOrKey) {
  JsonDocument child;
  {
    JsonDocument doc;
    ASSERT_TRUE(doc.parse(R"({"keep":{"x":[1,2]},"drop":3})"));
    child = doc.memberAt("", "keep");
    EXPECT_EQ(child.keyAt(""), "keep");
    EXPECT_NE(child.node()->parent(), nullptr);
  }  // the root goes, and with it "drop"
  ASSERT_TRUE(child.hasRoot());
  EXPECT_EQ(child.node()->parent(), nullptr);
  EXPECT_EQ(child.keyAt(""), "");
  EXPECT_EQ(child.node()->refCount(), 1);
  EXPECT_EQ(child.toText(), R"({"x":[1,2]})");
}

TEST(JsonValueLifetime, DetachTakesTheNodeOutOfItsContainer) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"a":1,"b":[10,20,30],"c":3})"));
  JsonDocument b = doc.memberAt("", "b");
  EXPECT_TRUE(b.detach());
  EXPECT_FALSE(b.detach());  // now a root
  EXPECT_EQ(doc.toText(), R"({"a":1,"c":3})");
  EXPECT_EQ(b.node()->refCount(), 1);

  JsonDocument twenty = b.childAt("", 1);
  EXPECT_TRUE(twenty.detach());
  EXPECT_EQ(b.toText(), "[10,30]");
  EXPECT_EQ(b.getInteger("[1]"), 30);  // later elements moved down

  // The remaining members are still found, and new ones still go to the end.
  EXPECT_EQ(doc.getInteger("c"), 3);
  ASSERT_TRUE(doc.setInteger("d", 4));
  EXPECT_EQ(doc.toText(), R"({"a":1,"c":3,"d":4})");
}

TEST(JsonValueLifetime, ReplacedMemberSurvivesInItsHandle) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"a":[1],"b":2})"));
  JsonDocument oldA = doc.memberAt("", "a");
  ASSERT_TRUE(doc.setMember("", "a", JsonDocument::newString("new")));
  EXPECT_EQ(doc.toText(), R"({"a":"new","b":2})");
  EXPECT_EQ(oldA.toText(), "[1]");
  EXPECT_EQ(oldA.node()->parent(), nullptr);
  EXPECT_EQ(oldA.keyAt(""), "");
}

TEST(JsonValueLifetime, ClearContentKeepsTheKind) {
  JsonDocument doc;
  ASSERT_TRUE(doc.parse(R"({"s":"x","n":1.5,"b":true,"a":[1],"o":{"k":1},"z":null})"));
  for (const char* path : {"s", "n", "b", "a", "o", "z"}) {
    SCOPED_TRACE(path);
    const std::int32_t kind = doc.kindAt(path);
    ASSERT_TRUE(doc.clearAt(path));
    EXPECT_EQ(doc.kindAt(path), kind);
    EXPECT_EQ(doc.textFormAt(path), "");
    EXPECT_EQ(doc.countAt(path), 0);
  }
  // Emptied numbers still write as JSON.
  EXPECT_EQ(doc.toText(), R"({"s":"","n":0.0,"b":false,"a":[],"o":{},"z":null})");
}

}  // namespace
}  // namespace orvane
