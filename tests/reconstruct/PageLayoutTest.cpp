#include "platform/Utf8Append.h"
#include "reconstruct/PageLayout.h"

#include <gtest/gtest.h>

#include <limits>

#include "LayoutPages.h"
#include "RawPageBuilder.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

std::string Utf8(std::u32string_view text) {
    std::string out;
    for (char32_t code : text)
        platform::AppendUtf8(code, &out);
    return out;
}

Page LayOut(const RawPage& raw, std::vector<Table> tables = {}) {
    return LayOutPage(raw, std::move(tables), RunningTextDetector());
}

std::vector<const Paragraph*> ParagraphsOf(const Page& page) {
    std::vector<const Paragraph*> paragraphs;
    for (const Region& region : page.regions) {
        for (const Block& block : region.blocks) {
            if (const auto* paragraph = std::get_if<Paragraph>(&block))
                paragraphs.push_back(paragraph);
        }
    }
    return paragraphs;
}

// The paragraphs of a page that must have kept to one column.
std::vector<const Paragraph*> OneColumnParagraphs(const Page& page) {
    for (const Region& region : page.regions)
        EXPECT_EQ(region.columns, 1);
    return ParagraphsOf(page);
}

// Spaced leader dots from `from` to short of `to`, `step` apart.
std::u32string Dots(double from, double to, double step) {
    std::u32string dots;
    for (double x = from; x + step < to; x += step)
        dots += U". ";
    return dots;
}

std::vector<std::string> TextsOf(const Page& page) {
    std::vector<std::string> texts;
    for (const Paragraph* paragraph : ParagraphsOf(page))
        texts.push_back(TextOf(paragraph->runs));
    return texts;
}

TEST(PageLayoutTest, OneColumnBreaksIntoParagraphsWhereTheLayoutSays) {
    struct Case {
        const char* what;
        RawPage page;
        std::vector<std::u32string> texts;
    };
    RawPageBuilder sizes;
    sizes.Text(72, 80, U"Introduction", 14);
    sizes.Wrapped(72, 540, 98, kFirstText);
    RawPageBuilder short_last;
    const double y = short_last.Wrapped(72, 540, 100, kThirdText + U" " + kThirdText);
    short_last.Wrapped(72, 540, y + 12, kSecondText);
    RawPageBuilder raised;
    const std::u32string before = U"The area of a circle is pi r";
    const double after_x = 72 + RawPageBuilder::WidthOf(before, 10);
    raised.Text(72, 100, before).Text(after_x + 3, 100, U" for radius r.");
    raised.Text(after_x, 96, U"2", 6);
    raised.Text(72, 112, U"Every pupil learns it.");
    const Case cases[] = {
        {"indents and a gap", OneColumnPage(), {kFirstText, kSecondText, kThirdText}},
        {"a larger size", sizes.page(), {U"Introduction", kFirstText}},
        {"a short last line", short_last.page(), {kThirdText + U" " + kThirdText, kSecondText}},
        {"a raised mark drawn apart",
         raised.page(),
         {U"The area of a circle is pi r2 for radius r. Every pupil learns it."}},
    };
    for (const Case& c : cases) {
        const Page page = LayOut(c.page);
        ASSERT_EQ(page.regions.size(), 1u) << c.what;
        EXPECT_EQ(page.regions[0].columns, 1) << c.what;
        std::vector<std::string> expected;
        for (const std::u32string& text : c.texts)
            expected.push_back(Utf8(text));
        EXPECT_EQ(TextsOf(page), expected) << c.what;
    }
}

