// Planning a batch from files with their facts, as the windows' start does, without running
// anything: which files start, which are refused and why.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/JobBuilder.h"
#include "composite/CompositeServices.h"
#include "support/TempDir.h"
#include "tasks/ICvtTask.h"

namespace {

class PlanningTest : public ::testing::Test {
protected:
    // A readable PDF of `pages` pages, as the file-information query reports it.
    cli::SourceFile Pdf(const std::string& name, int pages) const {
        cli::SourceFile file{name, (temp_ / name).string(), {}};
        file.facts.answered = true;
        file.facts.page_count = pages;
        file.facts.encrypted = 0;
        file.facts.image_only = 0;
        file.facts.unreadable = 0;
        return file;
    }

    std::vector<std::unique_ptr<cli::PlannedJob>> Plan(
        const std::string& function, const std::map<std::string, std::string>& options,
        const std::vector<cli::SourceFile>& files, std::string password = "") {
        builder_ = cli::MakeJobBuilder(*cli::FindFunction(function));
        cli::OptionReader reader(options);
        builder_->Configure(reader);
        EXPECT_FALSE(reader.Failed()) << reader.Error();
        cli::PlanContext context{place_, consent_, &services_, std::move(password)};
        return builder_->Plan(files, context);
    }

    TempDir temp_;
    cli::OutputPlace place_;
    bool agreed_ = false;
    int agreements_stored_ = 0;
    cli::UploadConsent::Store Store() {
        return {[this] { return agreed_; },
                [this] {
                    ++agreements_stored_;
                    return true;
                },
                nullptr};
    }
    cli::UploadConsent consent_{Store(), false};
    CompositeServices services_;  // tasks are made, never run
    std::unique_ptr<cli::JobBuilder> builder_;
};

TEST_F(PlanningTest, FilesTheWindowShowsAsUnusableAreRefused) {
    cli::SourceFile encrypted = Pdf("locked.pdf", 3);
    encrypted.facts.encrypted = 1;
    cli::SourceFile empty = Pdf("empty.pdf", 0);
    cli::SourceFile unreadable = Pdf("bad.pdf", -1);
    unreadable.facts.error = "cannot open bad.pdf";
    const auto jobs = Plan("compress", {}, {encrypted, empty, unreadable, Pdf("good.pdf", 2)});
    ASSERT_EQ(jobs.size(), 4u);
    EXPECT_NE(jobs[0]->refusal.find("加密文件无法转换"), std::string::npos);
    EXPECT_NE(jobs[1]->refusal.find("空文件"), std::string::npos);
    EXPECT_NE(jobs[2]->refusal.find("获取信息失败"), std::string::npos);
    EXPECT_NE(jobs[2]->refusal.find("cannot open bad.pdf"), std::string::npos);
    ASSERT_NE(jobs[3]->task, nullptr);
    EXPECT_EQ(jobs[3]->result, (temp_ / "good_已压缩.pdf").string());

    // With its password the encrypted file starts.
    const auto with_password = Plan("compress", {}, {encrypted}, "secret");
    ASSERT_NE(with_password[0]->task, nullptr);
    EXPECT_EQ(with_password[0]->task->Password(), "secret");
}

TEST_F(PlanningTest, PagesAreTheRowsRangeKeptInsideTheDocument) {
    const auto jobs = Plan("pdf-to-txt", {{"pages", "3-40"}}, {Pdf("a.pdf", 10)});
    ASSERT_NE(jobs[0]->task, nullptr);
    EXPECT_EQ(jobs[0]->task->SelectedPages(), (std::vector<int>{3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(jobs[0]->task->GetPageCount(), 10);
    EXPECT_EQ(jobs[0]->result, (temp_ / "a.txt").string());

    const auto picked = Plan("delete-pages", {{"pages", "2-3,9-8,5-5"}}, {Pdf("b.pdf", 6)});
    EXPECT_EQ(picked[0]->task->SelectedPages(), (std::vector<int>{2, 3, 5}));
    const auto beyond = Plan("extract-pages", {{"page", "7"}}, {Pdf("c.pdf", 6)});
    EXPECT_EQ(beyond[0]->task, nullptr);
    EXPECT_NE(beyond[0]->refusal.find("page 7 is beyond the last page"), std::string::npos);
}

TEST_F(PlanningTest, LongRangesAreConvertedInPartsOnlyWhenAsked) {
    const auto whole = Plan("pdf-to-word", {}, {Pdf("long.pdf", 120)});
    ASSERT_NE(whole[0]->task, nullptr);
    ASSERT_EQ(whole[0]->notes.size(), 1u);
    EXPECT_NE(whole[0]->notes[0].find("超出100页"), std::string::npos);
    EXPECT_EQ(whole[0]->result, (temp_ / "long.docx").string());

    // Word parts are joined back into one document; workbooks do not join and stay in parts.
    const auto joined = Plan("pdf-to-word", {{"split-large", ""}}, {Pdf("split.pdf", 120)});
    ASSERT_NE(joined[0]->task, nullptr);
    EXPECT_EQ(joined[0]->result, (temp_ / "split.docx").string());
    EXPECT_TRUE(joined[0]->made_folders.empty());

    const auto parts = Plan("pdf-to-excel", {{"split-large", ""}}, {Pdf("sheet.pdf", 120)});
    ASSERT_NE(parts[0]->task, nullptr);
    EXPECT_EQ(parts[0]->result, (temp_ / "sheet" / "sheet(1-50).xlsx").string());
    EXPECT_EQ(parts[0]->made_folders, std::vector<std::filesystem::path>{temp_ / "sheet"});
}

TEST_F(PlanningTest, UploadsNeedTheAgreementOnce) {
    cli::SourceFile scan = Pdf("scan.pdf", 2);
    scan.facts.image_only = 1;
    auto jobs = Plan("pdf-to-word", {}, {scan, Pdf("text.pdf", 2)});
    EXPECT_EQ(jobs[0]->task, nullptr);
    EXPECT_NE(jobs[0]->refusal.find("扫描件转换需要使用增强模式"), std::string::npos);
    EXPECT_NE(jobs[1]->task, nullptr);
    // The text window never uploads, so it never asks.
    EXPECT_NE(Plan("pdf-to-txt", {}, {scan})[0]->task, nullptr);

    jobs = Plan("ocr", {}, {cli::SourceFile{"p.png", (temp_ / "p.png").string(), {}}});
    EXPECT_NE(jobs[0]->refusal.find("OCR图文识别需要使用增强模式"), std::string::npos);

    cli::UploadConsent allowing(Store(), true);
    EXPECT_TRUE(allowing.Granted());
    EXPECT_TRUE(allowing.Granted());
    EXPECT_EQ(agreements_stored_, 1);
}

TEST_F(PlanningTest, OnATerminalTheQuestionIsPutOncePerBatch) {
    for (const char* answer : {"y\n", "是\n", "n\n", "\n", ""}) {
        agreements_stored_ = 0;
        std::istringstream in(answer);
        std::ostringstream out;
        cli::UploadConsent::Store store = Store();
        store.ask = cli::UploadConsent::TerminalQuestion(in, out);
        cli::UploadConsent consent(std::move(store), false);
        const bool agreed =
            std::string(answer).starts_with("y") || std::string(answer).starts_with("是");
        EXPECT_EQ(consent.Granted("OCR图文识别"), agreed) << answer;
        EXPECT_EQ(consent.Granted("OCR图文识别"), agreed) << answer;
        EXPECT_EQ(agreements_stored_, agreed ? 1 : 0) << answer;
        EXPECT_EQ(out.str(),
                  "OCR图文识别需要使用增强模式，将文件上传至云端进行转换，是否使用？ [y/N] ")
            << answer;
    }
}

TEST_F(PlanningTest, WindowRefusalsBeforeStarting) {
    const auto curves = Plan("pdf-to-curve", {}, {Pdf("thick.pdf", 401), Pdf("thin.pdf", 400)});
    EXPECT_NE(curves[0]->refusal.find("thick.pdf转换失败，可能是文件或页面过大"),
              std::string::npos);
    EXPECT_NE(curves[1]->task, nullptr);

    cli::SourceFile huge = Pdf("poster-with-a-long-name.pdf", 1);
    huge.facts.max_width = huge.facts.max_height = 100000;
    const auto images = Plan("pdf-to-image", {}, {huge});
    EXPECT_NE(images[0]->refusal.find("poster-with-a-l...页面尺寸过大"), std::string::npos);

    const auto merge = Plan("merge", {}, {Pdf("a.pdf", 1), Pdf("empty.pdf", 0)});
    ASSERT_EQ(merge.size(), 2u);
    EXPECT_NE(merge[0]->refusal.find("空文件"), std::string::npos);
    EXPECT_NE(merge[1]->refusal.find("请至少选择两个PDF文件进行合并！"), std::string::npos);
}

}  // namespace
