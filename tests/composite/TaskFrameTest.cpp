// What every composite task shares: a cancel before the task's turn, tasks with nothing to do,
// progress shared out between steps, a sink detached while the task runs, and the private
// folder of intermediate files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <set>
#include <thread>

#include "FakeCore.h"
#include "composite/KComplexDocumentToImage.h"
#include "composite/KComplexMergePdf.h"
#include "composite/KComplexPdfToDocument.h"
#include "composite/KComplexPdfToImage.h"
#include "composite/KComplexPdfToImgPdf.h"
#include "composite/KComplexSplitPdf.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

KComplexPdfToDocument::Params PdfToWord(std::string source, std::string target) {
    KComplexPdfToDocument::Params params;
    params.source = std::move(source);
    params.target = std::move(target);
    return params;
}

KComplexDocumentToImage::Params OfficeToPictures(std::string source, std::string folder) {
    KComplexDocumentToImage::Params params;
    params.source = std::move(source);
    params.output_folder = std::move(folder);
    return params;
}

class TaskFrameTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(private_); }
    std::string Path(const std::string& name) const { return (temp_ / name).string(); }

    TempDir temp_;
    fs::path private_ = temp_ / "private";
    FakeOperations core_;
    CompositeServices services_ = FakeServices(&core_, nullptr, private_);
};

TEST_F(TaskFrameTest, TaskCancelledBeforeItsTurnEndsAtZeroWithoutAStep) {
    std::vector<ICvtTask*> tasks = {
        new KComplexSplitPdf({Path("a.pdf"), Path("out"), {{1, 2}}}, nullptr, &services_),
        new KComplexMergePdf({{{0, 0, Path("a.pdf"), ""}}, Path("m.pdf")}, nullptr, &services_),
        new KComplexPdfToDocument(PdfToWord(Path("a.pdf"), Path("a.docx")), nullptr, &services_),
        new KComplexDocumentToImage(OfficeToPictures(Path("a.docx"), Path("out")), nullptr,
                                    &services_),
    };
    for (ICvtTask* task : tasks) {
        task->AddPages(1, 2);
        task->SetPageCount(2);
        task->Cancel();
        task->Run();
        EXPECT_EQ(task->GetResult(), 0) << task->GetSourcePath();
        EXPECT_EQ(task->IsCancelled(), 1);
        task->Release();
    }
    EXPECT_TRUE(core_.Requests().empty());
}

TEST_F(TaskFrameTest, TaskWithNothingToDoStillEnds) {
    // Without pages an Office-to-pictures task used to leave "result" at -2 for ever.
    TaskRef<KComplexDocumentToImage> no_pages(new KComplexDocumentToImage(
        OfficeToPictures(Path("a.docx"), Path("out")), nullptr, &services_));
    no_pages->Run();
    EXPECT_EQ(no_pages->GetResult(), 0);
    EXPECT_EQ(no_pages->GetErrorMsg(), "no pages to convert");

    TaskRef<KComplexPdfToImgPdf> no_page_count(
        new KComplexPdfToImgPdf({Path("a.pdf"), Path("b.pdf")}, nullptr, &services_));
    no_page_count->Run();
    EXPECT_EQ(no_page_count->GetResult(), 0);
    EXPECT_TRUE(core_.Requests().empty());
}

TEST_F(TaskFrameTest, OfficePicturesAreNamedAfterTheDocumentNotATemporaryName) {
    core_.forced_page_count = 2;
    TaskRef<KComplexDocumentToImage> task(new KComplexDocumentToImage(
        OfficeToPictures(Path("Quarterly report.docx"), Path("out")), nullptr, &services_));
    task->AddPages(1, 2);
    task->SetPageCount(2);
    task->Run();
    EXPECT_EQ(task->GetResult(), 1);
    const auto to_pdf = core_.RequestsOf(OperationKind::kDocumentToPdf);
    const auto to_pictures = core_.RequestsOf(OperationKind::kPdfToImages);
    ASSERT_EQ(to_pdf.size(), 1u);
    ASSERT_EQ(to_pictures.size(), 1u);
    const fs::path intermediate = to_pdf[0].target;
    EXPECT_EQ(intermediate.filename(), "Quarterly report.pdf");
    EXPECT_EQ(intermediate.parent_path().parent_path(), private_);
    EXPECT_EQ(to_pictures[0].source, intermediate.string());
    EXPECT_FALSE(fs::exists(intermediate.parent_path()));
}