TEST(PageLayoutTest, ParagraphGeometryComesFromItsLines) {
    const Page page = LayOut(OneColumnPage());
    const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
    ASSERT_EQ(paragraphs.size(), 3u);
    EXPECT_EQ(paragraphs[0]->align, Align::kJustify);
    EXPECT_DOUBLE_EQ(paragraphs[0]->first_line_indent, 18);
    EXPECT_DOUBLE_EQ(paragraphs[0]->left_indent, 0);
    EXPECT_DOUBLE_EQ(paragraphs[0]->right_indent, 0);
    EXPECT_DOUBLE_EQ(paragraphs[0]->line_pitch, 12);
    EXPECT_DOUBLE_EQ(paragraphs[0]->space_before, 0);
    EXPECT_DOUBLE_EQ(paragraphs[1]->space_before, 0);
    EXPECT_DOUBLE_EQ(paragraphs[2]->space_before, 10);
    EXPECT_DOUBLE_EQ(paragraphs[2]->first_line_indent, 0);
    EXPECT_DOUBLE_EQ(paragraphs[2]->line_pitch, 0);
    EXPECT_EQ(paragraphs[2]->align, Align::kLeft);
    EXPECT_EQ(paragraphs[0]->heading_level, 0);
    EXPECT_DOUBLE_EQ(page.margins.left, 72);
    EXPECT_DOUBLE_EQ(page.margins.right, 72);
    EXPECT_DOUBLE_EQ(page.margins.top, 92);
    EXPECT_DOUBLE_EQ(paragraphs[0]->box.x0, 72);
    EXPECT_DOUBLE_EQ(paragraphs[0]->box.y0, 92);
}

TEST(PageLayoutTest, TitleOverTwoColumnsReadsDownEachColumn) {
    for (const bool merged : {false, true}) {
        const Page page = LayOut(TwoColumnPage(merged));
        ASSERT_EQ(page.regions.size(), 2u) << merged;
        EXPECT_EQ(page.regions[0].columns, 1);
        EXPECT_EQ(page.regions[1].columns, 2);
        EXPECT_DOUBLE_EQ(page.regions[1].column_gap, 18);
        EXPECT_EQ(TextsOf(page),
                  (std::vector<std::string>{"Reconstructing Documents", Utf8(kFirstText),
                                            Utf8(kThirdText), Utf8(kSecondText), Utf8(kThirdText)}))
            << merged;
        const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
        EXPECT_EQ(paragraphs[0]->heading_level, 1);
        EXPECT_EQ(paragraphs[0]->align, Align::kCenter);
        EXPECT_EQ(paragraphs[1]->align, Align::kJustify);
        EXPECT_DOUBLE_EQ(paragraphs[3]->left_indent, 0) << "indents are measured in the column";
    }
}

TEST(PageLayoutTest, ThreeColumnsUnderAFullWidthParagraph) {
    RawPageBuilder raw;
    const double y = raw.Wrapped(72, 540, 80, kSecondText);
    const std::u32string* texts[] = {&kFirstText, &kSecondText, &kFirstText};
    for (int column = 0; column < 3; ++column) {
        const double left = 72 + 162 * column;
        raw.Wrapped(left, left + 144, y + 30, *texts[column]);
    }
    const Page page = LayOut(raw.page());
    ASSERT_EQ(page.regions.size(), 2u);
    EXPECT_EQ(page.regions[0].columns, 1);
    EXPECT_EQ(page.regions[1].columns, 3);
    EXPECT_EQ(TextsOf(page), (std::vector<std::string>{Utf8(kSecondText), Utf8(kFirstText),
                                                       Utf8(kSecondText), Utf8(kFirstText)}));
    // Each column starts as far below the band above as it did in the PDF.
    const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
    ASSERT_EQ(paragraphs.size(), 4u);
    EXPECT_DOUBLE_EQ(paragraphs[0]->space_before, 0);
    for (std::size_t column = 1; column < 4; ++column) {
        EXPECT_GT(paragraphs[column]->space_before, 10) << column;
        EXPECT_NEAR(paragraphs[column]->space_before,
                    paragraphs[column]->box.y0 - paragraphs[0]->box.y1, 0.5)
            << column;
    }
}

