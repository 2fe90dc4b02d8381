// The PDF-to-document task against the scripted core and service: the local attempt, the
// online fallback and its pre-steps, and long documents converted in parts.
#include <gtest/gtest.h>

#include <algorithm>

#include "FakeCore.h"
#include "composite/KComplexPdfToDocument.h"
#include "platform/Format.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"
#include "support/WaitUntil.h"

namespace {

namespace fs = std::filesystem;
using Params = KComplexPdfToDocument::Params;

std::vector<int> PageRun(int first, int last) {
    std::vector<int> pages;
    for (int page = first; page <= last; ++page)
        pages.push_back(page);
    return pages;
}

class PdfToDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(private_); }

    KComplexPdfToDocument* NewTask(Params params) {
        return new KComplexPdfToDocument(std::move(params), &sink_, &services_);
    }
    std::string Path(const std::string& name) const { return (temp_ / name).string(); }

    TempDir temp_;
    fs::path private_ = temp_ / "private";
    FakeOperations core_;
    FakeOnline online_;
    CompositeServices services_ = FakeServices(&core_, &online_, private_);
    RecordingSink sink_;
};

TEST_F(PdfToDocumentTest, LocalAttemptAndOnlineFallback) {
    struct Case {
        const char* name;
        bool local_only;
        bool prefer_online;
        bool local_succeeds;
        bool allowed;
        bool online_set_up;
        int result;
        std::size_t local_jobs;
        std::size_t online_jobs;
        int is_local;
        std::string error;
    };
    const Case cases[] = {
        {"local succeeds", false, false, true, true, true, 1, 1, 0, 1, ""},
        {"local fails, online succeeds", false, false, false, true, true, 1, 1, 1, 0,
         "layout failed"},
        {"text window never goes online", true, false, false, true, true, 0, 1, 0, 1,
         "layout failed"},
        {"precise conversion skips the core", false, true, true, true, true, 1, 0, 1, 0, ""},
        {"no consent to upload", false, false, false, false, true, 0, 1, 0, 0,
         "layout failed; online conversion is not allowed"},
        {"no online service yet", false, true, true, true, false, 0, 0, 0, 0,
         "online conversion service is not set up"},
    };
    for (const Case& c : cases) {
        FakeOperations core;
        core.respond = [&c](const OperationRequest&) {
            FakeOutcome outcome;
            outcome.result = c.local_succeeds ? 1 : 0;
            outcome.error = c.local_succeeds ? "" : "layout failed";
            return outcome;
        };
        FakeOnline online;
        CompositeServices services =
            FakeServices(&core, c.online_set_up ? &online : nullptr, private_);
        services.online_allowed = [&c] { return c.allowed; };
        Params params;
        params.source = Path("report.pdf");
        params.target = Path("report.docx");
        params.local_only = c.local_only;
        params.prefer_online = c.prefer_online;
        TaskRef task(new KComplexPdfToDocument(params, nullptr, &services));
        task->SetPageCount(4);
        task->AddPages(1, 4);
        task->Run();

        EXPECT_EQ(task->GetResult(), c.result) << c.name;
        EXPECT_EQ(core.RequestsOf(OperationKind::kPdfToDocument).size(), c.local_jobs) << c.name;
        ASSERT_EQ(online.Requests().size(), c.online_jobs) << c.name;
        EXPECT_EQ(task->IsLocal(), c.is_local) << c.name;
        EXPECT_EQ(task->GetErrorMsg(), c.error) << c.name;
        if (c.online_jobs == 1) {
            // Nothing to decrypt or cut: the source itself goes up.
            EXPECT_EQ(online.Requests()[0].source, params.source) << c.name;
            EXPECT_EQ(online.Requests()[0].page_count, 4) << c.name;
        }
    }
}

TEST_F(PdfToDocumentTest, EncryptedPdfIsDecryptedThenCutThenUploaded) {
    Params params;
    params.source = Path("secret.pdf");
    params.target = Path("secret.docx");
    params.prefer_online = true;
    params.cut_first = true;
    TaskRef task(NewTask(params));
    task->SetPageCount(10);
    task->SetPassword("pw");
    task->AddPages(2, 4);
    task->Run();

    ASSERT_EQ(task->GetResult(), 1);
    const auto requests = core_.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].kind, OperationKind::kDecrypt);
    EXPECT_EQ(requests[0].source, params.source);
    EXPECT_EQ(requests[0].password, "pw");
    EXPECT_EQ(requests[1].kind, OperationKind::kPickupPages);
    EXPECT_EQ(requests[1].source, requests[0].target);
    EXPECT_EQ(requests[1].pages, PageRun(2, 4));
    // The decrypted copy opens without a password.
    EXPECT_EQ(requests[1].password, "");
    for (const OperationRequest& request : requests)
        EXPECT_EQ(fs::path(request.target).parent_path().parent_path(), private_);

    const auto uploads = online_.Requests();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(uploads[0].source, requests[1].target);
    EXPECT_EQ(uploads[0].target, params.target);
    EXPECT_EQ(uploads[0].page_count, 3);
    EXPECT_TRUE(EntriesOf(private_).empty());
}

