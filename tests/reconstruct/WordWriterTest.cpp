#include "reconstruct/WordWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "WordTestSupport.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace reconstruct {
namespace {

using wordtest::All;
using wordtest::APage;
using wordtest::Attr;
using wordtest::Band;
using wordtest::ChildVal;
using wordtest::MakeRun;
using wordtest::Para;
using wordtest::Picture;

// The start of a JPEG: the writer copies bytes, it does not decode them.
const std::vector<unsigned char>& kPng = wordtest::kRedPixelPng;
const std::vector<unsigned char> kJpegBytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00,
                                               0x10, 'J',  'F',  'I',  'F'};

Table SmallTable(const std::string& a, const std::string& b) {
    Table table;
    table.box = {72, 200, 372, 240};
    table.column_widths = {150, 150};
    table.row_heights = {20, 20};
    for (int i = 0; i < 2; ++i) {
        Cell cell;
        cell.row = i;
        cell.column = 0;
        cell.column_span = 2;
        cell.paragraphs = {Para(i == 0 ? a : b)};
        cell.borders = {1, 1, 1, 1, {}};
        table.cells.push_back(cell);
    }
    return table;
}

// Writes `pages` to a document in a temporary folder and parses what came out.
class WrittenDocument {
public:
    WrittenDocument(const std::vector<Page>& pages, const RunningText& running = {}) {
        std::string error;
        auto writer = WordWriter::Create(file(), temp_ / "scratch", running, &error);
        if (!writer) {
            error_ = error;
            return;
        }
        for (const Page& page : pages) {
            if (!writer->AddPage(page, &error)) {
                error_ = error;
                return;
            }
        }
        if (!writer->Finish(&error))
            error_ = error;
        ok_ = error_.empty() &&
              body_.Parse(Part("word/document.xml").c_str()) == tinyxml2::XML_SUCCESS &&
              rels_.Parse(Part("word/_rels/document.xml.rels").c_str()) == tinyxml2::XML_SUCCESS;
    }

    std::filesystem::path file() const { return temp_ / "out.docx"; }
    const std::filesystem::path& folder() const { return temp_.Path(); }
    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    std::string Part(const std::string& name) const { return ReadPackagePart(file(), name); }
    const tinyxml2::XMLElement* Body() const {
        return body_.RootElement() ? body_.RootElement()->FirstChildElement("w:body") : nullptr;
    }
    std::vector<const tinyxml2::XMLElement*> BodyAll(const char* name) const {
        return All(Body(), name);
    }
    // Target and type (last segment) of the document's relationship `id`.
    std::pair<std::string, std::string> Relationship(const std::string& id) const {
        for (const auto* rel : All(rels_.RootElement(), "Relationship")) {
            if (Attr(rel, "Id") != id)
                continue;
            const std::string type = Attr(rel, "Type");
            return {Attr(rel, "Target"), type.substr(type.rfind('/') + 1)};
        }
        return {};
    }
    std::vector<const tinyxml2::XMLElement*> Sections() const { return BodyAll("w:sectPr"); }

private:
    TempDir temp_;
    tinyxml2::XMLDocument body_;
    tinyxml2::XMLDocument rels_;
    std::string error_;
    bool ok_ = false;
};