TEST(PageLayoutTest, SingleColumnIsNotSplitAtAccidentalGaps) {
    RawPageBuilder form;
    double y = form.Wrapped(72, 540, 100, kFirstText);
    for (const char32_t* label : {U"Name:", U"Date:", U"Place:", U"Signed:"}) {
        y += 14;
        form.Text(72, y, label).Text(160, y, U"a value written beside its label");
    }
    form.Wrapped(72, 540, y + 20, kSecondText);
    RawPageBuilder signatures;
    y = signatures.Wrapped(72, 540, 100, kFirstText);
    signatures.Text(72, y + 40, U"Alice Example, Chair").Text(340, y + 40, U"Bob Example, Clerk");
    signatures.Text(72, y + 52, U"First signatory").Text(340, y + 52, U"Second signatory");
    for (const RawPage& raw : {form.page(), signatures.page()}) {
        const Page page = LayOut(raw);
        for (const Region& region : page.regions)
            EXPECT_EQ(region.columns, 1);
    }
}

TEST(PageLayoutTest, ANumberedHeadingsNumberKeepsItsFace) {
    RawPageBuilder builder;
    builder.Text(72, 100, U"2.1.3 Language objects", 12, true);
    builder.Wrapped(72, 540, 130, kFirstText);
    const Page page = LayOut(builder.page());
    const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
    ASSERT_FALSE(paragraphs.empty());
    const Paragraph& heading = *paragraphs.front();
    ASSERT_EQ(heading.list, ListKind::kDecimal);
    EXPECT_EQ(heading.list_marker, "2.1.3");
    EXPECT_TRUE(heading.list_marker_font.bold);
    EXPECT_DOUBLE_EQ(heading.list_marker_font.size, 12);
}

TEST(PageLayoutTest, BulletedAndNumberedListsWithTwoLevels) {
    const Page page = LayOut(ListPage());
    const std::vector<const Paragraph*> items = ParagraphsOf(page);
    struct Expected {
        ListKind kind;
        int level;
        int number;
        const char* marker;
        const char* starts;
    };
    const Expected expected[] = {
        {ListKind::kBullet, 0, 0, "•", "The first item"},
        {ListKind::kBullet, 1, 0, "○", "A nested point"},
        {ListKind::kBullet, 0, 0, "•", "The second item"},
        {ListKind::kDecimal, 0, 1, "1.", "Open the file"},
        {ListKind::kLowerLetter, 1, 1, "a.", "Choose the pages"},
        {ListKind::kLowerLetter, 1, 2, "b.", "Choose the format"},
        {ListKind::kDecimal, 0, 2, "2.", "Save the result"},
    };
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->list, expected[i].kind) << i;
        EXPECT_EQ(items[i]->list_level, expected[i].level) << i;
        EXPECT_EQ(items[i]->list_number, expected[i].number) << i;
        EXPECT_EQ(items[i]->list_marker, expected[i].marker) << i;
        EXPECT_EQ(TextOf(items[i]->runs).rfind(expected[i].starts, 0), 0u) << i;
    }
    EXPECT_NE(TextOf(items[0]->runs).find("it wraps onto a second line"), std::string::npos);
    EXPECT_DOUBLE_EQ(items[0]->list_marker_font.size, 10);
    EXPECT_DOUBLE_EQ(items[0]->left_indent, 7.5);
    EXPECT_DOUBLE_EQ(items[0]->first_line_indent, -7.5);
    EXPECT_DOUBLE_EQ(items[4]->left_indent, 30.5);
    EXPECT_DOUBLE_EQ(items[4]->first_line_indent, -12.5);
}

TEST(PageLayoutTest, CentredHeadingsHangingIndentsAndRightAlignedLines) {
    RawPageBuilder raw;
    const std::u32string heading = U"Results";
    raw.Text(306 - RawPageBuilder::WidthOf(heading, 14) / 2, 80, heading, 14, true);
    raw.Text(72, 100, U"Method", 11, true);
    raw.Spread(72, 540, 116,
               U"Hanging: the first line of this paragraph starts at the margin while the lines "
               U"after it");
    raw.Spread(90, 540, 128,
               U"stand further in, as a glossary or a bibliography sets them out for the");
    raw.Text(90, 140, U"reader.");
    raw.Text(540 - RawPageBuilder::WidthOf(U"9 December 2026", 10), 164, U"9 December 2026");
    const Page page = LayOut(raw.page());
    const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
    ASSERT_EQ(paragraphs.size(), 4u);
    EXPECT_EQ(paragraphs[0]->align, Align::kCenter);
    EXPECT_EQ(paragraphs[0]->heading_level, 2);
    EXPECT_EQ(paragraphs[1]->heading_level, 3);
    EXPECT_EQ(paragraphs[1]->align, Align::kLeft);
    EXPECT_EQ(paragraphs[2]->heading_level, 0);
    EXPECT_DOUBLE_EQ(paragraphs[2]->left_indent, 18);
    EXPECT_DOUBLE_EQ(paragraphs[2]->first_line_indent, -18);
    EXPECT_EQ(paragraphs[2]->list, ListKind::kNone);
    EXPECT_EQ(paragraphs[3]->align, Align::kRight);
}

