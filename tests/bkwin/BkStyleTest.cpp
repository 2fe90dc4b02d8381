#include <gtest/gtest.h>

#include <string>

#include "bkwin/BkStyle.h"

namespace BkWin {
namespace {

class BkStyleTest : public ::testing::Test {
protected:
    void SetUp() override { BkStyle::Clear(); }
    void TearDown() override { BkStyle::Clear(); }
};

TEST_F(BkStyleTest, ReadsEveryAttributeKind) {
    ASSERT_TRUE(BkStyle::LoadStyles(R"(<style>
        <class name="title" skin="bg_title" textmode="10025" crtext="1A2b3C" crbghover="FFFFFF"
               font="0204" hoverfont="0400" pushfont="ff00" margin="6" y-margin="2"
               spacing="3" linespacing="4" shadow="1" gdiplus="1" bggdiplus="1" gditxtrndhit="5"
               alphatxt="200" alphabg="128" gdipluscalctxt="1" yhresizedisable="1" cursor="hand"
               unknown="x"/>
        </style>)"));
    const BkStyle* style = BkStyle::GetStyle("title");
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(style->skin, "bg_title");
    EXPECT_EQ(style->text_mode, 0x25u);
    EXPECT_EQ(style->crtext, (Colour{0x1A, 0x2B, 0x3C}));
    EXPECT_EQ(style->crbghover, (Colour{0xFF, 0xFF, 0xFF}));
    EXPECT_FALSE(style->crbg.has_value());
    EXPECT_EQ(style->font, 0x0204);
    EXPECT_EQ(style->hover_font, 0x0400);
    EXPECT_EQ(style->push_font, 0xFF00);
    // "margin" sets both; a later "y-margin" overrides its half.
    EXPECT_EQ(style->x_margin, 6);
    EXPECT_EQ(style->y_margin, 2);
    EXPECT_EQ(style->spacing, 3);
    EXPECT_EQ(style->line_spacing, 4);
    EXPECT_EQ(style->gditxtrndhit, 5);
    EXPECT_EQ(style->alpha_text, 200);
    EXPECT_EQ(style->alpha_bg, 128);
    EXPECT_EQ(style->shadow + style->gdiplus + style->bggdiplus + style->gdipluscalctxt +
                  style->yhresizedisable,
              5);
    EXPECT_TRUE(style->hand_cursor);
}

TEST_F(BkStyleTest, TextModeExClearsTheSameBitAndColoursNeedSixHexDigits) {
    BkStyle style;
    EXPECT_TRUE(style.SetAttribute("textmodeex", "10014"));
    EXPECT_EQ(style.text_mode, 0x14u);
    EXPECT_TRUE(style.SetAttribute("crbg", "#12345"));
    EXPECT_FALSE(style.crbg.has_value());
    EXPECT_TRUE(style.SetAttribute("crbg", "12345G"));
    EXPECT_FALSE(style.crbg.has_value());
    EXPECT_TRUE(style.SetAttribute("cursor", "arrow"));
    EXPECT_FALSE(style.hand_cursor);
    EXPECT_FALSE(style.SetAttribute("colour", "000000"));
    EXPECT_EQ(ParseColour("00ff80"), (Colour{0, 0xFF, 0x80}));
    EXPECT_FALSE(ParseColour("0x00ff80").has_value());
}

TEST_F(BkStyleTest, FirstClassOfANameWinsAndNamelessClassesAreSkipped) {
    ASSERT_TRUE(BkStyle::LoadStyles(R"(<style>
        <class skin="orphan"/>
        <class name="a" font="0001"/><class name="a" font="0400"/>
        <other name="b"/></style>)"));
    ASSERT_NE(BkStyle::GetStyle("a"), nullptr);
    EXPECT_EQ(BkStyle::GetStyle("a")->font, 0x0001);
    EXPECT_EQ(BkStyle::GetStyle("b"), nullptr);
    EXPECT_EQ(BkStyle::GetStyle(""), nullptr);
}

TEST_F(BkStyleTest, RefusesOversizedAndForeignDocuments) {
    std::string huge = "<style>";
    while (huge.size() <= 4 * 1024 * 1024)
        huge += "<class name=\"x\" font=\"0000\"/>";
    huge += "</style>";
    EXPECT_FALSE(BkStyle::LoadStyles(huge));
    EXPECT_EQ(BkStyle::GetStyle("x"), nullptr);
    EXPECT_FALSE(BkStyle::LoadStyles("<string/>"));
    EXPECT_FALSE(BkStyle::LoadStyles(""));
}

}  // namespace
}  // namespace BkWin
