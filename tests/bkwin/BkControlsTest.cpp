#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <functional>
#include <set>
#include <string>

#include "BkViewTestSupport.h"
#include "bkwin/BkLib.h"
#include "bkwin/BkListWnd.h"
#include "bkwin/BkRealWnd.h"
#include "bkwin/BkSliderViewEx.h"
#include "bkwin/ProgramTags.h"
#include "platform/window/HeadlessEdit.h"

namespace BkWin {
namespace {

void Walk(CBkWindow& control, const std::function<void(CBkWindow&)>& visit) {
    visit(control);
    if (auto* panel = dynamic_cast<CBkDialog*>(&control)) {
        for (const auto& child : panel->Children())
            Walk(*child, visit);
    }
    if (auto* list = dynamic_cast<CBkListWnd*>(&control)) {
        for (std::size_t i = 0; i < list->ItemCount(); ++i)
            Walk(*list->Item(i), visit);
    }
}

int UnknownGlyphs(const CBkWindow& control) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, control.TextFont().description);
    pango_layout_set_text(layout, control.GetText().c_str(), -1);
    const int unknown = pango_layout_get_unknown_glyphs_count(layout);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return unknown;
}

class BkControlsTest : public bkwin_test::ViewFixture {};

TEST_F(BkControlsTest, DemoLayoutUsesEveryProgramTagAndDrawsRealGlyphs) {
    InitBkLib(0);
    ASSERT_TRUE(view_.Load(19999)) << view_.LastError();
    std::set<std::string> tags;
    int texts = 0;
    for (CBkDialog* region : {view_.Header(), view_.Body(), view_.Footer()}) {
        if (!region)
            continue;
        Walk(*region, [&](CBkWindow& control) {
            tags.insert(std::string(control.GetObjectClass()));
            if (control.GetText().empty())
                return;
            ++texts;
            EXPECT_EQ(UnknownGlyphs(control), 0) << control.GetText();
        });
    }
    for (const char* tag : kProgramLayoutTags) {
        EXPECT_TRUE(tags.contains(tag)) << tag;
    }
    EXPECT_GT(texts, 0);
}

TEST_F(BkControlsTest, RealWindowFieldFollowsItsPlace) {
    ASSERT_TRUE(Load(R"(<layer width="300" height="200"><body>
        <realwnd id="1" pos="10,10,110,40"/></body></layer>)"));
    auto* place = view_.FindControl<CBkRealWnd>(1);
    ASSERT_NE(place, nullptr);
    place->AttachEdit(Window().CreateEdit({}));
    auto* edit = static_cast<platform::HeadlessEdit*>(place->Edit());
    EXPECT_EQ(edit->GetRect(), (platform::Rect{10, 10, 110, 40}));
    EXPECT_TRUE(edit->IsVisible());

    place->SetPos("20,50,-20,80");
    EXPECT_EQ(edit->GetRect(), (platform::Rect{20, 50, 280, 80}));
    ASSERT_FALSE(WithCode(kNotifyRealWndMoved).empty());
    EXPECT_EQ(WithCode(kNotifyRealWndMoved).back().rect, edit->GetRect());

    view_.Body()->SetVisible(false);
    EXPECT_FALSE(edit->IsVisible());
}

TEST_F(BkControlsTest, SliderChangesCanBeRefused) {
    ASSERT_TRUE(Load(R"(<layer width="300" height="200"><body>
        <sliderviewex id="1" pos="0,0,100,20" max_value="10" current_value="2"/></body></layer>)"));
    auto* slider = view_.FindControl<CBkSliderViewEx>(1);
    ASSERT_NE(slider, nullptr);
    view_.on_notify = [&](BkNotify& record) {
        records_.push_back(record);
        if (record.code == kNotifySliderChanging && record.new_value > 8)
            record.refuse = 1;
    };
    Mouse(platform::MouseAction::kPress, {50, 10});
    EXPECT_EQ(slider->Value(), 5);
    Mouse(platform::MouseAction::kMove, {95, 10}, platform::MouseButton::kNone);
    EXPECT_EQ(slider->Value(), 5);
    Mouse(platform::MouseAction::kRelease, {95, 10});
    ASSERT_EQ(WithCode(kNotifySliderReleased).size(), 1u);
    EXPECT_EQ(WithCode(kNotifySliderReleased)[0].new_value, 5);
}

}  // namespace
}  // namespace BkWin