TEST(PageLayoutTest, TablesTakeTheirTextAndStandInTheFlow) {
    RawPageBuilder raw;
    const double y = raw.Wrapped(72, 540, 100, kFirstText);
    raw.Text(80, 150, U"Cell one").Text(300, 150, U"Cell two");
    raw.Text(80, 170, U"Cell three").Text(300, 170, U"Cell four");
    raw.Wrapped(72, 540, 210, kThirdText);
    Table table;
    table.box = {72, 135, 540, 180};
    const Page page = LayOut(raw.page(), {table});
    ASSERT_EQ(page.regions.size(), 1u);
    const std::vector<Block>& blocks = page.regions[0].blocks;
    ASSERT_EQ(blocks.size(), 3u);
    ASSERT_TRUE(std::holds_alternative<Table>(blocks[1]));
    EXPECT_EQ(std::get<Table>(blocks[1]).box, table.box);
    EXPECT_EQ(TextsOf(page), (std::vector<std::string>{Utf8(kFirstText), Utf8(kThirdText)}));
    EXPECT_DOUBLE_EQ(std::get<Paragraph>(blocks[0]).space_after, 135 - (y + 2));
    EXPECT_DOUBLE_EQ(std::get<Paragraph>(blocks[2]).space_before, 202 - 180);
}

TEST(PageLayoutTest, PicturesStandBetweenParagraphsButBackgroundsDoNot) {
    RawPageBuilder raw;
    raw.Picture({0, 0, 612, 792});
    raw.Wrapped(72, 540, 100, kFirstText);
    raw.Picture({72, 150, 300, 300});
    raw.Wrapped(72, 540, 320, kSecondText);
    raw.Drawing({72, 380, 540, 500});
    const Page page = LayOut(raw.page());
    ASSERT_EQ(page.regions.size(), 1u);
    const std::vector<Block>& blocks = page.regions[0].blocks;
    ASSERT_EQ(blocks.size(), 4u);
    ASSERT_TRUE(std::holds_alternative<Image>(blocks[1]));
    EXPECT_EQ(std::get<Image>(blocks[1]).mime, "image/jpeg");
    EXPECT_EQ(std::get<Image>(blocks[1]).box, (Rect{72, 150, 300, 300}));
    ASSERT_TRUE(std::holds_alternative<Image>(blocks[3]));
    EXPECT_EQ(std::get<Image>(blocks[3]).mime, "image/png");
    EXPECT_DOUBLE_EQ(page.margins.bottom, 792 - 500);

    RawPageBuilder poster;
    poster.Picture({0, 0, 612, 792});
    EXPECT_EQ(LayOut(poster.page()).regions.size(), 1u) << "a picture alone is content";
}

// Entries of a table of contents, each on a line that ends in a dot leader and a page number,
// stay one paragraph each and carry where their number ends and how their dots were spaced.
TEST(PageLayoutTest, ContentsEntriesEndAtTheirPageNumbers) {
    RawPageBuilder raw;
    const std::u32string entries[] = {
        U"B.1 Invoking R from the command line . . . . . . . . . . . . . 92",
        U"B.2 Invoking R under Windows . . . . . . . . . . . . . . . . . 96",
        U"B.3 Invoking R under macOS . . . . . . . . . . . . . . . . . . 97",
    };
    double y = 100;
    for (const std::u32string& entry : entries) {
        raw.Text(72, y, entry, 10);
        y += 12;
    }
    const Page page = LayOut(raw.page());
    const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
    ASSERT_EQ(paragraphs.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(TextOf(paragraphs[i]->runs), Utf8(entries[i]));
        EXPECT_NEAR(paragraphs[i]->leader_tab, paragraphs[i]->box.x1 - 72, 0.5);
        EXPECT_GT(paragraphs[i]->leader_dot_spacing, 0);
    }
}

