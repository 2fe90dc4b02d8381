#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "util/Json.h"

namespace BkJsonEx {
namespace {

std::string Compact(const Document& doc) {
    std::string text;
    EXPECT_TRUE(doc.Write(text, false));
    return text;
}

Document Parsed(std::string_view json) {
    Document doc;
    EXPECT_TRUE(doc.Parse(json)) << json;
    return doc;
}

TEST(JsonHandleTest, MemberAccessAddsNullsAndTurnsNonObjectsIntoObjects) {
    Document doc = Parsed(R"({"s":"text","n":5})");
    EXPECT_EQ(doc["missing"].GetValue()->kind(), Kind::kNull);
    EXPECT_EQ(doc["n"]["x"].GetValue()->kind(), Kind::kNull);
    EXPECT_EQ(Compact(doc), R"({"missing":null,"n":{"x":null},"s":"text"})");
}

TEST(JsonHandleTest, ElementAccessGrowsWithNullsAndTurnsNonArraysIntoArrays) {
    Document doc = Parsed("[]");
    Handle fourth = doc[3];
    EXPECT_EQ(fourth.GetParent(), doc.GetValue());
    EXPECT_EQ(Compact(doc), "[null,null,null,null]");

    doc = Parsed(R"({"a":true})");
    doc["a"][1];
    EXPECT_EQ(Compact(doc), R"({"a":[null,null]})");
}

TEST(JsonHandleTest, RootsOfTheWrongKindAndEmptyHandlesGiveTheEmptyHandle) {
    Document doc = Parsed("[1]");
    EXPECT_TRUE(doc["key"].IsEmpty());
    doc = Parsed(R"({"a":1})");
    EXPECT_TRUE(doc[0].IsEmpty());
    EXPECT_EQ(Compact(doc), R"({"a":1})");

    Handle empty;
    EXPECT_TRUE(empty["x"][2]["y"].IsEmpty());
    EXPECT_EQ(empty.GetString(), nullptr);
    EXPECT_EQ(empty.GetInt64(), 0);
    EXPECT_FALSE(empty.HasMember("x"));
    EXPECT_TRUE(Document()["x"].IsEmpty());
}

TEST(JsonHandleTest, RefusedIndexesChangeNothing) {
    const std::int64_t refused[] = {
        -1,
        std::numeric_limits<std::int64_t>::min(),
        static_cast<std::int64_t>(kGrowIndexLimit),
        std::numeric_limits<std::int32_t>::max(),
        std::numeric_limits<std::int64_t>::max(),
    };
    for (const std::int64_t index : refused) {
        Document doc = Parsed(R"({"arr":[1],"n":2})");
        EXPECT_TRUE(doc["arr"][index].IsEmpty()) << index;
        EXPECT_TRUE(doc["n"][index].IsEmpty()) << index;
        EXPECT_EQ(Compact(doc), R"({"arr":[1],"n":2})") << index;
    }
}

TEST(JsonHandleTest, GrowsUpToTheIndexLimitAndReachesExistingElementsBeyondIt) {
    Document doc = Parsed("[]");
    const auto last = static_cast<std::int64_t>(kGrowIndexLimit) - 1;
    EXPECT_FALSE(doc[last].IsEmpty());
    EXPECT_EQ(doc.AsConst().Size(), kGrowIndexLimit);

    std::string big = "[";
    for (std::size_t i = 0; i <= kGrowIndexLimit; ++i) {
        big += "7,";
    }
    big.back() = ']';
    doc = Parsed(big);
    EXPECT_EQ(doc[static_cast<std::int64_t>(kGrowIndexLimit)].GetInt64(), 7);
}

TEST(JsonHandleTest, ReadOnlyLookupsNeverChangeTheTree) {
    const char* const json = R"({"a":[1,"s"],"n":3})";
    Document doc = Parsed(json);
    const Document& view = doc;
    EXPECT_TRUE(view.Find("missing").IsEmpty());
    EXPECT_TRUE(view.Find("n").Find("x").IsEmpty());
    EXPECT_TRUE(view.Find("n").Find(0).IsEmpty());
    EXPECT_TRUE(view.Find("a").Find(5).IsEmpty());
    EXPECT_TRUE(view.Find("a").Find(-1).IsEmpty());
    EXPECT_FALSE(view.HasMember("missing"));
    EXPECT_FALSE(view.Find("a").HasMember("0"));
    EXPECT_TRUE(view.HasMember("n"));
    EXPECT_EQ(*view.Find("a").Find(1).GetString(), "s");
    EXPECT_EQ(Compact(doc), R"({"a":[1,"s"],"n":3})");
}

TEST(JsonHandleTest, GettersReadOnlyTheirOwnKinds) {
    Document doc = Parsed(R"({"s":"5","n":5,"b":true})");
    doc["l"].Replace(std::make_unique<ValueLong>(-5));
    EXPECT_EQ(doc["l"].GetInt64(), -5);
    EXPECT_EQ(doc["n"].GetInt64(), 5);
    EXPECT_EQ(doc["s"].GetInt64(), 0);
    EXPECT_EQ(doc["b"].GetInt64(), 0);
    EXPECT_EQ(doc["n"].GetString(), nullptr);
    ASSERT_NE(doc["s"].GetString(), nullptr);
    EXPECT_EQ(*doc["s"].GetString(), "5");
}

TEST(JsonHandleTest, NavigationStopsAtTheDepthLimit) {
    Document doc = Parsed("[]");
    Handle deepest = doc;
    for (std::size_t depth = 1; depth <= kMaxDepth; ++depth) {
        deepest = deepest[0];
        ASSERT_FALSE(deepest.IsEmpty()) << depth;
    }
    EXPECT_EQ(deepest.GetValue()->Depth(), kMaxDepth);
    EXPECT_TRUE(deepest[0].IsEmpty());
    EXPECT_TRUE(deepest["k"].IsEmpty());
    EXPECT_EQ(deepest.GetValue()->kind(), Kind::kNull);
    EXPECT_EQ(doc.Root()->Height(), kMaxDepth);

    // What navigation built is still within what the parser reads back.
    std::string text;
    ASSERT_TRUE(doc.Write(text, false));
    Document reread;
    EXPECT_TRUE(reread.Parse(text));
}

TEST(JsonHandleTest, ReplaceRefusesSubtreesThatWouldNestTooDeep) {
    Document doc = Parsed("[]");
    Handle slot = doc;
    for (std::size_t depth = 1; depth < kMaxDepth; ++depth) {
        slot = slot[0];
    }
    ASSERT_EQ(slot.GetValue()->Depth(), kMaxDepth - 1);
    auto two_levels = std::make_unique<ValueArray>();
    (*two_levels)[0][0];
    ASSERT_EQ(two_levels->Height(), 2u);
    EXPECT_TRUE(slot.Replace(std::move(two_levels)).IsEmpty());
    EXPECT_EQ(slot.GetValue()->kind(), Kind::kNull);
    EXPECT_FALSE(slot.Replace(std::make_unique<ValueArray>()).IsEmpty());
}

TEST(JsonHandleTest, ReplaceNeedsAContainerAndAValue) {
    Document doc = Parsed("[1]");
    EXPECT_TRUE(doc.Replace(std::make_unique<ValueNull>()).IsEmpty());
    EXPECT_TRUE(doc[0].Replace(nullptr).IsEmpty());
    EXPECT_EQ(Compact(doc), "[1]");
    Handle fresh = doc[0].Replace(std::make_unique<ValueString>("x"));
    EXPECT_EQ(*fresh.GetString(), "x");
    EXPECT_EQ(fresh.GetParent(), doc.GetValue());
    EXPECT_EQ(Compact(doc), R"(["x"])");
}

TEST(JsonHandleTest, KeyTakenFromTheValueBeingReplacedStaysValid) {
    Document doc = Parsed(R"({"s":"a key long enough to live on the heap"})");
    Handle s = doc["s"];
    s[*s.GetString()];
    EXPECT_EQ(Compact(doc), R"({"s":{"a key long enough to live on the heap":null}})");
}

TEST(JsonHandleTest, KeysWithInvalidUtf8AreCleanedTheSameWayEverywhere) {
    Document doc = Parsed("{}");
    doc["a\xFF"];
    EXPECT_TRUE(doc.HasMember("a\xFF"));
    EXPECT_TRUE(doc.HasMember("a\xEF\xBF\xBD"));
    EXPECT_EQ(doc.AsConst().Size(), 1u);
    EXPECT_EQ(Compact(doc), "{\"a\xEF\xBF\xBD\":null}");
}

TEST(JsonHandleTest, ValuesNavigateLikeHandles) {
    ValueArray array;
    array[1]["k"].Replace(std::make_unique<ValueLongLong>(9));
    EXPECT_EQ(array.Find(1).Find("k").GetInt64(), 9);
    EXPECT_EQ(array.Size(), 2u);
    EXPECT_TRUE(array.At(1)->GetParent() == &array);
}

TEST(JsonHandleTest, MovedDocumentTakesTheRootAlong) {
    Document source = Parsed(R"({"a":1})");
    Document target = std::move(source);
    EXPECT_EQ(target.Find("a").GetInt64(), 1);
    EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move): moved-from state
    EXPECT_TRUE(source["a"].IsEmpty());
}

}  // namespace
}  // namespace BkJsonEx
