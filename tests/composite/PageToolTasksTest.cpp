// Page-tool and picture-tool tasks against the scripted core: their requests, the retries of
// split and merge, the kept copy of an incompressible PDF, and how their errors reach the task.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>

#include "FakeCore.h"
#include "composite/KComplexEncryptPdf.h"
#include "composite/KComplexImgCompress.h"
#include "composite/KComplexImgReformat.h"
#include "composite/KComplexImgResize.h"
#include "composite/KComplexMergePdf.h"
#include "composite/KComplexPdfCompress.h"
#include "composite/KComplexPdfDel.h"
#include "composite/KComplexSplitPdf.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PageToolTasksTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(private_);
        fs::create_directory(out_);
    }
    std::string Path(const std::string& name) const { return (temp_ / name).string(); }

    TempDir temp_;
    fs::path private_ = temp_ / "private";
    fs::path out_ = temp_ / "out";
    fs::path desktop_ = temp_ / "desktop";
    FakeOperations core_;
    CompositeServices services_ = FakeServices(&core_, nullptr, private_, desktop_);
};

TEST_F(PageToolTasksTest, SplitNamesItsFirstPartBeforeTheSplitRuns) {
    TaskRef<KComplexSplitPdf> task(new KComplexSplitPdf(
        {Path("report.pdf"), out_.string(), {{1, 3}, {5, 5}, {7, 9}}}, nullptr, &services_));
    std::string first_output_at_submit;
    core_.respond = [&](const OperationRequest&) {
        first_output_at_submit = task->GetTargetPath();
        return FakeOutcome{};
    };
    task->SetPassword("pw");
    task->Run();

    ASSERT_EQ(task->GetResult(), 1);
    EXPECT_EQ(first_output_at_submit, (out_ / "report(1-3).pdf").string());
    const auto requests = core_.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, OperationKind::kSplit);
    EXPECT_EQ(requests[0].target, out_.string());
    EXPECT_EQ(requests[0].password, "pw");
    ASSERT_EQ(requests[0].ranges.size(), 3u);
    EXPECT_EQ(requests[0].ranges[2].start, 7);
    EXPECT_EQ(requests[0].ranges[2].end, 9);
}

TEST_F(PageToolTasksTest, SplitRetriesByItsFirstError) {
    struct Case {
        const char* name;
        std::string error;
        bool desktop_folder_taken;
        int result;
        std::vector<std::string> retry_targets;  // what the retry wrote to, in order
        std::string first_output;
    };
    const fs::path desktop_folder = desktop_ / "report_拆分";
    const Case cases[] = {
        {"no reason: range by range",
         "",
         false,
         1,
         {(out_ / "report(1-3).pdf").string(), (out_ / "report(5-5).pdf").string()},
         (out_ / "report(1-3).pdf").string()},
        {"missing folder: on the desktop",
         "ERROR_OUT_FOLDER_NOT_EXISTS",
         false,
         1,
         {desktop_folder.string()},
         (desktop_folder / "report(1-3).pdf").string()},
        {"cannot save: on the desktop, beside a taken name",
         "ERROR_SAVE_MERGE_PDF_FAIL",
         true,
         1,
         {(desktop_ / "report_拆分(1)").string()},
         (desktop_ / "report_拆分(1)" / "report(1-3).pdf").string()},
        {"any other reason is final",
         "Invalid password: needs a password",
         false,
         0,
         {},
         (out_ / "report(1-3).pdf").string()},
    };
    for (const Case& c : cases) {
        fs::remove_all(desktop_);
        if (c.desktop_folder_taken)
            fs::create_directories(desktop_folder);
        FakeOperations core;
        int splits = 0;
        core.respond = [&](const OperationRequest& request) {
            if (request.kind == OperationKind::kSplit && splits++ == 0)
                return FakeOutcome::Failed(c.error);
            return FakeOutcome{};
        };
        const CompositeServices services = FakeServices(&core, nullptr, private_, desktop_);
        TaskRef<KComplexSplitPdf> task(new KComplexSplitPdf(
            {Path("report.pdf"), out_.string(), {{1, 3}, {5, 5}}}, nullptr, &services));
        task->Run();

        EXPECT_EQ(task->GetResult(), c.result) << c.name;
        EXPECT_EQ(task->GetTargetPath(), c.first_output) << c.name;
        const auto requests = core.Requests();
        ASSERT_EQ(requests.size(), 1 + c.retry_targets.size()) << c.name;
        for (std::size_t i = 0; i < c.retry_targets.size(); ++i)
            EXPECT_EQ(requests[i + 1].target, c.retry_targets[i]) << c.name;
        if (c.result == 1) {
            // The first failure's text does not linger after a retry that worked.
            EXPECT_EQ(task->GetErrorMsg(), "") << c.name;
        } else {
            EXPECT_EQ(task->GetErrorMsg(), c.error) << c.name;
        }
    }
}

