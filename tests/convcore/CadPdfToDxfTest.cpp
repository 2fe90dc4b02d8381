#include <gtest/gtest.h>

#include <cairo-pdf.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "convcore/CadCommands.h"
#include "convcore/CadDxfReader.h"
#include "convcore/CadDxfTokens.h"
#include "convcore/CadExtents.h"
#include "convcore/CommandDispatcher.h"
#include "convcore/RenderTestHelpers.h"
#include "quire-mupdf/PdfFacts.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace {

using convcore::CadDrawing;
using convcore::CadPoint;
using convcore::CadPolyline;
using convcore::CadText;
using rendertest::ListFolder;
using rendertest::RecordingTask;

constexpr double kPageHeight = 842;
const char kGreeting[] = "Hello 中文";

using PageDrawing = std::function<void(cairo_t*)>;

void DrawPdf(const std::filesystem::path& file, const std::vector<PageDrawing>& pages) {
    cairo_surface_t* surface = cairo_pdf_surface_create(file.c_str(), 595, kPageHeight);
    cairo_t* cr = cairo_create(surface);
    for (const PageDrawing& page : pages) {
        page(cr);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}

CadPoint Bezier(double t) {
    const CadPoint p[] = {{100, 300}, {150, 200}, {250, 400}, {300, 300}};
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p[0].x + b * p[1].x + c * p[2].x + d * p[3].x,
            a * p[0].y + b * p[1].y + c * p[2].y + d * p[3].y};
}

// A plan: a red line, a curve, a blue filled box and a label; an empty page; a short line.
std::vector<PageDrawing> Plan() {
    const PageDrawing first = [](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, 100, 100);
        cairo_line_to(cr, 300, 100);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, 100, 300);
        cairo_curve_to(cr, 150, 200, 250, 400, 300, 300);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, 400, 400, 50, 30);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_select_font_face(cr, "WenQuanYi Micro Hei", CAIRO_FONT_SLANT_NORMAL,
                               CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, 20);
        cairo_move_to(cr, 100, 500);
        cairo_show_text(cr, kGreeting);
    };
    const PageDrawing empty = [](cairo_t*) {};
    const PageDrawing third = [](cairo_t* cr) {
        cairo_move_to(cr, 50, 50);
        cairo_line_to(cr, 60, 60);
        cairo_stroke(cr);
    };
    return {first, empty, third};
}

// DXF y of a point on page `index` (0-based, each page below the one before).
double DxfY(double page_y, int index) {
    return kPageHeight - index * kPageHeight * 1.1 - page_y;
}

const CadPolyline* FindPolyline(const CadDrawing& drawing,
                                const std::function<bool(const CadPolyline&)>& wanted,
                                convcore::CadStyle* style = nullptr) {
    for (const convcore::CadEntity& entity : drawing.entities) {
        const auto* polyline = std::get_if<CadPolyline>(&entity.shape);
        if (polyline != nullptr && wanted(*polyline)) {
            if (style != nullptr)
                *style = entity.style;
            return polyline;
        }
    }
    return nullptr;
}

bool Near(const convcore::CadVertex& vertex, double x, double y) {
    return std::fabs(vertex.x - x) < 1e-3 && std::fabs(vertex.y - y) < 1e-3;
}

std::string LayerOf(const CadDrawing& drawing, const convcore::CadStyle& style) {
    return drawing.layers[static_cast<std::size_t>(style.layer)].name;
}

class CadPdfToDxfTest : public ::testing::Test {
protected:
    void SetUp() override { DrawPdf(source_, Plan()); }

    convcore::TaskOutcome Convert(const std::filesystem::path& source,
                                  const Json::Value& extra = Json::Value()) {
        Json::Value record = extra.isObject() ? extra : Json::Value(Json::objectValue);
        record["cmd"] = "pdf_to_dxf";
        record["source_path"] = source.string();
        record["target_path"] = target_.string();
        convcore::CommandDispatcher dispatcher;
        convcore::RegisterCadCommands(dispatcher);
        return dispatcher.HandlerFor(record)(record, task_);
    }

    CadDrawing ReadBack() const {
        CadDrawing drawing;
        const convcore::DxfReadResult read =
            convcore::ReadDxf(testdocs::ReadFile(target_), {}, &drawing);
        EXPECT_EQ(read.status, convcore::DxfReadStatus::kRead) << read.error;
        return drawing;
    }

    TempDir temp_;
    const std::filesystem::path source_ = temp_ / "plan.pdf";
    const std::filesystem::path target_ = temp_ / "plan.dxf";
    RecordingTask task_;
};

