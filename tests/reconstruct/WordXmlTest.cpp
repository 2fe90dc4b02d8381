#include <gtest/gtest.h>

#include <map>

#include "WordTestSupport.h"
#include "reconstruct/WordNumbering.h"
#include "reconstruct/WordParagraphXml.h"
#include "reconstruct/WordTableXml.h"

namespace reconstruct {
namespace {

using wordtest::All;
using wordtest::Attr;
using wordtest::ChildVal;

// Parses a fragment of WordprocessingML; namespace prefixes stay part of the names.
class Fragment {
public:
    explicit Fragment(std::string xml) {
        if (xml.starts_with("<?xml"))
            xml.erase(0, xml.find("?>") + 2);
        ok_ = doc_.Parse(("<root>" + xml + "</root>").c_str()) == tinyxml2::XML_SUCCESS;
    }
    bool ok() const { return ok_; }
    const tinyxml2::XMLElement* Root() const { return doc_.RootElement(); }
    std::vector<const tinyxml2::XMLElement*> All(const char* name) const {
        return wordtest::All(Root(), name);
    }
    const tinyxml2::XMLElement* First(const char* name) const {
        const auto found = All(name);
        return found.empty() ? nullptr : found.front();
    }

private:
    tinyxml2::XMLDocument doc_;
    bool ok_ = false;
};

TextRun MakeRun(const std::string& text, double size = 10) {
    return wordtest::MakeRun(text, "Noto Serif", size);
}

struct Parts {
    WordRelationships relationships;
    WordNumbering numbering;
    WordFonts fonts;
    WordContext context{relationships, numbering, fonts, true};
};

TEST(WordXmlTest, RunPropertiesCarryTheLookOfTheText) {
    struct Case {
        const char* name;
        void (*change)(TextRun*);
        const char* element;
        const char* value;  // expected w:val, "" for an element without one
    };
    const Case cases[] = {
        {"bold", [](TextRun* r) { r->font.bold = true; }, "w:b", ""},
        {"italic", [](TextRun* r) { r->font.italic = true; }, "w:i", ""},
        {"underline", [](TextRun* r) { r->underline = true; }, "w:u", "single"},
        {"strike", [](TextRun* r) { r->strike = true; }, "w:strike", ""},
        {"superscript", [](TextRun* r) { r->shift = VerticalShift::kSuperscript; }, "w:vertAlign",
         "superscript"},
        {"subscript", [](TextRun* r) { r->shift = VerticalShift::kSubscript; }, "w:vertAlign",
         "subscript"},
        {"colour",
         [](TextRun* r) {
             r->font.color = {0x12, 0xAB, 0xF0};
         },
         "w:color", "12ABF0"},
        {"size", [](TextRun* r) { r->font.size = 10.5; }, "w:sz", "21"},
    };
    const Fragment plain(RunPropertiesXml(MakeRun("x")));
    for (const Case& c : cases) {
        TextRun run = MakeRun("x");
        c.change(&run);
        const Fragment xml(RunPropertiesXml(run));
        ASSERT_TRUE(xml.ok()) << c.name;
        const auto* element = xml.First(c.element);
        ASSERT_NE(element, nullptr) << c.name;
        EXPECT_EQ(Attr(element, "w:val"), c.value) << c.name;
        if (std::string(c.element) != "w:color" && std::string(c.element) != "w:sz") {
            EXPECT_EQ(plain.First(c.element), nullptr) << c.name << " on plain text";
        }
    }
    const auto* fonts = plain.First("w:rFonts");
    for (const char* slot : {"w:ascii", "w:hAnsi", "w:eastAsia"})
        EXPECT_EQ(Attr(fonts, slot), "Noto Serif") << slot;
}

TEST(WordXmlTest, LineSpacingKeepsThePdfsPitchUnlessTooTightForTheGlyphs) {
    struct Case {
        double size;
        double pitch;
        double usual_pitch;
        const char* rule;
        long line;
    };
    const Case cases[] = {
        {10, 0, 0, "auto", 240},     // a single line in a column of unknown pitch
        {10, 0, 12, "exact", 240},   // a single line takes the column's pitch
        {10, 20, 12, "exact", 400},  // loose leading keeps its height
        {10, 11, 0, "exact", 220},   // so does leading a little over the size
        {10, 10, 0, "auto", 200},    // solid leading would clip: a multiple of the face's line
        {10, 1, 0, "auto", 180},     // absurdly tight: bounded
        {0, 30, 0, "exact", 600},    // no size known
    };
    for (const Case& c : cases) {
        Paragraph paragraph;
        paragraph.runs = {MakeRun("text", c.size)};
        paragraph.line_pitch = c.pitch;
        paragraph.usual_pitch = c.usual_pitch;
        paragraph.space_before = 6;
        paragraph.space_after = -3;
        const Fragment xml(SpacingXml(paragraph));
        const auto* spacing = xml.First("w:spacing");
        ASSERT_NE(spacing, nullptr);
        EXPECT_EQ(Attr(spacing, "w:lineRule"), c.rule) << c.pitch << " " << c.usual_pitch;
        EXPECT_EQ(Attr(spacing, "w:line"), std::to_string(c.line)) << c.pitch;
        EXPECT_EQ(Attr(spacing, "w:before"), "120");
        EXPECT_EQ(Attr(spacing, "w:after"), "0");
    }
}

TEST(WordXmlTest, ParagraphsCarryStyleAlignmentIndentsAndBreaks) {
    Parts parts;
    Paragraph heading;
    heading.runs = {MakeRun("Title", 18)};
    heading.heading_level = 2;
    heading.align = Align::kCenter;
    Paragraph body;
    body.runs = {MakeRun("a\tb <&>")};
    body.align = Align::kJustify;
    body.left_indent = 10;
    body.right_indent = 5;
    body.first_line_indent = -12;

    const Fragment title(ParagraphXml(heading, BreakBefore::kPage, parts.context));
    ASSERT_TRUE(title.ok());
    EXPECT_EQ(ChildVal(title.First("w:pPr"), "w:pStyle"), "Heading2");
    EXPECT_EQ(ChildVal(title.First("w:pPr"), "w:jc"), "center");
    EXPECT_NE(title.First("w:pageBreakBefore"), nullptr);
    EXPECT_EQ(title.First("w:br"), nullptr);

    const Fragment text(ParagraphXml(body, BreakBefore::kColumn, parts.context));
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(text.First("w:pStyle"), nullptr);
    EXPECT_EQ(ChildVal(text.First("w:pPr"), "w:jc"), "both");
    const auto* ind = text.First("w:ind");
    EXPECT_EQ(Attr(ind, "w:left"), "200");
    EXPECT_EQ(Attr(ind, "w:right"), "100");
    EXPECT_EQ(Attr(ind, "w:hanging"), "240");
    EXPECT_EQ(Attr(text.First("w:br"), "w:type"), "column");
    EXPECT_EQ(text.First("w:pageBreakBefore"), nullptr);
    EXPECT_EQ(text.All("w:tab").size(), 1u);
    EXPECT_EQ(wordtest::TextUnder(text.Root()), "ab <&>");
}

TEST(WordXmlTest, RulesAboveAndBelowBecomeBordersInTheirPlace) {
    Parts parts;
    Paragraph header = wordtest::Para("Reference Manual");
    header.rule_below = ParagraphRule{0.4, {0x33, 0x66, 0x99}, 2.6};
    header.rule_above = ParagraphRule{20, {}, 50};  // beyond what Word takes
    header.tab_stops = {{400, Align::kRight}};
    const Fragment xml(ParagraphXml(header, BreakBefore::kNone, parts.context));
    ASSERT_TRUE(xml.ok());
    const auto* borders = xml.First("w:pBdr");
    ASSERT_NE(borders, nullptr);
    // Word reads the paragraph properties in their schema's order.
    EXPECT_EQ(borders->NextSiblingElement(), xml.First("w:tabs"));
    const auto* bottom = borders->FirstChildElement("w:bottom");
    ASSERT_NE(bottom, nullptr);
    EXPECT_EQ(Attr(bottom, "w:val"), "single");
    EXPECT_EQ(Attr(bottom, "w:sz"), "3");
    EXPECT_EQ(Attr(bottom, "w:space"), "3");
    EXPECT_EQ(Attr(bottom, "w:color"), "336699");
    const auto* top = borders->FirstChildElement("w:top");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(Attr(top, "w:sz"), "96");
    EXPECT_EQ(Attr(top, "w:space"), "31");
    EXPECT_EQ(top->NextSiblingElement(), bottom);

    const Fragment plain(ParagraphXml(wordtest::Para("body"), BreakBefore::kNone, parts.context));
    EXPECT_EQ(plain.First("w:pBdr"), nullptr);
}

TEST(WordXmlTest, ContentsEntriesLeadToTheirPageNumberWithATabStop) {
    Parts parts;
    Paragraph entry;
    entry.runs = {MakeRun("Simple examples . . . . . . . . 45")};
    entry.align = Align::kJustify;
    entry.leader_tab = 380;
    entry.leader_dot_spacing = 2;
    const Fragment xml(ParagraphXml(entry, BreakBefore::kNone, parts.context));
    ASSERT_TRUE(xml.ok());
    const auto* stop = xml.First("w:tabs");
    ASSERT_NE(stop, nullptr);
    const auto* tab = stop->FirstChildElement("w:tab");
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(Attr(tab, "w:val"), "right");
    // No leader of the stop's own: where the PDF left a gap before the number, so does Word.
    EXPECT_EQ(Attr(tab, "w:leader"), "");
    EXPECT_EQ(Attr(tab, "w:pos"), "7600");
    EXPECT_EQ(ChildVal(xml.First("w:pPr"), "w:jc"), "left");
    EXPECT_EQ(wordtest::TextUnder(xml.Root()), "Simple examples ........45");
    EXPECT_EQ(xml.All("w:tab").size(), 2u);  // the stop and the tab character
    // The dots are spaced as printed, less their share of the space kept before them; nothing
    // else is.
    std::vector<std::string> spacings;
    for (const auto* run : xml.All("w:rPr"))
        if (const auto* spacing = run->FirstChildElement("w:spacing"))
            spacings.push_back(Attr(spacing, "w:val"));
    EXPECT_EQ(spacings, std::vector<std::string>{"32"});

    // A line the builder marked but whose text has no leader keeps its text as it is.
    entry.runs = {MakeRun("Simple examples 45")};
    const Fragment plain(ParagraphXml(entry, BreakBefore::kNone, parts.context));
    EXPECT_EQ(plain.First("w:tabs"), nullptr);
    EXPECT_EQ(wordtest::TextUnder(plain.Root()), "Simple examples 45");
}

TEST(WordXmlTest, LinksShareOneRelationshipAndPageNumbersBecomeFields) {
    Parts parts;
    Paragraph paragraph;
    TextRun first = MakeRun("see ");
    TextRun linked = MakeRun("the site");
    linked.link = "https://example.org/?a=1&b=2";
    TextRun linked_bold = linked;
    linked_bold.text = " now";
    linked_bold.font.bold = true;
    TextRun page = MakeRun("7");
    page.page_number = true;
    TextRun empty = MakeRun("");
    paragraph.runs = {first, linked, linked_bold, empty, page};

    const Fragment xml(ParagraphXml(paragraph, BreakBefore::kNone, parts.context));
    ASSERT_TRUE(xml.ok());
    const auto links = xml.All("w:hyperlink");
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(wordtest::All(links[0], "w:r").size(), 2u);
    EXPECT_EQ(wordtest::TextUnder(links[0]), "the site now");
    EXPECT_EQ(ChildVal(links[0]->FirstChildElement("w:r")->FirstChildElement("w:rPr"), "w:rStyle"),
              "Hyperlink");
    const auto* field = xml.First("w:fldSimple");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(Attr(field, "w:instr"), " PAGE ");
    EXPECT_EQ(wordtest::TextUnder(field), "7");
    EXPECT_EQ(xml.All("w:r").size(), 4u);  // the empty run is dropped

    const std::string relationships = parts.relationships.Drain();
    const Fragment rels(relationships);
    ASSERT_EQ(rels.All("Relationship").size(), 1u);
    const auto* rel = rels.First("Relationship");
    EXPECT_EQ(Attr(rel, "Id"), Attr(links[0], "r:id"));
    EXPECT_EQ(Attr(rel, "Target"), linked.link);
    EXPECT_EQ(Attr(rel, "TargetMode"), "External");
}

TEST(WordXmlTest, MarkersBecomeLevelPatterns) {
    const std::map<std::pair<ListKind, std::string>, std::string> cases = {
        {{ListKind::kDecimal, "1."}, "#."},
        {{ListKind::kDecimal, "(12)"}, "(#)"},
        {{ListKind::kDecimal, "Step 3:"}, "Step #:"},
        {{ListKind::kDecimal, "2.10"}, "2.#"},
        {{ListKind::kDecimal, ""}, "#."},
        {{ListKind::kLowerLetter, "a)"}, "#)"},
        {{ListKind::kLowerRoman, "(iv)"}, "(#)"},
        {{ListKind::kUpperRoman, "XII."}, "#."},
        {{ListKind::kChinese, "一、"}, "#、"},
        {{ListKind::kChinese, "（十二）"}, "（#）"},
        {{ListKind::kBullet, "➢"}, "➢"},
    };
    for (const auto& [input, pattern] : cases)
        EXPECT_EQ(MarkerPattern(input.first, input.second), pattern) << input.second;
}

Paragraph Item(ListKind kind, const std::string& marker, int number, int level = 0) {
    Paragraph paragraph;
    paragraph.runs = {MakeRun("item")};
    paragraph.list = kind;
    paragraph.list_marker = marker;
    paragraph.list_number = number;
    paragraph.list_level = level;
    return paragraph;
}

// The w:num elements by id: (abstract id, overridden level, start) of each.
std::map<int, std::tuple<int, int, int>> Instances(const WordNumbering& numbering) {
    const Fragment xml(numbering.PartXml());
    std::map<int, std::tuple<int, int, int>> instances;
    for (const auto* num : xml.All("w:num")) {
        const auto* override_element = num->FirstChildElement("w:lvlOverride");
        const int level = override_element ? override_element->IntAttribute("w:ilvl") : -1;
        const int start =
            override_element
                ? override_element->FirstChildElement("w:startOverride")->IntAttribute("w:val")
                : 0;
        instances[num->IntAttribute("w:numId")] = {
            num->FirstChildElement("w:abstractNumId")->IntAttribute("w:val"), level, start};
    }
    return instances;
}

TEST(WordXmlTest, AListsMarkerIsDrawnInTheFaceItWasPrintedIn) {
    Parts parts;
    Paragraph heading = Item(ListKind::kDecimal, "2.1.3", 3, 2);
    heading.list_marker_font = MakeRun("2.1.3", 13).font;
    heading.list_marker_font.bold = true;
    const Fragment xml(ParagraphXml(heading, BreakBefore::kNone, parts.context));
    ASSERT_TRUE(xml.ok());
    const auto* mark = xml.First("w:pPr")->FirstChildElement("w:rPr");
    ASSERT_NE(mark, nullptr);
    EXPECT_NE(mark->FirstChildElement("w:b"), nullptr);
    EXPECT_EQ(ChildVal(mark, "w:sz"), "26");

    Paragraph plain;
    plain.runs = {MakeRun("text")};
    plain.list_marker_font = heading.list_marker_font;
    const Fragment text(ParagraphXml(plain, BreakBefore::kNone, parts.context));
    EXPECT_EQ(text.First("w:pPr")->FirstChildElement("w:rPr"), nullptr) << "no marker to draw";
}

TEST(WordXmlTest, ListsShowThePrintedNumbers) {
    WordNumbering numbering;
    EXPECT_EQ(numbering.InstanceFor(Paragraph{}), 0);
    // One list 1..3, then a new list from 1, then a list that starts at 5.
    const int a1 = numbering.InstanceFor(Item(ListKind::kDecimal, "1.", 1));
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "2.", 2)), a1);
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "3.", 3)), a1);
    const int b1 = numbering.InstanceFor(Item(ListKind::kDecimal, "1.", 1));
    EXPECT_NE(b1, a1);
    const int c5 = numbering.InstanceFor(Item(ListKind::kDecimal, "5.", 5));
    EXPECT_NE(c5, b1);
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "6.", 6)), c5);
    // Nested items restart under each outer item as Word restarts them.
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "1.", 1, 1)), c5);
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "2.", 2, 1)), c5);
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "7.", 7)), c5);
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kDecimal, "1.", 1, 1)), c5);
    // Another marker style is another definition; bullets never restart.
    const int paren = numbering.InstanceFor(Item(ListKind::kDecimal, "(1)", 1));
    const int bullet = numbering.InstanceFor(Item(ListKind::kBullet, "•", 0));
    EXPECT_EQ(numbering.InstanceFor(Item(ListKind::kBullet, "•", 0)), bullet);
    const int chinese = numbering.InstanceFor(Item(ListKind::kChinese, "三、", 3));

    const auto instances = Instances(numbering);
    ASSERT_EQ(instances.size(), 6u);
    EXPECT_EQ(instances.at(a1), std::make_tuple(0, 0, 1));
    EXPECT_EQ(instances.at(b1), std::make_tuple(0, 0, 1));
    EXPECT_EQ(instances.at(c5), std::make_tuple(0, 0, 5));
    EXPECT_NE(std::get<0>(instances.at(paren)), 0);
    EXPECT_EQ(std::get<1>(instances.at(bullet)), -1);
    EXPECT_EQ(std::get<2>(instances.at(chinese)), 3);

    const Fragment xml(numbering.PartXml());
    std::map<std::string, std::string> level_zero;  // numFmt -> lvlText
    for (const auto* abstract : xml.All("w:abstractNum")) {
        EXPECT_EQ(wordtest::All(abstract, "w:lvl").size(), 9u);
        const auto* first = abstract->FirstChildElement("w:lvl");
        level_zero[ChildVal(first, "w:numFmt")] += ChildVal(first, "w:lvlText") + "|";
    }
    EXPECT_EQ(level_zero["decimal"], "%1.|(%1)|");
    EXPECT_EQ(level_zero["bullet"], "•|");
    EXPECT_EQ(level_zero["chineseCounting"], "%1、|");
}

