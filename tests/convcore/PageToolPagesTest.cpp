#include <gtest/gtest.h>
#include <json/reader.h>

#include <algorithm>
#include <fstream>

#include "convcore/PageToolTestDocs.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;

Json::Value IntArray(const std::vector<int>& numbers) {
    Json::Value array(Json::arrayValue);
    for (const int number : numbers)
        array.append(number);
    return array;
}

Json::Value Range(int start, int end) {
    Json::Value range;
    range["start"] = start;
    range["end"] = end;
    return range;
}

Json::Value MergeEntry(const fs::path& file, int start, int end, const std::string& password) {
    Json::Value entry = Range(start, end);
    entry["file_path"] = file.string();
    entry["password"] = password;
    return entry;
}

class PageToolPagesTest : public ::testing::Test {
protected:
    PageToolPagesTest() { fs::create_directory(out_); }

    fs::path Source(const std::string& name, const std::string& data) {
        testdocs::WriteFile(folder_ / name, data);
        return folder_ / name;
    }

    convcore::TaskOutcome Perform(const Json::Value& record) {
        context_ = RecordingContext();
        return RunPageTool(record, context_);
    }

    Json::Value Record(const std::string& cmd, const fs::path& source, const fs::path& target) {
        Json::Value record;
        record["cmd"] = cmd;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        return record;
    }

    void ExpectProgressEndsAt100() {
        ASSERT_FALSE(context_.progress.empty());
        EXPECT_EQ(context_.progress.back(), 100);
        EXPECT_TRUE(std::is_sorted(context_.progress.begin(), context_.progress.end()));
    }

    TempDir folder_;
    const fs::path out_ = folder_ / "out";
    RecordingContext context_;
};

TEST_F(PageToolPagesTest, SplitWritesOnePartPerRangeUnderTheNameTheProgramExpects) {
    const fs::path source = Source("Annual.report.pdf", NamedPagesPdf(10));
    Json::Value record = Record("new_split_pdf", source, out_.string() + "/");
    for (const auto& [start, end] : {std::pair{1, 3}, {5, 5}, {4, 10}, {2, 3}, {1, 3}})
        record["page_range"].append(Range(start, end));

    const convcore::TaskOutcome outcome = Perform(record);

    ASSERT_TRUE(outcome.ok) << outcome.error;
    const std::set<std::string> expected = {"Annual.report(1-3).pdf", "Annual.report(5-5).pdf",
                                            "Annual.report(4-10).pdf", "Annual.report(2-3).pdf"};
    EXPECT_EQ(FolderNames(out_), expected);
    EXPECT_EQ(PageTexts(out_ / "Annual.report(1-3).pdf"), NamedPages({1, 2, 3}));
    EXPECT_EQ(PageTexts(out_ / "Annual.report(5-5).pdf"), NamedPages({5}));
    EXPECT_EQ(PageTexts(out_ / "Annual.report(4-10).pdf"), NamedPages({4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(PageTexts(out_ / "Annual.report(2-3).pdf"), NamedPages({2, 3}));
    ExpectProgressEndsAt100();
}

TEST_F(PageToolPagesTest, PagesTakenOutCarryOnlyThePicturesTheyDraw) {
    // All pages share one resource dictionary holding both pictures.
    const fs::path source = Source("shared.pdf", SharedResourcesPdf(4));
    ASSERT_EQ(CountPictures(source), 2);

    Json::Value split = Record("new_split_pdf", source, out_.string() + "/");
    split["page_range"].append(Range(2, 2));
    split["page_range"].append(Range(1, 4));
    ASSERT_TRUE(Perform(split).ok);
    EXPECT_EQ(CountPictures(out_ / "shared(2-2).pdf"), 1);
    EXPECT_EQ(CountPictures(out_ / "shared(1-4).pdf"), 2);
    // Trimming the first part's resources must not take pictures from the pages after it.
    EXPECT_EQ(PageTexts(out_ / "shared(1-4).pdf"), NamedPages({1, 2, 3, 4}));
    EXPECT_TRUE(testdocs::RunTool("mutool", {"draw", "-o", (folder_ / "p%d.png").string(),
                                             (out_ / "shared(1-4).pdf").string()}));

    Json::Value pick = Record("pdf_pickup_pages", source, out_ / "picked.pdf");
    pick["pages"] = IntArray({3, 1});
    ASSERT_TRUE(Perform(pick).ok);
    EXPECT_EQ(CountPictures(out_ / "picked.pdf"), 1);
    EXPECT_EQ(PageTexts(out_ / "picked.pdf"), NamedPages({3, 1}));
}

TEST_F(PageToolPagesTest, PickupAndDeleteKeepTheRightPagesInTheRightOrder) {
    const fs::path source = Source("five.pdf", NamedPagesPdf(5));
    struct Case {
        std::string cmd;
        std::vector<int> pages;  // empty: no "pages" in the record
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"pdf_pickup_pages", {3, 1, 2}, {3, 1, 2}}, {"pdf_pickup_pages", {5}, {5}},
        {"pdf_pickup_pages", {2, 4, 2}, {2, 4, 2}}, {"pdf_delete_pages", {2, 4}, {1, 3, 5}},
        {"pdf_delete_pages", {4, 2, 2}, {1, 3, 5}}, {"pdf_delete_pages", {1, 2, 3, 4}, {5}},
        {"pdf_delete_pages", {}, {1, 2, 3, 4, 5}},
    };
    for (const Case& test : cases) {
        const fs::path target = out_ / "result.pdf";
        Json::Value record = Record(test.cmd, source, target);
        if (!test.pages.empty())
            record["pages"] = IntArray(test.pages);
        const convcore::TaskOutcome outcome = Perform(record);
        SCOPED_TRACE(record.toStyledString());
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(PageTexts(target), NamedPages(test.expected));
        EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", target.string()}));
        EXPECT_EQ(FolderNames(out_), std::set<std::string>{"result.pdf"});
        ExpectProgressEndsAt100();
    }
}

TEST_F(PageToolPagesTest, ARemovedPageLeavesTheFileEvenWhenTheDocumentStillPointsAtIt) {
    // The catalog opens the document at page 2 (object 6).
    const fs::path source = Source("opens.pdf", NamedPagesPdf(3, "", "/OpenAction [6 0 R /Fit]"));
    Json::Value record = Record("pdf_delete_pages", source, out_ / "deleted.pdf");
    record["pages"] = IntArray({2});
    ASSERT_TRUE(Perform(record).ok);
    const std::string written = ReadableForm(out_ / "deleted.pdf");
    EXPECT_NE(written.find("(Page 3)"), std::string::npos);
    EXPECT_EQ(written.find("(Page 2)"), std::string::npos);
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", (out_ / "deleted.pdf").string()}));
}

TEST_F(PageToolPagesTest, PageLabelsFollowThePagesTheyNamed) {
    // Pages 1-2 are numbered i, ii; pages 3-5 are 1, 2, 3.
    const fs::path labelled =
        Source("labelled.pdf",
               NamedPagesPdf(5, "", "/PageLabels << /Nums [0 << /S /r >> 2 << /S /D >>] >>"));
    Json::Value record = Record("pdf_pickup_pages", labelled, out_ / "picked.pdf");
    record["pages"] = IntArray({4, 2});
    ASSERT_TRUE(Perform(record).ok);
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", (out_ / "picked.pdf").string()}));
    const fs::path labels = folder_ / "labels.json";
    ASSERT_TRUE(testdocs::RunTool(
        "sh", {"-c", "qpdf --json --json-key=pagelabels '" + (out_ / "picked.pdf").string() +
                         "' > '" + labels.string() + "'"}));
    std::ifstream in(labels);
    Json::Value json;
    in >> json;
    // Page 4 was labelled "2" (decimal from 3 on), page 2 "ii".
    const Json::Value& entries = json["pagelabels"];
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0]["index"].asInt(), 0);
    EXPECT_EQ(entries[0]["label"]["/S"].asString(), "/D");
    EXPECT_EQ(entries[0]["label"]["/St"].asInt(), 2);
    EXPECT_EQ(entries[1]["index"].asInt(), 1);
    EXPECT_EQ(entries[1]["label"]["/S"].asString(), "/r");
    EXPECT_EQ(entries[1]["label"]["/St"].asInt(), 2);
}

