#include <gtest/gtest.h>

#include "convcore/PageToolTestDocs.h"
#include "convcore/RenderTestHelpers.h"
#include "convcore/WatermarkTestSupport.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace watermarktest {
namespace {

namespace fs = std::filesystem;
using convcoretest::RecordingContext;

class WatermarkErrorsTest : public ::testing::Test {
protected:
    WatermarkErrorsTest() {
        fs::create_directory(out_);
        testdocs::WriteFile(good_, convcoretest::NamedPagesPdf(3));
        const std::string whole = convcoretest::NamedPagesPdf(20);
        testdocs::WriteFile(truncated_, whole.substr(0, whole.size() * 2 / 5));
        testdocs::WriteFile(not_a_picture_, "this is not a picture");
        convcoretest::EncryptWithQpdf(good_, locked_, "user", "owner");
    }

    Json::Value Text(const fs::path& source, const std::string& text = kChineseMark) const {
        return TextRecord(source, target_, text);
    }
    Json::Value Picture(const fs::path& picture) const {
        return PictureRecord(good_, target_, picture);
    }
    static Json::Value With(Json::Value record, const char* key, const Json::Value& value) {
        record[key] = value;
        return record;
    }
    static Json::Value Pages(std::initializer_list<int> pages) {
        Json::Value list(Json::arrayValue);
        for (const int page : pages)
            list.append(page);
        return list;
    }

    const TempDir folder_;
    const fs::path out_ = folder_ / "out";
    const fs::path target_ = out_ / "result.pdf";
    const fs::path good_ = folder_ / "good.pdf";
    const fs::path truncated_ = folder_ / "truncated.pdf";
    const fs::path locked_ = folder_ / "locked.pdf";
    const fs::path not_a_picture_ = folder_ / "fake.png";
};

TEST_F(WatermarkErrorsTest, EveryFailureIsExplainedAndLeavesNoFileBehind) {
    struct Case {
        const char* label;
        Json::Value record;
        const char* error;  // how the error text starts
        bool previews_too;  // the preview fails the same way
    };
    // A folder under the target's name: the finished output cannot be moved into place.
    fs::create_directory(out_ / "taken.pdf");
    fs::create_directory(out_ / "taken.png");
    const Case cases[] = {
        {"missing source", Text(folder_ / "missing.pdf"), "file not found", true},
        {"truncated source", Text(truncated_), "cannot read the PDF", true},
        {"not a PDF", Text(not_a_picture_), "cannot read the PDF", true},
        {"no password", Text(locked_), "Invalid password", true},
        {"wrong password", With(Text(locked_), "password", "nope"), "Invalid password", true},
        {"empty text", Text(good_, " \n"), "no watermark text was given", false},
        {"no picture chosen", Picture(""), "no watermark picture was chosen", false},
        {"missing picture", Picture(folder_ / "gone.png"), "the watermark picture cannot be used",
         true},
        {"not a picture", Picture(not_a_picture_), "the watermark picture cannot be used", true},
        {"folder missing", With(Text(good_), "target_path", (folder_ / "gone" / "r.pdf").string()),
         "the output folder does not exist", true},
        {"folder not writable", With(Text(good_), "target_path", "/proc/result.pdf"), "cannot save",
         true},
        {"target taken by a folder",
         With(Text(good_), "target_path", (out_ / "taken.pdf").string()), "cannot save", true},
        {"page beyond the end", With(Text(good_), "pages", Pages({1, 4})),
         "page 4 is not in the document", true},
        {"page zero", With(Text(good_), "pages", Pages({0})), "page 0 is not in the document",
         true},
        {"empty page list", With(Text(good_), "pages", Pages({})), "no pages chosen", true},
    };
    const std::set<std::string> before = convcoretest::FolderNames(out_);
    for (const Case& c : cases) {
        for (const bool preview : {false, true}) {
            if (preview && !c.previews_too)
                continue;
            SCOPED_TRACE(testing::Message() << c.label << (preview ? " (preview)" : ""));
            Json::Value record = c.record;
            if (preview) {
                const std::string target = record["target_path"].asString();
                record = AsPreview(record, fs::path(target).replace_extension(".png"));
                if (c.record.isMember("pages"))
                    record["pages"] = c.record["pages"];
            }
            RecordingContext context;
            const convcore::TaskOutcome outcome = RunWatermarkCommand(record, context);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.error.rfind(c.error, 0), 0u) << outcome.error;
            EXPECT_EQ(convcoretest::FolderNames(out_), before);
        }
    }
}

TEST_F(WatermarkErrorsTest, CancelledTaskLeavesNothing) {
    testdocs::WriteFile(good_, convcoretest::NamedPagesPdf(30));
    // Before the work, while pages are stamped, while the file is written.
    for (const int progress : {0, 10, 60}) {
        SCOPED_TRACE(progress);
        rendertest::RecordingTask task;
        task.CancelAtProgress(progress);
        if (progress == 0)
            task.Cancel();
        const convcore::TaskOutcome outcome = RunWatermarkCommand(Text(good_), task);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.error, "cancelled");
        EXPECT_TRUE(convcoretest::FolderNames(out_).empty());
    }
}

}  // namespace
}  // namespace watermarktest