Cell MakeCell(int row, int column, int row_span = 1, int column_span = 1,
              const std::string& text = "") {
    Cell cell;
    cell.row = row;
    cell.column = column;
    cell.row_span = row_span;
    cell.column_span = column_span;
    if (!text.empty()) {
        Paragraph paragraph;
        paragraph.runs = {MakeRun(text)};
        cell.paragraphs.push_back(paragraph);
    }
    cell.borders = {1, 0.5, 0, 2, {0xFF, 0, 0}};
    return cell;
}

// Grid columns each row's cells take.
std::vector<int> RowSpans(const Fragment& xml) {
    std::vector<int> spans;
    for (const auto* row : xml.All("w:tr")) {
        int total = 0;
        for (const auto* cell = row->FirstChildElement("w:tc"); cell;
             cell = cell->NextSiblingElement("w:tc")) {
            const auto* span = cell->FirstChildElement("w:tcPr")->FirstChildElement("w:gridSpan");
            total += span ? span->IntAttribute("w:val") : 1;
        }
        spans.push_back(total);
    }
    return spans;
}

TEST(WordXmlTest, MergedCellsFillTheGridInEveryRow) {
    Parts parts;
    Table table;
    table.column_widths = {100, 50, 50, 100};
    table.row_heights = {20, 20, 20};
    table.cells = {MakeCell(0, 0, 2, 2, "merged"),
                   MakeCell(0, 2, 1, 2, "wide"),
                   MakeCell(1, 2),
                   MakeCell(1, 3, 2, 1, "tall"),
                   MakeCell(2, 0, 1, 9),
                   MakeCell(1, 1, 1, 1, "covered"),
                   MakeCell(7, 0),
                   MakeCell(-1, 0)};
    table.cells[0].shading = Rgb{0xEE, 0xEE, 0xEE};
    const Fragment xml(TableXml(table, 0, 1000, parts.context));
    ASSERT_TRUE(xml.ok());
    EXPECT_EQ(RowSpans(xml), std::vector<int>({4, 4, 4}));
    std::vector<std::string> merges;
    for (const auto* merge : xml.All("w:vMerge"))
        merges.push_back(Attr(merge, "w:val"));
    // The 2x2 cell: restart then continue; the tall cell in the last column likewise.
    EXPECT_EQ(merges, std::vector<std::string>({"restart", "", "restart", ""}));
    EXPECT_EQ(wordtest::TextUnder(xml.Root()), "mergedwidetall");
    const auto grid = xml.All("w:gridCol");
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(Attr(grid[0], "w:w"), "2000");
    const auto* first_cell = xml.First("w:tc");
    EXPECT_EQ(Attr(first_cell->FirstChildElement("w:tcPr")->FirstChildElement("w:tcW"), "w:w"),
              "3000");
    EXPECT_EQ(Attr(xml.First("w:shd"), "w:fill"), "EEEEEE");
    const auto* borders = xml.First("w:tcBorders");
    EXPECT_EQ(Attr(borders->FirstChildElement("w:top"), "w:sz"), "8");
    EXPECT_EQ(Attr(borders->FirstChildElement("w:top"), "w:color"), "FF0000");
    EXPECT_EQ(Attr(borders->FirstChildElement("w:bottom"), "w:sz"), "4");
    EXPECT_EQ(Attr(borders->FirstChildElement("w:left"), "w:val"), "nil");
    EXPECT_EQ(Attr(xml.First("w:trHeight"), "w:hRule"), "atLeast");
    EXPECT_EQ(Attr(xml.First("w:trHeight"), "w:val"), "400");
    // Every cell holds a paragraph, as Word requires.
    for (const auto* cell : xml.All("w:tc"))
        EXPECT_NE(cell->FirstChildElement("w:p"), nullptr);
}

TEST(WordXmlTest, TablesScaleToTheirRoomAndUnruledOnesHaveNoBorders) {
    Parts parts;
    Table table;
    table.column_widths = {300, 300};
    table.row_heights = {20};
    table.cells = {MakeCell(0, 0, 1, 1, "a"), MakeCell(0, 1, 1, 1, "b")};
    table.ruled = false;
    const Fragment xml(TableXml(table, 12, 300, parts.context));
    ASSERT_TRUE(xml.ok());
    EXPECT_EQ(xml.All("w:tcBorders").size(), 0u);
    for (const auto* side : wordtest::All(xml.First("w:tblBorders"), "w:top"))
        EXPECT_EQ(Attr(side, "w:val"), "nil");
    EXPECT_EQ(Attr(xml.First("w:tblW"), "w:w"), "6000");
    EXPECT_EQ(Attr(xml.First("w:tblInd"), "w:w"), "240");

    Table empty = table;
    empty.row_heights.clear();
    EXPECT_EQ(TableXml(empty, 0, 300, parts.context), "");
    empty = table;
    empty.column_widths.clear();
    EXPECT_EQ(TableXml(empty, 0, 300, parts.context), "");
}

}  // namespace
}  // namespace reconstruct