TEST(WordWriterTest, PackageHoldsEveryPartWithItsTypeAndRelationship) {
    Paragraph linked = Para("home page");
    linked.runs[0].link = "https://example.org/";
    const Page page = APage(
        0, {Band({Para("Hello"), linked, Picture(kJpegBytes, "image/jpeg", {72, 300, 172, 350}),
                  Picture(kPng, "image/png", {72, 400, 82, 410})})});
    RunningText running;
    running.header = {Para("Annual report")};
    TextRun number = MakeRun("1");
    number.page_number = true;
    running.footer = {Paragraph{}};
    running.footer[0].runs = {number};
    const WrittenDocument doc({page}, running);
    ASSERT_TRUE(doc.ok()) << doc.error();

    const auto names = wordtest::PartNames(doc.file());
    const std::set<std::string> parts(names.begin(), names.end());
    for (const char* name :
         {"[Content_Types].xml", "_rels/.rels", "word/document.xml", "word/styles.xml",
          "word/numbering.xml", "word/settings.xml", "word/fontTable.xml", "word/header1.xml",
          "word/footer1.xml", "word/_rels/document.xml.rels", "docProps/core.xml",
          "docProps/app.xml", "word/media/image1.jpeg", "word/media/image2.png"})
        EXPECT_TRUE(parts.count(name)) << name;
    // Every part is well-formed XML.
    for (const std::string& name : names) {
        if (name.ends_with(".xml") || name.ends_with(".rels")) {
            tinyxml2::XMLDocument xml;
            EXPECT_EQ(xml.Parse(doc.Part(name).c_str()), tinyxml2::XML_SUCCESS) << name;
        }
    }
    const std::string types = doc.Part("[Content_Types].xml");
    EXPECT_NE(types.find("PartName=\"/word/document.xml\" ContentType=\"application/"
                         "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\""),
              std::string::npos);

    const std::string jpeg = doc.Part("word/media/image1.jpeg");
    EXPECT_EQ(std::vector<unsigned char>(jpeg.begin(), jpeg.end()), kJpegBytes);
    // Every reference in the body resolves, to a relationship of the right kind.
    std::multiset<std::string> kinds;
    for (const auto* blip : doc.BodyAll("a:blip"))
        kinds.insert(doc.Relationship(Attr(blip, "r:embed")).second);
    for (const auto* link : doc.BodyAll("w:hyperlink")) {
        kinds.insert(doc.Relationship(Attr(link, "r:id")).second);
        EXPECT_EQ(doc.Relationship(Attr(link, "r:id")).first, "https://example.org/");
    }
    for (const auto* reference : doc.BodyAll("w:headerReference"))
        kinds.insert(doc.Relationship(Attr(reference, "r:id")).first);
    for (const auto* reference : doc.BodyAll("w:footerReference"))
        kinds.insert(doc.Relationship(Attr(reference, "r:id")).first);
    EXPECT_EQ(kinds, std::multiset<std::string>(
                         {"image", "image", "hyperlink", "header1.xml", "footer1.xml"}));
    // The picture keeps its size in EMU.
    const auto extents = doc.BodyAll("wp:extent");
    ASSERT_EQ(extents.size(), 2u);
    EXPECT_EQ(Attr(extents[0], "cx"), std::to_string(100 * 12700));
    EXPECT_EQ(Attr(extents[0], "cy"), std::to_string(50 * 12700));
}

TEST(WordWriterTest, PagesAndColumnLayoutsBecomeSections) {
    Region title = Band({Para("Title")});
    Region columns;
    columns.columns = 2;
    columns.column_gap = 24;
    columns.blocks = {Para("left one"), Para("left two"), Para("right one", 330)};
    Region after = Band({Para("closing")});
    const std::vector<Page> pages = {
        APage(0, {Band({Para("first page")})}),
        APage(1, {title, columns, after}),
        APage(2, {Band({Para("same setup as page 2")})}),
        APage(3, {Band({Para("wide")})}, 842, 595),
    };
    const WrittenDocument doc(pages);
    ASSERT_TRUE(doc.ok()) << doc.error();

    // Page 1 + title (one section, a page break between), the columns, the closing band with
    // page 3, then the landscape page.
    const auto sections = doc.Sections();
    ASSERT_EQ(sections.size(), 4u);
    std::vector<std::string> types;
    for (const auto* section : sections)
        types.push_back(ChildVal(section, "w:type"));
    EXPECT_EQ(types,
              std::vector<std::string>({"nextPage", "continuous", "continuous", "nextPage"}));
    EXPECT_EQ(Attr(sections[1]->FirstChildElement("w:cols"), "w:num"), "2");
    EXPECT_EQ(Attr(sections[1]->FirstChildElement("w:cols"), "w:space"), "480");
    EXPECT_EQ(Attr(sections[0]->FirstChildElement("w:cols"), "w:num"), "");
    const auto* landscape = sections[3]->FirstChildElement("w:pgSz");
    EXPECT_EQ(Attr(landscape, "w:orient"), "landscape");
    EXPECT_EQ(Attr(landscape, "w:w"), "16840");
    EXPECT_EQ(Attr(sections[0]->FirstChildElement("w:pgMar"), "w:left"), "1440");
    // The bottom margin leaves some room below the PDF's last line: 72 pt become 36.
    EXPECT_EQ(Attr(sections[0]->FirstChildElement("w:pgMar"), "w:bottom"), "720");
    // And a little room across: 2 % of the text's width.
    const double text_width = 612 - 72 - 72;
    EXPECT_EQ(Attr(sections[0]->FirstChildElement("w:pgMar"), "w:right"),
              std::to_string(std::lround((72 - 0.02 * text_width) * 20)));
    // Only the last sectPr sits in the body itself; the others end a paragraph of their section.
    EXPECT_EQ(std::string(doc.Body()->LastChildElement()->Name()), "w:sectPr");
    for (std::size_t i = 0; i + 1 < sections.size(); ++i)
        EXPECT_EQ(std::string(sections[i]->Parent()->ToElement()->Name()), "w:pPr");
    // Same page setup: a page break; the right column starts with a column break.
    EXPECT_EQ(doc.BodyAll("w:pageBreakBefore").size(), 2u);
    const auto breaks = doc.BodyAll("w:br");
    ASSERT_EQ(breaks.size(), 1u);
    EXPECT_EQ(Attr(breaks[0], "w:type"), "column");
    // The right column's paragraph also ends the two-column section, so no empty paragraph.
    EXPECT_EQ(wordtest::TextUnder(sections[1]->Parent()->Parent()->ToElement()), "right one");
    EXPECT_EQ(doc.BodyAll("w:p").size(), 8u);
}

