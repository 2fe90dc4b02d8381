#include "platform/Utf8Append.h"
#include "reconstruct/RunningTextDetector.h"

#include <gtest/gtest.h>

#include "LayoutPages.h"
#include "RawPageBuilder.h"
#include "reconstruct/PageLayout.h"
#include "reconstruct/TableFinder.h"

namespace reconstruct {
namespace {

constexpr int kSampled[] = {2, 5, 8, 11};

std::string Utf8(std::u32string_view text) {
    std::string out;
    for (char32_t code : text)
        platform::AppendUtf8(code, &out);
    return out;
}

std::u32string Arabic(int number) {
    std::u32string text;
    for (char c : std::to_string(number))
        text.push_back(static_cast<char32_t>(c));
    return text;
}

std::u32string Roman(int number) {
    static const char32_t* const kRoman[] = {
        U"",   U"i",   U"ii",   U"iii", U"iv", U"v",   U"vi",   U"vii",   U"viii", U"ix", U"x",
        U"xi", U"xii", U"xiii", U"xiv", U"xv", U"xvi", U"xvii", U"xviii", U"xix",  U"xx", U"xxi"};
    return kRoman[number];
}

struct Footer {
    std::u32string pattern;  // "{}" stands for the page number
    bool roman = false;

    std::u32string For(int page_index) const {
        const int number = page_index + 1;
        std::u32string text = pattern;
        text.replace(text.find(U"{}"), 2, roman ? Roman(number) : Arabic(number));
        return text;
    }
};

// A page with a running header, a body that differs from page to page and a centred footer.
RawPage SamplePage(int index, const Footer& footer,
                   std::u32string_view header = U"Quarterly Report", double header_y = 40) {
    static const std::u32string* const kBodies[] = {&kFirstText, &kSecondText, &kThirdText,
                                                    &kCjkText};
    RawPageBuilder page(612, 792, index);
    page.Text(72, header_y, header, 9);
    page.Wrapped(72, 540, 100, *kBodies[index % 4]);
    const std::u32string text = footer.For(index);
    page.Text(306 - RawPageBuilder::WidthOf(text, 9) / 2, 760, text, 9);
    return page.page();
}

std::vector<const TextRun*> PageNumberRuns(const Paragraph& paragraph) {
    std::vector<const TextRun*> runs;
    for (const TextRun& run : paragraph.runs) {
        if (run.page_number)
            runs.push_back(&run);
    }
    return runs;
}

// A header row of a title at the left and the page number behind a right tab stop.
void ExpectTitleAndNumber(const Paragraph& row, const std::string& title,
                          const std::string& number) {
    EXPECT_EQ(TextOf(row.runs), title + "\t" + number);
    ASSERT_EQ(PageNumberRuns(row).size(), 1u);
    EXPECT_EQ(PageNumberRuns(row)[0]->text, number);
    ASSERT_EQ(row.tab_stops.size(), 1u);
    EXPECT_EQ(row.tab_stops[0].align, Align::kRight);
}

TEST(RunningTextDetectorTest, HeaderAndFooterWithPageNumbersInEachForm) {
    const Footer footers[] = {
        {U"{}"},      {U"- {} -"},   {U"第 {} 页"},     {U"Page {} of 12"},
        {U"{} / 12"}, {U"{}", true}, {U"- {} -", true},
    };
    for (const Footer& footer : footers) {
        RunningTextDetector detector;
        for (int index : kSampled)
            detector.AddSample(SamplePage(index, footer));
        const RunningText result = detector.Result();
        const std::string what = Utf8(footer.pattern) + (footer.roman ? " roman" : "");
        ASSERT_EQ(result.header.size(), 1u) << what;
        EXPECT_EQ(TextOf(result.header[0].runs), "Quarterly Report");
        EXPECT_TRUE(PageNumberRuns(result.header[0]).empty());
        EXPECT_EQ(result.header[0].align, Align::kLeft);
        ASSERT_EQ(result.footer.size(), 1u) << what;
        EXPECT_EQ(TextOf(result.footer[0].runs), Utf8(footer.For(kSampled[0]))) << what;
        EXPECT_EQ(result.footer[0].align, Align::kCenter);
        const auto numbers = PageNumberRuns(result.footer[0]);
        ASSERT_EQ(numbers.size(), 1u) << what;
        EXPECT_EQ(numbers[0]->text, footer.roman ? "iii" : "3") << what;
        ASSERT_TRUE(result.numbering) << what;
        EXPECT_EQ(result.numbering->offset, 1) << what;
        EXPECT_EQ(result.numbering->style,
                  footer.roman ? PageNumberStyle::kLowerRoman : PageNumberStyle::kDecimal)
            << what;

        const RawPage later = SamplePage(19, footer);
        const std::vector<bool> running = detector.OnPage(later).running;
        ASSERT_GE(running.size(), 3u);
        EXPECT_TRUE(running.front()) << what;
        EXPECT_TRUE(running.back()) << what;
        EXPECT_EQ(std::count(running.begin(), running.end(), true), 2) << what;
    }
}

TEST(RunningTextDetectorTest, WhatDoesNotRepeatIsBodyText) {
    const Footer plain{U"{}"};
    RunningTextDetector single;
    single.AddSample(SamplePage(0, plain));
    EXPECT_TRUE(single.Result().header.empty()) << "one page cannot show repetition";
    EXPECT_FALSE(single.OnPage(SamplePage(0, plain)).running.front());

    RunningTextDetector moving;
    for (int index : kSampled)
        moving.AddSample(SamplePage(index, plain, U"Quarterly Report", 30 + 10 * index));
    EXPECT_TRUE(moving.Result().header.empty()) << "a line that moves is not a running header";

    RunningTextDetector once;
    for (int index : kSampled)
        once.AddSample(SamplePage(index, plain, index == 2 ? U"Draft only" : U"Final"));
    const RunningText result = once.Result();
    ASSERT_EQ(result.header.size(), 1u);
    EXPECT_EQ(TextOf(result.header[0].runs), "Final");

    RunningTextDetector year;
    for (int index : kSampled)
        year.AddSample(SamplePage(index, plain, U"Annual Report 2026"));
    const RunningText dated = year.Result();
    ASSERT_EQ(dated.header.size(), 1u);
    EXPECT_EQ(TextOf(dated.header[0].runs), "Annual Report 2026");
    EXPECT_TRUE(PageNumberRuns(dated.header[0]).empty()) << "the same number on every page";
}

// A contents page: its title and page number on the header's row, and entries whose page
// numbers stand at the same height on every page, near enough the top to pass for a header.
RawPage ContentsPage(int index) {
    RawPageBuilder page(612, 792, index);
    page.Text(72, 40, U"User Manual", 9);
    // The number in a larger face reaches higher than the title it shares its row with.
    const std::u32string number = Roman(index + 3);
    page.Text(540 - RawPageBuilder::WidthOf(number, 14), 40, number, 14);
    for (int entry = 0; entry < 3; ++entry) {
        const double y = 80 + 14 * entry;
        const std::u32string title = U"Part " + std::u32string(1, U'A' + 3 * index + entry);
        page.Text(72, y, title).Text(520, y, Arabic(10 * index + entry + 7));
    }
    return page.page();
}

TEST(RunningTextDetectorTest, ContentsPagesKeepTheirNumbersAndShareTheHeaderRow) {
    RunningTextDetector detector;
    for (int index : {0, 1, 2, 5})
        detector.AddSample(ContentsPage(index));
    const RunningText result = detector.Result();
    ASSERT_EQ(result.header.size(), 1u) << "the entries' page numbers are not running text";
    ASSERT_NO_FATAL_FAILURE(ExpectTitleAndNumber(result.header[0], "User Manual", "iii"));
    EXPECT_NEAR(result.header[0].tab_stops[0].position, 540 - 72, 0.01);
    ASSERT_TRUE(result.numbering);
    EXPECT_EQ(result.numbering->style, PageNumberStyle::kLowerRoman);
    EXPECT_EQ(result.numbering->offset, 3);

    const RawPage later = ContentsPage(7);
    const RunningTextDetector::PageRunning found = detector.OnPage(later);
    for (std::size_t i = 0; i < later.lines.size(); ++i)
        EXPECT_EQ(found.running[i], i < 2) << i;
    EXPECT_TRUE(found.own_header.empty()) << "the page printed the document's header row";
}

// Front matter numbered i, ii, ... and a body numbered 1, 2, ...: the roman pages are most of
// the samples, so theirs is the running text, and the body's pages do not show it.
TEST(RunningTextDetectorTest, PagesNumberedOtherwiseDoNotShowTheRunningText) {
    const Footer roman{U"{}", true};
    const Footer arabic{U"{}"};
    RunningTextDetector detector;
    for (int index : {0, 1, 2, 3, 4})
        detector.AddSample(SamplePage(index, roman));
    for (int index : {5, 6})
        detector.AddSample(SamplePage(index, arabic));
    ASSERT_TRUE(detector.Result().numbering);
    EXPECT_EQ(detector.Result().numbering->style, PageNumberStyle::kLowerRoman);

    const auto front = detector.OnPage(SamplePage(3, roman));
    EXPECT_TRUE(front.header);
    EXPECT_TRUE(front.footer);
    const auto body = detector.OnPage(SamplePage(6, arabic));
    EXPECT_TRUE(body.header) << "the header is the same";
    EXPECT_FALSE(body.footer) << "its number stays in the page";
    EXPECT_FALSE(body.running.back());
    const Page laid_out = LayOutPage(SamplePage(6, arabic), {}, detector);
    EXPECT_TRUE(laid_out.shows_header);
    EXPECT_FALSE(laid_out.shows_footer);

    RawPageBuilder bare(612, 792, 7);
    bare.Wrapped(72, 300, 100, kSecondText);
    EXPECT_FALSE(detector.OnPage(bare.page()).header) << "a chapter's first page";
}

// The chapter's title at the left of the header row, the page number at the right: only the
// number repeats on most samples, and each page's row keeps its own title.
RawPage ChapterPage(int index) {
    static const std::u32string kTitles[] = {U"Chapter 1: Introduction", U"Chapter 2: Imports",
                                             U"Chapter 3: Spreadsheets"};
    RawPageBuilder page(612, 792, index);
    page.Text(72, 40, kTitles[index / 3], 9);
    const std::u32string number = Arabic(index + 1);
    page.Text(540 - RawPageBuilder::WidthOf(number, 9), 40, number, 9);
    page.Wrapped(72, 540, 200, index % 4 ? kFirstText : kSecondText);
    return page.page();
}

TEST(RunningTextDetectorTest, AChaptersTitleBesideThePageNumberStaysInItsPagesHeader) {
    RunningTextDetector detector;
    for (int index : {0, 2, 4, 6, 8})
        detector.AddSample(ChapterPage(index));
    const RunningText result = detector.Result();
    ASSERT_EQ(result.header.size(), 1u);
    EXPECT_EQ(TextOf(result.header[0].runs), "1");

    const RawPage page = ChapterPage(4);
    const RunningTextDetector::PageRunning found = detector.OnPage(page);
    ASSERT_EQ(found.running.size(), page.lines.size());
    EXPECT_TRUE(found.running[0]) << "the title shares the number's row";
    EXPECT_TRUE(found.running[1]);
    EXPECT_FALSE(found.running[2]);
    ASSERT_EQ(found.own_header.size(), 1u);
    ExpectTitleAndNumber(found.own_header[0], "Chapter 2: Imports", "5");
    EXPECT_TRUE(found.own_footer.empty());

    const Page laid_out = LayOutPage(page, {}, detector);
    EXPECT_EQ(laid_out.own_header.size(), 1u);
    for (const Region& region : laid_out.regions) {
        for (const Block& block : region.blocks)
            EXPECT_EQ(TextOf(std::get<Paragraph>(block).runs).find("Chapter"), std::string::npos);
    }
}

// A book set for spreads: the page number at the outer edge, the title at the inner one.
RawPage SpreadPage(int index) {
    RawPageBuilder page(612, 792, index);
    const std::u32string number = Arabic(index + 1);
    const std::u32string title = U"User Manual";
    const bool even = (index + 1) % 2 == 0;
    page.Text(72, 40, even ? number : title, 9);
    const std::u32string& right = even ? title : number;
    page.Text(540 - RawPageBuilder::WidthOf(right, 9), 40, right, 9);
    page.Wrapped(72, 540, 200, index % 2 ? kFirstText : kSecondText);
    return page.page();
}

TEST(RunningTextDetectorTest, EvenPagesOfASpreadGetRowsOfTheirOwn) {
    RunningTextDetector detector;
    for (int index : kSampled)
        detector.AddSample(SpreadPage(index));
    const RunningText result = detector.Result();
    ASSERT_EQ(result.header.size(), 1u);
    ASSERT_NO_FATAL_FAILURE(ExpectTitleAndNumber(result.header[0], "User Manual", "3"));
    ASSERT_EQ(result.even_header.size(), 1u);
    const Paragraph& even = result.even_header[0];
    EXPECT_EQ(TextOf(even.runs), "6\tUser Manual");
    ASSERT_EQ(PageNumberRuns(even).size(), 1u);
    EXPECT_EQ(PageNumberRuns(even)[0]->text, "6");
    EXPECT_TRUE(result.footer.empty());
    EXPECT_TRUE(result.even_footer.empty());
    EXPECT_TRUE(IsEvenPage(5, result.numbering));
    EXPECT_FALSE(IsEvenPage(2, result.numbering));

    // Pages printed alike on both sides keep one set of rows.
    RunningTextDetector alike;
    for (int index : {0, 1, 2})
        alike.AddSample(ChapterPage(index));
    EXPECT_FALSE(alike.Result().header.empty());
    EXPECT_TRUE(alike.Result().even_header.empty());
}

// A title with a rule under it at the top of each page, a rule alone at the foot, and a ruled
// box in the body of some pages.
RawPage RuledPage(int index, bool ruled_box) {
    RawPageBuilder page(612, 792, index);
    page.Text(72, 40, U"Reference Manual", 9).HorizontalRule(72, 540, 46, 0.4);
    page.HorizontalRule(72, 540, 770);
    page.Wrapped(72, 540, 200, index % 2 ? kFirstText : kSecondText);
    if (ruled_box)
        page.HorizontalRule(72, 540, 400).HorizontalRule(72, 540, 430);
    return page.page();
}

TEST(RunningTextDetectorTest, RunningRulesBecomeBordersAndFrameNoTable) {
    RunningTextDetector detector;
    for (int index : kSampled)
        detector.AddSample(RuledPage(index, index == 5));
    const RunningText result = detector.Result();
    ASSERT_EQ(result.header.size(), 1u);
    ASSERT_TRUE(result.header[0].rule_below);
    EXPECT_FALSE(result.header[0].rule_above);
    EXPECT_DOUBLE_EQ(result.header[0].rule_below->thickness, 0.4);
    EXPECT_NEAR(result.header[0].rule_below->gap, 45.8 - result.header[0].box.y1, 1e-9);
    // The rule alone at the foot is a footer of its own.
    ASSERT_EQ(result.footer.size(), 1u);
    EXPECT_TRUE(result.footer[0].runs.empty());
    EXPECT_TRUE(result.footer[0].rule_above);
    EXPECT_TRUE(result.even_header.empty());

    const RawPage page = RuledPage(7, true);
    ASSERT_EQ(page.rules.size(), 4u);
    EXPECT_TRUE(detector.IsRunningRule(page, page.rules[0]));
    EXPECT_TRUE(detector.IsRunningRule(page, page.rules[1]));
    EXPECT_FALSE(detector.IsRunningRule(page, page.rules[2])) << "the body's";
    EXPECT_TRUE(detector.OnPage(page).footer) << "the page printed the footer's rule";

    // Entries in columns between the header's rule and the foot's look like a table ruled
    // across; the rules are the pages' furniture, so there is none.
    RawPageBuilder contents(612, 792, 7);
    contents.Text(72, 40, U"Reference Manual", 9).HorizontalRule(72, 540, 46, 0.4);
    contents.HorizontalRule(72, 540, 770);
    for (int entry = 0; entry < 12; ++entry) {
        const double y = 100 + 16 * entry;
        contents.Text(72, y, U"1." + Arabic(entry + 1))
            .Text(110, y, U"Section title")
            .Text(520, y, Arabic(entry + 3));
    }
    const RawPage& table_like = contents.page();
    const auto furniture = [&](const RawRule& rule) {
        return detector.IsRunningRule(table_like, rule);
    };
    ASSERT_EQ(FindTables(table_like).size(), 1u);
    EXPECT_LT(FindTables(table_like)[0].box.y0, 50) << "framed by the running rules";
    const std::vector<Table> tables = FindTables(table_like, furniture);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_GT(tables[0].box.y0, 80);
    EXPECT_LT(tables[0].box.y1, 300);

    RawPageBuilder bare(612, 792, 9);
    bare.Wrapped(72, 540, 200, kSecondText);
    EXPECT_FALSE(detector.OnPage(bare.page()).footer);
}

TEST(RunningTextDetectorTest, LaidOutPageLeavesRunningLinesOut) {
    const Footer footer{U"Page {} of 12"};
    RunningTextDetector detector;
    for (int index : kSampled)
        detector.AddSample(SamplePage(index, footer));
    const Page page = LayOutPage(SamplePage(4, footer), {}, detector);
    std::string body;
    for (const Region& region : page.regions) {
        for (const Block& block : region.blocks)
            body += TextOf(std::get<Paragraph>(block).runs) + "\n";
    }
    EXPECT_EQ(body, Utf8(kFirstText) + "\n");
    EXPECT_DOUBLE_EQ(page.margins.top, 92);
    // Without the footer the short body leaves the bottom margin at its largest.
    EXPECT_DOUBLE_EQ(page.margins.bottom, 0.4 * 792);
}

}  // namespace
}  // namespace reconstruct
