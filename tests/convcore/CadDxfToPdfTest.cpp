#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "convcore/CadCommands.h"
#include "convcore/CommandDispatcher.h"
#include "convcore/DxfTestText.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderTestHelpers.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

using rendertest::ListFolder;
using rendertest::RecordingTask;

using dxftest::Lines;
using dxftest::Pairs;

// The drawing frame of these tests, 160 x 100 units: the default paper's aspect, so that it
// fills the page inside the margins in both directions.
constexpr double kFrameWidth = 160;
constexpr double kFrameHeight = 100;
constexpr double kPageWidth = 1190;
constexpr double kPageHeight = 743.75;
constexpr double kScale = kPageWidth * 0.94 / kFrameWidth;

std::string Dxf(const std::string& version, const std::string& entities,
                const std::string& blocks = "", const std::string& layers = "",
                const std::string& code_page = "ANSI_936") {
    const std::string header = Lines({{0, "SECTION"},
                                      {2, "HEADER"},
                                      {9, "$ACADVER"},
                                      {1, version},
                                      {9, "$DWGCODEPAGE"},
                                      {3, code_page},
                                      {9, "$EXTMIN"},
                                      {10, "0"},
                                      {20, "0"},
                                      {9, "$EXTMAX"},
                                      {10, std::to_string(kFrameWidth)},
                                      {20, std::to_string(kFrameHeight)},
                                      {0, "ENDSEC"}});
    const std::string tables = Lines({{0, "SECTION"},
                                      {2, "TABLES"},
                                      {0, "TABLE"},
                                      {2, "LAYER"},
                                      {0, "LAYER"},
                                      {2, "0"},
                                      {62, "7"},
                                      {370, "70"}}) +
                               layers + Lines({{0, "ENDTAB"}, {0, "ENDSEC"}});
    return header + tables + Lines({{0, "SECTION"}, {2, "BLOCKS"}}) + blocks +
           Lines({{0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}}) + entities +
           Lines({{0, "ENDSEC"}, {0, "EOF"}});
}

std::string Line(double x0, double y0, double x1, double y1, const Pairs& extra = {}) {
    // A value read first wins, so the extra pairs go before the defaults.
    Pairs pairs{{0, "LINE"}};
    pairs.insert(pairs.end(), extra.begin(), extra.end());
    pairs.insert(pairs.end(), {{8, "0"},
                               {10, std::to_string(x0)},
                               {20, std::to_string(y0)},
                               {11, std::to_string(x1)},
                               {21, std::to_string(y1)}});
    return Lines(pairs);
}

// A page drawn by MuPDF at 72 dpi, so that a pixel is a point.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    int page_count = 0;
    std::string text;

    std::uint32_t At(int x, int y) const {
        const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
        return (std::uint32_t{rgb[at]} << 16) | (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
    }
    // Where a drawing point lands: the pixel whose top left corner is at or before it.
    std::pair<int, int> Pixel(double x, double y) const {
        return {static_cast<int>(kPageWidth * 0.03 + x * kScale),
                static_cast<int>(kPageHeight * 0.97 - y * kScale)};
    }
    std::uint32_t Centre(double x, double y) const {
        const auto [px, py] = Pixel(x, y);
        return At(px, py);
    }
    // Pixels darker than mid-grey in a box of the drawing.
    int Dark(double x0, double y0, double x1, double y1) const {
        const auto [left, bottom] = Pixel(x0, y0);
        const auto [right, top] = Pixel(x1, y1);
        int dark = 0;
        for (int py = top; py <= bottom; ++py) {
            for (int px = left; px <= right; ++px) {
                const std::uint32_t c = At(px, py);
                dark += ((c >> 16) + ((c >> 8) & 0xFF) + (c & 0xFF)) < 3 * 128 ? 1 : 0;
            }
        }
        return dark;
    }
    // Around a point, about two pixels each way.
    int DarkAround(double x, double y) const { return Dark(x - 0.3, y - 0.3, x + 0.3, y + 0.3); }
};