// Converting pages 10 to 13 of a book numbered in Roman: the PAGE fields count as the PDF did.
TEST(WordWriterTest, SectionsNumberTheirPagesAsThePdfDid) {
    Region columns = Band({Para("left"), Para("right", 330)}, 2);
    const std::vector<Page> pages = {
        APage(9, {Band({Para("ninth")})}),
        APage(10, {Band({Para("tenth")}), columns}),
        APage(11, {Band({Para("wide")})}, 842, 595),
    };
    RunningText running;
    Paragraph row = Para("Manual");
    TextRun number = MakeRun("x");
    number.page_number = true;
    row.runs.push_back(MakeRun("\t"));
    row.runs.push_back(number);
    row.tab_stops = {{468, Align::kRight}};
    running.header = {row};
    running.numbering = PageNumbering{PageNumberStyle::kLowerRoman, 1};
    const WrittenDocument doc(pages, running);
    ASSERT_TRUE(doc.ok()) << doc.error();

    std::vector<std::string> starts;
    for (const auto* section : doc.Sections()) {
        const auto* numbers = section->FirstChildElement("w:pgNumType");
        ASSERT_NE(numbers, nullptr);
        EXPECT_EQ(Attr(numbers, "w:fmt"), "lowerRoman");
        starts.push_back(ChildVal(section, "w:type") + " " + Attr(numbers, "w:start"));
    }
    // A section that starts within a page goes on counting.
    EXPECT_EQ(starts, std::vector<std::string>({"nextPage 10", "continuous ", "nextPage 12"}));
    const std::string header = doc.Part("word/header1.xml");
    EXPECT_NE(header.find("<w:tabs><w:tab w:val=\"right\" w:pos=\"9360\"/></w:tabs>"),
              std::string::npos)
        << header;
    EXPECT_NE(header.find("<w:tab/>"), std::string::npos);
    EXPECT_NE(header.find("PAGE"), std::string::npos);

    const WrittenDocument plain(pages);
    ASSERT_TRUE(plain.ok()) << plain.error();
    for (const auto* section : plain.Sections())
        EXPECT_EQ(section->FirstChildElement("w:pgNumType"), nullptr);
}

TEST(WordWriterTest, BreaksSurviveBlocksThatShowNothing) {
    const Image nothing = Picture({}, "image/png", {330, 100, 400, 150});
    const WrittenDocument doc(
        {APage(0, {Band({Para("one")})}),
         APage(1, {Band({nothing}), Band({Para("two"), nothing}, 2), Band({Para("three")}, 2)})});
    ASSERT_TRUE(doc.ok()) << doc.error();
    std::size_t page_starts = doc.BodyAll("w:pageBreakBefore").size();
    for (const auto* section : doc.Sections())
        page_starts += ChildVal(section, "w:type") == "nextPage";
    EXPECT_EQ(page_starts, 2u);
    EXPECT_TRUE(doc.BodyAll("w:br").empty());
}