// Entries drawn in pieces (number, title, dots, page number), three of whose titles have one
// width: their dots start at one x, yet they make no column of their own.
TEST(PageLayoutTest, ContentsDrawnInPiecesStayWholeLines) {
    const std::u32string titles[] = {U"Finding packages by their names and descriptions",
                                     U"Browsing with a regex", U"Cleaning with a brush",
                                     U"Marking with a symbol", U"Upgrading the whole system"};
    RawPageBuilder raw;
    double y = 100;
    int page_number = 50;
    for (const std::u32string& title : titles) {
        const std::u32string number = U"2.3." + std::u32string(1, U'1' + (page_number - 50));
        raw.Text(94.6, y, number).Text(126.4, y, title);
        const double dots_from = 126.4 + RawPageBuilder::WidthOf(title, 10) + 10;
        const std::u32string dots = Dots(dots_from, 547, 7.5);
        const std::string digits = std::to_string(page_number++);
        raw.Text(dots_from, y, dots).Text(557, y, std::u32string(digits.begin(), digits.end()));
        y += 17.6;
    }
    const Page page = LayOut(raw.page());
    const std::vector<const Paragraph*> paragraphs = OneColumnParagraphs(page);
    ASSERT_EQ(paragraphs.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const std::string text = TextOf(paragraphs[i]->runs);
        EXPECT_NE(text.find(Utf8(titles[i])), std::string::npos) << text;
        EXPECT_EQ(text.substr(text.size() - 2), std::to_string(50 + i)) << text;
        EXPECT_GT(paragraphs[i]->leader_tab, 0) << text;
    }
}

// Labels of one width ("Appendix D") a quad before their entries' titles make no column either.
TEST(PageLayoutTest, ContentsLabelsStayWithTheirEntries) {
    const std::u32string entries[][2] = {{U"Appendix C", U"The command-line editor"},
                                         {U"Appendix D", U"Function and variable index"},
                                         {U"Appendix E", U"Concept index"},
                                         {U"Appendix F", U"References"},
                                         {U"Appendix G", U"Licences"}};
    RawPageBuilder raw;
    double y = 100;
    for (const auto& [label, title] : entries) {
        const double title_x = 72 + RawPageBuilder::WidthOf(label, 14) + 14;
        const double dots_x = title_x + RawPageBuilder::WidthOf(title, 12) + 6;
        const std::u32string dots = Dots(dots_x, 380, 9);
        raw.Text(72, y, label, 14, true);
        // Drawn as the title's pieces, or as one line from the title to the number.
        if (y < 150) {
            raw.Text(title_x, y, title, 12, true).Text(dots_x, y, dots, 12, true);
            raw.Text(384, y, U"100", 12, true);
        } else {
            raw.Text(title_x, y, title + U" " + dots + U" 100", 12, true);
        }
        y += 30;
    }
    const Page page = LayOut(raw.page());
    const std::vector<const Paragraph*> paragraphs = OneColumnParagraphs(page);
    ASSERT_EQ(paragraphs.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const std::string text = TextOf(paragraphs[i]->runs);
        EXPECT_EQ(text.rfind(Utf8(entries[i][0]), 0), 0u) << text;
        EXPECT_EQ(text.substr(text.size() - 3), "100") << text;
    }
}