Picture Look(const std::filesystem::path& pdf) {
    Picture picture;
    std::string error;
    const auto document = convcore::RenderDocument::Open(pdf, "", &error);
    if (document == nullptr) {
        ADD_FAILURE() << error;
        return picture;
    }
    fz_context* context = document->Context();
    picture.page_count = document->PageCount();
    convcore::PixmapHandle pixmap(context);
    fz_buffer* text = nullptr;
    const bool drawn = convcore::CatchMupdf(
        context,
        [&] {
            pixmap.Slot() = fz_new_pixmap_from_page_number(context, document->Document(), 0,
                                                           fz_identity, fz_device_rgb(context), 0);
            text = fz_new_buffer_from_page_number(context, document->Document(), 0, nullptr);
        },
        &error);
    if (!drawn) {
        ADD_FAILURE() << error;
        return picture;
    }
    picture.width = fz_pixmap_width(context, pixmap.Get());
    picture.height = fz_pixmap_height(context, pixmap.Get());
    const unsigned char* samples = fz_pixmap_samples(context, pixmap.Get());
    const int stride = fz_pixmap_stride(context, pixmap.Get());
    for (int y = 0; y < picture.height; ++y)
        picture.rgb.insert(picture.rgb.end(), samples + y * stride,
                           samples + y * stride + picture.width * 3);
    unsigned char* data = nullptr;
    const std::size_t size = fz_buffer_storage(context, text, &data);
    picture.text.assign(reinterpret_cast<const char*>(data), size);
    fz_drop_buffer(context, text);
    return picture;
}

class CadDxfToPdfTest : public ::testing::Test {
protected:
    convcore::TaskOutcome Convert(const std::string& dxf, const std::string& background = "") {
        testdocs::WriteFile(source_, dxf);
        Json::Value record;
        record["cmd"] = "dxf_to_pdf";
        record["source_path"] = source_.string();
        record["target_path"] = target_.string();
        if (!background.empty())
            record["background"] = background;
        convcore::CommandDispatcher dispatcher;
        convcore::RegisterCadCommands(dispatcher);
        return dispatcher.HandlerFor(record)(record, task_);
    }

    TempDir temp_;
    const std::filesystem::path source_ = temp_ / "plan.dxf";
    const std::filesystem::path target_ = temp_ / "plan.pdf";
    RecordingTask task_;
};

// Each shape is drawn where the drawing puts it, and not where a wrong arc direction, rotation
// or scale would put it.
TEST_F(CadDxfToPdfTest, ShapesLandWhereTheDrawingPutsThem) {
    const std::string block = Lines({{0, "BLOCK"}, {2, "STICK"}, {10, "0"}, {20, "0"}}) +
                              Line(0, 0, 10, 0) + Lines({{0, "ENDBLK"}});
    const std::string entities =
        Line(10, 10, 150, 10) +
        Lines({{0, "ARC"}, {8, "0"}, {10, "120"}, {20, "60"}, {40, "20"}, {50, "0"}, {51, "90"}}) +
        Lines({{0, "LWPOLYLINE"},
               {8, "0"},
               {90, "2"},
               {10, "20"},
               {20, "80"},
               {42, "1"},
               {10, "40"},
               {20, "80"}}) +
        Lines({{0, "INSERT"},
               {8, "0"},
               {2, "STICK"},
               {10, "80"},
               {20, "20"},
               {41, "3"},
               {42, "3"},
               {50, "90"}});
    const convcore::TaskOutcome outcome = Convert(Dxf("AC1015", entities, block));
    ASSERT_TRUE(outcome.ok) << outcome.error;
    const Picture page = Look(target_);
    ASSERT_EQ(page.page_count, 1);
    ASSERT_EQ(page.width, 1190);
    ASSERT_EQ(page.height, 744);
    const struct {
        const char* what;
        double x, y;
        bool ink;
    } probes[] = {
        {"line", 80, 10, true},
        {"beside the line", 80, 14, false},
        {"arc at 45 degrees", 120 + 14.142, 60 + 14.142, true},
        {"opposite side of the arc", 120 - 14.142, 60 - 14.142, false},
        {"counter-clockwise bulge below its chord", 30, 70, true},
        {"not above it", 30, 90, false},
        {"block turned up and scaled", 80, 45, true},
        {"not lying flat", 95, 20, false},
    };
    for (const auto& probe : probes) {
        if (probe.ink)
            EXPECT_GT(page.DarkAround(probe.x, probe.y), 0) << probe.what;
        else
            EXPECT_EQ(page.DarkAround(probe.x, probe.y), 0) << probe.what;
    }
    EXPECT_EQ(task_.Progress().back(), 100);
}