TEST_F(PageToolTasksTest, RangeByRangeSplitStopsAtTheFirstFailure) {
    int pickups = 0;
    core_.respond = [&](const OperationRequest& request) {
        if (request.kind == OperationKind::kSplit)
            return FakeOutcome::Failed("");
        return ++pickups == 2 ? FakeOutcome::Failed("page 9 does not exist") : FakeOutcome{};
    };
    TaskRef<KComplexSplitPdf> task(new KComplexSplitPdf(
        {Path("report.pdf"), out_.string(), {{1, 1}, {9, 9}, {2, 2}}}, nullptr, &services_));
    task->SetPassword("pw");
    task->Run();
    EXPECT_EQ(task->GetResult(), 0);
    EXPECT_EQ(task->GetErrorMsg(), "page 9 does not exist");
    const auto pickups_made = core_.RequestsOf(OperationKind::kPickupPages);
    ASSERT_EQ(pickups_made.size(), 2u);
    EXPECT_EQ(pickups_made[1].pages, std::vector<int>{9});
    EXPECT_EQ(pickups_made[1].password, "pw");
}

TEST_F(PageToolTasksTest, MergeWithoutReasonTakesEachEntryOutThenMergesTheFiles) {
    core_.respond = [](const OperationRequest& request) {
        return request.kind == OperationKind::kMerge ? FakeOutcome::Failed("") : FakeOutcome{};
    };
    const std::string target = (out_ / "merged.pdf").string();
    TaskRef<KComplexMergePdf> task(new KComplexMergePdf(
        {{{2, 3, Path("a.pdf"), "pa"}, {0, 0, Path("b.pdf"), "pb"}}, target}, nullptr, &services_));
    task->Run();

    ASSERT_EQ(task->GetResult(), 1) << task->GetErrorMsg();
    const auto requests = core_.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[1].kind, OperationKind::kPickupPages);
    EXPECT_EQ(requests[1].source, Path("a.pdf"));
    EXPECT_EQ(requests[1].pages, (std::vector<int>{2, 3}));
    EXPECT_EQ(requests[1].password, "pa");
    // A whole entry is written out without its password.
    EXPECT_EQ(requests[2].kind, OperationKind::kDecrypt);
    EXPECT_EQ(requests[2].source, Path("b.pdf"));
    EXPECT_EQ(requests[2].password, "pb");
    EXPECT_EQ(requests[3].kind, OperationKind::kMergeFiles);
    EXPECT_EQ(requests[3].target, target);
    EXPECT_EQ(requests[3].files,
              (std::vector<std::string>{requests[1].target, requests[2].target}));
    EXPECT_EQ(requests[3].password, "");
    EXPECT_NE(requests[1].target, requests[2].target);
    EXPECT_TRUE(EntriesOf(private_).empty());
}

TEST_F(PageToolTasksTest, MergeThatCannotSaveWritesOnTheDesktop) {
    for (const bool name_taken : {false, true}) {
        fs::remove_all(desktop_);
        if (name_taken) {
            fs::create_directories(desktop_);
            std::ofstream(desktop_ / "合并PDF.pdf") << "earlier merge";
        }
        FakeOperations core;
        int merges = 0;
        core.respond = [&](const OperationRequest&) {
            return merges++ == 0 ? FakeOutcome::Failed("ERROR_SAVE_MERGE_PDF_FAIL") : FakeOutcome{};
        };
        const CompositeServices services = FakeServices(&core, nullptr, private_, desktop_);
        TaskRef<KComplexMergePdf> task(new KComplexMergePdf(
            {{{0, 0, Path("a.pdf"), ""}, {0, 0, Path("b.pdf"), ""}}, Path("gone/m.pdf")}, nullptr,
            &services));
        task->Run();

        const fs::path expected = desktop_ / (name_taken ? "合并PDF(1).pdf" : "合并PDF.pdf");
        EXPECT_EQ(task->GetResult(), 1);
        EXPECT_EQ(task->GetTargetPath(), expected.string());
        ASSERT_EQ(core.Requests().size(), 2u);
        EXPECT_EQ(core.Requests()[1].target, expected.string());
        EXPECT_EQ(task->GetErrorMsg(), "");
    }
}

