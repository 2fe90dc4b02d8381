#include <gtest/gtest.h>

#include "bkwin/BkString.h"

namespace BkWin {
namespace {

class BkStringTest : public ::testing::Test {
protected:
    void SetUp() override {
        BkString::Clear();
        ASSERT_TRUE(BkString::LoadStrings(R"(<string>
            <s id="1">微软雅黑</s><s id="2">宋体</s><s id="7">seven</s>
            <s id="1">second one</s><s>no id</s><s id="9"/></string>)"));
    }
    void TearDown() override { BkString::Clear(); }
};

TEST_F(BkStringTest, KeepsFirstDefinitionAndGivesEmptyForUnknown) {
    EXPECT_EQ(BkString::Get(1), "微软雅黑");
    EXPECT_EQ(BkString::Get(2), "宋体");
    EXPECT_EQ(BkString::Get(9), "");
    EXPECT_EQ(BkString::Get(3), "");
}

TEST_F(BkStringTest, RejectsOtherRootsAndBrokenXml) {
    EXPECT_FALSE(BkString::LoadStrings("<skins><s id=\"3\">x</s></skins>"));
    EXPECT_FALSE(BkString::LoadStrings("<string><s id=\"3\">x</string>"));
    EXPECT_EQ(BkString::Get(3), "");
}

TEST_F(BkStringTest, ReplacesEveryWellFormedMarker) {
    EXPECT_EQ(BkString::ReplaceMarkers("%str1%, %str7%!"), "微软雅黑, seven!");
    EXPECT_EQ(BkString::ReplaceMarkers("%str2%%str2%"), "宋体宋体");
    // An id with no string becomes nothing; id 0 is not a marker to replace.
    EXPECT_EQ(BkString::ReplaceMarkers("a%str5%b%str0%c"), "ab%str0%c");
    EXPECT_EQ(BkString::ReplaceMarkers("no markers 100%"), "no markers 100%");
}

TEST_F(BkStringTest, StopsAtTheFirstMalformedMarker) {
    EXPECT_EQ(BkString::ReplaceMarkers("%str1% %strx% %str2%"), "微软雅黑 %strx% %str2%");
    EXPECT_EQ(BkString::ReplaceMarkers("%str7%%str%%str1%"), "seven%str%%str1%");
    EXPECT_EQ(BkString::ReplaceMarkers("%str1%%str2"), "微软雅黑%str2");
    EXPECT_EQ(BkString::ReplaceMarkers("%str12345678901%%str1%"), "%str12345678901%%str1%");
}

}  // namespace
}  // namespace BkWin
