#include "reconstruct/SlidesWriter.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <limits>
#include <map>

#include "WriterTestSupport.h"
#include "platform/Process.h"
#include "reconstruct/OoxmlPackage.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace reconstruct {
namespace {

TextRun MakeRun(const std::string& text, double size) {
    TextRun run;
    run.text = text;
    run.font.family = "DejaVu Sans";
    run.font.size = size;
    return run;
}

Paragraph Text(std::vector<TextRun> runs, Rect box, Align align = Align::kLeft) {
    Paragraph paragraph;
    paragraph.box = box;
    paragraph.runs = std::move(runs);
    paragraph.align = align;
    return paragraph;
}

Table MergedHeaderTable() {
    Table table;
    table.box = {72, 300, 272, 340};
    table.column_widths = {120, 80};
    table.row_heights = {20, 20};
    Cell header;
    header.column_span = 2;
    header.paragraphs = {Text({MakeRun("Totals", 10)}, {})};
    header.shading = Rgb{0xEE, 0xEE, 0xEE};
    header.borders = {1, 1, 1, 1, {0, 0, 0}};
    Cell left;
    left.row = 1;
    left.paragraphs = {Text({MakeRun("Revenue", 10)}, {})};
    Cell right = left;
    right.column = 1;
    right.paragraphs = {Text({MakeRun("1,200", 10)}, {})};
    table.cells = {header, left, right};
    return table;
}

Page FirstPage() {
    TextRun title = MakeRun("Annual Review", 24);
    title.font.bold = true;
    title.font.color = {0xC0, 0x00, 0x00};
    title.link = "https://example.com/review";
    TextRun base = MakeRun("E = mc", 12);
    TextRun power = MakeRun("2", 8);
    power.shift = VerticalShift::kSuperscript;
    power.underline = true;
    Image picture;
    picture.box = {400, 400, 500, 500};
    picture.mime = "image/png";
    picture.bytes = kRedPng;
    picture.pixel_width = picture.pixel_height = 2;
    Paragraph formula = Text({base, power}, {72, 200, 200, 214});
    formula.first_line_indent = 18;
    Page page;
    page.width = 595;
    page.height = 842;
    Region region;
    region.blocks = {Text({title}, {100, 72, 400, 100}, Align::kCenter), formula,
                     MergedHeaderTable(), picture};
    page.regions.push_back(region);
    return page;
}

// A landscape page in a portrait deck.
Page SecondPage() {
    Page page;
    page.index = 1;
    page.width = 842;
    page.height = 595;
    Region region;
    region.blocks = {Text({MakeRun("Landscape appendix", 12)}, {100, 100, 300, 114})};
    page.regions.push_back(region);
    return page;
}

using Element = tinyxml2::XMLElement;

std::vector<const Element*> All(const Element* root, const char* name) {
    return AllElements(root, name);
}

struct Placement {
    long x, y, cx, cy;
    bool operator==(const Placement&) const = default;
};

Placement PlacementOf(const Element* shape) {
    const Element* off = All(shape, "a:off").at(0);
    const Element* ext = All(shape, "a:ext").at(0);
    return {off->Int64Attribute("x"), off->Int64Attribute("y"), ext->Int64Attribute("cx"),
            ext->Int64Attribute("cy")};
}

std::map<std::string, const Element*> RelationshipsById(const tinyxml2::XMLDocument& rels) {
    std::map<std::string, const Element*> byId;
    for (const Element* r : All(rels.RootElement(), "Relationship"))
        byId[r->Attribute("Id")] = r;
    return byId;
}

bool WriteDeck(const std::filesystem::path& file, const std::filesystem::path& scratch) {
    std::string error;
    auto writer = SlidesWriter::Create(file, scratch, &error);
    return writer && writer->AddPage(FirstPage(), &error) &&
           writer->AddPage(SecondPage(), &error) && writer->Finish(&error);
}

TEST(SlidesWriterTest, TextBoxesKeepTheirPlaceAndLook) {
    TempDir temp;
    const auto deck = temp / "deck.pptx";
    ASSERT_TRUE(WriteDeck(deck, temp / "scratch"));

    tinyxml2::XMLDocument presentation;
    presentation.Parse(ReadPackagePart(deck, "ppt/presentation.xml").c_str());
    const Element* size = All(presentation.RootElement(), "p:sldSz").at(0);
    EXPECT_EQ(size->Int64Attribute("cx"), 595 * 12700);
    EXPECT_EQ(size->Int64Attribute("cy"), 842 * 12700);
    EXPECT_EQ(All(presentation.RootElement(), "p:sldId").size(), 2u);

    tinyxml2::XMLDocument slide;
    slide.Parse(ReadPackagePart(deck, "ppt/slides/slide1.xml").c_str());
    ASSERT_FALSE(slide.Error());
    const auto boxes = All(slide.RootElement(), "p:sp");
    ASSERT_EQ(boxes.size(), 2u);
    // Centred text gets room on both sides: 4% of its 300-point width.
    EXPECT_EQ(PlacementOf(boxes[0]), (Placement{Emu(94), Emu(72), Emu(312), Emu(28)}));
    EXPECT_EQ(PlacementOf(boxes[1]), (Placement{Emu(72), Emu(200), Emu(133.12), Emu(14)}));
    EXPECT_STREQ(All(boxes[0], "a:pPr").at(0)->Attribute("algn"), "ctr");
    EXPECT_EQ(All(boxes[1], "a:pPr").at(0)->Int64Attribute("indent"), Emu(18));

    const Element* title = All(boxes[0], "a:rPr").at(0);
    EXPECT_STREQ(title->Attribute("sz"), "2400");
    EXPECT_STREQ(title->Attribute("b"), "1");
    EXPECT_STREQ(All(title, "a:srgbClr").at(0)->Attribute("val"), "C00000");
    EXPECT_STREQ(All(title, "a:latin").at(0)->Attribute("typeface"), "DejaVu Sans");
    EXPECT_STREQ(All(title, "a:ea").at(0)->Attribute("typeface"), "DejaVu Sans");
    const auto runs = All(boxes[1], "a:rPr");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0]->Attribute("baseline"), nullptr);
    EXPECT_STREQ(runs[1]->Attribute("baseline"), "30000");
    EXPECT_STREQ(runs[1]->Attribute("u"), "sng");
    EXPECT_STREQ(runs[1]->Attribute("sz"), "800");

    tinyxml2::XMLDocument rels;
    rels.Parse(ReadPackagePart(deck, "ppt/slides/_rels/slide1.xml.rels").c_str());
    const auto byId = RelationshipsById(rels);
    const Element* link = byId.at(All(title, "a:hlinkClick").at(0)->Attribute("r:id"));
    EXPECT_STREQ(link->Attribute("Target"), "https://example.com/review");
    EXPECT_STREQ(link->Attribute("TargetMode"), "External");
}