TEST_F(CadDxfToPdfTest, ColourSevenTurnsAgainstTheBackgroundAndOtherColoursStay) {
    const std::string entities = Line(10, 50, 70, 50) + Line(90, 50, 150, 50, {{62, "1"}}) +
                                 Line(90, 70, 150, 70, {{420, "255"}});
    for (const bool black : {false, true}) {
        SCOPED_TRACE(black ? "black" : "white");
        ASSERT_TRUE(Convert(Dxf("AC1015", entities), black ? "black" : "white").ok);
        const Picture page = Look(target_);
        const std::uint32_t paper = black ? 0x000000 : 0xFFFFFF;
        EXPECT_EQ(page.Centre(40, 50), black ? 0xFFFFFFu : 0x000000u);
        EXPECT_EQ(page.Centre(40, 30), paper);
        EXPECT_EQ(page.Centre(120, 50), 0xFF0000u);
        EXPECT_EQ(page.Centre(120, 70), 0x0000FFu);
    }
}

TEST_F(CadDxfToPdfTest, LayersAndBlocksDecideWhatIsShownAndInWhichColour) {
    const std::string layers = Lines({{0, "LAYER"},
                                      {2, "OFF"},
                                      {62, "-1"},
                                      {0, "LAYER"},
                                      {2, "FROZEN"},
                                      {62, "1"},
                                      {70, "1"},
                                      {0, "LAYER"},
                                      {2, "GREEN"},
                                      {62, "3"},
                                      {370, "70"}});
    // Inside the block: one line of the reference's colour, one of the reference's layer.
    const std::string block = Lines({{0, "BLOCK"}, {2, "PART"}, {10, "0"}, {20, "0"}}) +
                              Line(0, 0, 20, 0, {{62, "0"}}) + Line(0, 10, 20, 10) +
                              Lines({{0, "ENDBLK"}});
    const std::string entities =
        Line(10, 90, 60, 90, {{8, "OFF"}}) + Line(10, 80, 60, 80, {{8, "FROZEN"}}) +
        Lines({{0, "INSERT"}, {8, "GREEN"}, {62, "5"}, {2, "PART"}, {10, "100"}, {20, "40"}}) +
        Line(10, 10, 60, 10);
    ASSERT_TRUE(Convert(Dxf("AC1015", entities, block, layers)).ok);
    const Picture page = Look(target_);
    EXPECT_EQ(page.Centre(35, 90), 0xFFFFFFu) << "a layer that is off";
    EXPECT_EQ(page.Centre(35, 80), 0xFFFFFFu) << "a frozen layer";
    EXPECT_EQ(page.Centre(110, 40), 0x0000FFu) << "by block: the reference's colour";
    EXPECT_EQ(page.Centre(110, 50), 0x00FF00u) << "layer 0 in a block: the reference's layer";
    EXPECT_EQ(page.Centre(35, 10), 0x000000u);
}

