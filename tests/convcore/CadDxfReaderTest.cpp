#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "convcore/CadDxfReader.h"
#include "convcore/CadExtents.h"
#include "convcore/DxfTestText.h"

namespace {

using convcore::CadBox;
using convcore::CadDrawing;
using convcore::CadText;
using convcore::DxfReadControl;
using convcore::DxfReadResult;
using convcore::DxfReadStatus;

using dxftest::Lines;
using dxftest::Pairs;

std::string Section(const std::string& name, const std::string& body) {
    return "0\nSECTION\n2\n" + name + "\n" + body + "0\nENDSEC\n";
}

std::string Dxf(const std::string& entities, const std::string& blocks = "",
                const std::string& tables = "", const std::string& header = "") {
    return Section("HEADER", header) + Section("TABLES", tables) + Section("BLOCKS", blocks) +
           Section("ENTITIES", entities) + "0\nEOF\n";
}

std::string Block(const std::string& name, const std::string& entities, double base_x = 0) {
    return Lines({{0, "BLOCK"}, {2, name}, {10, std::to_string(base_x)}, {20, "0"}}) + entities +
           Lines({{0, "ENDBLK"}});
}

std::string Line(double x0, double y0, double x1, double y1) {
    return Lines({{0, "LINE"},
                  {8, "0"},
                  {10, std::to_string(x0)},
                  {20, std::to_string(y0)},
                  {11, std::to_string(x1)},
                  {21, std::to_string(y1)}});
}

DxfReadResult Read(const std::string& text, CadDrawing* drawing) {
    return convcore::ReadDxf(text, DxfReadControl{}, drawing);
}

struct ExtentsCase {
    const char* name;
    std::string entities;
    std::string blocks;
    CadBox expected;
};

// Every supported entity lands where its definition puts it; the extents of the drawing show
// that without looking into the model's representation.
TEST(CadDxfReaderTest, EntitiesLandWhereTheirDefinitionsPutThem) {
    const std::string unit_line = Block("UNIT", Line(0, 0, 1, 0));
    const ExtentsCase cases[] = {
        {"line", Line(0, 0, 10, 5), "", {0, 0, 10, 5, false}},
        {"circle",
         Lines({{0, "CIRCLE"}, {10, "5"}, {20, "5"}, {40, "2"}}),
         "",
         {3, 3, 7, 7, false}},
        {"arc, first quadrant",
         Lines({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "10"}, {50, "0"}, {51, "90"}}),
         "",
         {0, 0, 10, 10, false}},
        {"arc across zero degrees",
         Lines({{0, "ARC"}, {10, "0"}, {20, "0"}, {40, "10"}, {50, "270"}, {51, "90"}}),
         "",
         {0, -10, 10, 10, false}},
        {"counter-clockwise bulge sags below its chord",
         Lines({{0, "LWPOLYLINE"},
                {90, "2"},
                {10, "0"},
                {20, "0"},
                {42, "1"},
                {10, "10"},
                {20, "0"}}),
         "",
         {0, -5, 10, 0, false}},
        {"clockwise bulge rises above its chord",
         Lines({{0, "LWPOLYLINE"},
                {90, "2"},
                {10, "0"},
                {20, "0"},
                {42, "-1"},
                {10, "10"},
                {20, "0"}}),
         "",
         {0, 0, 10, 5, false}},
        {"polyline with vertices",
         Lines({{0, "POLYLINE"},
                {66, "1"},
                {70, "1"},
                {0, "VERTEX"},
                {10, "1"},
                {20, "1"},
                {0, "VERTEX"},
                {10, "4"},
                {20, "2"},
                {0, "VERTEX"},
                {10, "2"},
                {20, "6"},
                {0, "SEQEND"}}),
         "",
         {1, 1, 4, 6, false}},
        {"ellipse",
         Lines({{0, "ELLIPSE"}, {10, "0"}, {20, "0"}, {11, "10"}, {21, "0"}, {40, "0.5"}}),
         "",
         {-10, -5, 10, 5, false}},
        {"quadratic spline peaks at half its control height",
         Lines({{0, "SPLINE"},
                {71, "2"},
                {10, "0"},
                {20, "0"},
                {10, "5"},
                {20, "10"},
                {10, "10"},
                {20, "0"}}),
         "",
         {0, 0, 10, 5, false}},
        {"solid",
         Lines({{0, "SOLID"},
                {10, "0"},
                {20, "0"},
                {11, "4"},
                {21, "0"},
                {12, "0"},
                {22, "3"},
                {13, "4"},
                {23, "3"}}),
         "",
         {0, 0, 4, 3, false}},
        {"solid hatch with a polyline boundary",
         Lines({{0, "HATCH"}, {10, "0"},   {20, "0"},  {2, "SOLID"}, {70, "1"}, {91, "1"},
                {92, "2"},    {72, "0"},   {73, "1"},  {93, "3"},    {10, "2"}, {20, "2"},
                {10, "8"},    {20, "2"},   {10, "5"},  {20, "9"},    {97, "0"}, {75, "0"},
                {98, "1"},    {10, "100"}, {20, "100"}}),
         "",
         {2, 2, 8, 9, false}},
        {"solid hatch with line edges",
         Lines({{0, "HATCH"}, {2, "SOLID"}, {70, "1"}, {91, "1"}, {92, "1"}, {93, "3"},
                {72, "1"},    {10, "0"},    {20, "0"}, {11, "6"}, {21, "0"}, {72, "1"},
                {10, "6"},    {20, "0"},    {11, "6"}, {21, "4"}, {72, "1"}, {10, "6"},
                {20, "4"},    {11, "0"},    {21, "0"}, {97, "0"}}),
         "",
         {0, 0, 6, 4, false}},
        {"point", Lines({{0, "POINT"}, {10, "3"}, {20, "4"}}), "", {3, 4, 3, 4, false}},
        {"circle seen from below is mirrored",
         Lines({{0, "CIRCLE"}, {10, "5"}, {20, "0"}, {40, "1"}, {230, "-1"}}),
         "",
         {-6, -1, -4, 1, false}},
        {"block reference scaled and turned",
         Lines({{0, "INSERT"},
                {2, "unit"},
                {10, "10"},
                {20, "10"},
                {41, "2"},
                {42, "2"},
                {50, "90"}}),
         unit_line,
         {10, 10, 10, 12, false}},
        {"block reference grid",
         Lines({{0, "INSERT"},
                {2, "UNIT"},
                {10, "0"},
                {20, "0"},
                {70, "3"},
                {71, "2"},
                {44, "5"},
                {45, "7"}}),
         unit_line,
         {0, 0, 11, 7, false}},
        {"base point shifts the block",
         Lines({{0, "INSERT"}, {2, "SHIFTED"}, {10, "0"}, {20, "0"}}),
         Block("SHIFTED", Line(10, 0, 12, 0), 10),
         {0, 0, 2, 0, false}},
        {"dimension draws its block",
         Lines({{0, "DIMENSION"}, {2, "*D1"}}),
         Block("*D1", Line(1, 2, 3, 4)),
         {1, 2, 3, 4, false}},
    };
    for (const ExtentsCase& test : cases) {
        SCOPED_TRACE(test.name);
        CadDrawing drawing;
        const DxfReadResult read = Read(Dxf(test.entities, test.blocks), &drawing);
        ASSERT_EQ(read.status, DxfReadStatus::kRead) << read.error;
        const CadBox box = convcore::DrawnExtents(drawing);
        ASSERT_FALSE(box.empty);
        EXPECT_NEAR(box.min_x, test.expected.min_x, 1e-3);
        EXPECT_NEAR(box.min_y, test.expected.min_y, 1e-3);
        EXPECT_NEAR(box.max_x, test.expected.max_x, 1e-3);
        EXPECT_NEAR(box.max_y, test.expected.max_y, 1e-3);
    }
}