TEST_F(CadPdfToDxfTest, PathsAndTextBecomeEntitiesInPageSpace) {
    const convcore::TaskOutcome outcome = Convert(source_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(ListFolder(temp_.Path()), (std::vector<std::string>{"plan.dxf", "plan.pdf"}));
    EXPECT_EQ(task_.Progress().back(), 100);
    const CadDrawing drawing = ReadBack();

    convcore::CadStyle style;
    const CadPolyline* line = FindPolyline(
        drawing,
        [](const CadPolyline& p) {
            return p.vertices.size() == 2 && Near(p.vertices[0], 100, DxfY(100, 0)) &&
                   Near(p.vertices[1], 300, DxfY(100, 0));
        },
        &style);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(style.true_colour, 0xFF0000);
    EXPECT_EQ(style.colour, 1);
    EXPECT_EQ(style.lineweight, 70);  // 2 points are 0.71 mm
    EXPECT_EQ(LayerOf(drawing, style), "PAGE_1");

    const CadPolyline* box = FindPolyline(
        drawing, [](const CadPolyline& p) { return p.closed && p.vertices.size() == 4; }, &style);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(style.true_colour, 0x0000FF);
    // The box is filled as well as outlined.
    const auto fill = std::find_if(
        drawing.entities.begin(), drawing.entities.end(), [](const convcore::CadEntity& entity) {
            return std::holds_alternative<convcore::CadFill>(entity.shape);
        });
    ASSERT_NE(fill, drawing.entities.end());
    EXPECT_EQ(fill->style.true_colour, 0x0000FF);
    const convcore::CadBox filled = convcore::DrawnExtents([&] {
        CadDrawing only = drawing;
        only.entities = {*fill};
        return only;
    }());
    EXPECT_NEAR(filled.min_x, 400, 1e-3);
    EXPECT_NEAR(filled.max_x, 450, 1e-3);
    EXPECT_NEAR(filled.min_y, DxfY(430, 0), 1e-3);
    EXPECT_NEAR(filled.max_y, DxfY(400, 0), 1e-3);

    const CadPolyline* third = FindPolyline(
        drawing, [](const CadPolyline& p) { return Near(p.vertices.front(), 50, DxfY(50, 2)); },
        &style);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(LayerOf(drawing, style), "PAGE_3");
    std::set<std::string> layers;
    for (const convcore::CadLayer& layer : drawing.layers)
        layers.insert(layer.name);
    EXPECT_EQ(layers, (std::set<std::string>{"0", "PAGE_1", "PAGE_2", "PAGE_3"}));

    std::vector<CadText> texts;
    for (const convcore::CadEntity& entity : drawing.entities) {
        if (const auto* text = std::get_if<CadText>(&entity.shape))
            texts.push_back(*text);
    }
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text, kGreeting);
    EXPECT_NEAR(texts[0].origin.x, 100, 0.01);
    EXPECT_NEAR(texts[0].origin.y, DxfY(500, 0), 0.01);
    EXPECT_NEAR(texts[0].height * 1.35, 20, 0.01);
    EXPECT_NEAR(texts[0].rotation, 0, 1e-6);
}

TEST_F(CadPdfToDxfTest, CurvesStayWithinATenthOfAPoint) {
    ASSERT_TRUE(Convert(source_).ok);
    const CadDrawing drawing = ReadBack();
    const CadPolyline* curve = FindPolyline(drawing, [](const CadPolyline& p) {
        return Near(p.vertices.front(), 100, DxfY(300, 0)) && p.vertices.size() > 2;
    });
    ASSERT_NE(curve, nullptr);
    EXPECT_TRUE(Near(curve->vertices.back(), 300, DxfY(300, 0)));
    // Every point of the true curve is close to the polyline's vertices or segments.
    double worst = 0;
    for (int i = 0; i <= 2000; ++i) {
        const CadPoint exact = Bezier(i / 2000.0);
        double nearest = 1e9;
        for (std::size_t v = 0; v + 1 < curve->vertices.size(); ++v) {
            const convcore::CadVertex& a = curve->vertices[v];
            const convcore::CadVertex& b = curve->vertices[v + 1];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double along = std::clamp(
                ((exact.x - a.x) * dx + (DxfY(exact.y, 0) - a.y) * dy) / (dx * dx + dy * dy), 0.0,
                1.0);
            nearest = std::min(nearest, std::hypot(a.x + along * dx - exact.x,
                                                   a.y + along * dy - DxfY(exact.y, 0)));
        }
        worst = std::max(worst, nearest);
    }
    EXPECT_LE(worst, 0.1 + 1e-3);
    EXPECT_LT(curve->vertices.size(), 60u) << "flattened far finer than needed";
}