TEST_F(CadDxfToPdfTest, ChineseTextIsDrawnAsSearchableText) {
    const std::string chinese = "中文测试";
    const std::string gbk = "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4";
    const struct {
        const char* version;
        std::string raw;
    } cases[] = {{"AC1021", chinese}, {"AC1015", gbk}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.version);
        const std::string text =
            Lines({{0, "TEXT"}, {8, "0"}, {10, "20"}, {20, "40"}, {40, "8"}, {1, test.raw}});
        const std::string paragraph = Lines({{0, "MTEXT"},
                                             {8, "0"},
                                             {10, "20"},
                                             {20, "90"},
                                             {40, "5"},
                                             {41, "100"},
                                             {1, "{\\fSimSun;Plan}\\PB-2"}});
        const convcore::TaskOutcome outcome = Convert(Dxf(test.version, text + paragraph));
        ASSERT_TRUE(outcome.ok) << outcome.error;
        const Picture page = Look(target_);
        EXPECT_NE(page.text.find(chinese), std::string::npos) << page.text;
        EXPECT_NE(page.text.find("Plan\nB-2"), std::string::npos) << page.text;
        // The text stands on its baseline, about 8 units tall, from its start onwards.
        EXPECT_GT(page.Dark(20, 40, 60, 48), 100);
        EXPECT_EQ(page.Dark(20, 28, 60, 37), 0);
        EXPECT_EQ(page.Dark(5, 40, 19, 48), 0);
    }
}

TEST_F(CadDxfToPdfTest, BrokenFilesFailClearlyAndLeaveNothing) {
    const struct {
        const char* name;
        std::string text;
        const char* error;
    } cases[] = {
        {"empty", "", "not a DXF file: no sections found"},
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), "binary DXF is not supported"},
        {"truncated", Dxf("AC1015", Line(0, 0, 1, 1)).substr(0, 60), "no drawable entities"},
        {"odd line count", "0\nSECTION\n2\nENTITIES\n0\nLINE\n10", "no drawable entities"},
        {"garbage numbers", Dxf("AC1015", Lines({{0, "LINE"}, {10, "x1"}, {20, "1e999"}})),
         "no drawable entities"},
        {"only what cannot be drawn",
         Dxf("AC1015", Lines({{0, "INSERT"}, {2, "MISSING"}, {10, "0"}, {20, "0"}})),
         "no drawable entities"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const convcore::TaskOutcome outcome = Convert(test.text);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.error, test.error);
        EXPECT_EQ(ListFolder(temp_.Path()), std::vector<std::string>{"plan.dxf"});
    }
}

TEST_F(CadDxfToPdfTest, CancelStopsTheDrawingAndLeavesNothing) {
    std::string entities;
    for (int i = 0; i < 20000; ++i)
        entities += Line(i % 160, 0, i % 160, 100);
    task_.CancelAtProgress(31);
    const convcore::TaskOutcome outcome = Convert(Dxf("AC1015", entities));
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "cancelled");
    EXPECT_EQ(ListFolder(temp_.Path()), std::vector<std::string>{"plan.dxf"});
    EXPECT_LT(task_.Progress().back(), 99);
}

TEST_F(CadDxfToPdfTest, ABlockThatHoldsItselfTwiceStillEnds) {
    const std::string block =
        Lines({{0, "BLOCK"}, {2, "TWICE"}, {10, "0"}, {20, "0"}}) + Line(0, 0, 1, 1) +
        Lines({{0, "INSERT"}, {2, "TWICE"}, {10, "1"}, {20, "0"}}) +
        Lines({{0, "INSERT"}, {2, "TWICE"}, {10, "0"}, {20, "1"}}) + Lines({{0, "ENDBLK"}});
    const convcore::TaskOutcome outcome =
        Convert(Dxf("AC1015", Lines({{0, "INSERT"}, {2, "TWICE"}, {10, "0"}, {20, "0"}}), block));
    // 2^16 references deep down: drawn within the element bound, in bounded time.
    EXPECT_TRUE(outcome.ok) << outcome.error;
}

}  // namespace