TEST(CadDxfReaderTest, NestedBlocksStopAtTheDepthLimitAndSelfReferenceEnds) {
    std::string blocks;
    for (int level = 0; level < 20; ++level) {
        const std::string inner =
            Lines({{0, "INSERT"}, {2, "B" + std::to_string(level + 1)}, {10, "0"}, {20, "0"}});
        blocks += Block("B" + std::to_string(level), Line(level, 0, level, 1) + inner);
    }
    blocks +=
        Block("SELF", Line(0, 0, 1, 1) + Lines({{0, "INSERT"}, {2, "SELF"}, {10, "1"}, {20, "0"}}));
    CadDrawing drawing;
    const std::string model = Lines({{0, "INSERT"}, {2, "B0"}, {10, "0"}, {20, "0"}});
    ASSERT_EQ(Read(Dxf(model, blocks), &drawing).status, DxfReadStatus::kRead);
    EXPECT_DOUBLE_EQ(convcore::DrawnExtents(drawing).max_x, convcore::kMaxBlockDepth - 1);

    const std::string self = Lines({{0, "INSERT"}, {2, "SELF"}, {10, "0"}, {20, "0"}});
    ASSERT_EQ(Read(Dxf(self, blocks), &drawing).status, DxfReadStatus::kRead);
    EXPECT_FALSE(convcore::DrawnExtents(drawing).empty);
}