// A chapter's entry set without dots keeps its page number at the right edge, behind a tab.
TEST(PageLayoutTest, ContentsEntriesWithoutDotsKeepTheirNumbersAtTheEdge) {
    RawPageBuilder raw;
    raw.Text(72, 100, U"Appendix B Invoking R", 12, true).Text(528, 100, U"92", 12, true);
    raw.Text(86, 118, U"B.1 Invoking R from the command line . . . . . . . . . 92");
    raw.Text(72, 136, U"The number 12 is written after a wide gap, far from the edge")
        .Text(400, 136, U"12");
    const Page page = LayOut(raw.page());
    const std::vector<const Paragraph*> paragraphs = OneColumnParagraphs(page);
    ASSERT_EQ(paragraphs.size(), 3u);
    EXPECT_EQ(TextOf(paragraphs[0]->runs), "Appendix B Invoking R\t92");
    ASSERT_EQ(paragraphs[0]->tab_stops.size(), 1u);
    EXPECT_EQ(paragraphs[0]->tab_stops[0].align, Align::kRight);
    EXPECT_NEAR(paragraphs[0]->tab_stops[0].position, 540 - 72, 0.5);
    EXPECT_TRUE(paragraphs[1]->tab_stops.empty());
    EXPECT_TRUE(paragraphs[2]->tab_stops.empty()) << TextOf(paragraphs[2]->runs);
}

// A contents page of entries spaced evenly and wide apart, their numbers at the edge: the page's
// usual pitch is theirs, so nothing but the numbers tells them from the lines of one paragraph.
// The sub-entries between them, set closer, keep their own distance.
TEST(PageLayoutTest, EvenlySpacedContentsEntriesStayApartAndSubEntriesStayClose) {
    const std::u32string titles[] = {U"Arrows", U"Bee swarm plots", U"Boxerrorbars",
                                     U"Boxes",  U"Boxplot",         U"Candlesticks"};
    RawPageBuilder raw;
    double y = 100;
    for (const std::u32string& title : titles) {
        raw.Text(72, y, title, 9, true).Text(529, y, U"62", 9, true);
        if (title == U"Boxes") {
            raw.Text(86, y + 11, U"2D boxes . . . . . . . . . . . . . . . . . . . . . . 63", 7);
            raw.Text(86, y + 20, U"3D boxes . . . . . . . . . . . . . . . . . . . . . . 64", 7);
            y += 20;
        }
        y += 26;
    }
    const Page page = LayOut(raw.page());
    const std::vector<const Paragraph*> paragraphs = OneColumnParagraphs(page);
    ASSERT_EQ(paragraphs.size(), 8u);
    for (std::size_t i : {0, 1, 2, 3, 6, 7}) {
        const std::string text = TextOf(paragraphs[i]->runs);
        EXPECT_EQ(text.substr(text.size() - 3), "\t62") << text;
    }
    EXPECT_EQ(TextOf(paragraphs[1]->runs), "Bee swarm plots\t62");
    EXPECT_EQ(TextOf(paragraphs[4]->runs).rfind("2D boxes", 0), 0u);
    // The sub-entries follow 11 and 9 points below the line above, not the page's 26.
    EXPECT_NEAR(paragraphs[4]->line_pitch + paragraphs[4]->space_before, 11, 0.5);
    EXPECT_NEAR(paragraphs[5]->line_pitch + paragraphs[5]->space_before, 9, 0.5);
}