TEST(WordWriterTest, ScannedPageFillsAPageWithoutMarginsOrRunningText) {
    Page scan = APage(1, {Band({Para("ignored text")})});
    scan.page_image = Picture(kJpegBytes, "image/jpeg", {0, 0, 612, 792});
    RunningText running;
    running.header = {Para("Header")};
    const WrittenDocument doc({APage(0, {Band({Para("text page")})}), scan}, running);
    ASSERT_TRUE(doc.ok()) << doc.error();

    const auto sections = doc.Sections();
    ASSERT_EQ(sections.size(), 2u);
    const auto* margins = sections[1]->FirstChildElement("w:pgMar");
    for (const char* side : {"w:top", "w:left", "w:bottom", "w:right"})
        EXPECT_EQ(Attr(margins, side), "0") << side;
    const auto header =
        doc.Relationship(Attr(sections[1]->FirstChildElement("w:headerReference"), "r:id"));
    EXPECT_EQ(header.first, "header2.xml");
    EXPECT_EQ(wordtest::TextUnder(doc.Body()), "text page");
    const auto extents = doc.BodyAll("wp:extent");
    ASSERT_EQ(extents.size(), 1u);
    const double cy = std::stod(Attr(extents[0], "cy")) / 12700;
    const double cx = std::stod(Attr(extents[0], "cx")) / 12700;
    EXPECT_GT(cy, 785);
    EXPECT_LE(cy, 792);
    EXPECT_NEAR(cx / cy, 612.0 / 792.0, 0.01);
    EXPECT_EQ(doc.Part("word/header2.xml").find("Header"), std::string::npos);
}

TEST(WordWriterTest, APageThatDidNotPrintTheRunningTextGetsABlankOne) {
    Page chapter = APage(1, {Band({Para("chapter opening")})});
    chapter.shows_header = false;
    RunningText running;
    running.header = {Para("Header")};
    running.footer = {Para("Footer")};
    const WrittenDocument doc(
        {APage(0, {Band({Para("first")})}), chapter, APage(2, {Band({Para("third")})})}, running);
    ASSERT_TRUE(doc.ok()) << doc.error();

    const auto sections = doc.Sections();
    ASSERT_EQ(sections.size(), 3u);
    std::vector<std::string> headers;
    std::vector<std::string> footers;
    for (const auto* section : sections) {
        headers.push_back(
            doc.Relationship(Attr(section->FirstChildElement("w:headerReference"), "r:id")).first);
        footers.push_back(
            doc.Relationship(Attr(section->FirstChildElement("w:footerReference"), "r:id")).first);
    }
    EXPECT_EQ(headers, (std::vector<std::string>{"header1.xml", "header2.xml", "header1.xml"}));
    EXPECT_EQ(footers, (std::vector<std::string>{"footer1.xml", "footer1.xml", "footer1.xml"}));
    EXPECT_EQ(doc.Part("word/header2.xml").find("Header"), std::string::npos);
}

TEST(WordWriterTest, EachPageOfASpreadNamesItsSidesParts) {
    // Word processors disagree on which pages are even once the numbers restart, so each page
    // is a section that names its side's parts itself.
    RunningText running;
    running.header = {Para("Title 7")};
    running.even_header = {Para("8 Title")};
    running.footer = {Para("Footer")};
    running.numbering = PageNumbering{PageNumberStyle::kLowerRoman, 0};  // page 1 prints "i"
    std::vector<Page> pages;
    for (int index = 1; index <= 4; ++index)
        pages.push_back(APage(index, {Band({Para("body")})}));
    pages[2].own_header = {Para("Own 3")};
    const WrittenDocument doc(pages, running);
    ASSERT_TRUE(doc.ok()) << doc.error();

    const auto sections = doc.Sections();
    ASSERT_EQ(sections.size(), 4u);
    std::vector<std::string> headers;
    for (const auto* section : sections) {
        const auto references = All(section, "w:headerReference");
        ASSERT_EQ(references.size(), 1u);
        EXPECT_EQ(Attr(references[0], "w:type"), "default");
        headers.push_back(doc.Part("word/" + doc.Relationship(Attr(references[0], "r:id")).first));
        EXPECT_EQ(All(section, "w:footerReference").size(), 1u);
    }
    EXPECT_NE(headers[0].find("Title 7"), std::string::npos);  // i
    EXPECT_NE(headers[1].find("8 Title"), std::string::npos);  // ii
    EXPECT_NE(headers[2].find("Own 3"), std::string::npos);
    EXPECT_NE(headers[3].find("8 Title"), std::string::npos);  // iv
    EXPECT_EQ(doc.Part("word/settings.xml").find("evenAndOddHeaders"), std::string::npos);
}