TEST(CadDxfReaderTest, HeaderExtentsCountOnlyWhenSaneAndMeetingTheDrawing) {
    const auto header = [](const char* min_x, const char* max_x) {
        return Lines(
            {{9, "$EXTMIN"}, {10, min_x}, {20, "0"}, {9, "$EXTMAX"}, {10, max_x}, {20, "100"}});
    };
    const struct {
        const char* min_x;
        const char* max_x;
        double expected_max_x;
    } cases[] = {
        {"0", "200", 200},      // sane: the declared frame counts
        {"1e20", "-1e20", 10},  // the placeholder of an empty drawing
        {"500", "600", 10},     // stale: nowhere near what is drawn
        {"0", "garbage", 10},
    };
    for (const auto& test : cases) {
        CadDrawing drawing;
        ASSERT_EQ(
            Read(Dxf(Line(0, 0, 10, 10), "", "", header(test.min_x, test.max_x)), &drawing).status,
            DxfReadStatus::kRead);
        EXPECT_DOUBLE_EQ(convcore::DrawingExtents(drawing).max_x, test.expected_max_x)
            << test.min_x << " " << test.max_x;
    }
}

CadText OnlyText(const CadDrawing& drawing) {
    EXPECT_EQ(drawing.entities.size(), 1u);
    const auto* text = std::get_if<CadText>(&drawing.entities.front().shape);
    return text != nullptr ? *text : CadText{};
}