// Code lined up with spaces, drawn in pieces (its comments in the text face, drawn before the
// operators between): each line stays a paragraph of its own with its pieces in order, and no
// column is found between them.
TEST(PageLayoutTest, CodeKeepsItsLinesWhole) {
    const std::u32string rows[][3] = {{U"SEXPTYPE type", U": 5;", U"discussed above"},
                                      {U"unsigned int obj", U": 1;", U"is this an object?"},
                                      {U"unsigned int alt", U": 1;", U"an ALTREP object?"},
                                      {U"unsigned int gp", U": 16;", U"general purpose"},
                                      {U"unsigned int mark", U": 1;", U"in use in GC"}};
    RawPageBuilder raw;
    // Prose whose line starts with quoted code still flows.
    raw.Spread(72, 540, 100, U"The atomic vector types are listed below with the names they have");
    const std::u32string quoted = U"REALSXP, CPLXSXP, STRSXP";
    raw.Code(72, 112, quoted)
        .Text(72 + RawPageBuilder::WidthOf(quoted, 10) + 3, 112,
              U"and RAWSXP, in the order of their codes.");
    double y = 140;
    for (const auto& [declaration, width, comment] : rows) {
        const double comment_end = 258 + RawPageBuilder::WidthOf(comment, 12);
        raw.Code(72, y, declaration, 12)
            .Code(240, y, U"/*", 12)
            .Text(258, y, comment, 12)
            .Code(comment_end + 3, y, U"*/", 12)
            .Code(190, y, width, 12);
        y += 14;
    }
    const Page page = LayOut(raw.page());
    for (const Region& region : page.regions)
        EXPECT_EQ(region.columns, 1);
    const std::vector<std::string> texts = TextsOf(page);
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_NE(texts[0].find("have REALSXP"), std::string::npos) << texts[0];
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(texts[i + 1],
                  Utf8(rows[i][0] + U" " + rows[i][1] + U" /* " + rows[i][2] + U" */"));
    }
}

TEST(PageLayoutTest, ChineseParagraphsJoinWithoutSpacesAndIndentTwoCharacters) {
    const Page page = LayOut(CjkPage());
    const std::vector<const Paragraph*> paragraphs = ParagraphsOf(page);
    ASSERT_EQ(paragraphs.size(), 3u);
    EXPECT_EQ(TextOf(paragraphs[0]->runs), Utf8(kCjkText));
    EXPECT_EQ(TextOf(paragraphs[1]->runs), Utf8(kCjkText));
    EXPECT_EQ(TextOf(paragraphs[2]->runs), "短段落也缩进两个字。");
    for (const Paragraph* paragraph : paragraphs) {
        EXPECT_DOUBLE_EQ(paragraph->first_line_indent, 20);
        EXPECT_DOUBLE_EQ(paragraph->left_indent, 0);
    }
}

TEST(PageLayoutTest, EveryCharacterOfBodyTextAppearsExactlyOnce) {
    for (const RawPage& raw :
         {OneColumnPage(), TwoColumnPage(false), TwoColumnPage(true), ListPage(), CjkPage()}) {
        std::map<char32_t, int> given;
        for (const RawLine& line : raw.lines) {
            for (const RawChar& c : line.chars) {
                if (c.code != U' ')
                    ++given[c.code];
            }
        }
        std::map<char32_t, int> written;
        const Page page = LayOut(raw);
        for (const Paragraph* paragraph : ParagraphsOf(page)) {
            AppendCodes(TextOf(paragraph->runs), &written);
            AppendCodes(paragraph->list_marker, &written);
        }
        EXPECT_EQ(written, given);
    }
}

TEST(PageLayoutTest, DamagedPagesGiveWhatCanBeSalvaged) {
    RawPageBuilder builder;
    builder.Wrapped(72, 540, 100, kFirstText);
    RawPage raw = builder.page();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    raw.lines[0].chars[0].box = {nan, 0, 1, 1};
    raw.lines[0].chars[1].style = 99;
    raw.lines[1].baseline = inf;
    raw.lines.push_back({});
    FontStyle broken_style;
    broken_style.size = nan;
    raw.styles.push_back(broken_style);
    for (int i = 0; i < 3000; ++i) {
        const double x = (i * 7919) % 600;
        const double y = (i * 104729) % 800;
        raw.lines.push_back({{x, y, x + 4, y + 4},
                             y + 3,
                             {{static_cast<char32_t>(U'a' + i % 26), {x, y, x + 4, y + 4}, 1}}});
    }
    raw.images.push_back({{0, 0, inf, 10}, "image/png", {1}, 1, 1});
    Table broken;
    broken.box = {nan, nan, nan, nan};
    const Page page = LayOut(raw, {broken});
    std::size_t paragraphs = ParagraphsOf(page).size();
    EXPECT_GT(paragraphs, 0u);
    EXPECT_LE(paragraphs, raw.lines.size());
    EXPECT_EQ(page.index, raw.index);
}

}  // namespace
}  // namespace reconstruct