TEST_F(PdfToDocumentTest, OnlineFailureKeepsTheServiceCode) {
    core_.respond = [](const OperationRequest&) { return FakeOutcome::Failed("layout failed"); };
    online_.respond = [](const OnlineRequest&) {
        FakeOutcome outcome = FakeOutcome::Failed("upload file fail: timeout");
        outcome.service_code = 4101005;
        return outcome;
    };
    Params params;
    params.source = Path("a.pdf");
    params.target = Path("a.xlsx");
    TaskRef task(NewTask(params));
    task->Run();
    EXPECT_EQ(task->GetResult(), 0);
    EXPECT_EQ(task->GetErrorMsg(), "layout failed; upload file fail: timeout");
    EXPECT_EQ(task->GetErrorInfo(), (tasks::ErrorInfo{4101005, "源文件类型不支持"}));
}

TEST_F(PdfToDocumentTest, LongRangesAreConvertedInPartsOfFiftyTwoAtATime) {
    struct Case {
        int pages;
        std::vector<std::pair<int, int>> parts;
    };
    const Case cases[] = {
        {1, {{1, 1}}},
        {50, {{1, 50}}},
        {51, {{1, 50}, {51, 51}}},
        {230, {{1, 50}, {51, 100}, {101, 150}, {151, 200}, {201, 230}}},
    };
    const fs::path parts_folder = temp_ / "parts";
    fs::create_directory(parts_folder);
    for (const Case& c : cases) {
        FakeOperations core;
        core.respond = [](const OperationRequest& request) {
            FakeOutcome outcome;
            if (request.kind == OperationKind::kPdfToDocument)
                outcome.running_polls = 20;
            return outcome;
        };
        const CompositeServices services = FakeServices(&core, nullptr, private_);
        Params params;
        params.source = Path("report.pdf");
        params.target = (parts_folder / "report.docx").string();
        params.split = true;
        params.first_page = 1;
        params.last_page = c.pages;
        params.parts_folder = parts_folder.string();
        TaskRef task(new KComplexPdfToDocument(params, &sink_, &services));
        task->SetPageCount(c.pages);
        task->AddPages(1, c.pages);
        task->Run();

        ASSERT_EQ(task->GetResult(), 1) << c.pages << ": " << task->GetErrorMsg();
        const auto cuts = core.RequestsOf(OperationKind::kPickupPages);
        auto conversions = core.RequestsOf(OperationKind::kPdfToDocument);
        ASSERT_EQ(cuts.size(), c.parts.size()) << c.pages;
        ASSERT_EQ(conversions.size(), c.parts.size()) << c.pages;
        std::sort(conversions.begin(), conversions.end(),
                  [](const auto& a, const auto& b) { return a.source < b.source; });
        for (std::size_t i = 0; i < c.parts.size(); ++i) {
            const auto [first, last] = c.parts[i];
            const std::string range = platform::Format("(%d-%d)", first, last);
            EXPECT_EQ(cuts[i].source, params.source);
            EXPECT_EQ(cuts[i].pages, PageRun(first, last)) << range;
            EXPECT_EQ(fs::path(cuts[i].target).filename(), "report" + range + ".pdf");
            const auto converted =
                std::find_if(conversions.begin(), conversions.end(),
                             [&](const OperationRequest& r) { return r.source == cuts[i].target; });
            ASSERT_NE(converted, conversions.end()) << range;
            EXPECT_EQ(converted->target, (parts_folder / ("report" + range + ".docx")).string());
            EXPECT_EQ(converted->pages, PageRun(1, last - first + 1)) << range;
        }
        EXPECT_LE(core.MaxRunning(OperationKind::kPdfToDocument), 2) << c.pages;
        if (c.parts.size() > 2) {
            EXPECT_EQ(core.MaxRunning(OperationKind::kPdfToDocument), 2) << c.pages;
        }
        EXPECT_EQ(
            task->GetTargetPath(),
            (parts_folder / platform::Format("report(1-%d).docx", c.parts[0].second)).string());
        EXPECT_TRUE(EntriesOf(private_).empty()) << c.pages;
    }
}