TEST(SlidesWriterTest, TablesPicturesAndScaledPages) {
    TempDir temp;
    const auto deck = temp / "deck.pptx";
    ASSERT_TRUE(WriteDeck(deck, temp / "scratch"));
    tinyxml2::XMLDocument slide;
    slide.Parse(ReadPackagePart(deck, "ppt/slides/slide1.xml").c_str());

    const Element* table = All(slide.RootElement(), "a:tbl").at(0);
    std::vector<long> columns;
    for (const Element* column : All(table, "a:gridCol"))
        columns.push_back(column->Int64Attribute("w"));
    EXPECT_EQ(columns, (std::vector<long>{Emu(120), Emu(80)}));
    const auto cells = All(table, "a:tc");
    ASSERT_EQ(cells.size(), 4u) << "one cell element per grid position";
    EXPECT_STREQ(cells[0]->Attribute("gridSpan"), "2");
    EXPECT_STREQ(cells[1]->Attribute("hMerge"), "1");
    EXPECT_EQ(All(cells[1], "a:t").size(), 0u);
    EXPECT_STREQ(All(cells[3], "a:t").at(0)->GetText(), "1,200");
    EXPECT_STREQ(All(All(cells[0], "a:tcPr").at(0), "a:srgbClr").back()->Attribute("val"),
                 "EEEEEE");

    const Element* picture = All(slide.RootElement(), "p:pic").at(0);
    EXPECT_EQ(PlacementOf(picture), (Placement{Emu(400), Emu(400), Emu(100), Emu(100)}));
    tinyxml2::XMLDocument rels;
    rels.Parse(ReadPackagePart(deck, "ppt/slides/_rels/slide1.xml.rels").c_str());
    const Element* media =
        RelationshipsById(rels).at(All(picture, "a:blip").at(0)->Attribute("r:embed"));
    const std::string target = media->Attribute("Target");
    ASSERT_TRUE(target.starts_with("../media/")) << target;
    const std::string bytes = ReadPackagePart(deck, "ppt/" + target.substr(3));
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.end()), kRedPng);
    EXPECT_NE(ReadPackagePart(deck, "[Content_Types].xml").find("Extension=\"png\""),
              std::string::npos);

    // The landscape page is scaled to the portrait slide's width and centred vertically.
    tinyxml2::XMLDocument second;
    second.Parse(ReadPackagePart(deck, "ppt/slides/slide2.xml").c_str());
    const double scale = 595.0 / 842;
    const double top = (842 - 595 * scale) / 2;
    const Element* box = All(second.RootElement(), "p:sp").at(0);
    EXPECT_EQ(PlacementOf(box), (Placement{Emu(100 * scale), Emu(top + 100 * scale),
                                           Emu(208 * scale), Emu(14 * scale)}));
    EXPECT_STREQ(All(box, "a:rPr").at(0)->Attribute("sz"), "848");
}