TEST(CadDxfReaderTest, TextsComeOutAsUtf8WithoutTheirCodes) {
    const std::string gbk = "\xD6\xD0\xCE\xC4";  // 中文 in GBK
    const auto version = [](const char* acad, const char* code_page) {
        Pairs pairs{{9, "$ACADVER"}, {1, acad}};
        if (code_page != nullptr)
            pairs.insert(pairs.end(), {{9, "$DWGCODEPAGE"}, {3, code_page}});
        return Lines(pairs);
    };
    const struct {
        const char* name;
        std::string header;
        std::string type;
        std::string raw;
        std::string expected;
    } cases[] = {
        {"GBK before 2007", version("AC1015", "ANSI_936"), "TEXT", gbk, "中文"},
        {"UTF-8 from 2007", version("AC1021", "ANSI_936"), "TEXT", "中文测试", "中文测试"},
        {"UTF-8 in an old file without a code page", version("AC1009", nullptr), "TEXT", "中文",
         "中文"},
        {"Western code page", version("AC1015", "ANSI_1252"), "TEXT", "caf\xE9", "café"},
        {"escaped code points", version("AC1015", "ANSI_1252"), "TEXT", "\\U+4E2D\\U+6587", "中文"},
        {"symbol codes", version("AC1021", nullptr), "TEXT", "%%c20 45%%d %%p0.1 100%%%",
         "⌀20 45° ±0.1 100%"},
        {"underline switch and caret", version("AC1021", nullptr), "TEXT", "%%uA^ B", "A^B"},
        {"paragraph formatting", version("AC1021", nullptr), "MTEXT",
         "{\\fSimSun|b0|i0;\\H2.5x;第一行}\\P\\C1;second \\Sa^b; \\\\ \\{x\\}",
         "第一行\nsecond a/b \\ {x}"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        CadDrawing drawing;
        const std::string text =
            Lines({{0, test.type}, {10, "0"}, {20, "0"}, {40, "2"}, {1, test.raw}});
        ASSERT_EQ(Read(Dxf(text, "", "", test.header), &drawing).status, DxfReadStatus::kRead);
        EXPECT_EQ(OnlyText(drawing).text, test.expected);
    }
}

TEST(CadDxfReaderTest, LongParagraphsJoinTheirPieces) {
    CadDrawing drawing;
    const std::string text = Lines({{0, "MTEXT"},
                                    {10, "0"},
                                    {20, "0"},
                                    {40, "2"},
                                    {41, "30"},
                                    {71, "5"},
                                    {3, "first "},
                                    {3, "second "},
                                    {1, "last"}});
    ASSERT_EQ(Read(Dxf(text), &drawing).status, DxfReadStatus::kRead);
    const CadText paragraph = OnlyText(drawing);
    EXPECT_EQ(paragraph.text, "first second last");
    EXPECT_EQ(paragraph.kind, CadText::Kind::kParagraph);
    EXPECT_EQ(paragraph.attachment, 5);
    EXPECT_DOUBLE_EQ(paragraph.wrap_width, 30);
}

TEST(CadDxfReaderTest, JustifiedTextStandsAtItsAlignmentPoint) {
    CadDrawing drawing;
    const std::string text = Lines({{0, "TEXT"},
                                    {10, "1"},
                                    {20, "1"},
                                    {11, "50"},
                                    {21, "60"},
                                    {40, "3"},
                                    {72, "1"},
                                    {73, "2"},
                                    {1, "centred"}});
    ASSERT_EQ(Read(Dxf(text), &drawing).status, DxfReadStatus::kRead);
    const CadText line = OnlyText(drawing);
    EXPECT_DOUBLE_EQ(line.origin.x, 50);
    EXPECT_DOUBLE_EQ(line.origin.y, 60);
    EXPECT_EQ(line.horizontal, 1);
    EXPECT_EQ(line.vertical, 2);
}

TEST(CadDxfReaderTest, LayersKeepColourVisibilityAndWeight) {
    const std::string tables = Lines({{0, "TABLE"},
                                      {2, "LAYER"},
                                      {0, "LAYER"},
                                      {2, "Walls"},
                                      {62, "-3"},
                                      {70, "0"},
                                      {370, "50"},
                                      {0, "LAYER"},
                                      {2, "Frozen"},
                                      {62, "5"},
                                      {70, "1"},
                                      {0, "ENDTAB"}});
    const std::string entities = Lines({{0, "LINE"},
                                        {8, "WALLS"},
                                        {10, "0"},
                                        {20, "0"},
                                        {11, "1"},
                                        {21, "1"},
                                        {62, "0"},
                                        {420, "16711680"}});
    CadDrawing drawing;
    ASSERT_EQ(Read(Dxf(entities, "", tables), &drawing).status, DxfReadStatus::kRead);
    ASSERT_EQ(drawing.layers.size(), 3u);  // "0" and the two defined
    const convcore::CadStyle style = drawing.entities.front().style;
    const convcore::CadLayer& walls = drawing.layers[static_cast<std::size_t>(style.layer)];
    EXPECT_EQ(walls.name, "Walls");
    EXPECT_TRUE(walls.off);
    EXPECT_EQ(walls.colour, 3);
    EXPECT_EQ(walls.lineweight, 50);
    EXPECT_TRUE(drawing.layers[2].frozen);
    EXPECT_EQ(style.colour, convcore::kColourByBlock);
    EXPECT_EQ(style.true_colour, 0xFF0000);
}

TEST(CadDxfReaderTest, DamagedInputIsSkippedOrRefusedButNeverTrusted) {
    const std::string good = Line(0, 0, 1, 1);
    const std::string bad_number =
        Lines({{0, "LINE"}, {10, "1.2.3"}, {20, "0"}, {11, "nan"}, {21, "1"}});
    const struct {
        const char* name;
        std::string text;
        DxfReadStatus status;
        const char* error;
        std::size_t entities;
    } cases[] = {
        {"empty", "", DxfReadStatus::kFailed, "not a DXF file: no sections found", 0},
        {"binary", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "\x01\x02",
         DxfReadStatus::kFailed, "binary DXF is not supported", 0},
        {"truncated in the header", Dxf(good).substr(0, 20), DxfReadStatus::kFailed,
         "no drawable entities", 0},
        {"garbage numbers only", Dxf(bad_number), DxfReadStatus::kFailed, "no drawable entities",
         0},
        {"a garbage entity beside a good one", Dxf(bad_number + good), DxfReadStatus::kRead, "", 1},
        {"a stray line and an odd end", Dxf("junk line\n" + good) + "0", DxfReadStatus::kRead, "",
         1},
        {"CR LF line ends",
         [&] {
             std::string text = Dxf(good);
             std::string crlf;
             for (const char c : text)
                 crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
             return crlf;
         }(),
         DxfReadStatus::kRead, "", 1},
        {"unknown section and entity",
         Section("STRANGE", Line(5, 5, 6, 6)) + Dxf(Lines({{0, "WHATEVER"}, {10, "1"}}) + good),
         DxfReadStatus::kRead, "", 1},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        CadDrawing drawing;
        const DxfReadResult read = Read(test.text, &drawing);
        EXPECT_EQ(read.status, test.status);
        EXPECT_EQ(read.error, test.error);
        EXPECT_EQ(drawing.entities.size(), test.entities);
    }
}

TEST(CadDxfReaderTest, TooManyPairsAreRefused) {
    std::string entities;
    for (int i = 0; i < 100; ++i)
        entities += Line(0, 0, i, i);
    DxfReadControl control;
    control.max_pairs = 300;
    CadDrawing drawing;
    const DxfReadResult read = convcore::ReadDxf(Dxf(entities), control, &drawing);
    EXPECT_EQ(read.status, DxfReadStatus::kFailed);
    EXPECT_EQ(read.error, "the DXF file has more than 300 group pairs");
}

}  // namespace