TEST_F(PdfToDocumentTest, JoinedPartsBecomeOneDocumentInPageOrder) {
    // Each converted part holds the range it came from, as its name says. As text the parts
    // join; as Word documents they are unreadable, and the join must fail without a trace.
    for (const char* target : {"long.txt", "long.docx"}) {
        FakeOperations core;
        core.respond = [](const OperationRequest& request) {
            FakeOutcome outcome;
            const std::string name = fs::path(request.source).stem().string();
            if (request.kind == OperationKind::kPdfToDocument)
                outcome.content = name.substr(name.find('(')) + "\n";
            return outcome;
        };
        const CompositeServices services = FakeServices(&core, nullptr, private_);
        Params params;
        params.source = Path("long.pdf");
        params.target = Path(target);
        params.local_only = true;
        params.split = true;
        params.join_parts = true;
        params.last_page = 120;
        TaskRef task(new KComplexPdfToDocument(params, nullptr, &services));
        task->Run();
        EXPECT_EQ(task->GetTargetPath(), params.target);
        EXPECT_TRUE(EntriesOf(private_).empty()) << target;
        if (fs::path(target).extension() == ".docx") {
            EXPECT_EQ(task->GetResult(), 0);
            EXPECT_EQ(task->GetErrorMsg().rfind("cannot join the parts into one document: ", 0), 0u)
                << task->GetErrorMsg();
            for (const fs::path& entry : EntriesOf(temp_.Path()))
                EXPECT_EQ(entry.string().find("docx"), std::string::npos) << entry;
            continue;
        }
        ASSERT_EQ(task->GetResult(), 1) << task->GetErrorMsg();
        EXPECT_EQ(testdocs::ReadFile(params.target), "(1-50)\n(51-100)\n(101-120)\n");
    }
}

TEST_F(PdfToDocumentTest, PartsThatDoNotAllConvertFailTheTask) {
    struct Case {
        const char* name;
        OperationKind failing_kind;
        std::size_t conversions;
    };
    // A part that cannot be cut stops the task before anything is converted: converting the
    // rest would leave pages out without a word.
    const Case cases[] = {
        {"second part does not convert", OperationKind::kPdfToDocument, 3},
        {"second part cannot be cut", OperationKind::kPickupPages, 0},
    };
    for (const Case& c : cases) {
        FakeOperations core;
        core.respond = [&c](const OperationRequest& request) {
            FakeOutcome outcome;
            const bool second = request.source.find("(51-100)") != std::string::npos ||
                                request.pages == PageRun(51, 100);
            if (request.kind == c.failing_kind && second)
                outcome = FakeOutcome::Failed("part broke");
            return outcome;
        };
        const CompositeServices services = FakeServices(&core, nullptr, private_);
        Params params;
        params.source = Path("long.pdf");
        params.target = Path("long.txt");
        params.local_only = true;
        params.split = true;
        params.last_page = 120;
        params.parts_folder = temp_.Path().string();
        TaskRef task(new KComplexPdfToDocument(params, nullptr, &services));
        task->Run();
        EXPECT_EQ(task->GetResult(), 0) << c.name;
        EXPECT_EQ(task->GetErrorMsg(), "part broke") << c.name;
        EXPECT_EQ(core.RequestsOf(OperationKind::kPdfToDocument).size(), c.conversions) << c.name;
        EXPECT_TRUE(EntriesOf(private_).empty()) << c.name;
    }
}

TEST_F(PdfToDocumentTest, CancelStopsEveryRunningPart) {
    core_.respond = [](const OperationRequest& request) {
        FakeOutcome outcome;
        if (request.kind == OperationKind::kPdfToDocument)
            outcome.running_polls = FakeOutcome::kForever;
        return outcome;
    };
    Params params;
    params.source = Path("long.pdf");
    params.target = Path("long.docx");
    params.split = true;
    params.last_page = 200;
    params.parts_folder = temp_.Path().string();
    TaskRef task(NewTask(params));
    task->Start();
    ASSERT_TRUE(WaitUntil([&] { return core_.Running(OperationKind::kPdfToDocument) == 2; }));
    task->Cancel();
    ASSERT_TRUE(WaitUntil([&] { return task->GetResult() == 0; }));
    EXPECT_EQ(core_.Cancels(), 2);
    // The two parts still queued never reached the core.
    EXPECT_EQ(core_.RequestsOf(OperationKind::kPdfToDocument).size(), 2u);
    EXPECT_TRUE(online_.Requests().empty());
    EXPECT_TRUE(EntriesOf(private_).empty());
}

TEST_F(PdfToDocumentTest, EmptyRangeEndsTheTaskInsteadOfWaiting) {
    Params params;
    params.source = Path("a.pdf");
    params.target = Path("a.docx");
    params.split = true;
    params.first_page = 5;
    params.last_page = 4;
    TaskRef task(NewTask(params));
    task->Run();
    EXPECT_EQ(task->GetResult(), 0);
    EXPECT_EQ(task->GetErrorMsg(), "no pages to convert");
    EXPECT_TRUE(core_.Requests().empty());
}

}  // namespace