TEST(SlidesWriterTest, SlidesStreamToScratchUntilFinished) {
    TempDir temp;
    const auto scratch = temp / "scratch";
    std::string error;
    auto writer = SlidesWriter::Create(temp / "deck.pptx", scratch, &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->AddPage(FirstPage(), &error)) << error;
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch))
        written.push_back(entry.path().filename().string());
    EXPECT_NE(std::find(written.begin(), written.end(), "ppt_slides_slide1.xml"), written.end());
    EXPECT_NE(std::find(written.begin(), written.end(), "ppt_media_image1.png"), written.end());
    EXPECT_FALSE(std::filesystem::exists(temp / "deck.pptx"));

    ASSERT_TRUE(writer->Finish(&error)) << error;
    EXPECT_FALSE(writer->AddPage(SecondPage(), &error));
    writer.reset();
    EXPECT_TRUE(std::filesystem::exists(temp / "deck.pptx"));
    EXPECT_TRUE(std::filesystem::is_empty(scratch));
}

TEST(SlidesWriterTest, OversizedTablesBecomeTextBoxes) {
    Table table;
    table.row_heights.assign(80, 10);
    table.column_widths = {50};
    for (int row = 0; row < 80; ++row) {
        Cell cell;
        cell.row = row;
        cell.paragraphs = {
            Text({MakeRun("row " + std::to_string(row), 8)}, {0, 10.0 * row, 40, 10.0 * row + 9})};
        table.cells.push_back(cell);
    }
    Page page;
    page.width = 595;
    page.height = 842;
    page.regions.push_back({1, 0, {table}});
    TempDir temp;
    std::string error;
    auto writer = SlidesWriter::Create(temp / "deck.pptx", temp / "scratch", &error);
    ASSERT_TRUE(writer && writer->AddPage(page, &error) && writer->Finish(&error)) << error;
    tinyxml2::XMLDocument slide;
    slide.Parse(ReadPackagePart(temp / "deck.pptx", "ppt/slides/slide1.xml").c_str());
    EXPECT_TRUE(All(slide.RootElement(), "a:tbl").empty());
    EXPECT_EQ(All(slide.RootElement(), "p:sp").size(), 80u);
}

TEST(SlidesWriterTest, ScannedPageIsOneFullSlidePictureAndBrokenNumbersStayOut) {
    Page page;
    page.width = 595;
    page.height = 842;
    Image scan;
    scan.mime = "image/jpeg";
    scan.bytes = {0xFF, 0xD8, 0xFF, 0xD9};
    page.page_image = scan;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Paragraph broken = Text({MakeRun("odd", inf)}, {nan, 10, inf, 20});
    broken.line_pitch = nan;
    broken.first_line_indent = -inf;
    Image unsized = scan;
    unsized.box = {0, 0, nan, 10};
    page.regions.push_back({1, 0, {broken, unsized}});

    TempDir temp;
    std::string error;
    auto writer = SlidesWriter::Create(temp / "deck.pptx", temp / "scratch", &error);
    ASSERT_TRUE(writer && writer->AddPage(page, &error) && writer->Finish(&error)) << error;
    const std::string xml = ReadPackagePart(temp / "deck.pptx", "ppt/slides/slide1.xml");
    tinyxml2::XMLDocument slide;
    ASSERT_EQ(slide.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
    const auto pictures = All(slide.RootElement(), "p:pic");
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(PlacementOf(pictures[0]), (Placement{0, 0, Emu(595), Emu(842)}));
    EXPECT_EQ(ReadPackagePart(temp / "deck.pptx", "ppt/media/image1.jpeg"), "\xFF\xD8\xFF\xD9");
    EXPECT_EQ(xml.find("nan"), std::string::npos);
    EXPECT_EQ(xml.find("inf"), std::string::npos);
    EXPECT_EQ(All(slide.RootElement(), "a:rPr").at(0)->Attribute("sz"), nullptr)
        << "an unknown size leaves the default";
}

TEST(SlidesWriterTest, PresentationProgramShowsBothSlides) {
    if (platform::FindInPath("soffice").empty())
        GTEST_SKIP() << "soffice is not installed";
    TempDir temp;
    const auto deck = temp / "deck.pptx";
    ASSERT_TRUE(WriteDeck(deck, temp / "scratch"));
    ASSERT_TRUE(testdocs::RunTool(
        "soffice", {"--headless", "-env:UserInstallation=file://" + (temp / "profile").string(),
                    "--convert-to", "pdf", "--outdir", temp.Path().string(), deck.string()}));
    const auto pages = testdocs::PageTexts(temp / "deck.pdf");
    ASSERT_EQ(pages.size(), 2u);
    for (const char* text : {"Annual Review", "E = mc", "Totals", "Revenue", "1,200"})
        EXPECT_NE(pages[0].find(text), std::string::npos) << text << " in " << pages[0];
    EXPECT_EQ(pages[1], "Landscape appendix");
}

}  // namespace
}  // namespace reconstruct