TEST_F(PageToolPagesTest, MergeTakesEachEntrysPagesInListOrder) {
    const fs::path first = Source("a.pdf", NamedPagesPdf(5, "A "));
    const fs::path plain = Source("b-plain.pdf", NamedPagesPdf(3, "B "));
    const fs::path locked = folder_ / "b.pdf";
    ASSERT_TRUE(EncryptWithQpdf(plain, locked, "bpass", "bowner"));
    const fs::path target = out_ / "merged.pdf";
    Json::Value record;
    record["cmd"] = "new_merge_pdf";
    record["target_path"] = target.string();
    record["source_file_list"].append(MergeEntry(first, 2, 3, ""));
    record["source_file_list"].append(MergeEntry(locked, 1, 2, "bpass"));
    record["source_file_list"].append(MergeEntry(first, 0, 0, ""));

    const convcore::TaskOutcome outcome = Perform(record);

    ASSERT_TRUE(outcome.ok) << outcome.error;
    std::vector<std::string> expected = NamedPages({2, 3}, "A ");
    for (const std::string& text : NamedPages({1, 2}, "B "))
        expected.push_back(text);
    for (const std::string& text : NamedPages({1, 2, 3, 4, 5}, "A "))
        expected.push_back(text);
    EXPECT_EQ(PageTexts(target), expected);
    EXPECT_FALSE(testdocs::RunTool("qpdf", {"--requires-password", target.string()}));
    EXPECT_EQ(FolderNames(out_), std::set<std::string>{"merged.pdf"});
    ExpectProgressEndsAt100();
}

TEST_F(PageToolPagesTest, MergeOfWholeFilesKeepsTheListOrder) {
    const fs::path first = Source("one.pdf", NamedPagesPdf(2, "One "));
    const fs::path second = Source("two.pdf", NamedPagesPdf(1, "Two "));
    Json::Value record;
    record["cmd"] = "pdf_merge";
    record["target_path"] = (out_ / "all.pdf").string();
    for (const fs::path& file : {second, first, second})
        record["files"].append(file.string());

    ASSERT_TRUE(Perform(record).ok);

    EXPECT_EQ(PageTexts(out_ / "all.pdf"),
              (std::vector<std::string>{"Two Page 1", "One Page 1", "One Page 2", "Two Page 1"}));
}

}  // namespace
}  // namespace convcoretest