// Strict readers want every handle once, the next free one in the header, owners, subclass
// markers and the sections in their order.
TEST_F(CadPdfToDxfTest, TheFileIsWellFormed) {
    ASSERT_TRUE(Convert(source_).ok);
    const std::string text = testdocs::ReadFile(target_);
    ASSERT_TRUE(text.ends_with("  0\nEOF\n"));
    convcore::DxfTokenizer tokens(text);
    convcore::DxfPair pair;
    std::vector<std::string> sections;
    std::set<std::string> handles;
    long largest = 0;
    long seed = 0;
    bool next_is_section_name = false;
    bool next_is_seed = false;
    int entities = 0;
    int entity_markers = 0;
    while (tokens.Next(&pair)) {
        const std::string value(pair.value);
        if (next_is_section_name && pair.code == 2)
            sections.push_back(value);
        next_is_section_name = pair.code == 0 && value == "SECTION";
        if (next_is_seed && pair.code == 5) {
            seed = std::stol(value, nullptr, 16);
            next_is_seed = false;
            continue;
        }
        next_is_seed = pair.code == 9 && value == "$HANDSEED";
        if (pair.code == 5 || pair.code == 105) {
            EXPECT_TRUE(handles.insert(value).second) << "handle used twice: " << value;
            largest = std::max(largest, std::stol(value, nullptr, 16));
        }
        if (pair.code == 0 && (value == "LWPOLYLINE" || value == "TEXT" || value == "HATCH"))
            ++entities;
        if (pair.code == 100 && value == "AcDbEntity")
            ++entity_markers;
    }
    EXPECT_EQ(tokens.LinesSkipped(), 0u);
    EXPECT_EQ(sections, (std::vector<std::string>{"HEADER", "CLASSES", "TABLES", "BLOCKS",
                                                  "ENTITIES", "OBJECTS"}));
    EXPECT_GT(seed, largest);
    EXPECT_GT(entities, 3);
    EXPECT_EQ(entity_markers, entities + 4);  // and the two blocks' BLOCK and ENDBLK
    EXPECT_EQ(task_.Last("entity_count").asInt(), entities);
}

TEST_F(CadPdfToDxfTest, TheDxfDrawsAgain) {
    ASSERT_TRUE(Convert(source_).ok);
    Json::Value record;
    record["cmd"] = "dxf_to_pdf";
    record["source_path"] = target_.string();
    record["target_path"] = (temp_ / "again.pdf").string();
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterCadCommands(dispatcher);
    RecordingTask task;
    const convcore::TaskOutcome outcome = dispatcher.HandlerFor(record)(record, task);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(quiremupdf::CountPdfPages(temp_ / "again.pdf"), 1);
    const std::vector<std::string> texts = testdocs::PageTexts(temp_ / "again.pdf");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find(kGreeting), std::string::npos) << texts[0];
}

TEST_F(CadPdfToDxfTest, ChosenPagesStartAtTheTop) {
    Json::Value record;
    record["pages"].append(3);
    ASSERT_TRUE(Convert(source_, record).ok);
    const CadDrawing drawing = ReadBack();
    ASSERT_EQ(drawing.entities.size(), 1u);
    const auto& line = std::get<CadPolyline>(drawing.entities.front().shape);
    EXPECT_TRUE(Near(line.vertices.front(), 50, DxfY(50, 0)));
}

TEST_F(CadPdfToDxfTest, FailuresAreClearAndLeaveNothing) {
    const std::filesystem::path locked = temp_ / "locked.pdf";
    ASSERT_TRUE(testdocs::RunTool("qpdf", {"--encrypt", "user-pw", "owner-pw", "256", "--",
                                           source_.string(), locked.string()}));
    const std::filesystem::path picture = temp_ / "picture.pdf";
    DrawPdf(picture, {[](cairo_t* cr) {
                          cairo_surface_t* image =
                              cairo_image_surface_create(CAIRO_FORMAT_RGB24, 8, 8);
                          cairo_set_source_surface(cr, image, 100, 100);
                          cairo_paint(cr);
                          cairo_surface_destroy(image);
                      },
                      [](cairo_t*) {}});
    Json::Value wrong_page;
    wrong_page["pages"].append(9);
    const struct {
        const char* name;
        std::filesystem::path source;
        Json::Value extra;
        const char* error_start;
    } cases[] = {
        {"no password", locked, {}, "Invalid password"},
        {"only pictures and empty pages", picture, {}, "no vector content to convert"},
        {"a page that is not there", source_, wrong_page, "page 9 is not in the document"},
        {"not a PDF", temp_ / "missing.pdf", {}, "file not found"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        const convcore::TaskOutcome outcome = Convert(test.source, test.extra);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.error.starts_with(test.error_start)) << outcome.error;
        EXPECT_FALSE(std::filesystem::exists(target_));
        EXPECT_EQ(ListFolder(temp_.Path()),
                  (std::vector<std::string>{"locked.pdf", "picture.pdf", "plan.pdf"}));
    }
    Json::Value password;
    password["password"] = "user-pw";
    EXPECT_TRUE(Convert(locked, password).ok);
}

TEST_F(CadPdfToDxfTest, CancelLeavesNothing) {
    task_.Cancel();
    const convcore::TaskOutcome outcome = Convert(source_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "cancelled");
    EXPECT_EQ(ListFolder(temp_.Path()), std::vector<std::string>{"plan.pdf"});
}

}  // namespace