TEST(WordWriterTest, PagesThatPrintedTheSameOwnHeaderShareOnePart) {
    RunningText running;
    running.header = {Para("7")};
    std::vector<Page> pages;
    for (const char* title : {"Chapter 1", "Chapter 2", "Chapter 1"}) {
        pages.push_back(APage(static_cast<int>(pages.size()), {Band({Para("body")})}));
        // Each page printed its own number, which the part shows as a field.
        Paragraph row = Para(title);
        TextRun number = row.runs.front();
        number.text = std::to_string(pages.size() + 6);
        number.page_number = true;
        row.runs.push_back(number);
        pages.back().own_header = {row};
    }
    pages.push_back(APage(3, {Band({Para("body")})}));
    const WrittenDocument doc(pages, running);
    ASSERT_TRUE(doc.ok()) << doc.error();

    std::vector<std::string> headers;
    for (const auto* section : doc.Sections())
        headers.push_back(
            doc.Relationship(Attr(section->FirstChildElement("w:headerReference"), "r:id")).first);
    ASSERT_EQ(headers.size(), 4u);
    EXPECT_EQ(headers[0], headers[2]);
    EXPECT_NE(headers[0], headers[1]);
    EXPECT_EQ(headers[3], "header1.xml") << "the document's own";
    EXPECT_NE(doc.Part("word/" + headers[0]).find("Chapter 1"), std::string::npos);
    EXPECT_NE(doc.Part("word/" + headers[1]).find("Chapter 2"), std::string::npos);
}

TEST(WordWriterTest, TablesAreKeptApartAndNeverEndTheBody) {
    const WrittenDocument doc({APage(0, {Band({SmallTable("a", "b"), SmallTable("c", "d")})}),
                               APage(1, {Band({SmallTable("e", "f")})})});
    ASSERT_TRUE(doc.ok()) << doc.error();
    std::vector<std::string> sequence;
    for (const auto* child = doc.Body()->FirstChildElement(); child;
         child = child->NextSiblingElement())
        sequence.push_back(child->Name());
    EXPECT_EQ(sequence, std::vector<std::string>(
                            {"w:tbl", "w:p", "w:tbl", "w:p", "w:tbl", "w:p", "w:sectPr"}));
    // The second page's table starts after a paragraph that breaks the page.
    EXPECT_EQ(doc.BodyAll("w:pageBreakBefore").size(), 1u);

    // A section that ends with a table ends in a paragraph that takes no room: a table filling
    // its page must not push an empty line onto a page of its own.
    const WrittenDocument changed(
        {APage(0, {Band({SmallTable("a", "b")})}), APage(1, {Band({Para("x"), Para("y")}, 2)})});
    ASSERT_TRUE(changed.ok()) << changed.error();
    const auto sections = changed.Sections();
    ASSERT_EQ(sections.size(), 2u);
    const auto* closing = sections[0]->Parent()->Parent()->ToElement();
    EXPECT_EQ(wordtest::TextUnder(closing), "");
    const auto* spacing = closing->FirstChildElement("w:pPr")->FirstChildElement("w:spacing");
    ASSERT_NE(spacing, nullptr);
    EXPECT_EQ(Attr(spacing, "w:line"), "20");
    EXPECT_EQ(Attr(spacing, "w:lineRule"), "exact");
}

TEST(WordWriterTest, NormalStyleAndFontTableFollowTheText) {
    Paragraph heading = Para("A heading in a display face", 72, "DejaVu Sans", 20);
    heading.heading_level = 1;
    const WrittenDocument doc({APage(0, {Band({heading, Para("body text one", 72, "Noto Serif", 10),
                                               Para("body text two", 72, "Noto Serif", 10),
                                               Para("aside", 72, "DejaVu Sans", 9)})})});
    ASSERT_TRUE(doc.ok()) << doc.error();
    tinyxml2::XMLDocument styles;
    ASSERT_EQ(styles.Parse(doc.Part("word/styles.xml").c_str()), tinyxml2::XML_SUCCESS);
    const auto* defaults = All(styles.RootElement(), "w:rPrDefault").at(0);
    EXPECT_EQ(Attr(All(defaults, "w:rFonts").at(0), "w:ascii"), "Noto Serif");
    EXPECT_EQ(Attr(All(defaults, "w:sz").at(0), "w:val"), "20");
    tinyxml2::XMLDocument fonts;
    ASSERT_EQ(fonts.Parse(doc.Part("word/fontTable.xml").c_str()), tinyxml2::XML_SUCCESS);
    std::set<std::string> named;
    for (const auto* font : All(fonts.RootElement(), "w:font"))
        named.insert(Attr(font, "w:name"));
    EXPECT_EQ(named, std::set<std::string>({"DejaVu Sans", "Noto Serif"}));
}

