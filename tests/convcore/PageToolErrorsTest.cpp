#include <gtest/gtest.h>

#include "convcore/PageToolTestDocs.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;

class PageToolErrorsTest : public ::testing::Test {
protected:
    PageToolErrorsTest() {
        fs::create_directory(out_);
        testdocs::WriteFile(good_, NamedPagesPdf(3));
        const std::string whole = NamedPagesPdf(20);
        testdocs::WriteFile(truncated_, whole.substr(0, whole.size() * 2 / 5));
        EncryptWithQpdf(good_, locked_, "user", "owner");
    }

    Json::Value Record(const std::string& cmd, const fs::path& source,
                       const fs::path& target) const {
        Json::Value record;
        record["cmd"] = cmd;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        return record;
    }

    Json::Value Split(const fs::path& source, const fs::path& folder, int start, int end) const {
        Json::Value record = Record("new_split_pdf", source, folder.string() + "/");
        Json::Value range;
        range["start"] = start;
        range["end"] = end;
        record["page_range"].append(range);
        return record;
    }

    Json::Value Merge(const fs::path& file, const std::string& password,
                      const fs::path& target) const {
        Json::Value record;
        record["cmd"] = "new_merge_pdf";
        record["target_path"] = target.string();
        for (const fs::path& source : {good_, file}) {
            Json::Value entry;
            entry["file_path"] = source.string();
            entry["password"] = source == file ? password : "";
            entry["start"] = 1;
            entry["end"] = 2;
            record["source_file_list"].append(entry);
        }
        return record;
    }

    static Json::Value WithPages(Json::Value record, const std::vector<int>& pages) {
        for (const int page : pages)
            record["pages"].append(page);
        return record;
    }

    static Json::Value WithPassword(Json::Value record, const std::string& password) {
        record["password"] = password;
        return record;
    }

    TempDir folder_;
    const fs::path out_ = folder_ / "out";
    const fs::path good_ = folder_ / "good.pdf";
    const fs::path truncated_ = folder_ / "truncated.pdf";
    const fs::path locked_ = folder_ / "locked.pdf";
    const fs::path missing_ = folder_ / "missing.pdf";
};

TEST_F(PageToolErrorsTest, EveryFailureIsExplainedAndLeavesNoFileBehind) {
    const fs::path target = out_ / "result.pdf";
    const fs::path no_folder = folder_ / "gone" / "result.pdf";
    // A folder under the target's name: the finished output cannot be moved into place.
    fs::create_directory(out_ / "taken.pdf");
    struct Case {
        std::string label;
        Json::Value record;
        std::string error;  // the text the failure starts with
    };
    const Case cases[] = {
        {"split, missing source", Split(missing_, out_, 1, 1), "file not found"},
        {"split, truncated source", Split(truncated_, out_, 1, 1), "cannot read the PDF"},
        {"split, no password", Split(locked_, out_, 1, 1), "Invalid password"},
        {"split, folder missing", Split(good_, folder_ / "gone", 1, 1),
         "ERROR_OUT_FOLDER_NOT_EXISTS"},
        {"split, beyond the end", Split(good_, out_, 2, 4), "pages 2-4 do not exist"},
        {"split, reversed range", Split(good_, out_, 3, 2), "pages 3-2 do not exist"},
        {"merge, wrong password", Merge(locked_, "nope", target), "Invalid password"},
        {"merge, truncated source", Merge(truncated_, "", target), "cannot read the PDF"},
        {"merge, missing source", Merge(missing_, "", target), "file not found"},
        {"merge, folder missing", Merge(good_, "", no_folder), "ERROR_OUT_FOLDER_NOT_EXISTS"},
        {"merge, cannot save", Merge(good_, "", out_ / "taken.pdf"), "ERROR_SAVE_MERGE_PDF_FAIL"},
        {"pickup, no pages", Record("pdf_pickup_pages", good_, target), "no pages"},
        {"pickup, beyond the end", WithPages(Record("pdf_pickup_pages", good_, target), {1, 4}),
         "page 4 does not exist"},
        {"pickup, page zero", WithPages(Record("pdf_pickup_pages", good_, target), {0}),
         "page 0 does not exist"},
        {"pickup, folder missing", WithPages(Record("pdf_pickup_pages", good_, no_folder), {1}),
         "the output folder does not exist"},
        {"delete, every page", WithPages(Record("pdf_delete_pages", good_, target), {3, 1, 2}),
         "cannot delete every page"},
        {"delete, beyond the end", WithPages(Record("pdf_delete_pages", good_, target), {9}),
         "page 9 does not exist"},
        {"delete, truncated source", WithPages(Record("pdf_delete_pages", truncated_, target), {1}),
         "cannot read the PDF"},
        {"decrypt, wrong password", WithPassword(Record("pdf_decrypt", locked_, target), "x"),
         "Invalid password"},
        {"decrypt, no password", Record("pdf_decrypt", locked_, target), "Invalid password"},
        {"encrypt, no password", Record("pdf_encrypt", good_, target), "Invalid password"},
        {"encrypt, source locked by another password",
         WithPassword(Record("pdf_encrypt", locked_, target), "new"), "Invalid password"},
        {"compress, missing source", Record("pdf_compress", missing_, target), "file not found"},
    };
    for (const Case& test : cases) {
        RecordingContext context;
        const convcore::TaskOutcome outcome = RunPageTool(test.record, context);
        EXPECT_FALSE(outcome.ok) << test.label;
        EXPECT_EQ(outcome.error.rfind(test.error, 0), 0u)
            << test.label << ": \"" << outcome.error << "\"";
        EXPECT_EQ(FolderNames(out_), std::set<std::string>{"taken.pdf"}) << test.label;
    }
}

// Cancels once the task has come `after` percent of the way.
class CancellingContext : public RecordingContext {
public:
    explicit CancellingContext(int after) : after_(after) {}
    void SetProgress(int percent) override {
        RecordingContext::SetProgress(percent);
        cancelled = cancelled || percent >= after_;
    }

private:
    int after_;
};

TEST_F(PageToolErrorsTest, ACancelledSplitLeavesNoPartsEvenThoseAlreadyWritten) {
    testdocs::WriteFile(good_, NamedPagesPdf(40));
    Json::Value record = Split(good_, out_, 1, 10);
    for (const int start : {11, 21, 31}) {
        Json::Value range;
        range["start"] = start;
        range["end"] = start + 9;
        record["page_range"].append(range);
    }
    for (const int after : {1, 30, 60, 99}) {
        CancellingContext context(after);
        const convcore::TaskOutcome outcome = RunPageTool(record, context);
        EXPECT_FALSE(outcome.ok) << after;
        EXPECT_EQ(outcome.error, "cancelled") << after;
        EXPECT_TRUE(FolderNames(out_).empty()) << after;
    }
}

TEST_F(PageToolErrorsTest, ACancelledMergeOrCompressLeavesNothing) {
    Json::Value merge = Merge(good_, "", out_ / "merged.pdf");
    Json::Value compress;
    compress["cmd"] = "pdf_compress";
    compress["source_path"] = good_.string();
    compress["target_path"] = (out_ / "small.pdf").string();
    compress["compress_type"] = 4;
    for (const Json::Value& record : {merge, compress}) {
        CancellingContext context(50);
        const convcore::TaskOutcome outcome = RunPageTool(record, context);
        EXPECT_EQ(outcome.error, "cancelled") << record["cmd"].asString();
        EXPECT_TRUE(FolderNames(out_).empty()) << record["cmd"].asString();
    }
}

}  // namespace
}  // namespace convcoretest