TEST_F(TaskFrameTest, ProgressOfEachStepTakesItsShareOfTheBar) {
    core_.respond = [](const OperationRequest&) {
        FakeOutcome outcome;
        outcome.running_polls = 2;
        outcome.progress = {-1, 40, 100};
        return outcome;
    };
    core_.forced_page_count = 2;
    struct Case {
        const char* name;
        ICvtTask* task;
        std::vector<int> expected;
    };
    RecordingSink two_steps, one_step, page_tool;
    const Case cases[] = {
        {"office to pictures: two halves",
         new KComplexDocumentToImage(OfficeToPictures(Path("a.docx"), Path("out")), &two_steps,
                                     &services_),
         {0, 20, 50, 50, 70, 100}},
        {"image PDF: the job's own figure, never below 0",
         new KComplexPdfToImgPdf({Path("a.pdf"), Path("b.pdf")}, &one_step, &services_),
         {0, 40, 100}},
        {"split reports none",
         new KComplexSplitPdf({Path("a.pdf"), Path("o"), {{1, 2}}}, &page_tool, &services_),
         {}},
    };
    const std::vector<RecordingSink*> sinks = {&two_steps, &one_step, &page_tool};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        cases[i].task->AddPages(1, 2);
        cases[i].task->SetPageCount(2);
        cases[i].task->Run();
        EXPECT_EQ(cases[i].task->GetResult(), 1) << cases[i].name;
        EXPECT_EQ(sinks[i]->Values(), cases[i].expected) << cases[i].name;
        cases[i].task->Release();
    }
}

TEST_F(TaskFrameTest, OfficePicturesUseThePagesThePdfReallyHas) {
    struct Case {
        int first;
        int last;
        int pdf_pages;
        std::vector<int> pictured;
    };
    const Case cases[] = {
        {1, 3, 3, {1, 2, 3}},
        {1, 5, 3, {1, 2, 3}},  // the document's page count was an estimate
        {2, 4, 6, {2, 3, 4}},
        {4, 5, 4, {4}},
    };
    for (const Case& c : cases) {
        FakeOperations core;
        core.forced_page_count = c.pdf_pages;
        const CompositeServices services = FakeServices(&core, nullptr, private_);
        TaskRef<KComplexDocumentToImage> task(new KComplexDocumentToImage(
            OfficeToPictures(Path("a.docx"), Path("out")), nullptr, &services));
        task->AddPages(c.first, c.last);
        task->Run();
        ASSERT_EQ(task->GetResult(), 1) << c.first << "-" << c.last;
        const auto to_pdf = core.RequestsOf(OperationKind::kDocumentToPdf);
        const auto to_images = core.RequestsOf(OperationKind::kPdfToImages);
        ASSERT_EQ(to_pdf.size(), 1u);
        ASSERT_EQ(to_images.size(), 1u);
        EXPECT_EQ(to_pdf[0].pages.size(), static_cast<std::size_t>(c.last));
        EXPECT_EQ(to_images[0].source, to_pdf[0].target);
        EXPECT_EQ(to_images[0].pages, c.pictured) << c.first << "-" << c.last;
        EXPECT_EQ(task->IsLocal(), 1);
        EXPECT_TRUE(EntriesOf(private_).empty());
    }
}

// Counts its calls in a counter that outlives it.
class CountingSink : public quirekit::ICvtUpateProcess {
public:
    explicit CountingSink(std::atomic<int>& calls) : calls_(calls) {}
    void UpdateProcess(int) override { ++calls_; }

private:
    std::atomic<int>& calls_;
};