TEST(WordWriterTest, HostileInputStillMakesAValidDocument) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Paragraph odd = Para("ctrl\x01\x02 <tag> & \xff\xfe broken");
    odd.runs.push_back(MakeRun(""));
    odd.line_pitch = nan;
    odd.left_indent = 1e12;
    odd.list = ListKind::kDecimal;
    odd.list_level = 99;
    odd.list_number = -4;
    odd.list_marker = "%%%";
    Table broken;
    broken.column_widths = {nan, -5, 1e9};
    broken.row_heights = {nan, 20};
    Cell huge;
    huge.row_span = 1000000;
    huge.column_span = -3;
    Cell outside;
    outside.row = 5;
    outside.column = 7;
    broken.cells = {huge, outside};
    Table no_rows;
    no_rows.column_widths = {100};
    Image no_bytes = Picture({}, "image/png", {0, 0, 10, 10});
    Image gif = Picture(kPng, "image/gif", {0, 0, 10, 10});
    Image giant = Picture(kPng, "image/png", {nan, nan, nan, nan});
    giant.pixel_width = 100000;
    giant.pixel_height = 100000;
    Region region = Band({odd, broken, no_rows, no_bytes, gif, giant});
    region.columns = 500;
    region.column_gap = -1;
    Page page = APage(0, {region, Region{}}, nan, 1e9);
    page.margins = {-10, nan, 1e6, 1e6};
    const WrittenDocument doc({page, APage(1, {}), APage(2, {Band({no_rows})})});
    ASSERT_TRUE(doc.ok()) << doc.error();

    EXPECT_EQ(doc.BodyAll("w:tbl").size(), 1u);
    for (const auto* row : doc.BodyAll("w:tr"))
        EXPECT_EQ(All(row, "w:tc").size() + 0, 3u);
    // Only the giant picture has bytes of a known type; it fits the text area.
    const auto extents = doc.BodyAll("wp:extent");
    ASSERT_EQ(extents.size(), 1u);
    const auto* size = doc.Sections().back()->FirstChildElement("w:pgSz");
    EXPECT_LE(std::stol(Attr(extents[0], "cx")), std::stol(Attr(size, "w:w")) * 635);
    EXPECT_LE(std::stol(Attr(extents[0], "cy")), std::stol(Attr(size, "w:h")) * 635);
    // Every page, even an empty one, keeps its page: by a page break or a new page setup.
    std::size_t page_starts = doc.BodyAll("w:pageBreakBefore").size();
    for (const auto* section : doc.Sections())
        page_starts += ChildVal(section, "w:type") == "nextPage";
    EXPECT_EQ(page_starts, 3u);
    EXPECT_EQ(doc.Sections().size(), 2u);
    const std::string text = wordtest::TextUnder(doc.Body());
    EXPECT_NE(text.find("ctrl <tag> &  broken"), std::string::npos);
    tinyxml2::XMLDocument numbering;
    EXPECT_EQ(numbering.Parse(doc.Part("word/numbering.xml").c_str()), tinyxml2::XML_SUCCESS);
}

TEST(WordWriterTest, FailuresAreReportedNotCrashed) {
    TempDir temp;
    std::string error;
    testdocs::WriteFile(temp / "file", "x");
    EXPECT_EQ(WordWriter::Create(temp / "out.docx", temp / "file" / "scratch", {}, &error),
              nullptr);
    EXPECT_FALSE(error.empty());
    error.clear();
    auto writer = WordWriter::Create(temp / "out.docx", temp / "scratch", {}, &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->Finish(&error)) << error;
    EXPECT_FALSE(writer->AddPage(APage(0, {}), &error));
    EXPECT_FALSE(writer->Finish(&error));
    // A document of no pages is still one Word opens: a paragraph and a page setup.
    tinyxml2::XMLDocument body;
    ASSERT_EQ(body.Parse(ReadPackagePart(temp / "out.docx", "word/document.xml").c_str()),
              tinyxml2::XML_SUCCESS);
    EXPECT_EQ(All(body.RootElement(), "w:p").size(), 1u);
    EXPECT_EQ(All(body.RootElement(), "w:sectPr").size(), 1u);
}

}  // namespace
}  // namespace reconstruct
