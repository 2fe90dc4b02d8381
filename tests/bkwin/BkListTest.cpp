#include <gtest/gtest.h>

#include <string>

#include "BkViewTestSupport.h"
#include "bkwin/BkListWnd.h"

namespace BkWin {
namespace {

using platform::MouseAction;

// A 100-pixel-high list of six 40-pixel items: a scroll range of 140.
class BkListTest : public bkwin_test::ViewFixture {
protected:
    void SetUp() override {
        std::string items;
        for (int id = 1; id <= 6; ++id) {
            items += "<listitem id=\"" + std::to_string(id) + "\" height=\"40\">";
            if (id == 1)
                items += R"(<check id="8" unique_id="55" check="1" pos="0,0,20,20"/>
                            <text pos="30,0,60,20">plain</text>
                            <link id="9" pos="70,0,100,20" href="https://example.com/x"/>)";
            items += "</listitem>";
        }
        ASSERT_TRUE(Load(R"(<layer width="300" height="200"><body>
            <listwnd id="100" pos="0,0,200,100">)" +
                         items + "</listwnd></body></layer>"));
        list_ = view_.FindControl<CBkListWnd>(100);
        ASSERT_NE(list_, nullptr);
    }
    void Wheel(int delta) {
        Mouse(MouseAction::kWheel, {50, 50}, platform::MouseButton::kNone, delta);
    }
    std::vector<BkListRecord> ItemRecords() const {
        std::vector<BkListRecord> found;
        for (const auto& record : WithCode(kNotifyList)) {
            if (record.list.from_item)
                found.push_back(record.list);
        }
        return found;
    }
    std::vector<int> ListKinds() const {
        std::vector<int> kinds;
        for (const auto& record : WithCode(kNotifyList)) {
            if (!record.list.from_item)
                kinds.push_back(record.list.kind);
        }
        return kinds;
    }

    CBkListWnd* list_ = nullptr;
};

TEST_F(BkListTest, ItemsFollowEachOtherAndScrollWithinTheRange) {
    EXPECT_EQ(list_->ScrollRange(), 140);
    EXPECT_EQ(list_->Item(1)->GetRect(), (platform::Rect{0, 40, 192, 80}));
    list_->ScrollTo(500);
    EXPECT_EQ(list_->ScrollPosition(), 140);
    EXPECT_EQ(list_->Item(5)->GetRect().bottom, 100);
    list_->ScrollBy(-1000);
    EXPECT_EQ(list_->ScrollPosition(), 0);
    list_->EnsureVisible(4);
    EXPECT_EQ(list_->ScrollPosition(), 100);
    list_->EnsureVisible(0);
    EXPECT_EQ(list_->ScrollPosition(), 0);
}

TEST_F(BkListTest, WheelMovesSixtyFivePixelsPerNotchWithinTheRange) {
    Wheel(-120);
    EXPECT_EQ(list_->ScrollPosition(), 65);
    list_->ScrollTo(0);
    Wheel(-240);
    EXPECT_EQ(list_->ScrollPosition(), 130);
    list_->ScrollTo(0);
    Wheel(120);
    EXPECT_EQ(list_->ScrollPosition(), 0);
    list_->ScrollTo(120);
    Wheel(-120);
    EXPECT_EQ(list_->ScrollPosition(), 140);
}

TEST_F(BkListTest, ScrollCallbackIsAskedFirstAndToldAfter) {
    std::vector<std::string> calls;
    list_->on_scroll_request = [&](int id, int position) {
        calls.push_back("0:" + std::to_string(id) + ":" + std::to_string(position));
        return false;
    };
    list_->on_wheel_request = [&](int, int delta, int position) {
        calls.push_back("3:" + std::to_string(delta) + ":" + std::to_string(position));
        return position > 100;  // the owner takes over near the end
    };
    list_->on_scrolled = [&](int, int top) { calls.push_back("1:" + std::to_string(top)); };
    Wheel(-120);
    Wheel(-120);
    EXPECT_EQ(calls, (std::vector<std::string>{"0:100:65", "3:-120:65", "1:-65", "0:100:130",
                                               "3:-120:130"}));
    EXPECT_EQ(list_->ScrollPosition(), 65);
}

TEST_F(BkListTest, ReorderNeedsEveryIdExactlyOnce) {
    EXPECT_FALSE(list_->Reorder({6, 5, 4, 3, 2}));
    EXPECT_FALSE(list_->Reorder({6, 5, 4, 3, 2, 2}));
    EXPECT_EQ(list_->Item(0)->GetId(), 1);
    EXPECT_TRUE(list_->Reorder({6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(list_->Item(0)->GetId(), 6);
    EXPECT_EQ(list_->Item(5)->GetId(), 1);
    EXPECT_EQ(list_->Item(5)->GetRect().top, 200);
}

TEST_F(BkListTest, CheckBoxInsideAnItemReportsItsNewStateAndUniqueId) {
    Click({5, 5});
    const auto records = ItemRecords();
    ASSERT_FALSE(records.empty());
    const BkListRecord& click = records.back();
    EXPECT_EQ(click.kind, 103);
    EXPECT_EQ(click.checked, 0);
    EXPECT_EQ(click.unique_id, 55);
    EXPECT_EQ(click.control_id, 8);
    EXPECT_EQ(click.control_class, "check");
    EXPECT_EQ(click.item_index, 0);
    EXPECT_EQ(click.item_id, 1);
    EXPECT_EQ(click.list_id, 100);
    EXPECT_EQ(ListKinds(), (std::vector<int>{21, 22, 23}));
}

TEST_F(BkListTest, ControlsWithoutIdSendOnlyTheListRecord) {
    Click({40, 5});
    EXPECT_TRUE(ItemRecords().empty());
    EXPECT_EQ(ListKinds(), (std::vector<int>{21, 22, 23}));
}

TEST_F(BkListTest, HrefInsideAnItemOpensWithoutAClickRecord) {
    Click({80, 5});
    for (const auto& record : ItemRecords())
        EXPECT_NE(record.kind, 103);
    ASSERT_EQ(system_.OpenedUris().size(), 1u);
    EXPECT_EQ(system_.OpenedUris()[0], "https://example.com/x");
}

TEST_F(BkListTest, PressAndReleaseOnDifferentItemsIsALeave) {
    Mouse(MouseAction::kPress, {5, 5});
    Mouse(MouseAction::kRelease, {5, 55});
    EXPECT_EQ(ListKinds(), (std::vector<int>{22, 26, 21}));
    EXPECT_EQ(ItemRecords().back().kind, 106);
}

}  // namespace
}  // namespace BkWin