TEST_F(TaskFrameTest, DetachedSinkIsNeverCalledAgain) {
    core_.respond = [](const OperationRequest& request) {
        FakeOutcome outcome;
        if (request.kind != OperationKind::kPickupPages) {
            outcome.running_polls = FakeOutcome::kForever;
            outcome.progress = {10};
        }
        return outcome;
    };
    KComplexPdfToDocument::Params in_parts;
    in_parts.source = Path("long.pdf");
    in_parts.target = Path("long.docx");
    in_parts.split = true;
    in_parts.last_page = 150;
    in_parts.parts_folder = temp_.Path().string();
    for (const bool parts : {false, true}) {
        std::atomic<int> calls{0};
        auto* sink = new CountingSink(calls);
        ICvtTask* task =
            parts ? static_cast<ICvtTask*>(new KComplexPdfToDocument(in_parts, sink, &services_))
                  : new KComplexPdfToImgPdf({Path("a.pdf"), Path("b.pdf")}, sink, &services_);
        task->SetPageCount(3);
        task->Start();
        ASSERT_TRUE(WaitUntil([&] { return calls > 0; })) << parts;
        // The row goes away: it detaches, then its sink is destroyed while the task runs on.
        task->DetachProgress();
        const int calls_at_detach = calls;
        delete sink;
        std::this_thread::sleep_for(30ms);
        task->Cancel();
        ASSERT_TRUE(WaitUntil([&] { return task->GetResult() == 0; })) << parts;
        EXPECT_EQ(calls.load(), calls_at_detach) << parts;
        task->Release();
    }
}

TEST_F(TaskFrameTest, IntermediateFilesArePrivateUniqueAndRemoved) {
    std::mutex mutex;
    std::set<std::string> decrypted;
    std::vector<std::string> problems;
    core_.respond = [&](const OperationRequest& request) {
        std::lock_guard guard(mutex);
        if (request.kind == OperationKind::kDecrypt)
            decrypted.insert(request.target);
        if (request.kind == OperationKind::kPdfToImagePdf) {
            struct stat file {
            }, folder{};
            ::stat(request.source.c_str(), &file);
            ::stat(fs::path(request.source).parent_path().c_str(), &folder);
            if ((file.st_mode & 0777) != 0600 || (folder.st_mode & 0777) != 0700)
                problems.push_back(request.source);
        }
        FakeOutcome outcome;
        outcome.running_polls = 5;
        return outcome;
    };
    // Same file, same second, same password: the names must still differ.
    std::vector<ICvtTask*> tasks;
    for (int i = 0; i < 3; ++i) {
        auto* task =
            new KComplexPdfToImgPdf({Path("same.pdf"), Path("out.pdf")}, nullptr, &services_);
        task->SetPageCount(1);
        task->SetPassword("pw");
        tasks.push_back(task);
    }
    for (ICvtTask* task : tasks)
        task->Start();
    for (ICvtTask* task : tasks) {
        ASSERT_TRUE(WaitUntil([&] { return task->GetResult() >= 0; }));
        EXPECT_EQ(task->GetResult(), 1);
        task->Release();
    }
    EXPECT_EQ(decrypted.size(), 3u);
    EXPECT_TRUE(problems.empty());
    EXPECT_TRUE(EntriesOf(private_).empty());
}

TEST_F(TaskFrameTest, NoPrivateFolderFailsTheStepThatNeedsOne) {
    services_.temp_root = [] { return std::optional<fs::path>(); };
    TaskRef<KComplexPdfToImgPdf> task(
        new KComplexPdfToImgPdf({Path("a.pdf"), Path("b.pdf")}, nullptr, &services_));
    task->SetPageCount(1);
    task->SetPassword("pw");
    task->Run();
    EXPECT_EQ(task->GetResult(), 0);
    EXPECT_EQ(task->GetErrorMsg(), "no private folder for intermediate files");
    EXPECT_TRUE(core_.Requests().empty());
}

}  // namespace