TEST_F(PageToolTasksTest, CompressKeepsACopyOfASourceItCannotShrink) {
    struct Case {
        const char* name;
        std::string error;
        int result;
        bool copied;
    };
    const Case cases[] = {
        {"not smaller", "9", 1, true},
        {"damaged", "cannot read the PDF: xref", 0, false},
    };
    const fs::path source = temp_ / "big.pdf";
    std::ofstream(source) << "%PDF-1.7 the original bytes";
    for (const Case& c : cases) {
        const fs::path target = out_ / "big_compressed.pdf";
        fs::remove(target);
        FakeOperations core;
        core.respond = [&c](const OperationRequest&) { return FakeOutcome::Failed(c.error); };
        const CompositeServices services = FakeServices(&core, nullptr, private_);
        TaskRef<KComplexPdfCompress> task(
            new KComplexPdfCompress(source.string(), target.string(), 4, nullptr, &services));
        task->Run();
        EXPECT_EQ(task->GetResult(), c.result) << c.name;
        ASSERT_EQ(core.Requests().size(), 1u);
        EXPECT_EQ(core.Requests()[0].compress_type, 4);
        EXPECT_EQ(fs::exists(target), c.copied) << c.name;
        if (c.copied) {
            EXPECT_EQ(ReadAll(target), ReadAll(source));
            EXPECT_EQ(task->GetErrorMsg(), "");
        } else {
            EXPECT_EQ(task->GetErrorMsg(), c.error) << c.name;
        }
        // Only the target itself: no hidden copy left beside it.
        EXPECT_EQ(EntriesOf(out_).size(), c.copied ? 1u : 0u) << c.name;
    }
}

TEST_F(PageToolTasksTest, EncryptDecryptsAProtectedSourceFirst) {
    struct Case {
        std::string source_password;
        std::vector<OperationKind> kinds;
    };
    const Case cases[] = {
        {"", {OperationKind::kEncrypt}},
        {"old", {OperationKind::kDecrypt, OperationKind::kEncrypt}},
    };
    for (const Case& c : cases) {
        FakeOperations core;
        const CompositeServices services = FakeServices(&core, nullptr, private_);
        TaskRef<KComplexEncryptPdf> task(
            new KComplexEncryptPdf(Path("a.pdf"), Path("a_enc.pdf"), "new", nullptr, &services));
        task->SetPassword(c.source_password);
        task->AddPages(1, 2);
        task->Run();
        ASSERT_EQ(task->GetResult(), 1);
        const auto requests = core.Requests();
        ASSERT_EQ(requests.size(), c.kinds.size());
        for (std::size_t i = 0; i < requests.size(); ++i)
            EXPECT_EQ(requests[i].kind, c.kinds[i]);
        const OperationRequest& encrypt = requests.back();
        EXPECT_EQ(encrypt.password, "new");
        EXPECT_EQ(encrypt.target, Path("a_enc.pdf"));
        EXPECT_EQ(encrypt.source, requests.size() == 2 ? requests[0].target : Path("a.pdf"));
        if (requests.size() == 2) {
            EXPECT_EQ(requests[0].password, "old");
        }
    }
}

TEST_F(PageToolTasksTest, PageToolsAppendTheirErrorPictureToolsReplaceItAndTakeTheCode) {
    core_.respond = [](const OperationRequest&) { return FakeOutcome::Failed("cannot write"); };
    struct Case {
        const char* name;
        ICvtTask* task;
        std::string error;
        int code;
    };
    const Case cases[] = {
        {"delete pages", new KComplexPdfDel(Path("a.pdf"), Path("b.pdf"), nullptr, &services_),
         "earlier; cannot write", 0},
        {"resize", new KComplexImgResize(Path("a.png"), Path("b.png"), 10, 10, nullptr, &services_),
         "cannot write", -1},
        {"compress picture",
         new KComplexImgCompress(Path("a.png"), Path("b.jpg"), 100, nullptr, &services_),
         "cannot write", -1},
        {"reformat", new KComplexImgReformat(Path("a.png"), Path("b.gif"), nullptr, &services_),
         "cannot write", -1},
    };
    for (const Case& c : cases) {
        c.task->SetErrorMsg("earlier");
        c.task->Run();
        EXPECT_EQ(c.task->GetResult(), 0) << c.name;
        EXPECT_EQ(c.task->GetErrorMsg(), c.error) << c.name;
        EXPECT_EQ(c.task->GetErrorCode(), c.code) << c.name;
        c.task->Release();
    }
}

TEST_F(PageToolTasksTest, PictureToolNoticesACancelWithinItsShortPoll) {
    // A page tool's poll would take a second to notice; a picture tool polls every 10 ms.
    services_.document_poll = 1s;
    services_.image_poll = 10ms;
    core_.respond = [](const OperationRequest&) {
        FakeOutcome outcome;
        outcome.running_polls = FakeOutcome::kForever;
        return outcome;
    };
    TaskRef<KComplexImgResize> task(
        new KComplexImgResize(Path("a.png"), Path("b.png"), 640, 480, nullptr, &services_));
    task->Start();
    ASSERT_TRUE(WaitUntil([&] { return core_.Running(OperationKind::kImageResize) == 1; }));
    const auto cancelled_at = std::chrono::steady_clock::now();
    task->Cancel();
    ASSERT_TRUE(WaitUntil([&] { return task->GetResult() == 0; }, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled_at, 500ms);
    EXPECT_EQ(core_.Cancels(), 1);
}

}  // namespace
