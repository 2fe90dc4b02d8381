#include <gtest/gtest.h>

#include <string>

#include "BkViewTestSupport.h"
#include "bkwin/BkControlCreator.h"
#include "bkwin/BkListWnd.h"
#include "bkwin/BkStatic.h"
#include "bkwin/BkString.h"

namespace BkWin {
namespace {

using platform::Rect;

class BkLayoutTest : public bkwin_test::ViewFixture {};

TEST_F(BkLayoutTest, BodyFillsWhatHeaderAndFooterLeave) {
    ASSERT_TRUE(Load(R"(<layer width="400" height="600">
        <header height="50"/><body/><footer height="70"/></layer>)"));
    EXPECT_EQ(view_.Header()->GetRect(), (Rect{0, 0, 400, 50}));
    EXPECT_EQ(view_.Body()->GetRect(), (Rect{0, 50, 400, 530}));
    EXPECT_EQ(view_.Footer()->GetRect(), (Rect{0, 530, 400, 600}));

    Window().Resize({500, 700});
    EXPECT_EQ(view_.Body()->GetRect(), (Rect{0, 50, 500, 630}));
    EXPECT_EQ(view_.Footer()->GetRect(), (Rect{0, 630, 500, 700}));
}

TEST_F(BkLayoutTest, FullHeaderAloneTakesTheWholeWindow) {
    ASSERT_TRUE(Load(R"(<layer width="300" height="200"><header height="full"/></layer>)"));
    EXPECT_EQ(view_.Header()->GetRect(), (Rect{0, 0, 300, 200}));
}

TEST_F(BkLayoutTest, LayerAttributesShapeTheWindow) {
    ASSERT_TRUE(Load(R"(<layer title="标题" width="100" height="80" min_width="200"
        min_height="50" resize="1" layered="1"><body/></layer>)"));
    EXPECT_EQ(Window().Title(), "标题");
    EXPECT_EQ(Window().ClientSize(), (platform::Size{200, 80}));
    EXPECT_TRUE(Window().Options().resizable);
    EXPECT_TRUE(Window().Options().translucent);
    EXPECT_TRUE(view_.Layer().resize);
}

TEST_F(BkLayoutTest, AChildWindowIgnoresResizeAndMoveSwitches) {
    ASSERT_TRUE(Load(R"(<layer width="100" height="80" child="1" resize="1" nomove="1"/>)"));
    EXPECT_TRUE(view_.Layer().child);
    EXPECT_FALSE(view_.Layer().resize);
    EXPECT_FALSE(view_.Layer().no_move);
}

TEST_F(BkLayoutTest, BadLayoutsFailWithoutAWindow) {
    const std::string deep = [] {
        std::string xml = "<layer><body>";
        for (int i = 0; i < 60; ++i)
            xml += "<dlg>";
        for (int i = 0; i < 60; ++i)
            xml += "</dlg>";
        return xml + "</body></layer>";
    }();
    for (const std::string& xml :
         {std::string("<dlg><body/></dlg>"), std::string("<layer>"), std::string(""), deep}) {
        CBkDialogViewImplEx view(system_);
        EXPECT_FALSE(view.LoadXml(xml)) << xml.substr(0, 40);
        EXPECT_EQ(view.NativeWindow(), nullptr);
        EXPECT_FALSE(view.LastError().empty());
    }
}

TEST_F(BkLayoutTest, TagsMatchExactlyAndUnknownSubtreesAreSkipped) {
    ASSERT_TRUE(
        Load("\xEF\xBB\xBF"
             R"(<layer width="200" height="100"><body>
        <Text id="1" pos="0,0">capital</Text>
        <text id="2" pos="0,0">small</text>
        <nosuchtag id="3"><text id="4">inside</text></nosuchtag>
        </body></layer>)"));
    EXPECT_EQ(view_.FindControl(1), nullptr);
    ASSERT_NE(view_.FindControl<CBkStatic>(2), nullptr);
    EXPECT_EQ(view_.FindControl<CBkStatic>(2)->GetText(), "small");
    EXPECT_EQ(view_.FindControl(3), nullptr);
    EXPECT_EQ(view_.FindControl(4), nullptr);
    EXPECT_EQ(view_.Body()->Children().size(), 1u);
}

TEST_F(BkLayoutTest, StringMarkersAreReplacedInElementText) {
    ASSERT_TRUE(BkString::LoadStrings(R"(<string><s id="1">微软雅黑</s></string>)"));
    ASSERT_TRUE(Load(R"(<layer width="200" height="100"><body>
        <text id="1" pos="0,0,-0,-0">%str1%</text></body></layer>)"));
    EXPECT_EQ(view_.FindControl(1)->GetText(), "微软雅黑");
}

// Knows one tag of its own and nothing else, like the main dialog's creator.
class OnlyListCreator : public IBkControlCreator {
public:
    std::unique_ptr<CBkWindow> CreateControl(std::string_view tag) override {
        return tag == "mylist" ? std::make_unique<CBkListWnd>() : nullptr;
    }
};

TEST_F(BkLayoutTest, BuiltinsComeFirstThenTheWindowsCreator) {
    view_.SetControlCreator(std::make_unique<OnlyListCreator>());
    ASSERT_TRUE(Load(R"(<layer width="200" height="100"><body>
        <text id="1" pos="0,0"/><mylist id="2" pos="0,0,-0,-0"/>
        <listwnd id="3" pos="0,0,-0,-0"/></body></layer>)"));
    EXPECT_NE(view_.FindControl<CBkStatic>(1), nullptr);
    EXPECT_NE(view_.FindControl<CBkListWnd>(2), nullptr);
    EXPECT_EQ(view_.FindControl(3), nullptr);
}

TEST_F(BkLayoutTest, OnlyChangedControlsAreRedrawn) {
    ASSERT_TRUE(Load(R"(<layer width="200" height="100"><body>
        <text id="1" pos="10,10,50,30">a</text></body></layer>)"));
    system_.PaintPending();
    ASSERT_TRUE(Window().DirtyRect().IsEmpty());
    view_.FindControl(1)->SetText("b");
    EXPECT_EQ(Window().DirtyRect(), (Rect{10, 10, 50, 30}));
    EXPECT_EQ(system_.PaintPending(), 1);
}

}  // namespace
}  // namespace BkWin
